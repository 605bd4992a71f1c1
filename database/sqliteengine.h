#pragma once

#include "registerengine.h"

// A register in an SQLite file: the program's own register in the data folder, and
// every backup, which is a register file whatever engine it was copied from.
class SqliteEngine : public RegisterEngine
{
public:
    static const SqliteEngine &instance();

    QString driverName() const override;
    void configure(QSqlDatabase &db, const QString &location, bool readOnly) const override;
    RegisterFailure examine(const QString &location) const override;
    RegisterFailure failureOf(const QSqlError &error, const QString &location) const override;
    RegisterFailure checkAccess(const QSqlDatabase &db) const override;
    void opened(const QSqlDatabase &db) const override;
    RegisterFailure checkIntegrity(const QSqlDatabase &db, IntegrityScope scope) const override;
    bool storedView(const QSqlDatabase &db, const QString &name, QString *sql) const override;
    bool copyInto(const QSqlDatabase &db, const QString &file, QString *error) const override;
    QString schemaScript() const override;
    QString upgradeScript() const override;
    QString storedName(const QString &identifier) const override;
    bool holdsNothing(const QSqlDatabase &db) const override;
    QString
    viewMark(const QSqlDatabase &db, const QString &name, const QString &sql) const override;
    bool followCopiedIds(const QSqlDatabase &db, QString *error) const override;

    // Whether a file SQLite does not take for a database was one: its header names the
    // format, a journal of it lies beside it, or what follows its first page has the
    // shape of a database's pages. A text file is none of these.
    static bool wasADatabase(const QString &path);
};
