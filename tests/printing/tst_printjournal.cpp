#include "database/database.h"
#include "modalanswerer.h"
#include "printing/engine.h"
#include "printing/printjournal.h"
#include "printing/printjournalwindow.h"
#include "printing/reportlist.h"
#include "printingfixture.h"
#include "testhome.h"

#include "ZrReport/reportpage.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSysInfo>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

// The journal kept in the register: what is written for a print, how it is filtered and
// counted, and that a register made before it gets it without losing anything.
class TestPrintJournal : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void filters_data();
    void filters();
    void countsOfAPeriod_data();
    void countsOfAPeriod();
    void olderRegisterGetsTheJournal_data();
    void olderRegisterGetsTheJournal();
    void singlePrintIsRecorded_data();
    void singlePrintIsRecorded();
    void windowMarksASpoiledBlank();

private:
    static int add(const QString &fio,
                   const QString &printedAt,
                   int form = ReportList::Id3382,
                   int pages = 2,
                   PrintJournal::Outcome outcome = PrintJournal::Outcome::Printed);
    // A small journal of one school year; ids by fio.
    void fillJournal();
    static QStringList columns(const QString &table);

    PrintingFixture m_fixture;
    QMap<QString, int> m_ids;
};

void TestPrintJournal::init()
{
    m_fixture.start();
    m_ids.clear();
}

void TestPrintJournal::cleanup()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_fixture.stop();
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), w->metaObject()->className());
}

int TestPrintJournal::add(const QString &fio,
                          const QString &printedAt,
                          int form,
                          int pages,
                          PrintJournal::Outcome outcome)
{
    PrintJournal::Entry entry;
    entry.documentId = 7;
    entry.fio = fio;
    entry.form = form;
    entry.number = QStringLiteral("77 %1").arg(fio.size());
    entry.printedAt = QDateTime::fromString(printedAt, QStringLiteral("yyyy-MM-dd hh:mm"));
    entry.printer = QStringLiteral("Kyocera");
    entry.pages = pages;
    entry.outcome = outcome;
    return PrintJournal::add(entry);
}

void TestPrintJournal::fillJournal()
{
    m_ids["Иванов"] = add(QStringLiteral("Иванов Иван"), "2024-05-30 09:00");
    m_ids["Петрова"] = add(QStringLiteral("Петрова Анна"), "2024-05-31 23:59");
    m_ids["Сидоров"] = add(QStringLiteral("Сидоров Олег"), "2024-06-01 00:00", ReportList::Id253);
    m_ids["Смирнов"] = add(QStringLiteral("Смирнов Павел"),
                           "2024-06-03 10:00",
                           ReportList::Id3382,
                           1,
                           PrintJournal::Outcome::Cancelled);
    m_ids["Ничего"] = add(QStringLiteral("Ничего Не Вышло"),
                          "2024-06-03 11:00",
                          ReportList::Id3382,
                          0,
                          PrintJournal::Outcome::Cancelled);
    QVERIFY(PrintJournal::markSpoiled(m_ids["Петрова"], QStringLiteral("Замятие бумаги")));
}

void TestPrintJournal::filters_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("form");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found"); // newest first

    const int all = int(PrintJournal::Filter::Kind::All);
    QTest::newRow("everything, newest first")
            << QDate() << QDate() << 0 << all << ""
            << QStringList{"Ничего", "Смирнов", "Сидоров", "Петрова", "Иванов"};
    QTest::newRow("the last day of the period counts to its end")
            << QDate(2024, 5, 30) << QDate(2024, 5, 31) << 0 << all << ""
            << QStringList{"Петрова", "Иванов"};
    QTest::newRow("from the first minute of the first day")
            << QDate(2024, 6, 1) << QDate() << 0 << all << ""
            << QStringList{"Ничего", "Смирнов", "Сидоров"};
    QTest::newRow("one form") << QDate() << QDate() << int(ReportList::Id253) << all << ""
                              << QStringList{"Сидоров"};
    QTest::newRow("printed whole")
            << QDate() << QDate() << 0 << int(PrintJournal::Filter::Kind::Printed) << ""
            << QStringList{"Сидоров", "Петрова", "Иванов"};
    QTest::newRow("stopped") << QDate() << QDate() << 0
                             << int(PrintJournal::Filter::Kind::Cancelled) << ""
                             << QStringList{"Ничего", "Смирнов"};
    QTest::newRow("spoiled") << QDate() << QDate() << 0 << int(PrintJournal::Filter::Kind::Spoiled)
                             << "" << QStringList{"Петрова"};
    QTest::newRow("a name in lower case")
            << QDate() << QDate() << 0 << all << "  петрова " << QStringList{"Петрова"};
    QTest::newRow("a number") << QDate() << QDate() << 0 << all << "77 13"
                              << QStringList{"Смирнов"};
}

void TestPrintJournal::filters()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(int, form);
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(QStringList, found);

    fillJournal();
    PrintJournal::Filter filter;
    filter.from = from;
    filter.to = to;
    filter.form = form;
    filter.kind = PrintJournal::Filter::Kind(kind);
    filter.text = text;
    QStringList got;
    for (const PrintJournal::Entry &entry : PrintJournal::entries(filter))
        got << entry.fio.section(QLatin1Char(' '), 0, 0);
    QCOMPARE(got, found);
}

void TestPrintJournal::countsOfAPeriod_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("form");
    QTest::addColumn<int>("used");
    QTest::addColumn<int>("spoiled");
    QTest::addColumn<bool>("intoAFile"); // an appendix also printed whole into a PDF file

    QTest::newRow("all time: a blank never printed on is not used")
            << QDate() << QDate() << 0 << 4 << 1 << false;
    QTest::newRow("May") << QDate(2024, 5, 1) << QDate(2024, 5, 31) << 0 << 2 << 1 << false;
    QTest::newRow("June, appendices only") << QDate(2024, 6, 1) << QDate(2024, 6, 30)
                                           << int(ReportList::Id3382) << 1 << 0 << false;
    QTest::newRow("a day with nothing")
            << QDate(2024, 6, 2) << QDate(2024, 6, 2) << 0 << 0 << 0 << false;
    QTest::newRow("June, a PDF file is no blank and cannot be spoiled")
            << QDate(2024, 6, 1) << QDate(2024, 6, 30) << int(ReportList::Id3382) << 1 << 0 << true;
}

void TestPrintJournal::countsOfAPeriod()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(int, form);
    QFETCH(int, used);
    QFETCH(int, spoiled);
    QFETCH(bool, intoAFile);

    fillJournal();
    if (intoAFile) {
        PrintJournal::Entry entry;
        entry.documentId = 7;
        entry.fio = QStringLiteral("Файлов Фёдор");
        entry.form = ReportList::Id3382;
        entry.printedAt = QDateTime(QDate(2024, 6, 4), QTime(12, 0));
        entry.printer = QStringLiteral("PDF: 4А.pdf");
        entry.pages = 2;
        entry.output = PrintJournal::Output::File;
        const int id = PrintJournal::add(entry);
        QVERIFY(id > 0);
        QVERIFY(!PrintJournal::markSpoiled(id, PrintJournal::defaultSpoiledReason()));
    }
    const PrintJournal::Counts counts = PrintJournal::counts(from, to, form);
    QCOMPARE(counts.used, used);
    QCOMPARE(counts.spoiled, spoiled);
}

QStringList TestPrintJournal::columns(const QString &table)
{
    QStringList result;
    QSqlQuery query;
    query.exec(QStringLiteral("PRAGMA table_info(%1);").arg(table));
    while (query.next())
        result << QStringList{query.value(1).toString(),
                              query.value(2).toString(),
                              query.value(3).toString(),
                              query.value(4).toString(),
                              query.value(5).toString()}
                          .join(QLatin1Char(' '));
    return result;
}

void TestPrintJournal::olderRegisterGetsTheJournal_data()
{
    QTest::addColumn<QStringList>("olderJournal"); // statements that make it; empty: none
    QTest::addColumn<int>("blanksUsed");

    QTest::newRow("a register made before the journal") << QStringList{} << 0;
    // As the first version of the journal made it, with a row printed on a blank.
    QTest::newRow("a journal made before files were told apart keeps its rows")
            << QStringList{"CREATE TABLE \"PrintJournal\" (\"journalId\" INTEGER NOT NULL "
                           "PRIMARY KEY AUTOINCREMENT UNIQUE, \"psId\" INTEGER NOT NULL, \"fio\" "
                           "TEXT, \"form\" INTEGER NOT NULL, \"number\" TEXT, \"printedAt\" TEXT "
                           "NOT NULL, \"printer\" TEXT, \"pages\" INTEGER NOT NULL DEFAULT 0, "
                           "\"outcome\" TEXT NOT NULL, \"spoiled\" INTEGER NOT NULL DEFAULT 0, "
                           "\"spoiledReason\" TEXT, \"spoiledAt\" TEXT);",
                           "INSERT INTO PrintJournal (psId, fio, form, printedAt, printer, pages, "
                           "outcome, spoiled) VALUES (1, 'Петров', 3382, '2024-05-30 09:00:00', "
                           "'Kyocera', 2, 'printed', 1);"}
            << 1;
}

void TestPrintJournal::olderRegisterGetsTheJournal()
{
    QFETCH(QStringList, olderJournal);
    QFETCH(int, blanksUsed);

    const QStringList fresh = columns(QStringLiteral("PrintJournal"));
    QVERIFY(!fresh.isEmpty());
    const int id = PrintingFixture::addSampleDocument(3);
    // A register as the versions before made it.
    {
        QSqlQuery drop;
        QVERIFY(drop.exec(QStringLiteral("DROP TABLE PrintJournal;")));
        QVERIFY(drop.exec(QStringLiteral("DROP INDEX PsDocumentDetailsByDocument;")));
        for (const QString &statement : olderJournal)
            QVERIFY2(drop.exec(statement), qPrintable(drop.lastError().text()));
    }
    const QString backup = m_fixture.dataHome() + QStringLiteral("/older.db");
    QVERIFY(Database::backup(backup));

    const QStringList older{QStringLiteral("restarted"), QStringLiteral("restored")};
    for (const QString &how : older) {
        if (how == older.first()) {
            Database::destroy();
            QVERIFY(Database::create());
        } else {
            QVERIFY(Database::restore(backup));
        }
        QCOMPARE(columns(QStringLiteral("PrintJournal")), fresh);
        const PrintJournal::Counts counts = PrintJournal::counts(QDate(), QDate());
        QCOMPARE(counts.used, blanksUsed);
        QCOMPARE(counts.spoiled, blanksUsed);
        QSqlQuery query;
        QVERIFY(query.exec(QStringLiteral("SELECT COUNT(*) FROM PsDocumentDetails WHERE psId = %1;")
                                   .arg(id))
                && query.next());
        QCOMPARE(query.value(0).toInt(), 3);
        QVERIFY(query.exec(QStringLiteral("SELECT fio1 FROM PsDocuments;")) && query.next());
        QCOMPARE(query.value(0).toString(), QStringLiteral("Петров"));
        QVERIFY(query.exec(QStringLiteral(
                "SELECT 1 FROM sqlite_master WHERE name = 'PsDocumentDetailsByDocument';")));
        QVERIFY(query.next());
    }
}

void TestPrintJournal::singlePrintIsRecorded_data()
{
    // What the user does, in order: "print" a side from its preview, "close" a preview,
    // "cancel" the system print dialog opened from a preview, "turn" the sheet when asked
    // or "stop" there with Отмена.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected"); // pages and outcome

    QTest::newRow("both sides printed") << QStringList{"print", "turn", "print"} << "2 Напечатан";
    QTest::newRow("side 2 only looked at")
            << QStringList{"print", "turn", "close"} << "1 Печать прервана";
    QTest::newRow("side 1 only looked at: the print ends, journaled, no blank used")
            << QStringList{"close"} << "0 Печать прервана";
    QTest::newRow("Отмена in the system print dialog ends the print, journaled")
            << QStringList{"cancel"} << "0 Печать прервана";
    QTest::newRow("Отмена in the system print dialog of side 2")
            << QStringList{"print", "turn", "cancel"} << "1 Печать прервана";
    QTest::newRow("Отмена when asked to turn the sheet")
            << QStringList{"print", "stop"} << "1 Печать прервана";
}

void TestPrintJournal::singlePrintIsRecorded()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);

    PrintingFixture::writeTemplate(ReportList::Id3339, 2);
    const int id = PrintingFixture::addSampleDocument();
    QTemporaryDir out;
    QPrinter probe;
    const QString previewTitle = QPrintPreviewDialog(&probe).windowTitle();
    const QString printTitle = QPrintDialog(&probe).windowTitle();
    Engine engine;
    ModalAnswerer answerer;
    int side = 0;
    for (const QString &step : steps) {
        if (step == QLatin1String("turn") || step == QLatin1String("stop")) {
            answerer.expectButton(QString(),
                                  QStringLiteral("Переверните страницу!"),
                                  step == QLatin1String("turn") ? QDialogButtonBox::Ok
                                                                : QDialogButtonBox::Cancel);
            continue;
        }
        const QString file = out.filePath(QStringLiteral("side%1.pdf").arg(side++));
        answerer.expect(previewTitle, QString(), [step, file](QWidget *dialog) {
            auto *preview = qobject_cast<QPrintPreviewDialog *>(dialog);
            if (step == QLatin1String("close")) {
                preview->reject();
                return;
            }
            PrintingFixture::printIntoFile(preview, file);
        });
        if (step != QLatin1String("close"))
            answerer.expectButton(printTitle,
                                  QString(),
                                  step == QLatin1String("print") ? QDialogButtonBox::Ok
                                                                 : QDialogButtonBox::Cancel);
    }
    engine.onDocumentPrint(ReportList::Id3339, id, false);
    QCOMPARE(answerer.unexpected(), QStringList());
    QCOMPARE(answerer.pending(), 0);
    const QList<PrintJournal::Entry> entries = PrintJournal::entries({});
    QCOMPARE(entries.size(), 1);
    const PrintJournal::Entry &entry = entries.first();
    QCOMPARE(QStringLiteral("%1 %2").arg(entry.pages).arg(PrintJournal::outcomeText(entry.outcome)),
             expected);
    QCOMPARE(entry.documentId, id);
    QCOMPARE(entry.fio, QStringLiteral("Петров Пётр Петрович"));
    QCOMPARE(entry.number, QStringLiteral("77 123456"));
    QCOMPARE(entry.form, int(ReportList::Id3339));
    QVERIFY(qAbs(entry.printedAt.secsTo(QDateTime::currentDateTime())) < 60);
    QSqlQuery where(QStringLiteral("SELECT workstation FROM PrintJournal"));
    QVERIFY(where.next());
    QCOMPARE(where.value(0).toString(), QSysInfo::machineHostName());
    // Printed into a file or given up before a side went out: no blank used, none to spoil.
    QCOMPARE(PrintJournal::counts(QDate(), QDate()).used, 0);
    QVERIFY(!PrintJournal::markSpoiled(entry.id, PrintJournal::defaultSpoiledReason()));
}

void TestPrintJournal::windowMarksASpoiledBlank()
{
    fillJournal();
    auto *window = new PrintJournalWindow;
    window->show();
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("tableWidgetEntries"));
    auto *counts = window->findChild<QLabel *>(QStringLiteral("labelCounts"));
    QCOMPARE(table->rowCount(), 5);
    QVERIFY(counts->text().contains(QStringLiteral("4, из них испорчено: 1")));
    // Иванов is the oldest row, shown last.
    table->selectRow(4);
    ModalAnswerer answerer;
    answerer.expect(PrintJournal::defaultSpoiledReason(),
                    QStringLiteral("Иванов Иван"),
                    [](QWidget *dialog) {
                        dialog->findChild<QLineEdit *>()->setText(QStringLiteral("Пятно тонера"));
                        ModalAnswerer::clickButton(dialog, QDialogButtonBox::Ok);
                    });
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("pushButtonSpoiled")),
                      Qt::LeftButton);
    QCOMPARE(answerer.pending(), 0);
    QVERIFY(counts->text().contains(QStringLiteral("4, из них испорчено: 2")));
    QVERIFY(table->item(4, 8)->text().startsWith(QStringLiteral("Пятно тонера")));
    // A blank marked once cannot be marked again.
    QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("pushButtonSpoiled"))->isEnabled());
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        window->resize(1100, 420);
        QCoreApplication::sendPostedEvents();
        window->grab().save(folder + QStringLiteral("/print-journal.png"));
    }
    window->close();
}

ZR_TEST_MAIN(TestPrintJournal)
#include "tst_printjournal.moc"
