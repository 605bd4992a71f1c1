#include "sqlitelockwait.h"

#include "app/debuglog.h"

#include <QMutex>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <sqlite3.h>

namespace {

// As long as a write waited before: QSQLITE_BUSY_TIMEOUT of the connection options.
const int patienceMs = 5000;

QMutex givingWayLock;
sqlite3 *givingWayReader = nullptr;

sqlite3 *handleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

// SQLite's own busy timeout waits a little longer after each try; so does this, and it
// first asks a reader that gives way to stop.
int waitForLock(void *, int tries)
{
    static const int delays[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    static const int count = int(sizeof delays / sizeof delays[0]);
    SqliteLockWait::interruptGivingWay();
    int waited = 0;
    for (int i = 0; i < qMin(tries, count); ++i)
        waited += delays[i];
    if (tries > count)
        waited += (tries - count) * delays[count - 1];
    if (waited >= patienceMs)
        return 0;
    sqlite3_sleep(qMin(delays[qMin(tries, count - 1)], patienceMs - waited));
    return 1;
}

} // namespace

void SqliteLockWait::interruptGivingWay()
{
    QMutexLocker locked(&givingWayLock);
    if (givingWayReader)
        sqlite3_interrupt(givingWayReader);
}

void SqliteLockWait::install(const QSqlDatabase &db)
{
    sqlite3 *handle = handleOf(db);
    if (!handle || sqlite3_busy_handler(handle, waitForLock, nullptr) != SQLITE_OK)
        ZR_LOG() << "busy handler not installed" << db.databaseName();
}

SqliteLockWait::GivingWay::GivingWay(const QSqlDatabase &db)
{
    QMutexLocker locked(&givingWayLock);
    givingWayReader = handleOf(db);
}

SqliteLockWait::GivingWay::~GivingWay()
{
    QMutexLocker locked(&givingWayLock);
    givingWayReader = nullptr;
}
