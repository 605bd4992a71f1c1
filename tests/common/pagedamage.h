#pragma once

#include <QString>

class QSqlDatabase;

// Damage made the way a failing disk makes it: the first page of one table of the
// register open on `db` is overwritten, so every read of that table fails while the
// others read as before. Connections already open see the change at once.
bool damageTablePage(const QSqlDatabase &db, const QString &table);
