#include "postgresserver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <unistd.h>

namespace {

const QString superuser = QStringLiteral("zrsuper");

QString serverBinaries()
{
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::sort(found.begin(), found.end(), [](const QString &a, const QString &b) {
        return a.toInt() < b.toInt();
    });
    for (auto version = found.crbegin(); version != found.crend(); ++version) {
        const QString bin = versions.filePath(*version + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")))
            return bin;
    }
    return QString();
}

int freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

PostgresServer::PostgresServer()
    : m_dir(QDir::tempPath() + QStringLiteral("/zrps-pg-XXXXXX"))
    , m_bin(serverBinaries())
    , m_passwordFile(m_dir.filePath(QStringLiteral("pgpass")))
{}

PostgresServer::~PostgresServer()
{
    stop();
}

bool PostgresServer::run(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(m_dir.path());
    QStringList command{m_bin + QLatin1Char('/') + program};
    command << arguments;
    if (geteuid() == 0)
        command = QStringList{QStringLiteral("runuser"),
                              QStringLiteral("-u"),
                              QStringLiteral("postgres"),
                              QStringLiteral("--")}
                  + command;
    process.start(command.takeFirst(), command);
    const bool finished = process.waitForFinished(120000);
    *output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString PostgresServer::start()
{
    if (m_bin.isEmpty())
        return QStringLiteral("no PostgreSQL server binaries under /usr/lib/postgresql");
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder");
    if (geteuid() == 0
        && QProcess::execute(QStringLiteral("chown"),
                             {QStringLiteral("postgres:postgres"), m_dir.path()})
                   != 0)
        return QStringLiteral("the temporary folder cannot be given to the postgres user");
    const QString data = m_dir.filePath(QStringLiteral("data"));
    const QString superPassword = m_dir.filePath(QStringLiteral("superpw"));
    QFile pw(superPassword);
    if (!pw.open(QIODevice::WriteOnly) || pw.write("super\n") < 0)
        return QStringLiteral("no password file for initdb");
    pw.close();
    pw.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QString output;
    if (!run(QStringLiteral("initdb"),
             {QStringLiteral("-D"),
              data,
              QStringLiteral("-U"),
              superuser,
              QStringLiteral("--pwfile=") + superPassword,
              QStringLiteral("--auth-local=trust"),
              QStringLiteral("--auth-host=scram-sha-256"),
              QStringLiteral("-E"),
              QStringLiteral("UTF8"),
              QStringLiteral("--locale=C.UTF-8")},
             &output))
        return QStringLiteral("initdb: ") + output;
    m_port = freePort();
    return launch();
}

QString PostgresServer::caFile() const
{
    return m_dir.filePath(QStringLiteral("ca.crt"));
}

QString PostgresServer::otherCaFile() const
{
    return m_dir.filePath(QStringLiteral("other-ca.crt"));
}

QString PostgresServer::useSsl()
{
    const QString key = m_dir.filePath(QStringLiteral("server.key"));
    const QString cert = m_dir.filePath(QStringLiteral("server.crt"));
    const QString extensions = m_dir.filePath(QStringLiteral("san.ext"));
    QFile san(extensions);
    if (!san.open(QIODevice::WriteOnly) || san.write("subjectAltName=IP:127.0.0.1\n") < 0)
        return QStringLiteral("no certificate extensions file");
    san.close();
    const QString caKey = m_dir.filePath(QStringLiteral("ca.key"));
    const QString request = m_dir.filePath(QStringLiteral("server.csr"));
    // The folder is the test's own temporary one: no name in these commands has a space.
    const auto command = [](const QString &text) { return text.split(QLatin1Char(' ')); };
    const QString authority = QStringLiteral(
            "req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=%1 -keyout %2 -out %3");
    const QList<QStringList> steps{
            command(authority.arg(QStringLiteral("ZrPs-test-CA"), caKey, caFile())),
            command(authority.arg(QStringLiteral("Another-CA"),
                                  m_dir.filePath(QStringLiteral("other-ca.key")),
                                  otherCaFile())),
            command(QStringLiteral("req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout %1 "
                                   "-out %2")
                            .arg(key, request)),
            command(QStringLiteral("x509 -req -in %1 -CA %2 -CAkey %3 -CAcreateserial -days 2 "
                                   "-extfile %4 -out %5")
                            .arg(request, caFile(), caKey, extensions, cert))};
    for (const QStringList &step : steps) {
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"), step);
        if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0)
            return QStringLiteral("openssl: ") + QString::fromLocal8Bit(openssl.readAll());
    }
    // The server reads its key only when no one else may.
    QFile::setPermissions(key, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (geteuid() == 0
        && QProcess::execute(QStringLiteral("chown"), {QStringLiteral("postgres"), key, cert}) != 0)
        return QStringLiteral("the server's key cannot be given to the postgres user");
    m_sslOptions
            = QStringLiteral(" -c ssl=on -c ssl_cert_file=%1 -c ssl_key_file=%2").arg(cert, key);
    return QString();
}

QString PostgresServer::restart()
{
    return m_running ? QString() : launch();
}

QString PostgresServer::launch()
{
    QString output;
    const QString data = m_dir.filePath(QStringLiteral("data"));
    const QString options = QStringLiteral("-c listen_addresses=127.0.0.1 -p %1 -k %2 -c fsync=off")
                                    .arg(m_port)
                                    .arg(m_dir.path())
                            + m_sslOptions;
    if (!run(QStringLiteral("pg_ctl"),
             {QStringLiteral("-D"),
              data,
              QStringLiteral("-o"),
              options,
              QStringLiteral("-l"),
              m_dir.filePath(QStringLiteral("server.log")),
              QStringLiteral("-w"),
              QStringLiteral("start")},
             &output))
        return QStringLiteral("pg_ctl start: ") + output;
    m_running = true;
    qputenv("PGPASSFILE", m_passwordFile.toLocal8Bit());
    return QString();
}

void PostgresServer::stop()
{
    if (!m_running)
        return;
    QString output;
    run(QStringLiteral("pg_ctl"),
        {QStringLiteral("-D"),
         m_dir.filePath(QStringLiteral("data")),
         QStringLiteral("-m"),
         QStringLiteral("immediate"),
         QStringLiteral("-w"),
         QStringLiteral("stop")},
        &output);
    m_running = false;
}

bool PostgresServer::sql(const QString &database, const QString &statements, QString *error)
{
    const QString script = m_dir.filePath(QStringLiteral("script.sql"));
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(statements.toUtf8()) < 0)
        return false;
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ReadOther);
    QString output;
    const bool done = run(QStringLiteral("psql"),
                          {QStringLiteral("-X"),
                           QStringLiteral("-q"),
                           QStringLiteral("-v"),
                           QStringLiteral("ON_ERROR_STOP=1"),
                           QStringLiteral("-h"),
                           m_dir.path(),
                           QStringLiteral("-p"),
                           QString::number(m_port),
                           QStringLiteral("-U"),
                           superuser,
                           QStringLiteral("-d"),
                           database,
                           QStringLiteral("-f"),
                           script},
                          &output);
    if (error)
        *error = output;
    return done;
}

bool PostgresServer::makeRegisterDatabase(const QString &database,
                                          const QString &owner,
                                          const QString &clerk,
                                          const QString &password,
                                          QString *error)
{
    QFile setup(QStringLiteral(ZR_SOURCE_DIR "/tools/register-server.sql"));
    if (!setup.open(QIODevice::ReadOnly))
        return false;
    const QString variables = QStringLiteral("\\set dbname %1\n\\set owner %2\n\\set clerk %3\n"
                                             "\\set owner_password %4\n\\set clerk_password %4\n")
                                      .arg(database, owner, clerk, password);
    addPassword(owner, password);
    addPassword(clerk, password);
    return sql(QStringLiteral("postgres"), variables + QString::fromUtf8(setup.readAll()), error);
}

QString PostgresServer::address(const QString &role, const QString &database) const
{
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(role).arg(m_port).arg(database);
}

void PostgresServer::addPassword(const QString &role, const QString &password)
{
    QFile file(m_passwordFile);
    file.open(QIODevice::Append);
    file.write(QStringLiteral("127.0.0.1:%1:*:%2:%3\n").arg(m_port).arg(role, password).toUtf8());
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
