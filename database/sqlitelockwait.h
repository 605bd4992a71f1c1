#pragma once

class QSqlDatabase;

// How the program's connections to a register file wait for a lock another connection
// holds. A write waits a few seconds for other programs, as SQLite's busy timeout does;
// the background integrity check, which holds a read lock for as long as it reads the
// whole file, gives way at once.
namespace SqliteLockWait {
// Makes `db`, an open SQLite connection, wait for locks as above.
void install(const QSqlDatabase &db);

// Stops the reading of the reader that gives way, if there is one now.
void interruptGivingWay();

// While one lives, the reading on `db` is interrupted whenever a connection of the
// program waits for a lock: the reader then gets SQLITE_INTERRUPT and may try again later.
class GivingWay
{
public:
    explicit GivingWay(const QSqlDatabase &db);
    ~GivingWay();
    GivingWay(const GivingWay &) = delete;
    GivingWay &operator=(const GivingWay &) = delete;
};
} // namespace SqliteLockWait
