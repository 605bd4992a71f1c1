// Exporting 100 appendices (form 304, 20 disciplines each) into one PDF, the cost per
// document, and one page drawn at the printer's resolution next to reading the template:
// the drawing must not read the template or decode its pictures again.
#include "benchprogram.h"
#include "benchregister.h"
#include "benchreport.h"
#include "database/database.h"
#include "printing/defaulttemplates.h"
#include "printing/engine.h"
#include "printing/pdfexport.h"
#include "printing/reportlist.h"

#include "ZrReport/reportpage.h"

#include <QFile>
#include <QJsonDocument>
#include <QPainter>
#include <QPrinter>

namespace {

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
    const BenchProgram program(argc, argv);
    const TestHome &home = program.home();
    if (!Database::create())
        return 1;
    Database::migrateLegacySettings(Database::dataPath() + "/ZrPs.ini");
    DefaultTemplates::install();
    QStringList ids;
    for (int id : BenchRegister::fillAppendices(100, 20))
        ids << QString::number(id);
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
