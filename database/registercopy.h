#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <functional>

class QSqlDatabase;

// Copies a register row by row between engines (a file register onto a server, a server
// register into a backup file) and tells that nothing was lost on the way.
namespace RegisterCopy {
struct Table
{
    QString name;
    int rows = 0;
    QByteArray checksum; // of every value of every row, in the order of the key
};

// The register's tables as `db` holds them (but those only a server register writes,
// when it holds none); false in `ok` when one could not be read.
QVector<Table> summary(const QSqlDatabase &db, bool *ok);
// What else is written into `to` in the same transaction, after the rows were compared;
// false with the reason undoes the whole copy.
using Addition = std::function<bool(const QSqlDatabase &to, QString *error)>;

// Writes every row of the register `from` into the register `to`, whose tables are
// emptied first, in one transaction on `to` that commits only when every table there
// has the rows and the checksum it has in `from` (what was copied in `copied`, when
// given) and `alsoWrite` succeeded. `from` is read in one consistent state. A table
// only a server register writes keeps its rows in `to` when `from` holds none.
bool copy(const QSqlDatabase &from,
          const QSqlDatabase &to,
          QVector<Table> *copied,
          QString *error,
          const Addition &alsoWrite = {});
} // namespace RegisterCopy
