// The register with 100,000 documents: opening it (select and fetching every
// row), changing the filter and the first read sorted by name, next to the naive
// ways measured in the same run.
#include "benchprogram.h"
#include "benchregister.h"
#include "benchreport.h"
#include "database/database.h"
#include "documents/documentstable.h"
#include "documents/registermodel.h"

#include <QHeaderView>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <memory>

namespace {

void fillRegister(int count)
{
    const QStringList surnames{"Иванов",
                               "Петров",
                               "Сидоров",
                               "Смирнов",
                               "Кузнецов",
                               "Попов",
                               "Васильев",
                               "Соколов",
                               "Михайлов",
                               "Новиков"};
    QSqlDatabase::database().transaction();
    QSqlQuery query;
    query.prepare("INSERT INTO PsDocuments (isTemplate, fio1, fio2, fio3, issueDate, number, "
                  "regNumber, editDate) VALUES (0, ?, ?, ?, ?, ?, ?, ?)");
    const QDate first(2019, 5, 25);
    for (int i = 0; i < count; ++i) {
        query.addBindValue(surnames.at(i % surnames.size()) + (i % 3 ? "" : "а"));
        query.addBindValue(QStringLiteral("Имя%1").arg(i % 97));
        query.addBindValue(QStringLiteral("Отчество%1").arg(i % 89));
        query.addBindValue(first.addDays(i % 2000).toString(Qt::ISODate));
        query.addBindValue(QString::number(100000 + i));
        query.addBindValue(QString::number(i));
        query.addBindValue(first.addDays(i % 2000).toString(Qt::ISODate) + " 10:00:00");
        query.exec();
    }
    QSqlDatabase::database().commit();
}

// What the view would have to read at the least: every row of the view once.
void plainRead()
{
    QSqlQuery query;
    query.setForwardOnly(true);
    query.exec("SELECT * FROM viewPsDocuments ORDER BY psId DESC");
    int rows = 0;
    while (query.next())
        ++rows;
    Q_ASSERT(rows > 0);
}

// The filter as first written: row by row, reading the model and hiding the
// row while the view keeps itself up to date.
void naiveFilter(DocumentsTable *table, const QString &fio)
{
    QAbstractItemModel *model = table->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const bool match
                = fio.isEmpty()
                  || model->index(row, 1).data().toString().contains(fio, Qt::CaseInsensitive);
        table->setRowHidden(row, !match);
    }
}

} // namespace

int main(int argc, char **argv)
{
    const BenchProgram program(argc, argv);
    const int documents = argc > 1 ? QString(argv[1]).toInt() : 100000;

    if (!Database::create())
        return 1;
    fillRegister(documents);

    auto table = std::make_unique<DocumentsTable>();
    table->resize(800, 600);
    table->show();
    QCoreApplication::processEvents();

    const double load = BenchRegister::wholeTableLoad(*table);
    const double read = BenchReport::medianMs(5, plainRead);
    BenchReport::figure(QStringLiteral("documents table: load %1 rows (baseline: plain query)")
                                .arg(table->model()->rowCount()),
                        QStringLiteral("< 400 ms"),
                        load,
                        read);

    const FilterList byName{{"fio", QStringLiteral("ива")}};
    const FilterList none{{"fio", QString()}};
    bool flip = false;
    const double filter = BenchReport::medianMs(9, [&] {
        flip = !flip;
        table->onFiltersChanged(flip ? byName : none);
        QCoreApplication::processEvents();
    });
    flip = false;
    const double naive = BenchReport::medianMs(3, [&] {
        flip = !flip;
        naiveFilter(table.get(), flip ? QStringLiteral("ива") : QString());
        QCoreApplication::processEvents();
    });
    BenchReport::figure(
            QStringLiteral("documents table: filter change (baseline: naive row hiding)"),
            QStringLiteral("< 50 ms"),
            filter,
            naive);

    table.reset();

    // SQLite sorts every row before it gives the first: the first read sorted by name in
    // Russian order against the same read in the order of the characters' codes, as the
    // table sorted before.
    {
        QSqlTableModel *russian = RegisterModel::ofRegister();
        russian->setSort(1, Qt::AscendingOrder);
        QSqlTableModel codes(nullptr, QSqlDatabase::database());
        codes.setTable(QStringLiteral("viewPsDocuments"));
        codes.setSort(1, Qt::AscendingOrder);
        const double sorted = BenchReport::medianMs(5, [&] { russian->select(); });
        const double unsorted = BenchReport::medianMs(5, [&] { codes.select(); });
        BenchReport::figure(QStringLiteral("documents table: first read of %1 rows sorted by "
                                           "name (baseline: sorted by character codes, as "
                                           "before)")
                                    .arg(documents),
                            QStringLiteral("-"),
                            sorted,
                            unsorted);
    }
    Database::destroy();
    return 0;
}
