// Exporting 100 appendices (form 304, 20 disciplines each) into one PDF, the cost per
// document, and one page drawn at the printer's resolution next to reading the template:
// the drawing must not read the template or decode its pictures again.
#include "benchreport.h"
#include "database/database.h"
#include "printing/defaulttemplates.h"
#include "printing/engine.h"
#include "printing/pdfexport.h"
#include "printing/reportlist.h"
#include "testhome.h"

#include "ZrReport/reportpage.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QPainter>
#include <QPrinter>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

QStringList fillRegister(int documents, int disciplines)
{
    Database::setVariable("Data/Boss_1", QStringLiteral("Сидорова Анна Ивановна"));
    Database::setVariable("Data/OrgName_1", QStringLiteral("МБОУ \"СОШ № 1\""));
    QSqlDatabase::database().transaction();
    QStringList ids;
    for (int d = 0; d < documents; ++d) {
        QSqlQuery doc;
        doc.prepare("INSERT INTO PsDocuments (isTemplate, fio1, fio2, fio3, birthDate, number, "
                    "regNumber, issueDate, add1, add2, add3, add4, add5) "
                    "VALUES (0, ?, ?, ?, '2003-01-07', ?, ?, '2013-05-25', ?, ?, ?, ?, ?)");
        doc.addBindValue(QStringLiteral("Петров%1").arg(d));
        doc.addBindValue(QStringLiteral("Пётр"));
        doc.addBindValue(QStringLiteral("Петрович"));
        doc.addBindValue(QString::number(770000 + d));
        doc.addBindValue(QString::number(d));
        for (int s = 0; s < 5; ++s)
            doc.addBindValue(QStringLiteral("Раздел %1 документа %2: несколько слов о нём.")
                                     .arg(s + 1)
                                     .arg(d));
        doc.exec();
        const int id = doc.lastInsertId().toInt();
        ids << QString::number(id);
        QSqlQuery detail;
        detail.prepare("INSERT INTO PsDocumentDetails (psId, disciplineName, disciplineRate) "
                       "VALUES (?, ?, ?)");
        for (int i = 0; i < disciplines; ++i) {
            detail.addBindValue(id);
            detail.addBindValue(QStringLiteral("Учебный предмет %1").arg(i + 1));
            detail.addBindValue(QString::number(2 + i % 4));
            detail.exec();
        }
    }
    QSqlDatabase::database().commit();
    return ids;
}

int exportDocuments(const QString &output, const QStringList &ids)
{
    QString messages;
    QTextStream err(&messages);
    PdfExport::Request request;
    request.output = output;
    request.form = QStringLiteral("304");
    request.documents = ids.join(',');
    request.background = true;
    return PdfExport::exportPdf(request, err);
}

} // namespace

int main(int argc, char **argv)
{
    TestHome home;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!Database::create())
        return 1;
    Database::migrateLegacySettings(Database::dataPath() + "/ZrPs.ini");
    DefaultTemplates::install();
    const QStringList ids = fillRegister(100, 20);
    const QString pdf = home.path() + QStringLiteral("/out.pdf");

    const double one = BenchReport::medianMs(5, [&] { exportDocuments(pdf, ids.mid(0, 1)); });
    const double hundred = BenchReport::medianMs(3, [&] { exportDocuments(pdf, ids); });
    BenchReport::figure("export 100 documents, form 304, 20 disciplines (baseline: 100 single "
                        "exports)",
                        "< 5000 ms",
                        hundred,
                        100 * one);
    BenchReport::figure(
            "export cost per document (baseline: one document alone)", "-", hundred / 100, one);

    // One side at 1200 dpi with its picture, next to reading and decoding the template.
    QFile file(Engine::templatePath(ReportList::Id3382));
    file.open(QIODevice::ReadOnly);
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    const double load = BenchReport::medianMs(5, [&] {
        ReportPage page;
        page.readJson(json);
    });
    ReportPage page;
    page.readJson(json);
    page.setReplaceExpressions(true);
    Engine::fillReport(ReportList::Id3382, &page, ids.first().toInt(), true);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(home.path() + QStringLiteral("/page.pdf"));
    page.setupPrinter(&printer);
    QPainter painter(&printer);
    const double render = BenchReport::medianMs(9, [&] {
        printer.newPage();
        page.renderPage(&painter, 0, true);
    });
    painter.end();
    BenchReport::figure("draw one side at 1200 dpi with background (baseline: reading the "
                        "template)",
                        "well below baseline",
                        render,
                        load);
    Database::destroy();
    return 0;
}
