// Importing a class list of 1,000 pupils with 20 grade columns from CSV and from XLSX into an
// empty register, each beside the time of reading the file alone: the checks and the writing
// must not cost much more than the parsing.
#include "benchimport.h"
#include "benchprogram.h"
#include "benchreport.h"
#include "classlist.h"
#include "database/database.h"
#include "xlsxfile.h"

#include <QFile>

namespace {

const int pupils = 1000;
const int disciplines = 20;

} // namespace

int main(int argc, char **argv)
{
    const BenchProgram program(argc, argv);
    const TestHome &home = program.home();
    if (!Database::create())
        return 1;

    const QVector<QStringList> rows = ClassList::rows(pupils, disciplines);
    const QString csv = home.path() + QStringLiteral("/class.csv");
    QFile file(csv);
    file.open(QIODevice::WriteOnly);
    file.write(ClassList::csv(rows));
    file.close();
    XlsxFile workbook;
    workbook.addSheet(QStringLiteral("Лист1"), XlsxFile::rows(rows));
    const QString xlsx = home.path() + QStringLiteral("/class.xlsx");
    if (!workbook.write(xlsx))
        return 1;

    for (const QString &path : {csv, xlsx}) {
        const QString kind = path.endsWith(QLatin1String(".csv")) ? QStringLiteral("CSV")
                                                                  : QStringLiteral("XLSX");
        ImportSource source;
        const double parse
                = BenchReport::medianMs(5, [&] { BenchImport::readFile(path, &source); });
        const double import = BenchReport::medianMs(5, BenchImport::emptyRegister, [&path] {
            if (BenchImport::importFile(path) != pupils)
                QTextStream(stderr) << "import of " << path << " failed\n";
        });
        BenchReport::figure(QStringLiteral("import %1, 1000 pupils x 20 grades (baseline: "
                                           "reading the file alone)")
                                    .arg(kind),
                            QStringLiteral("< 1000 ms"),
                            import,
                            parse);
    }
    Database::destroy();
    return 0;
}
