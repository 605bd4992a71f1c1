#include "database/database.h"
#include "modalanswerer.h"
#include "printing/registerbook.h"
#include "printing/registerbookdialog.h"
#include "printingfixture.h"
#include "testhome.h"

#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

// The register book as a spreadsheet program and a printer get it: the CSV's bytes, the
// PDF's pages read back, and the command that writes them.
class TestRegisterBook : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void period_data();
    void period();
    void csvBytes_data();
    void csvBytes();
    void pdfHeaderAndNumberOnEveryPage();
    void commandLine_data();
    void commandLine();
    void dialogStartsAtLastPeriod_data();
    void dialogStartsAtLastPeriod();
    void emptyBookIsNotSavedSilently_data();
    void emptyBookIsNotSavedSilently();
    void cutOffWriteKeepsTheEarlierFile();

private:
    static void addIssued(const QString &regNumber,
                          const QString &surname,
                          const QString &issueDate = QStringLiteral("2024-05-31"));
    static QString run(const QString &program, const QStringList &args);

    PrintingFixture m_fixture;
    std::unique_ptr<QTemporaryDir> m_out;
};

void TestRegisterBook::init()
{
    m_fixture.start();
    m_out = std::make_unique<QTemporaryDir>();
}

void TestRegisterBook::cleanup()
{
    m_fixture.stop();
    m_out.reset();
}

void TestRegisterBook::addIssued(const QString &regNumber,
                                 const QString &surname,
                                 const QString &issueDate)
{
    PrintingFixture::addDocument({{"isTemplate", 0},
                                  {"fio1", surname},
                                  {"fio2", QStringLiteral("Иван")},
                                  {"fio3", QStringLiteral("Ильич")},
                                  {"birthDate", "2013-01-07"},
                                  {"number", "77 " + regNumber},
                                  {"regNumber", regNumber},
                                  {"issueDate", issueDate}});
}

QString TestRegisterBook::run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

void TestRegisterBook::period_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QStringList>("regNumbers");

    QTest::newRow("no period: every document, numbers in numeric order, none last")
            << QDate() << QDate() << QStringList{"2", "2а", "10", "11", ""};
    QTest::newRow("both ends of the period included")
            << QDate(2024, 5, 30) << QDate(2024, 5, 31) << QStringList{"2", "10"};
    QTest::newRow("from a day on: documents without a date are left out")
            << QDate(2024, 5, 31) << QDate() << QStringList{"2", "11"};
    QTest::newRow("up to a day") << QDate() << QDate(2024, 5, 30) << QStringList{"2а", "10"};
}

void TestRegisterBook::period()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QStringList, regNumbers);

    addIssued("10", QStringLiteral("Десятов"), "2024-05-30");
    addIssued("2", QStringLiteral("Вторая"), "2024-05-31");
    addIssued("", QStringLiteral("Безномерный"), "");
    addIssued("11", QStringLiteral("Поздний"), "2024-06-01");
    addIssued("2а", QStringLiteral("Вторая-бис"), "2024-05-29");
    PrintingFixture::addDocument(
            {{"isTemplate", 1}, {"fio1", QStringLiteral("4А")}, {"regNumber", "1"}});
    QStringList got;
    for (const RegisterBook::Row &row : RegisterBook::rows(from, to))
        got << row.regNumber;
    QCOMPARE(got, regNumbers);
}

void TestRegisterBook::csvBytes_data()
{
    QTest::addColumn<QString>("surname");
    QTest::addColumn<QByteArray>("line"); // the document's line as written

    QTest::newRow("plain") << QStringLiteral("Петров")
                           << QByteArray("7;Петров Иван Ильич;07.01.2013;77 7;31.05.2024;\r\n");
    QTest::newRow("a semicolon and quotes: quoted, the quotes doubled")
            << QStringLiteral("Петров \"Ива;н\"")
            << QByteArray("7;\"Петров \"\"Ива;н\"\" Иван Ильич\";07.01.2013;77 7;31.05.2024;\r\n");
    QTest::newRow("a line break in the name becomes a blank, as the table shows it")
            << QStringLiteral("Петров\nСидоров")
            << QByteArray("7;Петров Сидоров Иван Ильич;07.01.2013;77 7;31.05.2024;\r\n");
    QTest::newRow("what a spreadsheet would run as a formula gets an apostrophe")
            << QStringLiteral("=HYPERLINK(\"x\")")
            << QByteArray(
                       "7;\"'=HYPERLINK(\"\"x\"\") Иван Ильич\";07.01.2013;77 7;31.05.2024;\r\n");
}

void TestRegisterBook::csvBytes()
{
    QFETCH(QString, surname);
    QFETCH(QByteArray, line);

    addIssued("7", surname);
    const QString path = m_out->filePath(QStringLiteral("book.csv"));
    QString error;
    QVERIFY2(RegisterBook::write(path, QDate(), QDate(), &error), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray expected = QByteArray("\xEF\xBB\xBF")
                                + QByteArray("Рег. номер;Фамилия, имя, отчество;Дата рождения;"
                                             "Номер свидетельства;Дата выдачи;Подпись "
                                             "получателя\r\n")
                                + line;
    QCOMPARE(file.readAll(), expected);
}

void TestRegisterBook::pdfHeaderAndNumberOnEveryPage()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()
        || QStandardPaths::findExecutable("pdfinfo").isEmpty())
        QSKIP("poppler-utils (pdftotext, pdfinfo) are not installed");
    Database::setVariable("Data/OrgName_1", QStringLiteral("МБОУ «Школа № 5»"));
    // A long name takes two lines: the rows are not all alike.
    for (int i = 1; i <= 70; ++i)
        addIssued(QString::number(i),
                  i % 9 ? QStringLiteral("Ученик%1").arg(i, 3, 10, QLatin1Char('0'))
                        : QStringLiteral("Константинопольская-Воскресенская Ученик%1")
                                  .arg(i, 3, 10, QLatin1Char('0')));
    const QString pdf = m_out->filePath(QStringLiteral("book.pdf"));
    QString error;
    QVERIFY2(RegisterBook::write(pdf, QDate(2024, 1, 1), QDate(2024, 12, 31), &error),
             qPrintable(error));

    const QString info = run("pdfinfo", {pdf});
    QVERIFY(info.contains(QStringLiteral("842 x 595 pts (A4)")));
    const int pages = info.section(QStringLiteral("Pages:"), 1)
                              .trimmed()
                              .section(QLatin1Char('\n'), 0, 0)
                              .toInt();
    QVERIFY(pages >= 3);
    QStringList order;
    for (int page = 1; page <= pages; ++page) {
        const QString text = run(
                "pdftotext", {"-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
        QVERIFY2(text.contains(QStringLiteral("Фамилия, имя, отчество")),
                 qPrintable(QString::number(page)));
        QVERIFY(text.contains(QStringLiteral("Подпись получателя")));
        QVERIFY(text.contains(QStringLiteral("Страница %1 из %2").arg(page).arg(pages)));
        QCOMPARE(text.contains(QStringLiteral("Книга регистрации выданных свидетельств")),
                 page == 1);
        const QRegularExpression pupil(QStringLiteral("Ученик(\\d{3})"));
        auto it = pupil.globalMatch(text);
        while (it.hasNext())
            order << it.next().captured(1);
    }
    QStringList expected;
    for (int i = 1; i <= 70; ++i)
        expected << QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
    QCOMPARE(order, expected);
    QVERIFY(run("pdftotext", {"-l", "1", pdf, "-"})
                    .contains(QStringLiteral("с 01.01.2024 по 31.12.2024")));
}

void TestRegisterBook::commandLine_data()
{
    QTest::addColumn<QStringList>("args"); // OUT stands for a file in the output folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("written"); // the file expected, or empty for none

    QTest::newRow("csv of a period") << QStringList{"--register-book",
                                                    "OUT/book.csv",
                                                    "--from",
                                                    "2024-01-01",
                                                    "--to",
                                                    "31.12.2024"}
                                     << 0 << "book.csv";
    QTest::newRow("pdf, upper-case extension")
            << QStringList{"--register-book", "OUT/book.PDF"} << 0 << "book.PDF";
    QTest::newRow("unknown format") << QStringList{"--register-book", "OUT/book.txt"} << 1 << "";
    QTest::newRow("a date that is none")
            << QStringList{"--register-book", "OUT/book.csv", "--from", "2024-02-30"} << 1 << "";
    QTest::newRow("period the wrong way round") << QStringList{"--register-book",
                                                               "OUT/book.csv",
                                                               "--from",
                                                               "2024-06-01",
                                                               "--to",
                                                               "2024-05-01"}
                                                << 1 << "";
    QTest::newRow("a folder instead of a file")
            << QStringList{"--register-book", "OUT/folder.csv"} << 2 << "";
    QTest::newRow("a period without certificates: told, and no file")
            << QStringList{"--register-book", "OUT/book.csv", "--from", "2030-01-01"} << 3 << "";
}

void TestRegisterBook::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, written);

    addIssued("1", QStringLiteral("Петров"));
    QVERIFY(QDir(m_out->path()).mkpath(QStringLiteral("folder.csv")));
    Database::destroy(); // the program opens the register itself
    args.replaceInStrings(QStringLiteral("OUT/"), m_out->path() + QLatin1Char('/'));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", m_fixture.dataHome());
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(ZRPS_BINARY, args);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), status);
    if (status != 0)
        QVERIFY(!process.readAllStandardError().isEmpty());
    QStringList files = QDir(m_out->path()).entryList(QDir::Files);
    QCOMPARE(files, written.isEmpty() ? QStringList() : QStringList{written});
}

void TestRegisterBook::dialogStartsAtLastPeriod_data()
{
    QTest::addColumn<bool>("templateThisYear");
    QTest::addColumn<bool>("issuedThisYear");

    QTest::newRow("issued last June: the school year that ended") << false << false;
    QTest::newRow("a template's date is not an issue") << true << false;
    QTest::newRow("certificates issued this school year") << false << true;
}

// The period the dialog opens with holds the newest certificates.
void TestRegisterBook::dialogStartsAtLastPeriod()
{
    QFETCH(bool, templateThisYear);
    QFETCH(bool, issuedThisYear);

    const QDate today = QDate::currentDate();
    const QDate thisYear(today.month() >= 9 ? today.year() : today.year() - 1, 9, 1);
    addIssued("1", QStringLiteral("Петров"), thisYear.addDays(-90).toString(Qt::ISODate));
    if (templateThisYear)
        PrintingFixture::addDocument({{"isTemplate", 1},
                                      {"fio1", QStringLiteral("4А")},
                                      {"issueDate", thisYear.toString(Qt::ISODate)}});
    if (issuedThisYear)
        addIssued("2", QStringLiteral("Сидоров"), thisYear.toString(Qt::ISODate));

    const QDate from = issuedThisYear ? thisYear : QDate(thisYear.year() - 1, 9, 1);
    RegisterBookDialog dialog;
    QCOMPARE(dialog.from(), from);
    QCOMPARE(dialog.to(), QDate(from.year() + 1, 8, 31));
    QVERIFY(dialog.findChild<QLabel *>("labelCount")->text().endsWith(": 1."));
}

void TestRegisterBook::emptyBookIsNotSavedSilently_data()
{
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("declined: nothing written") << false;
    QTest::newRow("confirmed: the empty book is written") << true;
}

void TestRegisterBook::emptyBookIsNotSavedSilently()
{
    QFETCH(bool, confirmed);

    addIssued("1", QStringLiteral("Петров"), "2024-05-31");
    const QString path = m_out->filePath(QStringLiteral("book.pdf"));
    auto *dialog = new RegisterBookDialog;
    dialog->findChild<QDateEdit *>("dateEditFrom")->setDate(QDate(2024, 9, 1));
    dialog->findChild<QDateEdit *>("dateEditTo")->setDate(QDate(2025, 8, 31));
    dialog->show();
    ModalAnswerer answerer;
    answerer.expectButton(QStringLiteral("Внимание!"),
                          QStringLiteral("с 01.09.2024 по 31.08.2025 свидетельства не выдавались"),
                          confirmed ? QDialogButtonBox::Yes : QDialogButtonBox::No);
    if (confirmed) {
        answerer.expect(
                QStringLiteral("Сохранить книгу регистрации"), QString(), [path](QWidget *widget) {
                    widget->findChild<QLineEdit *>("fileNameEdit")->setText(path);
                    static_cast<QDialog *>(widget)->accept();
                });
        answerer.expectButton(
                QStringLiteral("Информация"), QStringLiteral("сохранена"), QDialogButtonBox::Ok);
    }
    QTest::mouseClick(dialog->findChild<QPushButton *>("pushButtonPdf"), Qt::LeftButton);
    QTRY_COMPARE(answerer.pending(), 0);
    QVERIFY2(answerer.unexpected().isEmpty(), qPrintable(answerer.unexpected().join(" | ")));
    QCOMPARE(QFile::exists(path), confirmed);
    dialog->close();
}

void TestRegisterBook::cutOffWriteKeepsTheEarlierFile()
{
    for (int i = 1; i <= 40; ++i)
        addIssued(QString::number(i), QStringLiteral("Петров"));
    const QString book = m_out->filePath(QStringLiteral("book.pdf"));
    QFile earlier(book);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier book");
    earlier.close();
    Database::destroy();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", m_fixture.dataHome());
    env.insert("BOOK", book);
    QProcess process;
    process.setProcessEnvironment(env);
    // Files of one block at most: the book is cut off half-way and the program killed.
    process.start(
            "sh",
            {"-c",
             QStringLiteral("ulimit -f 1; exec '%1' --register-book \"$BOOK\"").arg(ZRPS_BINARY)});
    QVERIFY(process.waitForFinished(60000));
    QVERIFY(process.exitStatus() == QProcess::CrashExit || process.exitCode() != 0);
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier book"));
}

ZR_TEST_MAIN(TestRegisterBook)
#include "tst_registerbook.moc"
