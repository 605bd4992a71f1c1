#pragma once

#include "registerengine.h"

// A register in a database on a PostgreSQL server, shared by the workstations of a
// school. Its location is a server address (RegisterAddress); the password comes from
// libpq's password file, never from the program's settings.
class PostgresEngine : public RegisterEngine
{
public:
    static const PostgresEngine &instance();

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

    // The oldest server the register's SQL is written for (PostgreSQL 10: identity
    // columns).
    static constexpr int oldestServerVersion = 100000;
};
