#pragma once

#include <QString>

// Where the register is: the SQLite file in the data folder (or any file named), or a
// database on a PostgreSQL server, written as
// "postgresql://USER@HOST:PORT/DBNAME[?sslmode=MODE&sslrootcert=FILE]". A password is
// never part of an address: the server's password comes from libpq's password file.
struct RegisterAddress
{
    enum class Kind { File, Server };

    Kind kind = Kind::File;
    QString file; // Kind::File
    QString host;
    int port = 5432;
    QString database;
    QString user;
    QString sslMode;     // empty: libpq's default ("prefer")
    QString sslRootCert; // the CA file for "verify-ca" and "verify-full"

    static RegisterAddress ofFile(const QString &file);
    // Parses a file name or a server address; false with the reason in `error`.
    static bool parse(const QString &text, RegisterAddress *address, QString *error);
    bool isServer() const { return kind == Kind::Server; }
    // The address as parse() takes it, for messages and settings.
    QString toString() const;
};
