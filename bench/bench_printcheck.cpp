// Checking 1,000 appendices (form 304, 20 disciplines each) before printing, texts measured
// at the printer's resolution, beside filling the same pages with the documents' data: what
// the check adds to what any print of them must do anyway.
#include "benchprogram.h"
#include "benchregister.h"
#include "benchreport.h"
#include "database/database.h"
#include "printing/defaulttemplates.h"
#include "printing/engine.h"
#include "printing/printcheck.h"
#include "printing/reportlist.h"

#include "ZrReport/reportpage.h"

int main(int argc, char **argv)
{
    const BenchProgram program(argc, argv);
    if (!Database::create())
        return 1;
    Database::migrateLegacySettings(Database::dataPath() + "/ZrPs.ini");
    DefaultTemplates::install();
    const QList<int> ids = BenchRegister::fillAppendices(1000, 20);

    int problems = 0;
    const double check = BenchReport::medianMs(3, [&] {
        PrintCheck checker(ReportList::Id3382);
        problems = checker.check(ids).size();
    });
    ReportPage page;
    page.loadFromFile(Engine::templatePath(ReportList::Id3382));
    const double fill = BenchReport::medianMs(3, [&] {
        for (int id : ids)
            Engine::fillReport(ReportList::Id3382, &page, id, true);
    });
    BenchReport::figure("check 1000 documents, form 304, 20 disciplines, at 600 dpi (baseline: "
                        "filling the 1000 pages)",
                        "< 2000 ms",
                        check,
                        fill);
    BenchReport::figure("check cost per document (baseline: filling one page)",
                        "-",
                        check / ids.size(),
                        fill / ids.size());
    if (problems != 0)
        QTextStream(stderr) << "unexpected problems: " << problems << '\n';
    Database::destroy();
    return problems == 0 ? 0 : 1;
}
