#pragma once

#include "registerfailure.h"

class QSqlDatabase;
class QSqlError;

// How much of a register an integrity check reads.
enum class IntegrityScope {
    Whole,
    // Every table but the history of changes. The history only grows and soon outweighs
    // the rest of the register many times over: it is read with the whole register once
    // the program is up, in the background.
    WithoutHistory,
};

// What differs between the engines a register can live on. Every connection has one
// (RegisterConnection::engine); the program's SQL is written once for all of them, and
// only what cannot be said the same way on each lives here.
class RegisterEngine
{
public:
    virtual ~RegisterEngine() = default;

    virtual QString driverName() const = 0;
    // Points a new connection at the register at `location` (for a file, its path).
    virtual void configure(QSqlDatabase &db, const QString &location, bool readOnly) const = 0;
    // What can be told of the register before a connection is opened on it.
    virtual RegisterFailure examine(const QString &location) const = 0;
    // The kind of a failure the driver reported for the register at `location`.
    virtual RegisterFailure failureOf(const QSqlError &error, const QString &location) const = 0;
    // What the open connection can tell before the register is read: a server too old,
    // a role that may not use the database's schema.
    virtual RegisterFailure checkAccess(const QSqlDatabase &db) const = 0;
    // Readies a connection that has just opened for the program's use.
    virtual void opened(const QSqlDatabase &db) const = 0;
    // The engine's own check that every page of the register (or of its tables but the
    // history) reads whole.
    virtual RegisterFailure checkIntegrity(const QSqlDatabase &db, IntegrityScope scope) const = 0;
    // The stored definition of the view `name`, empty when there is none; false when it
    // could not be read.
    virtual bool storedView(const QSqlDatabase &db, const QString &name, QString *sql) const = 0;
    // Writes one consistent state of the register into the new register file `file`,
    // whatever other connections write meanwhile.
    virtual bool copyInto(const QSqlDatabase &db, const QString &file, QString *error) const = 0;

    // The scripts that create a new register and bring an older one up to date.
    virtual QString schemaScript() const = 0;
    virtual QString upgradeScript() const = 0;
    // How a table or column the program names in mixed case is stored, as Qt's models
    // and the driver's record() want it.
    virtual QString storedName(const QString &identifier) const = 0;
    // Whether the open register holds none of the program's tables yet (a new server
    // database); false when it could not be told.
    virtual bool holdsNothing(const QSqlDatabase &db) const = 0;
    // A statement that leaves `sql`, the definition just given to the view `name`, where
    // storedView() reads it back; empty where the engine keeps the text itself.
    virtual QString
    viewMark(const QSqlDatabase &db, const QString &name, const QString &sql) const = 0;
    // After rows were written with the ids they had elsewhere: new rows get ids after them.
    virtual bool followCopiedIds(const QSqlDatabase &db, QString *error) const = 0;
};
