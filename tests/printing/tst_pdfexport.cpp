#include "../ZrReport/reporttestutil.h"
#include "database/database.h"
#include "faultchild.h"
#include "printing/defaulttemplates.h"
#include "printing/engine.h"
#include "printing/pdfexport.h"
#include "printing/printercalibration.h"
#include "printing/reportlist.h"
#include "printingfixture.h"
#include "testhome.h"

#include "ZrReport/reportpage.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

class TestPdfExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pagesAndSize_data();
    void pagesAndSize();
    void textOfEachPage_data();
    void textOfEachPage();
    void documentsInTheGivenOrder();
    void classOfBoysAndGirlsInTwoFiles_data();
    void classOfBoysAndGirlsInTwoFiles();
    void overflowPrintsWhatFits();
    void backgroundOnFirstTwoSidesOnly_data();
    void backgroundOnFirstTwoSidesOnly();
    void refused_data();
    void refused();
    void failureKeepsEarlierFile();
    void documentInTheBinIsNotExported();
    void valuesPrintedAsWritten_data();
    void valuesPrintedAsWritten();
    void interruptedExportKeepsThePreviousPdf_data();
    void interruptedExportKeepsThePreviousPdf();
    void commandLineWithoutDisplay();
    void commandLineHelpAndMistakes_data();
    void commandLineHelpAndMistakes();
    void correctionMovesEverySide_data();
    void correctionMovesEverySide();

private:
    int exportPdf(const QString &form,
                  const QString &docs,
                  bool background = false,
                  QString *messages = nullptr);
    static QString run(const QString &program, const QStringList &args);
    static QByteArray bytesOf(const QString &path);
    static QString pageText(const QString &pdf, int page);

    PrintingFixture m_fixture;
    std::unique_ptr<QTemporaryDir> m_out;
    QString m_pdf;
    int m_doc = 0;
};

void TestPdfExport::initTestCase()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()
        || QStandardPaths::findExecutable("pdfinfo").isEmpty())
        QSKIP("poppler-utils (pdftotext, pdfinfo) are not installed");
}

void TestPdfExport::init()
{
    m_fixture.start();
    DefaultTemplates::install();
    Database::setVariable(QStringLiteral("Data/Boss_1"), QStringLiteral("Сидорова Анна Ивановна"));
    Database::setVariable(QStringLiteral("Data/City"), QStringLiteral("Тверь"));
    m_doc = PrintingFixture::addSampleDocument(4);
    m_out = std::make_unique<QTemporaryDir>();
    m_pdf = m_out->filePath(QStringLiteral("выгрузка.pdf"));
}

void TestPdfExport::cleanup()
{
    m_fixture.stop();
    m_out.reset();
}

int TestPdfExport::exportPdf(const QString &form,
                             const QString &docs,
                             bool background,
                             QString *messages)
{
    QString text;
    QTextStream err(&text);
    PdfExport::Request request;
    request.output = m_pdf;
    request.form = form;
    request.documents = docs;
    request.background = background;
    const int status = PdfExport::exportPdf(request, err);
    err.flush();
    if (messages)
        *messages = text;
    return status;
}

QByteArray TestPdfExport::bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString TestPdfExport::run(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString TestPdfExport::pageText(const QString &pdf, int page)
{
    return run("pdftotext",
               {"-layout", "-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
}

void TestPdfExport::pagesAndSize_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("documents");
    QTest::addColumn<bool>("background");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QString>("size");

    QTest::newRow("boys' certificate: two landscape sides")
            << "301" << 1 << false << 2 << "842 x 595";
    QTest::newRow("girls' certificate by identifier, with background")
            << "id254" << 1 << true << 2 << "842 x 595";
    QTest::newRow("second kind: portrait") << "303" << 1 << false << 2 << "595 x 842";
    QTest::newRow("appendix for three documents: six pages")
            << "ID3382" << 3 << true << 6 << "595 x 842";
}

void TestPdfExport::pagesAndSize()
{
    QFETCH(QString, form);
    QFETCH(int, documents);
    QFETCH(bool, background);
    QFETCH(int, pages);
    QFETCH(QString, size);

    QStringList ids;
    for (int i = 0; i < documents; ++i)
        ids << QString::number(i == 0 ? m_doc : PrintingFixture::addSampleDocument());
    QString messages;
    QCOMPARE(exportPdf(form, ids.join(','), background, &messages), 0);
    QCOMPARE(messages, QString());
    const QString info = run("pdfinfo", {m_pdf});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))),
             qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression("Page size:\\s+" + size)), qPrintable(info));
    QVERIFY(QFileInfo(m_pdf).permissions() & QFileDevice::ReadOther);
}

void TestPdfExport::textOfEachPage_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("certificate front: the number") << "301" << 1 << QStringList{"77 123456"};
    QTest::newRow("certificate inside: pupil, dates, head")
            << "301" << 2
            << QStringList{"Петров",
                           "Пётр Петрович",
                           "07 января 2003 г.",
                           "2013",
                           "протокол № 7 от 24.05.2013",
                           "Сидорова А. И.",
                           "Тверь",
                           "25 мая 2013 г.",
                           "15"};
    QTest::newRow("girls' certificate inside")
            << "302" << 2 << QStringList{"Петров", "Пётр Петрович", "15"};
    QTest::newRow("second kind front: full name and digit date")
            << "303" << 1 << QStringList{"Петров Пётр Петрович", "07.01.2003"};
    QTest::newRow("second kind back: full head name")
            << "303" << 2 << QStringList{"Сидорова Анна Ивановна", "Сидорова А. И."};
    QTest::newRow("appendix front: grades table") << "304" << 1
                                                  << QStringList{"Петров Пётр Петрович",
                                                                 "Русский язык",
                                                                 "3 (Удовлетворительно)",
                                                                 "Окружающий мир",
                                                                 "5 (Отлично)"};
    QTest::newRow("appendix back: the five sections") << "304" << 2
                                                      << QStringList{"Шахматы",
                                                                     "Хоровое пение",
                                                                     "Олимпиада по математике",
                                                                     "Умеет работать в группе",
                                                                     "Аккуратен и внимателен",
                                                                     "Петров П. П.",
                                                                     "25.05.2013, рег. № 15"};
}

void TestPdfExport::textOfEachPage()
{
    QFETCH(QString, form);
    QFETCH(int, page);
    QFETCH(QStringList, texts);

    QCOMPARE(exportPdf(form, QString::number(m_doc), true), 0);
    const QString text = pageText(m_pdf, page);
    for (const QString &expected : texts)
        QVERIFY2(text.contains(expected), qPrintable(expected + " not in:\n" + text));
}

void TestPdfExport::documentsInTheGivenOrder()
{
    const int second = PrintingFixture::addDocument(
            {{"fio1", QStringLiteral("Алексеева")}, {"number", "77 000002"}});
    QCOMPARE(exportPdf("303", QStringLiteral("%1, %2").arg(second).arg(m_doc)), 0);
    QVERIFY(pageText(m_pdf, 1).contains("77 000002"));
    QVERIFY(pageText(m_pdf, 3).contains("77 123456"));
    QVERIFY(!pageText(m_pdf, 3).contains("Алексеева"));
}

void TestPdfExport::classOfBoysAndGirlsInTwoFiles_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QStringList>("pupils"); // "Фамилия Имя Отчество", in the order given
    QTest::addColumn<QString>("told");
    QTest::addColumn<QStringList>("pages"); // "<file>: <text of the page>", files by name

    QTest::newRow("boys and girls on the girls' blank: a file each, each on its own blank")
            << "302"
            << QStringList{"Зуева Анна Петровна", "Бойко Иван Петрович", "Лысенко Олег Ильич"}
            << "Мальчики: 2 — бланк для мальчиков; девочки: 1 — бланк для девочек: файлы "
               "«выгрузка (мальчики).pdf» и «выгрузка (девочки).pdf»."
            << QStringList{"выгрузка (девочки).pdf: Страница 1: 302 Зуева Анна Петровна",
                           "выгрузка (мальчики).pdf: Страница 1: 301 Бойко Иван Петрович",
                           "выгрузка (мальчики).pdf: Страница 1: 301 Лысенко Олег Ильич"};
    QTest::newRow("the appendix: one file for the whole class")
            << "304" << QStringList{"Бойко Иван Петрович", "Зуева Анна Петровна"} << QString()
            << QStringList{"выгрузка.pdf: Страница 1: 304 Бойко Иван Петрович",
                           "выгрузка.pdf: Страница 1: 304 Зуева Анна Петровна"};
}

void TestPdfExport::classOfBoysAndGirlsInTwoFiles()
{
    QFETCH(QString, form);
    QFETCH(QStringList, pupils);
    QFETCH(QString, told);
    QFETCH(QStringList, pages);

    for (int type : {ReportList::Id253, ReportList::Id254, ReportList::Id3382})
        PrintingFixture::writeTemplate(
                type, 1, false, QStringLiteral("%1 $V{Full_Name}").arg(type));
    QStringList ids;
    for (const QString &pupil : qAsConst(pupils)) {
        const QStringList fio = pupil.split(QLatin1Char(' '));
        ids << QString::number(PrintingFixture::addDocument({{"isTemplate", 0},
                                                             {"fio1", fio.value(0)},
                                                             {"fio2", fio.value(1)},
                                                             {"fio3", fio.value(2)}}));
    }
    QString messages;
    QCOMPARE(exportPdf(form, ids.join(','), false, &messages), 0);
    QCOMPARE(messages.trimmed(), told);
    QStringList written;
    const QDir folder(m_out->path());
    for (const QString &file :
         folder.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name)) {
        const QString text = run("pdftotext", {"-layout", folder.filePath(file), "-"});
        for (const QString &page : text.split(QLatin1Char('\f'), Qt::SkipEmptyParts)) {
            if (!page.simplified().isEmpty())
                written << file + QStringLiteral(": ") + page.simplified();
        }
    }
    QCOMPARE(written, pages);
}

void TestPdfExport::overflowPrintsWhatFits()
{
    PrintingFixture::writeOverflowingTemplate(304, 2);
    QString messages;
    QCOMPARE(exportPdf("304", QString::number(m_doc), false, &messages), 0);
    QVERIFY2(messages.contains(QStringLiteral("не помещаются")), qPrintable(messages));
    const QString text = pageText(m_pdf, 1);
    QVERIFY(text.contains(QStringLiteral("Литературное чтение")));
    QVERIFY(!text.contains(QStringLiteral("Математика")));
}

void TestPdfExport::backgroundOnFirstTwoSidesOnly_data()
{
    QTest::addColumn<bool>("background");
    QTest::addColumn<QList<QRgb>>("colours");

    QTest::newRow("side 1, side 2, then plain paper")
            << true << QList<QRgb>{qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};
    QTest::newRow("no background asked: plain paper")
            << false << QList<QRgb>{qRgb(255, 255, 255), qRgb(255, 255, 255), qRgb(255, 255, 255)};
}

void TestPdfExport::backgroundOnFirstTwoSidesOnly()
{
    QFETCH(bool, background);
    QFETCH(QList<QRgb>, colours);
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
        QSKIP("pdftoppm is not installed");
    PrintingFixture::writeTemplate(303, 3, true);
    QCOMPARE(exportPdf("303", QString::number(m_doc), background), 0);
    const QString prefix = m_out->filePath("page");
    QProcess::execute("pdftoppm", {"-r", "10", "-png", m_pdf, prefix});
    for (int page = 1; page <= 3; ++page) {
        const QImage image(QStringLiteral("%1-%2.png").arg(prefix).arg(page));
        QVERIFY(!image.isNull());
        // A corner: no field there, only the background or the paper.
        const QColor seen = image.pixelColor(2, image.height() - 3);
        const QColor wanted(colours.at(page - 1));
        const int distance = qAbs(seen.red() - wanted.red()) + qAbs(seen.green() - wanted.green())
                             + qAbs(seen.blue() - wanted.blue());
        QVERIFY2(distance < 24,
                 qPrintable(QStringLiteral("page %1: %2 instead of %3")
                                    .arg(page)
                                    .arg(seen.name(), wanted.name())));
    }
}

void TestPdfExport::refused_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("docs");
    QTest::addColumn<QString>("templateContent"); // "" keeps it, "-" deletes it
    QTest::addColumn<QString>("output");          // relative to the output folder
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown form number") << "305"
                                         << "1"
                                         << ""
                                         << "a.pdf" << 1 << "Неизвестный бланк";
    QTest::newRow("unknown form identifier") << "id9"
                                             << "1"
                                             << ""
                                             << "a.pdf" << 1 << "Неизвестный бланк";
    QTest::newRow("document id not a number") << "301"
                                              << "1,x"
                                              << ""
                                              << "a.pdf" << 1 << "Неверный номер документа \"x\"";
    QTest::newRow("unknown document") << "301"
                                      << "999"
                                      << ""
                                      << "a.pdf" << 1 << "999 не найден";
    QTest::newRow("missing template") << "301"
                                      << "1"
                                      << "-"
                                      << "a.pdf" << 1 << "reports/id253.zrrpt не найден";
    QTest::newRow("template that is not JSON") << "301"
                                               << "1"
                                               << "{ not json"
                                               << "a.pdf" << 1 << "неверный формат";
    QTest::newRow("template asking for 1,000 pages: not 999 of them")
            << "301"
            << "1"
            << R"({"pagesCount": 1000})"
            << "a.pdf" << 1 << "в шаблоне 1000 страниц, допустимо не больше 999";
    QTest::newRow("output folder missing") << "301"
                                           << "1"
                                           << ""
                                           << "missing/a.pdf" << 2 << "Не удаётся записать";
    QTest::newRow("output is a folder") << "301"
                                        << "1"
                                        << ""
                                        << "." << 2 << "это папка";
}

void TestPdfExport::refused()
{
    QFETCH(QString, form);
    QFETCH(QString, docs);
    QFETCH(QString, templateContent);
    QFETCH(QString, output);
    QFETCH(int, status);
    QFETCH(QString, message);

    const QString path = Engine::templatePath(301);
    if (templateContent == "-") {
        QVERIFY(QFile::remove(path));
    } else if (!templateContent.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(templateContent.toUtf8());
    }
    m_pdf = m_out->filePath(output);
    QString messages;
    QCOMPARE(exportPdf(form, docs.replace("1", QString::number(m_doc)), false, &messages), status);
    QVERIFY2(messages.contains(message), qPrintable(messages));
    QCOMPARE(QDir(m_out->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestPdfExport::failureKeepsEarlierFile()
{
    QFile old(m_pdf);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("earlier export");
    old.close();
    QCOMPARE(exportPdf("301", "999"), 1);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("earlier export"));
}

void TestPdfExport::documentInTheBinIsNotExported()
{
    QVERIFY(QSqlQuery().exec(QString("UPDATE PsDocuments SET deletedAt = '2024-06-01 10:00:00', "
                                     "deletedBy = 'uchitel@kab12' WHERE psId = %1")
                                     .arg(m_doc)));
    QString messages;
    QCOMPARE(exportPdf("301", QString::number(m_doc), false, &messages), 1);
    QVERIFY2(messages.contains(QString("%1 не найден").arg(m_doc)), qPrintable(messages));
    QCOMPARE(QDir(m_out->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestPdfExport::valuesPrintedAsWritten_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("printed");

    QTest::newRow("a surname $V{Number}") << "fio1"
                                          << "$V{Number}"
                                          << "301"
                                          << "$V{Number}";
    QTest::newRow("a first name with a closing brace keeps the patronymic") << "fio2"
                                                                            << "Пё}тр"
                                                                            << "301"
                                                                            << "Пё}тр Петрович";
    QTest::newRow("a discipline named like a data expression") << "discipline"
                                                               << "$D{view.disciplineRate}"
                                                               << "304"
                                                               << "$D{view.disciplineRate}";
}

void TestPdfExport::valuesPrintedAsWritten()
{
    QFETCH(QString, column);
    QFETCH(QString, value);
    QFETCH(QString, form);
    QFETCH(QString, printed);

    QSqlQuery query;
    if (column == "discipline") {
        query.prepare("UPDATE PsDocumentDetails SET disciplineName = ? WHERE psId = ?");
    } else {
        query.prepare(QString("UPDATE PsDocuments SET %1 = ? WHERE psId = ?").arg(column));
    }
    query.addBindValue(value);
    query.addBindValue(m_doc);
    QVERIFY(query.exec());
    QCOMPARE(exportPdf(form, QString::number(m_doc)), 0);
    const QString text = pageText(m_pdf, form == "304" ? 1 : 2);
    QVERIFY2(text.contains(printed), qPrintable(text));
    if (form == "301")
        QVERIFY(!text.contains("77 123456")); // the number is printed on the front only
}

void TestPdfExport::interruptedExportKeepsThePreviousPdf_data()
{
    QTest::addColumn<bool>("killed");
    QTest::newRow("killed while writing") << true;
    QTest::newRow("the disk is full") << false;
}

void TestPdfExport::interruptedExportKeepsThePreviousPdf()
{
    QFETCH(bool, killed);
    QCOMPARE(exportPdf("303", QString::number(m_doc)), 0);
    const QByteArray previous = bytesOf(m_pdf);
    QStringList ids;
    for (int i = 0; i < 150; ++i)
        ids << QString::number(PrintingFixture::addSampleDocument(4));
    const QStringList args{
            "--export-pdf", m_pdf, "--form", "304", "--doc", ids.join(','), "--background"};
    // The export's own file beside the target, named after it: ".выгрузка.pdf.<pid>.XXXXXX".
    const auto partials = [this] {
        return QDir(m_out->path()).entryInfoList({".*"}, QDir::Files | QDir::Hidden);
    };
    if (killed) {
        FaultChild::Child child(new QProcess);
        child->start(ZRPS_BINARY, args);
        // The chosen point: the new PDF is half on disk.
        QTRY_VERIFY_WITH_TIMEOUT(!partials().isEmpty() && partials().first().size() > 0, 60000);
        child.reset();
        QCOMPARE(partials().size(), 1);
    } else {
        // 256 KB is far less than 150 appendices with their backgrounds.
        const FaultChild::Result child = FaultChild::run("export", args, 256 * 1024);
        QVERIFY2(child.status == 2, qPrintable(child.output));
        QVERIFY2(child.output.contains("Не удаётся записать файл"), qPrintable(child.output));
        QVERIFY(partials().isEmpty());
    }
    QCOMPARE(bytesOf(m_pdf), previous);
    QVERIFY(run("pdfinfo", {m_pdf}).contains("Pages:"));

    // The next export clears what the killed one left and puts its PDF in place.
    QCOMPARE(exportPdf("304", ids.mid(0, 2).join(',')), 0);
    QVERIFY(partials().isEmpty());
    QVERIFY(pageText(m_pdf, 1).contains("Русский язык"));
}

void TestPdfExport::commandLineWithoutDisplay()
{
    Database::destroy(); // the program opens the register itself
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    env.insert("XDG_DATA_HOME", m_fixture.dataHome());
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(ZRPS_BINARY,
                  {"--export-pdf",
                   m_pdf,
                   "--form",
                   "id3382",
                   "--doc",
                   QString::number(m_doc),
                   "--background"});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(pageText(m_pdf, 1).contains(QStringLiteral("Русский язык")));
}

void TestPdfExport::commandLineHelpAndMistakes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");

    QTest::newRow("help on stdout") << QStringList{"--help"} << 0 << "--export-pdf ФАЙЛ.pdf";
    QTest::newRow("form missing") << QStringList{"--export-pdf", "x.pdf", "--doc", "1"} << 1
                                  << "--form";
    QTest::newRow("unknown option")
            << QStringList{"--export-pdf", "x.pdf", "--frm", "301"} << 1 << "frm";
    QTest::newRow("help names the correction options")
            << QStringList{"--help"} << 0 << "--printer ПРИНТЕР";
    const QStringList request{"--export-pdf", "x.pdf", "--form", "304", "--doc", "1"};
    QTest::newRow("offset with one number")
            << request + QStringList{"--offset", "2"} << 1 << "Неверное значение --offset";
    QTest::newRow("offset with a letter")
            << request + QStringList{"--offset", "2,x"} << 1 << "Неверное значение --offset";
    QTest::newRow("offset beyond 15 mm")
            << request + QStringList{"--offset", "15.5,0"} << 1 << "вне допустимых пределов";
    QTest::newRow("scale below 95 %")
            << request + QStringList{"--scale", "94.9"} << 1 << "вне допустимых пределов";
    QTest::newRow("scale not a number")
            << request + QStringList{"--scale", "сто"} << 1 << "Неверное значение --scale";
    QTest::newRow("printer never calibrated")
            << request + QStringList{"--printer", "Нет такого"} << 1 << "калибровка не сохранена";
    QTest::newRow("stored calibration with a word for an offset")
            << request + QStringList{"--printer", "Samsung"} << 1
            << "Сохранённая калибровка принтера «Samsung» повреждена";
    QTest::newRow("stored calibration with a scale beyond the limits")
            << request + QStringList{"--printer", "Brother"} << 1
            << "Сохранённая калибровка принтера «Brother» повреждена";
    QTest::newRow("stored calibration with a value missing")
            << request + QStringList{"--printer", "Canon"} << 1
            << "Сохранённая калибровка принтера «Canon» повреждена";
    QTest::newRow("printer together with an offset")
            << request + QStringList{"--printer", "Kyocera", "--offset", "1,1"} << 1
            << "нельзя сочетать";
}

void TestPdfExport::commandLineHelpAndMistakes()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, output);
    // Calibrations damaged in the settings file, as a hand edit or a failing disk leaves them.
    QSettings *settings = Database::userSettings();
    QVERIFY(PrinterCalibration::save("Samsung", {1, 1, 100}, {1, 1, 100}));
    settings->setValue("PrinterCalibration/Samsung/offsetX2", "один");
    QVERIFY(PrinterCalibration::save("Brother", {1, 1, 100}, {1, 1, 100}));
    settings->setValue("PrinterCalibration/Brother/scale1", 250);
    QVERIFY(PrinterCalibration::save("Canon", {1, 1, 100}, {1, 1, 100}));
    settings->remove("PrinterCalibration/Canon/offsetY2");
    settings->sync();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", m_fixture.dataHome());
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_out->path());
    process.start(ZRPS_BINARY, args);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), status);
    const QString text = QString::fromUtf8(status == 0 ? process.readAllStandardOutput()
                                                       : process.readAllStandardError());
    QVERIFY2(text.contains(output), qPrintable(text));
}

void TestPdfExport::correctionMovesEverySide_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QVector<double>>("side1"); // offset X, offset Y, scale
    QTest::addColumn<QVector<double>>("side2");

    QTest::newRow("--offset 2,3 on both sides")
            << "304" << QStringList{"--offset", "2,3"} << QVector<double>{2, 3, 100}
            << QVector<double>{2, 3, 100};
    QTest::newRow("--offset left and down, --scale 101 about the corner")
            << "304" << QStringList{"--offset=-1.5,0.5", "--scale", "101"}
            << QVector<double>{-1.5, 0.5, 101} << QVector<double>{-1.5, 0.5, 101};
    QTest::newRow("--printer: side 1 to page 1, side 2 to page 2")
            << "304" << QStringList{"--printer", "Kyocera FS-1040"} << QVector<double>{1, -1, 100}
            << QVector<double>{-2, 2, 100};
    QTest::newRow("landscape form, --offset 2,3: 2 mm right and 3 mm down on the sheet")
            << "301" << QStringList{"--offset", "2,3"} << QVector<double>{2, 3, 100}
            << QVector<double>{2, 3, 100};
    QTest::newRow("landscape form, --scale 101 about the sheet's top left corner")
            << "301" << QStringList{"--scale", "101"} << QVector<double>{0, 0, 101}
            << QVector<double>{0, 0, 101};
    QTest::newRow("landscape form, --printer: each side by its own millimetres on the sheet")
            << "301" << QStringList{"--printer", "Kyocera FS-1040"} << QVector<double>{1, -1, 100}
            << QVector<double>{-2, 2, 100};
}

// Exported through the program, the ink of every side lands where the correction of its
// side puts it on the sheet as it comes out of the printer, within 0.15 mm.
void TestPdfExport::correctionMovesEverySide()
{
    QFETCH(QString, form);
    QFETCH(QStringList, options);
    QFETCH(QVector<double>, side1);
    QFETCH(QVector<double>, side2);
    if (!ReportTest::havePdfToPpm())
        QSKIP("pdftoppm is not installed");
    QVERIFY(PrinterCalibration::save(
            QStringLiteral("Kyocera FS-1040"), {1, -1, 100}, {-2, 2, 100}));
    ReportPage page;
    QVERIFY(page.loadFromFile(Engine::templatePath(form.toInt())));
    Database::destroy(); // the program opens the register itself
    auto exportWith = [this, &form](const QStringList &extra, const QString &file) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", m_fixture.dataHome());
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(ZRPS_BINARY,
                      QStringList{"--export-pdf",
                                  m_out->filePath(file),
                                  "--form",
                                  form,
                                  "--doc",
                                  QString::number(m_doc)}
                              + extra);
        return process.waitForFinished(60000) && process.exitCode() == 0;
    };
    QVERIFY(exportWith({}, "plain.pdf"));
    QVERIFY(exportWith(options, "moved.pdf"));

    const QVector<double> corrections[2] = {side1, side2};
    for (int side = 0; side < 2; ++side) {
        const double f = corrections[side].at(2) / 100;
        const QPointF offset(corrections[side].at(0), corrections[side].at(1));
        auto sheetInk = [&](const QString &file) {
            return ReportTest::inkBounds(ReportTest::asPrintedSheet(
                    ReportTest::rasterisePdf(m_out->filePath(file), page.paperSizeMM(), side + 1)));
        };
        const QRect plain = sheetInk("plain.pdf");
        const QRect moved = sheetInk("moved.pdf");
        QVERIFY(!plain.isNull() && !moved.isNull());
        const QPointF wantedTopLeft = QPointF(plain.left(), plain.top()) / 10 * f + offset;
        const QPointF wantedBottomRight
                = QPointF(plain.right() + 1, plain.bottom() + 1) / 10 * f + offset;
        const QString report = QStringLiteral("side %1: ink %2,%3..%4,%5 mm, wanted %6,%7..%8,%9")
                                       .arg(side + 1)
                                       .arg(moved.left() / 10.0)
                                       .arg(moved.top() / 10.0)
                                       .arg((moved.right() + 1) / 10.0)
                                       .arg((moved.bottom() + 1) / 10.0)
                                       .arg(wantedTopLeft.x())
                                       .arg(wantedTopLeft.y())
                                       .arg(wantedBottomRight.x())
                                       .arg(wantedBottomRight.y());
        QVERIFY2(qAbs(moved.left() / 10.0 - wantedTopLeft.x()) <= 0.15
                         && qAbs(moved.top() / 10.0 - wantedTopLeft.y()) <= 0.15
                         && qAbs((moved.right() + 1) / 10.0 - wantedBottomRight.x()) <= 0.15
                         && qAbs((moved.bottom() + 1) / 10.0 - wantedBottomRight.y()) <= 0.15,
                 qPrintable(report));
    }
}

namespace {
void addChildren()
{
    // The command line's export, run in a child that may get a file-size limit.
    FaultChild::add("export", [](const QStringList &args) {
        PdfExport::Request request;
        request.output = args.value(1);
        request.form = args.value(3);
        request.documents = args.value(5);
        request.background = args.contains("--background");
        QTextStream err(stdout);
        return PdfExport::exportPdf(request, err);
    });
}
} // namespace

ZR_TEST_MAIN_WITH_CHILDREN(TestPdfExport, addChildren)
#include "tst_pdfexport.moc"
