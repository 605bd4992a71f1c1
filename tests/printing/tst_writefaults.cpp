#include "database/database.h"
#include "faultchild.h"
#include "modalanswerer.h"
#include "printing/batchprint.h"
#include "printing/defaulttemplates.h"
#include "printing/engine.h"
#include "printing/journalbacklog.h"
#include "printing/journalnotice.h"
#include "printing/pdfexport.h"
#include "printing/printjournal.h"
#include "printing/registerbook.h"
#include "printing/reportlist.h"
#include "printingfixture.h"
#include "testhome.h"

#include <QAction>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

// A journal record of each kind, as the program writes it: args are the kind, the
// document and a folder for files.
int writeJournal(const QStringList &args)
{
    const QString kind = args.value(0);
    const int document = args.value(1).toInt();
    if (kind == QLatin1String("print")) {
        PrintJournal::Entry entry;
        entry.documentId = document;
        entry.fio = QStringLiteral("Петров Пётр Петрович");
        entry.form = ReportList::Id3339;
        entry.number = QStringLiteral("77 123456");
        entry.printedAt = QDateTime::currentDateTime();
        entry.printer = QStringLiteral("Принтер");
        entry.pages = 1;
        return PrintJournal::add(entry) != 0 ? 0 : 5;
    }
    if (kind == QLatin1String("spoil")) {
        QSqlQuery query(QStringLiteral("SELECT MAX(journalId) FROM PrintJournal;"));
        return query.next()
                               && PrintJournal::markSpoiled(query.value(0).toInt(),
                                                            QStringLiteral("Бланк замят"))
                       ? 0
                       : 5;
    }
    BatchPrint batch(ReportList::Id3339, {document}, false);
    QString error;
    if (!batch.load(&error))
        return 6;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(args.value(2) + QStringLiteral("/пачка.pdf"));
    return batch.print(&printer, BatchPrint::Stacking::FaceDown, 0) == 1 ? 0 : 7;
}

} // namespace

// Every write that fails is told and loses nothing: a file the disk cannot take keeps the
// file there was, a journal record the register turns away is written later.
class TestWriteFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fullDiskKeepsThePreviousFile_data();
    void fullDiskKeepsThePreviousFile();
    void journalRecordOfABusyRegisterIsWrittenLater_data();
    void journalRecordOfABusyRegisterIsWrittenLater();

private:
    static QByteArray bytesOf(const QString &path);
    // Rows of the journal, as "psId pages outcome output spoiled reason".
    static QStringList journalRows();

    PrintingFixture m_fixture;
    std::unique_ptr<QTemporaryDir> m_out;
    int m_doc = 0;
};

void TestWriteFaults::init()
{
    m_fixture.start();
    DefaultTemplates::install();
    // One side: a print with no sheet to turn.
    PrintingFixture::writeTemplate(ReportList::Id3339, 1);
    m_doc = PrintingFixture::addSampleDocument();
    m_out = std::make_unique<QTemporaryDir>();
}

void TestWriteFaults::cleanup()
{
    m_fixture.stop();
    m_out.reset();
}

QByteArray TestWriteFaults::bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList TestWriteFaults::journalRows()
{
    QSqlQuery query(QStringLiteral("SELECT psId, pages, outcome, output, spoiled, "
                                   "COALESCE(spoiledReason, '') FROM PrintJournal ORDER BY "
                                   "journalId;"));
    QStringList rows;
    while (query.next()) {
        QStringList cells;
        for (int i = 0; i < 6; ++i)
            cells << query.value(i).toString();
        rows << cells.join(' ').trimmed();
    }
    return rows;
}

void TestWriteFaults::fullDiskKeepsThePreviousFile_data()
{
    QTest::addColumn<QString>("child");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("args"); // %1 the file, %2 the document
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("told");

    const QString notWritten = QStringLiteral("Не удаётся записать файл");
    QTest::newRow("--export-pdf")
            << "command"
            << "выгрузка.pdf" << QStringList{"--export-pdf", "%1", "--form", "303", "--doc", "%2"}
            << 2 << notWritten;
    QTest::newRow("--register-book PDF")
            << "command"
            << "книга.pdf" << QStringList{"--register-book", "%1"} << 2 << notWritten;
    QTest::newRow("--register-book CSV")
            << "command"
            << "книга.csv" << QStringList{"--register-book", "%1"} << 2 << notWritten;
    QTest::newRow("print into a PDF file from the window")
            << "print-to-file"
            << "печать.pdf" << QStringList{"%1", "%2"} << 0 << notWritten;
    // SQLite's own words for the file it could not grow.
    QTest::newRow("backup") << "backup"
                            << "копия.db" << QStringList{"%1"} << 2 << "disk I/O error";
}

void TestWriteFaults::fullDiskKeepsThePreviousFile()
{
    QFETCH(QString, child);
    QFETCH(QString, file);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, told);
    const QString target = m_out->filePath(file);
    const QByteArray previous("the file there was, kept whole\n");
    {
        QFile earlier(target);
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write(previous) == previous.size());
    }
    for (QString &arg : args)
        arg.replace(QLatin1String("%1"), target)
                .replace(QLatin1String("%2"), QString::number(m_doc));

    // Less than any of these files takes.
    const FaultChild::Result result = FaultChild::run(child, args, 64);
    QVERIFY2(result.status == status, qPrintable(result.output));
    QVERIFY2(result.output.contains(told), qPrintable(result.output));
    QCOMPARE(bytesOf(target), previous);
    QCOMPARE(QDir(m_out->path()).entryList(QDir::Files | QDir::Hidden), QStringList{file});
    QCOMPARE(journalRows(), QStringList());
}

void TestWriteFaults::journalRecordOfABusyRegisterIsWrittenLater_data()
{
    QTest::addColumn<QString>("write");
    QTest::addColumn<bool>("nextStart");
    QTest::addColumn<QString>("row"); // %1 the document

    QTest::newRow("a print, written by Повторить") << "print" << false << "%1 1 printed printer 0";
    QTest::newRow("a spoiled mark, written by Повторить")
            << "spoil" << false << "%1 2 printed printer 1 Бланк замят";
    QTest::newRow("a batch's commit, written by Повторить")
            << "batch" << false << "%1 1 printed file 0";
    QTest::newRow("a print, written at the next start")
            << "print" << true << "%1 1 printed printer 0";
}

void TestWriteFaults::journalRecordOfABusyRegisterIsWrittenLater()
{
    QFETCH(QString, write);
    QFETCH(bool, nextStart);
    QFETCH(QString, row);
    if (write == QLatin1String("spoil")) {
        QSqlQuery query;
        QVERIFY(query.exec(QStringLiteral("INSERT INTO PrintJournal (psId, fio, form, number, "
                                          "printedAt, printer, pages, outcome, output) VALUES "
                                          "(%1, 'Петров', 303, '77', '2024-05-25 10:00:00', "
                                          "'Принтер', 2, 'printed', 'printer');")
                                   .arg(m_doc)));
    }
    const QStringList before = journalRows();
    const QStringList args{write, QString::number(m_doc), m_out->path()};
    QWidget window;
    auto *notice = new JournalNotice(&window);
    {
        FaultChild::Child holder
                = FaultChild::hold(QStringLiteral("hold-immediate"), {Database::databasePath()});
        if (nextStart) {
            const FaultChild::Result result = FaultChild::run(QStringLiteral("journal"), args);
            QVERIFY2(result.status == 0, qPrintable(result.output));
        } else {
            QCOMPARE(writeJournal(args), 0);
            QVERIFY(!notice->isHidden());
            const QString told = notice->findChild<QLabel *>()->text();
            QVERIFY2(told.contains(QStringLiteral("реестр занят другой программой")),
                     qPrintable(told));
        }
        QCOMPARE(journalRows(), before);
        QVERIFY(QFile::exists(JournalBacklog::fileName()));
    }
    if (nextStart) {
        const FaultChild::Result result = FaultChild::run(QStringLiteral("start"), {});
        QVERIFY2(result.status == 0, qPrintable(result.output));
    } else {
        QPushButton *retry = notice->findChild<QPushButton *>();
        QCOMPARE(retry->text(), QStringLiteral("Повторить"));
        retry->click();
        QVERIFY(notice->isHidden());
    }
    QCOMPARE(journalRows(), QStringList{row.arg(m_doc)});
    QVERIFY(!QFile::exists(JournalBacklog::fileName()));
}

namespace {

int runCommand(const QStringList &args)
{
    const HeadlessCommand command = args.value(0) == QLatin1String("--export-pdf")
                                            ? PdfExport::command()
                                            : RegisterBook::command();
    QCommandLineParser parser;
    parser.addOptions(command.options);
    parser.parse(QStringList{QStringLiteral("ZrPs")} + args);
    QTextStream err(stdout);
    const int status = command.run(parser, err);
    Database::destroy();
    return status;
}

// The print sequence of the window, into a PDF file; prints what the boxes said.
int printToFile(const QStringList &args)
{
    QPrinter probe;
    const QString previewTitle = QPrintPreviewDialog(&probe).windowTitle();
    const QString printTitle = QPrintDialog(&probe).windowTitle();
    ModalAnswerer answerer;
    const QString file = args.value(0);
    answerer.expect(previewTitle, QString(), [file](QWidget *dialog) {
        PrintingFixture::printIntoFile(qobject_cast<QPrintPreviewDialog *>(dialog), file);
    });
    // Pressed after the answer returns: the question whether to replace the file comes
    // from within the press.
    answerer.expect(printTitle, QString(), [](QWidget *dialog) {
        QTimer::singleShot(
                0, dialog, [dialog] { ModalAnswerer::clickButton(dialog, QDialogButtonBox::Ok); });
    });
    answerer.expectButton(QCoreApplication::translate("QPrintDialog", "Print"),
                          QStringLiteral("already exists"),
                          QDialogButtonBox::Yes);
    answerer.expect(QStringLiteral("Ошибка"), QString(), [](QWidget *dialog) {
        QTextStream(stdout) << ModalAnswerer::dialogText(dialog) << '\n';
        ModalAnswerer::clickButton(dialog, QDialogButtonBox::Ok);
    });
    {
        Engine engine;
        engine.onDocumentPrint(ReportList::Id3339, args.value(1).toInt(), false);
    }
    return answerer.pending() == 0 && answerer.unexpected().isEmpty() ? 0 : 4;
}

int backup(const QStringList &args)
{
    QString error;
    const bool done = Database::backup(args.value(0), &error);
    QTextStream(stdout) << error << '\n';
    return done ? 0 : 2;
}

int holdImmediate(const QStringList &args)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("held"));
    db.setDatabaseName(args.value(0));
    QSqlQuery query(db);
    if (!db.open() || !query.exec(QStringLiteral("BEGIN IMMEDIATE;")))
        return 3;
    FaultChild::holdUntilKilled();
}

// Opens the register the test made, as the program does, for `run`.
int onRegister(const QStringList &args, int (*run)(const QStringList &))
{
    QString error;
    if (!Database::openExisting(&error))
        return 3;
    const int status = run(args);
    Database::destroy();
    return status;
}

// What the program does at its start with the records it kept.
int start(const QStringList &)
{
    return JournalBacklog::instance().retry() ? 0 : 8;
}

void addChildren()
{
    FaultChild::add(QStringLiteral("journal"),
                    [](const QStringList &args) { return onRegister(args, writeJournal); });
    FaultChild::add(QStringLiteral("start"),
                    [](const QStringList &args) { return onRegister(args, start); });
    FaultChild::add(QStringLiteral("command"), runCommand);
    FaultChild::add(QStringLiteral("print-to-file"),
                    [](const QStringList &args) { return onRegister(args, printToFile); });
    FaultChild::add(QStringLiteral("backup"),
                    [](const QStringList &args) { return onRegister(args, backup); });
    FaultChild::add(QStringLiteral("hold-immediate"), holdImmediate);
}

} // namespace

ZR_TEST_MAIN_WITH_CHILDREN(TestWriteFaults, addChildren)
#include "tst_writefaults.moc"
