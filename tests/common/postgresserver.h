#pragma once

#include <QString>
#include <QTemporaryDir>

// A PostgreSQL server of a test's own: made with initdb in a temporary folder, listening
// on a free port of 127.0.0.1 only, with password logins, stopped and removed with the
// object. As root (CI) it runs as the "postgres" user, the server refusing root.
class PostgresServer
{
public:
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    // Makes the server (before start()) take SSL connections with a certificate for
    // 127.0.0.1 signed by a CA of its own, written to caFile(). Empty, or what went wrong.
    QString useSsl();
    QString caFile() const;
    // A CA that signed nothing of the server's.
    QString otherCaFile() const;
    // Empty when the server runs; otherwise what went wrong.
    QString start();
    // Stops the server as a power cut would (no shutdown of its sessions), and starts the
    // stopped server again on the same port with the same data.
    void stop();
    QString restart();
    bool running() const { return m_running; }
    int port() const { return m_port; }
    // Runs SQL as the server's superuser on `database`; false (with the output in `error`).
    bool sql(const QString &database, const QString &statements, QString *error = nullptr);
    // Makes a register database the way a school server gets one (the setup script's SQL).
    bool makeRegisterDatabase(const QString &database,
                              const QString &owner,
                              const QString &clerk,
                              const QString &password,
                              QString *error);
    // "postgresql://ROLE@127.0.0.1:PORT/DATABASE".
    QString address(const QString &role, const QString &database) const;
    // A password file for libpq (PGPASSFILE), mode 0600, with one line per role.
    void addPassword(const QString &role, const QString &password);

private:
    bool run(const QString &program, const QStringList &arguments, QString *output);
    QString launch();

    QTemporaryDir m_dir;
    QString m_bin;
    int m_port = 0;
    bool m_running = false;
    QString m_passwordFile;
    QString m_sslOptions;
};
