#pragma once

#include "registerfailure.h"

class QSqlDatabase;
class QSqlError;

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
    // The engine's own check that every page of the register reads whole.
    virtual RegisterFailure checkIntegrity(const QSqlDatabase &db) const = 0;
    // The stored definition of the view `name`, empty when there is none; false when it
    // could not be read.
    virtual bool storedView(const QSqlDatabase &db, const QString &name, QString *sql) const = 0;
    // Writes one consistent state of the register into the new register file `file`,
    // whatever other connections write meanwhile.
    virtual bool copyInto(const QSqlDatabase &db, const QString &file, QString *error) const = 0;
};
