// Importing a class list of 1,000 pupils with 20 grade columns from CSV and from XLSX into an
// empty register, each beside the time of reading the file alone: the checks and the writing
// must not cost much more than the parsing.
#include "benchprogram.h"
#include "benchreport.h"
#include "database/database.h"
#include "documents/import/documentimporter.h"
#include "documents/import/importmapping.h"
#include "documents/import/importplan.h"
#include "documents/import/importsource.h"
#include "xlsxfile.h"

#include <QFile>
#include <QSqlQuery>

namespace {

const int pupils = 1000;
const int disciplines = 20;

QVector<QStringList> classList()
{
    const QStringList grades{"5", "4", "3", "отлично", "хорошо", "зачёт"};
    QVector<QStringList> rows;
    QStringList header{"№", "Фамилия", "Имя", "Отчество", "Дата рождения", "Номер свидетельства"};
    for (int d = 0; d < disciplines; ++d)
        header << QStringLiteral("Учебный предмет %1").arg(d + 1);
    rows << header;
    for (int p = 0; p < pupils; ++p) {
        QStringList row{QString::number(p + 1),
                        QStringLiteral("Петров%1").arg(p),
                        QStringLiteral("Пётр"),
                        QStringLiteral("Петрович"),
                        QStringLiteral("%1.%2.2014").arg(1 + p % 28).arg(1 + p % 12),
                        QString::number(770000 + p)};
        for (int d = 0; d < disciplines; ++d)
            row << grades.at((p + d) % grades.size());
        rows << row;
    }
    return rows;
}

bool readFile(const QString &path, ImportSource *source)
{
    *source = ImportSource(path);
    QString error;
    return source->read(&error);
}

int importFile(const QString &path)
{
    ImportSource source;
    if (!readFile(path, &source))
        return 0;
    const ImportTable &table = source.table();
    const ImportPlan plan = ImportPlan::build(
            table, ImportMapping::guess(table, ImportMapping::firstRowIsHeader(table)), 0);
    QList<int> ids;
    QString error;
    if (!plan.canImport(false) || !DocumentImporter::write(plan.entries, &ids, &error))
        return 0;
    return ids.size();
}

} // namespace

int main(int argc, char **argv)
{
    const BenchProgram program(argc, argv);
    const TestHome &home = program.home();
    if (!Database::create())
        return 1;

    const QVector<QStringList> rows = classList();
    const QString csv = home.path() + QStringLiteral("/class.csv");
    QFile file(csv);
    file.open(QIODevice::WriteOnly);
    for (const QStringList &row : rows)
        file.write(row.join(QLatin1Char(';')).toUtf8() + "\r\n");
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
        const double parse = BenchReport::medianMs(5, [&] { readFile(path, &source); });
        // Each run starts from an empty register.
        const double import = BenchReport::medianMs(
                5,
                [] {
                    QSqlQuery(QStringLiteral("DELETE FROM PsDocuments")).exec();
                    QSqlQuery(QStringLiteral("DELETE FROM PsDocumentDetails")).exec();
                },
                [&path] {
                    if (importFile(path) != pupils)
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
