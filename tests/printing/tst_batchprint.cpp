#include "database/database.h"
#include "modalanswerer.h"
#include "printing/batchprint.h"
#include "printing/batchprintdialog.h"
#include "printing/defaulttemplates.h"
#include "printing/engine.h"
#include "printing/printcheckdialog.h"
#include "printing/printcontroller.h"
#include "printing/printjournal.h"
#include "printing/reportlist.h"
#include "printingfixture.h"
#include "testhome.h"

#include <QLabel>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>

Q_DECLARE_METATYPE(BatchPrint::Stacking)

// A batch printed into PDF files, one per pass, read back page by page: which document's
// side lands on which sheet, whatever the code thinks it did.
class TestBatchPrint : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void order_data();
    void order();
    void sidesInTheOrderTheStackIsFed_data();
    void sidesInTheOrderTheStackIsFed();
    void stopAndGoOn_data();
    void stopAndGoOn();
    void checkStandsBeforeTheBatch_data();
    void checkStandsBeforeTheBatch();
    void dialogPrintsAndShowsProgress_data();
    void dialogPrintsAndShowsProgress();
    void classOfBoysAndGirlsGoesInStacks_data();
    void classOfBoysAndGirlsGoesInStacks();

private:
    // Documents "Ученик 01" ... with a two- or one-page template whose every page says
    // "Страница N: <full name>".
    QList<int> addPupils(int count, int pages);
    // Each page's "Страница N: Фамилия" line, in the file's order; empty for no file.
    static QStringList pagesOf(const QString &pdf);
    QString sideFile(int side) const;
    static QStringList journal();

    PrintingFixture m_fixture;
    std::unique_ptr<QTemporaryDir> m_out;
};

void TestBatchPrint::initTestCase()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext (poppler-utils) is needed to read the printout");
    qRegisterMetaType<QList<int>>();
}

void TestBatchPrint::init()
{
    m_fixture.start();
    m_out = std::make_unique<QTemporaryDir>();
}

void TestBatchPrint::cleanup()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_fixture.stop();
    m_out.reset();
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), w->metaObject()->className());
}

QList<int> TestBatchPrint::addPupils(int count, int pages)
{
    PrintingFixture::writeTemplate(ReportList::Id3339, pages);
    QList<int> ids;
    for (int i = 1; i <= count; ++i)
        ids << PrintingFixture::addDocument(
                {{"isTemplate", 0},
                 {"fio1", QStringLiteral("Ученик%1").arg(i, 2, 10, QLatin1Char('0'))},
                 {"number", QString::number(1000 + i)}});
    return ids;
}

QStringList TestBatchPrint::pagesOf(const QString &pdf)
{
    if (!QFileInfo::exists(pdf))
        return {};
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    process.waitForFinished(30000);
    QStringList pages;
    for (const QString &page :
         QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\f'))) {
        const QString line = page.simplified();
        if (!line.isEmpty())
            pages << line;
    }
    return pages;
}

QString TestBatchPrint::sideFile(int side) const
{
    return m_out->filePath(QStringLiteral("out (сторона %1).pdf").arg(side));
}

QStringList TestBatchPrint::journal()
{
    QStringList rows;
    const QList<PrintJournal::Entry> entries = PrintJournal::entries({});
    // Oldest first, as they were written.
    for (auto it = entries.crbegin(); it != entries.crend(); ++it)
        rows << QStringLiteral("%1 %2 %3")
                        .arg(it->fio)
                        .arg(it->pages)
                        .arg(PrintJournal::outcomeText(it->outcome));
    return rows;
}

void TestBatchPrint::order_data()
{
    QTest::addColumn<int>("documents");
    QTest::addColumn<int>("pages");
    QTest::addColumn<BatchPrint::Stacking>("stacking");
    QTest::addColumn<QString>("expected"); // document:page, passes separated by "|"

    const auto down = BatchPrint::Stacking::FaceDown;
    const auto up = BatchPrint::Stacking::FaceUp;
    QTest::newRow("one-sided: straight through") << 3 << 1 << up << "0:0 1:0 2:0";
    QTest::newRow("face down: backs in the same order")
            << 3 << 2 << down << "0:0 1:0 2:0 | 0:1 1:1 2:1";
    QTest::newRow("face up: backs the other way round")
            << 3 << 2 << up << "0:0 1:0 2:0 | 2:1 1:1 0:1";
    QTest::newRow("three pages: the second sheet's back goes through empty")
            << 2 << 3 << down << "0:0 0:2 1:0 1:2 | 0:1 0:-1 1:1 1:-1";
    QTest::newRow("nothing to print") << 0 << 2 << down << "";
}

void TestBatchPrint::order()
{
    QFETCH(int, documents);
    QFETCH(int, pages);
    QFETCH(BatchPrint::Stacking, stacking);
    QFETCH(QString, expected);

    QStringList got;
    bool back = false;
    for (const BatchPrint::Step &step : BatchPrint::order(documents, pages, stacking)) {
        if (step.back() && !back)
            got << QStringLiteral("|");
        back = step.back();
        got << QStringLiteral("%1:%2").arg(step.document).arg(step.page);
    }
    QCOMPARE(got.join(QLatin1Char(' ')), expected);
}

void TestBatchPrint::sidesInTheOrderTheStackIsFed_data()
{
    QTest::addColumn<int>("documents");
    QTest::addColumn<int>("pages");
    QTest::addColumn<BatchPrint::Stacking>("stacking");

    QTest::newRow("30 documents, two-sided, face down")
            << 30 << 2 << BatchPrint::Stacking::FaceDown;
    QTest::newRow("30 documents, two-sided, face up") << 30 << 2 << BatchPrint::Stacking::FaceUp;
    QTest::newRow("4 documents, one-sided, face up") << 4 << 1 << BatchPrint::Stacking::FaceUp;
    QTest::newRow("4 documents, one-sided, face down") << 4 << 1 << BatchPrint::Stacking::FaceDown;
}

void TestBatchPrint::sidesInTheOrderTheStackIsFed()
{
    QFETCH(int, documents);
    QFETCH(int, pages);
    QFETCH(BatchPrint::Stacking, stacking);

    const QList<int> ids = addPupils(documents, pages);
    BatchPrint batch(ReportList::Id3339, ids, false);
    QString error;
    QVERIFY2(batch.load(&error), qPrintable(error));
    QStringList turns;
    batch.turnStack = [&turns](const QString &first) {
        turns << first;
        return true;
    };
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_out->filePath(QStringLiteral("out.pdf")));
    QCOMPARE(batch.print(&printer, stacking, 0), documents * pages);

    QStringList fronts;
    QStringList backs;
    for (int i = 1; i <= documents; ++i) {
        const QString name = QStringLiteral("Ученик%1").arg(i, 2, 10, QLatin1Char('0'));
        fronts << QStringLiteral("Страница 1: ") + name;
        backs << QStringLiteral("Страница 2: ") + name;
    }
    // The turned stack feeds the first sheet first when it came out face down.
    if (stacking == BatchPrint::Stacking::FaceUp)
        std::reverse(backs.begin(), backs.end());
    if (pages == 1) {
        QCOMPARE(pagesOf(m_out->filePath(QStringLiteral("out.pdf"))), fronts);
        QCOMPARE(turns, QStringList());
    } else {
        QCOMPARE(pagesOf(sideFile(1)), fronts);
        QCOMPARE(pagesOf(sideFile(2)), backs);
        QCOMPARE(turns.size(), 1);
        QCOMPARE(QStringLiteral("Страница 2: ") + turns.first(), backs.first());
    }
    const QStringList rows = journal();
    QCOMPARE(rows.size(), documents);
    QCOMPARE(rows.first(), QStringLiteral("Ученик01 %1 Напечатан").arg(pages));
    QCOMPARE(rows.filter(QStringLiteral("Напечатан")).size(), documents);
    // Into a PDF file: no blank used.
    QCOMPARE(PrintJournal::counts(QDate(), QDate()).used, 0);
}

void TestBatchPrint::stopAndGoOn_data()
{
    QTest::addColumn<BatchPrint::Stacking>("stacking");
    QTest::addColumn<int>("cancelAt"); // document position on side 1 to cancel at; 0: none
    QTest::addColumn<bool>("turn");    // the answer to the turn question
    QTest::addColumn<QStringList>("journalAfterStop");
    QTest::addColumn<int>("again");          // -1: the batch goes on; else the sides printed again
    QTest::addColumn<bool>("following");     // printed again: the documents after it too
    QTest::addColumn<int>("resumeDocument"); // from 0
    QTest::addColumn<int>("resumeSide");
    QTest::addColumn<QStringList>("side1"); // of the second run; "1" for Ученик01
    QTest::addColumn<QStringList>("side2");
    QTest::addColumn<QStringList>("journalAfterAll");

    const QStringList allPrinted{"Ученик01 2 Напечатан",
                                 "Ученик02 2 Напечатан",
                                 "Ученик03 2 Напечатан",
                                 "Ученик04 2 Напечатан"};
    const int goOn = -1;
    QTest::newRow("cancelled at document 3 of side 1, goes on from there")
            << BatchPrint::Stacking::FaceDown << 3 << true
            << QStringList{"Ученик01 1 Печать прервана", "Ученик02 1 Печать прервана"} << goOn
            << false << 2 << 1 << QStringList{"3", "4"} << QStringList{"1", "2", "3", "4"}
            << allPrinted;
    QTest::newRow("turn declined, side 2 from document 3 (face up: 3, 2, 1)")
            << BatchPrint::Stacking::FaceUp << 0 << false
            << QStringList{"Ученик01 1 Печать прервана",
                           "Ученик02 1 Печать прервана",
                           "Ученик03 1 Печать прервана",
                           "Ученик04 1 Печать прервана"}
            << goOn << false << 2 << 2 << QStringList{} << QStringList{"3", "2", "1"}
            << QStringList{"Ученик01 2 Напечатан",
                           "Ученик02 2 Напечатан",
                           "Ученик03 2 Напечатан",
                           "Ученик04 1 Печать прервана"};
    // The secretary puts one new blank in: the other pupils' blanks are done.
    QTest::newRow("a jammed blank printed again: that pupil's both sides only, a new blank")
            << BatchPrint::Stacking::FaceDown << 0 << true << allPrinted
            << int(BatchPrint::Sides::Both) << false << 3 << 1 << QStringList{"4"}
            << QStringList{"4"} << allPrinted + QStringList{"Ученик04 2 Напечатан"};
    QTest::newRow("a spoilt back printed again: that pupil's side 2 only, journaled")
            << BatchPrint::Stacking::FaceDown << 0 << true << allPrinted
            << int(BatchPrint::Sides::Back) << false << 1 << 2 << QStringList{} << QStringList{"2"}
            << allPrinted + QStringList{"Ученик02 1 Напечатан"};
    QTest::newRow("printed again from document 3 on when asked, face up: backs 4, 3")
            << BatchPrint::Stacking::FaceUp << 0 << true << allPrinted
            << int(BatchPrint::Sides::Both) << true << 2 << 1 << QStringList{"3", "4"}
            << QStringList{"4", "3"}
            << allPrinted + QStringList{"Ученик03 2 Напечатан", "Ученик04 2 Напечатан"};
}

void TestBatchPrint::stopAndGoOn()
{
    QFETCH(BatchPrint::Stacking, stacking);
    QFETCH(int, cancelAt);
    QFETCH(bool, turn);
    QFETCH(QStringList, journalAfterStop);
    QFETCH(int, again);
    QFETCH(bool, following);
    QFETCH(int, resumeDocument);
    QFETCH(int, resumeSide);
    QFETCH(QStringList, side1);
    QFETCH(QStringList, side2);
    QFETCH(QStringList, journalAfterAll);

    const QList<int> ids = addPupils(4, 2);
    BatchPrint batch(ReportList::Id3339, ids, false);
    QString error;
    QVERIFY2(batch.load(&error), qPrintable(error));
    bool answer = turn;
    batch.turnStack = [&answer](const QString &) { return answer; };
    connect(&batch, &BatchPrint::progress, this, [&](int, int, int position, int, bool back) {
        if (!back && position == cancelAt)
            batch.cancel();
    });
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(m_out->filePath(QStringLiteral("out.pdf")));
    batch.print(&printer, stacking, 0);
    QCOMPARE(journal(), journalAfterStop);

    QFile::remove(sideFile(1));
    QFile::remove(sideFile(2));
    cancelAt = 0;
    answer = true;
    if (again >= 0) {
        QVERIFY(batch.reprint(&printer,
                              stacking,
                              resumeDocument,
                              following ? ids.size() - 1 : resumeDocument,
                              BatchPrint::Sides(again)));
    } else {
        const QList<BatchPrint::Step> steps = batch.steps(stacking);
        int from = -1;
        for (int i = 0; i < steps.size(); ++i) {
            if (steps.at(i).document == resumeDocument && steps.at(i).back() == (resumeSide == 2)) {
                from = i;
                break;
            }
        }
        QCOMPARE(batch.print(&printer, stacking, from), steps.size());
    }
    const auto numbers = [](const QStringList &pages) {
        QStringList result;
        for (const QString &page : pages)
            result << QString::number(page.right(2).toInt());
        return result;
    };
    QCOMPARE(numbers(pagesOf(sideFile(1))), side1);
    QCOMPARE(numbers(pagesOf(sideFile(2))), side2);
    QCOMPARE(journal(), journalAfterAll);
}

void TestBatchPrint::checkStandsBeforeTheBatch_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("brokenTemplate");
    QTest::addColumn<bool>("batchOpens");

    QTest::newRow("print anyway opens the batch") << "pushButtonPrint" << false << true;
    QTest::newRow("cancel prints nothing") << "pushButtonClose" << false << false;
    QTest::newRow("a broken template: named by the check, no batch even when asked")
            << "pushButtonPrint" << true << false;
}

void TestBatchPrint::checkStandsBeforeTheBatch()
{
    QFETCH(QString, answer);
    QFETCH(bool, brokenTemplate);
    QFETCH(bool, batchOpens);

    QList<int> ids = addPupils(2, 2);
    const QString path = Engine::templatePath(ReportList::Id3339);
    if (brokenTemplate) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(R"({"pagesCount": 2, "textFields": [{"id": "$V{fio}"}, {"id")");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused"));
    }
    // Nobody's name and no organisation data: errors on every document.
    Engine engine;
    QSignalSpy errors(&engine, &Engine::error);
    QWidget window;
    PrintController controller(&engine, &window);
    ModalAnswerer answerer;
    QStringList shown;
    answerer.expect(QStringLiteral("Проверка перед печатью"), QString(), [&](QWidget *dialog) {
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("tableWidgetProblems"));
        for (int row = 0; row < table->rowCount(); ++row)
            shown << table->item(row, 2)->text() + ": " + table->item(row, 3)->text();
        QTest::mouseClick(dialog->findChild<QPushButton *>(answer), Qt::LeftButton);
    });
    controller.printDocuments(ReportList::Id3339, ids, false);
    QCOMPARE(answerer.pending(), 0);
    if (brokenTemplate) {
        const QString told = QString("Шаблон отчёта %1 не открыт: неверный формат").arg(path);
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.at(0).startsWith("Шаблон: " + told), qPrintable(shown.at(0)));
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.at(0).at(0).toString().startsWith(told),
                 qPrintable(errors.at(0).at(0).toString()));
    } else {
        QVERIFY(shown.contains(QStringLiteral("Имя: Не указано имя.")));
    }
    auto *batch = window.findChild<BatchPrintDialog *>();
    QCOMPARE(batch != nullptr, batchOpens);
    if (batch)
        batch->close();
}

void TestBatchPrint::dialogPrintsAndShowsProgress_data()
{
    QTest::addColumn<bool>("reprint"); // the answer to the question before a reprint
    QTest::addColumn<QStringList>("reprinted");

    QTest::newRow("after Готово a reprint names document and side, declined prints nothing")
            << false << QStringList{};
    QTest::newRow("after Готово a confirmed reprint prints that side only")
            << true << QStringList{"Страница 2: Ученик02"};
}

void TestBatchPrint::dialogPrintsAndShowsProgress()
{
    QFETCH(bool, reprint);
    QFETCH(QStringList, reprinted);

    const QList<int> ids = addPupils(3, 2);
    QPointer<BatchPrintDialog> dialog = new BatchPrintDialog(ReportList::Id3339, ids, false);
    const auto closeDialog = qScopeGuard([&dialog] {
        if (dialog)
            dialog->close();
    });
    QString error;
    QVERIFY2(dialog->prepare(&error), qPrintable(error));
    dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
    dialog->printer()->setOutputFileName(m_out->filePath(QStringLiteral("out.pdf")));
    // Not modal here: the answerer below looks after the turn question alone.
    dialog->setWindowModality(Qt::NonModal);
    dialog->show();
    QStringList progress;
    connect(dialog->batch(), &BatchPrint::progress, this, [&] {
        progress << dialog->findChild<QLabel *>(QStringLiteral("labelProgress"))->text();
    });
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    ModalAnswerer answerer;
    answerer.expect(
            QStringLiteral("Внимание!"),
            QStringLiteral("Переверните стопку и вложите её снова"),
            [&](QWidget *box) {
                if (!folder.isEmpty()) {
                    dialog->grab().save(folder + QStringLiteral("/batch-progress.png"));
                    box->grab().save(folder + QStringLiteral("/batch-turn.png"));
                }
                QVERIFY(ModalAnswerer::dialogText(box).contains(QStringLiteral("Ученик01")));
                ModalAnswerer::clickButton(box, QDialogButtonBox::Ok);
            });
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButtonPrint")),
                      Qt::LeftButton);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));
    QCOMPARE(progress,
             (QStringList{"Документ 1 из 3",
                          "Документ 2 из 3",
                          "Документ 3 из 3",
                          "Документ 1 из 3",
                          "Документ 2 из 3",
                          "Документ 3 из 3"}));
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("labelProgress"))->text(),
             QStringLiteral("Готово"));
    QCOMPARE(answerer.pending(), 0);
    if (!folder.isEmpty()) {
        QCoreApplication::sendPostedEvents();
        dialog->grab().save(folder + QStringLiteral("/batch-done.png"));
    }

    // What the help text tells to press is there, and beside it only "Закрыть".
    const QString help = dialog->findChild<QLabel *>(QStringLiteral("labelResult"))->text();
    const QString named = help.section(QStringLiteral("«"), 1).section(QStringLiteral("»"), 0, 0);
    QStringList buttons;
    QPushButton *again = nullptr;
    for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
        if (!button->isVisible() || button->objectName() == QStringLiteral("pushButtonPrinter"))
            continue;
        buttons << button->text();
        if (button->text() == named)
            again = button;
    }
    QStringList expected{named, QStringLiteral("Закрыть")};
    buttons.sort();
    expected.sort();
    QCOMPARE(buttons, expected);
    QVERIFY(again);
    QFile::remove(sideFile(1));
    QFile::remove(sideFile(2));
    dialog->setStart(1, 2);
    answerer.expect(
            QStringLiteral("Внимание!"), QStringLiteral("документ 2 «Ученик02"), [&](QWidget *box) {
                if (!folder.isEmpty())
                    box->grab().save(folder + QStringLiteral("/batch-reprint.png"));
                QVERIFY(ModalAnswerer::dialogText(box).contains(
                        QStringLiteral("только сторона 2")));
                ModalAnswerer::clickButton(
                        box, reprint ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
            });
    if (reprint)
        answerer.expectButton(
                QStringLiteral("Внимание!"), QStringLiteral("Ученик02"), QDialogButtonBox::Ok);
    QTest::mouseClick(again, Qt::LeftButton);
    QCOMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));
    QCOMPARE(pagesOf(sideFile(1)), QStringList());
    QCOMPARE(pagesOf(sideFile(2)), reprinted);
    QCOMPARE(journal().size(), 3 + reprinted.size());
}

void TestBatchPrint::classOfBoysAndGirlsGoesInStacks_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<QStringList>("pupils"); // "Фамилия Имя Отчество", in the selection's order
    QTest::addColumn<bool>("agree");          // to the question about the split
    QTest::addColumn<QString>("told");        // the split as the question tells it
    QTest::addColumn<QStringList>("journal"); // "<output> <form> <pupil>", as written

    const QString boy1 = QStringLiteral("Бойко Иван Петрович");
    const QString girl = QStringLiteral("Зуева Анна Петровна");
    const QString boy2 = QStringLiteral("Лысенко Олег Ильич");
    const QString foreign = QStringLiteral("Смит Джон");
    QTest::newRow("boys and girls on the boys' blank: the boys' stack, then the girls'")
            << int(ReportList::Id253) << QStringList{boy1, girl, boy2} << true
            << "Мальчики: 2 — бланк для мальчиков; девочки: 1 — бланк для девочек"
            << QStringList{"PDF: stack1.pdf 301 " + boy1,
                           "PDF: stack1.pdf 301 " + boy2,
                           "PDF: stack2.pdf 302 " + girl};
    QTest::newRow("on the girls' blank the boys still come first, the unknown with the girls")
            << int(ReportList::Id254) << QStringList{girl, foreign, boy1} << true
            << "Мальчики: 1 — бланк для мальчиков; девочки: 1 — бланк для девочек; пол не "
               "определён: 1 — выбранный бланк для девочек"
            << QStringList{"PDF: stack1.pdf 301 " + boy1,
                           "PDF: stack2.pdf 302 " + girl,
                           "PDF: stack2.pdf 302 " + foreign};
    QTest::newRow("the split declined prints nothing")
            << int(ReportList::Id253) << QStringList{boy1, girl} << false
            << "Мальчики: 1 — бланк для мальчиков; девочки: 1 — бланк для девочек" << QStringList{};
    QTest::newRow("only boys: one stack, nothing asked")
            << int(ReportList::Id253) << QStringList{boy1, boy2} << true << QString()
            << QStringList{"PDF: stack1.pdf 301 " + boy1, "PDF: stack1.pdf 301 " + boy2};
    QTest::newRow("the appendix: one stack for the whole class")
            << int(ReportList::Id3382) << QStringList{boy1, girl} << true << QString()
            << QStringList{"PDF: stack1.pdf 304 " + boy1, "PDF: stack1.pdf 304 " + girl};
}

void TestBatchPrint::classOfBoysAndGirlsGoesInStacks()
{
    QFETCH(int, form);
    QFETCH(QStringList, pupils);
    QFETCH(bool, agree);
    QFETCH(QString, told);
    QFETCH(QStringList, journal);

    for (int type : {ReportList::Id253, ReportList::Id254, ReportList::Id3382})
        PrintingFixture::writeTemplate(type, 1);
    QList<int> ids;
    for (const QString &pupil : qAsConst(pupils)) {
        const QStringList fio = pupil.split(QLatin1Char(' '));
        ids << PrintingFixture::addDocument({{"isTemplate", 0},
                                             {"fio1", fio.value(0)},
                                             {"fio2", fio.value(1)},
                                             {"fio3", fio.value(2)}});
    }
    Engine engine;
    QWidget window;
    PrintController controller(&engine, &window);
    QStringList stacks;
    for (const QString &row : qAsConst(journal)) {
        if (!stacks.contains(row.section(' ', 1, 1)))
            stacks << row.section(' ', 1, 1);
    }
    {
        ModalAnswerer answerer;
        QString asked;
        if (!told.isEmpty())
            answerer.expect(QStringLiteral("Внимание!"), QString(), [&](QWidget *box) {
                asked = ModalAnswerer::dialogText(box);
                if (!qEnvironmentVariableIsEmpty("ZR_SCREENSHOT_DIR"))
                    box->grab().save(qEnvironmentVariable("ZR_SCREENSHOT_DIR")
                                     + QStringLiteral("/batch-split.png"));
                ModalAnswerer::clickButton(box,
                                           agree ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
            });
        // Names only: every stack has problems to show before it is printed.
        for (int i = 0; agree && i < stacks.size(); ++i)
            answerer.expect(
                    QStringLiteral("Проверка перед печатью"), QString(), [](QWidget *dialog) {
                        QTest::mouseClick(
                                dialog->findChild<QPushButton *>(QStringLiteral("pushButtonPrint")),
                                Qt::LeftButton);
                    });
        controller.printDocuments(form, ids, false);
        QCOMPARE(answerer.pending(), 0);
        QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join('|')));
        QVERIFY2(asked.contains(told), qPrintable(asked));
    }
    // Each stack's window opens when the one before it is closed.
    for (int stack = 1;; ++stack) {
        QPointer<BatchPrintDialog> dialog = window.findChild<BatchPrintDialog *>();
        if (!dialog)
            break;
        QVERIFY(stack <= stacks.size());
        const QString label = dialog->findChild<QLabel *>(QStringLiteral("labelBatch"))->text();
        QCOMPARE(label.startsWith(QStringLiteral("Стопка %1 из %2").arg(stack).arg(stacks.size())),
                 stacks.size() > 1);
        dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
        dialog->printer()->setOutputFileName(
                m_out->filePath(QStringLiteral("stack%1.pdf").arg(stack)));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButtonPrint")),
                          Qt::LeftButton);
        dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!dialog);
    }
    QStringList written;
    const QList<PrintJournal::Entry> entries = PrintJournal::entries({});
    for (auto it = entries.crbegin(); it != entries.crend(); ++it)
        written << QStringLiteral("%1 %2 %3").arg(it->printer).arg(it->form).arg(it->fio);
    QCOMPARE(written, journal);
}

ZR_TEST_MAIN(TestBatchPrint)
#include "tst_batchprint.moc"
