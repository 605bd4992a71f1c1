#pragma once

#include <QString>

class QSqlDatabase;

// Russian alphabetical order for what the register's engine sorts: Ё with Е (after А, before
// Ж), capitals with small letters. The stored texts are never changed.
class RussianCollation
{
public:
    // Makes the order known to every SQLite connection the program opens from now on, also
    // the ones Qt opens again by itself after a close. False (logged) when SQLite refused.
    static bool install();

    // `expression` as an ORDER BY term that sorts in Russian order on the connection's
    // engine; the expression unchanged where the order is not available.
    static QString collated(const QString &expression, const QSqlDatabase &db);
};
