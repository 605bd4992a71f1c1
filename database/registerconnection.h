#pragma once

#include "registerfailure.h"

#include <QSqlDatabase>

class RegisterEngine;

// One connection to a register and the engine behind it, as Qt's QSqlDatabase keeps
// the driver behind one interface. The program's register is on Qt's default
// connection, where every query without a connection of its own runs; a look at a
// backup or a copy takes a connection of its own.
class RegisterConnection
{
public:
    enum class Access { ReadWrite, ReadOnly };

    // `name` empty: a connection of its own, under a name no other connection has.
    RegisterConnection(const RegisterEngine &engine,
                       const QString &location,
                       Access access = Access::ReadWrite,
                       const QString &name = QString());
    ~RegisterConnection();
    RegisterConnection(const RegisterConnection &) = delete;
    RegisterConnection &operator=(const RegisterConnection &) = delete;

    static QString programConnectionName();

    // Opens the connection (nothing when it is open); says why it did not open.
    RegisterFailure open();
    void close();
    bool isOpen() const;
    QSqlDatabase database() const;

    const RegisterEngine &engine() const { return m_engine; }
    // Where the register is: for a file, its path.
    const QString &location() const { return m_location; }
    // The kind of a failure of a statement run on this connection.
    RegisterFailure failureOf(const QSqlError &error) const;

private:
    const RegisterEngine &m_engine;
    QString m_location;
    QString m_name;
};
