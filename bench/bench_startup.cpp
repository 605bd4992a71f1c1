// Opening the register at start-up on 100,000 documents: the checked start (structure
// check, PRAGMA quick_check, views compared) next to the start as it was before, in the
// same run (check statements run, then the four view statements one by one).
// Then the whole program, started as a child process on the register of 100,000
// documents and on one of 100, up to the moment the main window shows the register.
#include "benchprogram.h"
#include "benchregister.h"
#include "benchreport.h"
#include "database/database.h"
#include "database/sqlscript.h"
#include "programstart.h"

#include <QDate>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <algorithm>
#include <vector>

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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (ProgramStart::isChild())
        return ProgramStart::runChild(argc, argv);
    const BenchProgram program(argc, argv);
    const TestHome &home = program.home();
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
        quick = BenchReport::medianMs(5, [] { BenchRegister::quickCheckAlone(); });
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

    // The same register, and a small one beside it, each opened by the program.
    const QString large = home.dataHome();
    const QString small = home.path() + QStringLiteral("/small");
    qputenv("XDG_DATA_HOME", small.toUtf8());
    if (!Database::create())
        return 1;
    fillRegister(100);
    Database::userSettings()->setValue(QStringLiteral("ZrPs/showTipsOnStartup"), false);
    Database::userSettings()->sync();
    Database::destroy();
    qputenv("XDG_DATA_HOME", large.toUtf8());
    // A first start writes the templates and the dictionary into the data folder.
    ProgramStart::programShown(large);
    ProgramStart::programShown(small);
    std::vector<double> largeShown;
    std::vector<double> smallShown;
    std::vector<double> largeWindow;
    std::vector<double> smallWindow;
    for (int round = 0; round < 7; ++round) {
        const ProgramStart::Start onLarge = ProgramStart::programShown(large);
        const ProgramStart::Start onSmall = ProgramStart::programShown(small);
        largeShown.push_back(onLarge.shown);
        smallShown.push_back(onSmall.shown);
        largeWindow.push_back(onLarge.shown - onLarge.window);
        smallWindow.push_back(onSmall.shown - onSmall.window);
    }
    BenchReport::figure(QStringLiteral("start-up: program to the register shown, %1 documents "
                                       "(baseline: 100 documents)")
                                .arg(documents),
                        QStringLiteral("< base+150"),
                        median(largeShown),
                        median(smallShown));
    BenchReport::figure(QStringLiteral("start-up: main window, built to the register shown, %1 "
                                       "documents (baseline: 100 documents)")
                                .arg(documents),
                        QStringLiteral("< base+150"),
                        median(largeWindow),
                        median(smallWindow));
    return 0;
}
