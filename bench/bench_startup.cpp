// Opening the register at start-up on 100,000 documents: the checked start (structure
// check, PRAGMA quick_check, views compared) next to the start as it was before, in the
// same run (check statements run, then the four view statements one by one).
#include "benchreport.h"
#include "database/database.h"
#include "database/sqlscript.h"
#include "testhome.h"

#include <QApplication>
#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

void fillRegister(int count)
{
    QSqlDatabase::database().transaction();
    QSqlQuery query;
    query.prepare("INSERT INTO PsDocuments (isTemplate, fio1, fio2, fio3, birthDate, issueDate, "
                  "number, regNumber, editDate, decision, add1) VALUES (0, ?, ?, ?, ?, ?, ?, ?, ?, "
                  "?, ?)");
    QSqlQuery detail;
    detail.prepare("INSERT INTO PsDocumentDetails (psId, disciplineName, disciplineRate) "
                   "VALUES (?, ?, ?)");
    const QDate first(2019, 5, 25);
    for (int i = 0; i < count; ++i) {
        query.addBindValue(QStringLiteral("Фамилия%1").arg(i % 1000));
        query.addBindValue(QStringLiteral("Имя%1").arg(i % 97));
        query.addBindValue(QStringLiteral("Отчество%1").arg(i % 89));
        query.addBindValue(first.addDays(-4000 + i % 900).toString(Qt::ISODate));
        query.addBindValue(first.addDays(i % 2000).toString(Qt::ISODate));
        query.addBindValue(QString::number(3100000 + i));
        query.addBindValue(QString::number(i));
        query.addBindValue(first.addDays(i % 2000).toString(Qt::ISODate) + " 10:00:00");
        query.addBindValue(QStringLiteral("Решение педагогического совета от 25.05.2024 № 9"));
        query.addBindValue(QStringLiteral("Кружок юных натуралистов"));
        query.exec();
        // Eight disciplines a document, as an appendix has.
        for (int d = 0; d < 8; ++d) {
            detail.addBindValue(i + 1);
            detail.addBindValue(QStringLiteral("Предмет %1").arg(d));
            detail.addBindValue(QString::number(3 + d % 3));
            detail.exec();
        }
    }
    QSqlDatabase::database().commit();
}

// The start as it was: every check statement run, then the views dropped and created
// again, one statement after the other.
void previousStart()
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "previous");
        db.setDatabaseName(Database::databasePath());
        db.open();
        for (const QString &statement : SqlScript::statements(":/checkDbStructure.sql", true))
            QSqlQuery(db).exec(statement);
        for (const QString &statement : SqlScript::statements(":/views.sql"))
            QSqlQuery(db).exec(statement);
    }
    QSqlDatabase::removeDatabase("previous");
}

void checkedStart()
{
    Database::create();
    Database::destroy();
}

void quickCheckAlone()
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "quick");
        db.setDatabaseName(Database::databasePath());
        db.open();
        QSqlQuery query(db);
        query.exec("PRAGMA quick_check;");
        query.next();
    }
    QSqlDatabase::removeDatabase("quick");
}

} // namespace

int main(int argc, char **argv)
{
    TestHome home;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int documents = argc > 1 ? QString(argv[1]).toInt() : 100000;

    if (!Database::create())
        return 1;
    fillRegister(documents);
    Database::destroy();

    // Alternated, so that both meet the same state of the file cache.
    double checked = 0;
    double previous = 0;
    double quick = 0;
    for (int round = 0; round < 2; ++round) {
        checked = BenchReport::medianMs(5, checkedStart);
        previous = BenchReport::medianMs(5, previousStart);
        quick = BenchReport::medianMs(5, quickCheckAlone);
    }
    BenchReport::figure(QStringLiteral("start-up: open %1 documents, with quick_check "
                                       "(baseline: the start before, without it)")
                                .arg(documents),
                        QStringLiteral("< base+150"),
                        checked,
                        previous);
    BenchReport::figure(QStringLiteral("start-up: PRAGMA quick_check alone on %1 documents "
                                       "(baseline: the checked start)")
                                .arg(documents),
                        QStringLiteral("-"),
                        quick,
                        checked);
    return 0;
}
