#include "postgresengine.h"

#include "app/debuglog.h"
#include "registeraddress.h"
#include "registerconnection.h"
#include "registercopy.h"
#include "registerschema.h"
#include "registertables.h"
#include "sqliteengine.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

namespace {

using Kind = RegisterFailure::Kind;

// Failures libpq reports in words only (no SQLSTATE before a session exists).
Kind kindOfWords(const QString &words)
{
    static const char *const refused[] = {"password authentication failed",
                                          "no password supplied",
                                          "authentication failed",
                                          "role \"",
                                          "permission denied",
                                          "pg_hba.conf"};
    for (const char *marker : refused)
        if (words.contains(QLatin1String(marker), Qt::CaseInsensitive))
            return Kind::Refused;
    static const char *const untrusted[] = {
            "certificate", "does not match host name", "server does not support SSL", "SSL error"};
    for (const char *marker : untrusted)
        if (words.contains(QLatin1String(marker), Qt::CaseInsensitive))
            return Kind::Untrusted;
    if (words.contains(QLatin1String("database \""), Qt::CaseInsensitive)
        && words.contains(QLatin1String("does not exist"), Qt::CaseInsensitive))
        return Kind::Missing;
    return Kind::Unreachable;
}

// A failure of a statement by its SQLSTATE class and code.
Kind kindOfState(const QString &state)
{
    if (state == QLatin1String("42501"))
        return Kind::Refused;
    if (state == QLatin1String("42P01") || state == QLatin1String("42703")
        || state == QLatin1String("42883"))
        return Kind::NotARegister;
    if (state == QLatin1String("40001") || state == QLatin1String("40P01")
        || state == QLatin1String("55P03"))
        return Kind::Busy;
    if (state == QLatin1String("25006") || state.startsWith(QLatin1String("53")))
        return Kind::Unwritable;
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57")))
        return Kind::Unreachable;
    if (state.startsWith(QLatin1String("28")))
        return Kind::Refused;
    if (state == QLatin1String("XX001") || state == QLatin1String("XX002"))
        return Kind::Damaged;
    return Kind::Unreadable;
}

} // namespace

const PostgresEngine &PostgresEngine::instance()
{
    static const PostgresEngine engine;
    return engine;
}

QString PostgresEngine::driverName() const
{
    return QStringLiteral("QPSQL");
}

void PostgresEngine::configure(QSqlDatabase &db, const QString &location, bool readOnly) const
{
    RegisterAddress address;
    QString error;
    if (!RegisterAddress::parse(location, &address, &error) || !address.isServer()) {
        ZR_LOG() << "not a server address" << error;
        return;
    }
    db.setHostName(address.host);
    db.setPort(address.port);
    db.setDatabaseName(address.database);
    db.setUserName(address.user);
    // No password is set: libpq takes it from its password file (~/.pgpass or PGPASSFILE).
    QStringList options{QStringLiteral("connect_timeout=5"),
                        QStringLiteral("application_name=ZrPs")};
    if (!address.sslMode.isEmpty())
        options << QStringLiteral("sslmode=") + address.sslMode;
    if (!address.sslRootCert.isEmpty())
        options << QStringLiteral("sslrootcert=") + address.sslRootCert;
    if (readOnly)
        options << QStringLiteral("options='-c default_transaction_read_only=on'");
    db.setConnectOptions(options.join(QLatin1Char(';')));
}

RegisterFailure PostgresEngine::examine(const QString &location) const
{
    RegisterAddress address;
    QString error;
    if (!RegisterAddress::parse(location, &address, &error) || !address.isServer())
        return RegisterFailure::of(Kind::NotARegister, error);
    // Whether the server is there and the database ours is told by the connection.
    return {};
}

RegisterFailure PostgresEngine::failureOf(const QSqlError &error, const QString &) const
{
    const QString state = error.nativeErrorCode();
    const QString words = error.text();
    if (state.size() == 5)
        return RegisterFailure::of(kindOfState(state), words);
    if (error.type() == QSqlError::ConnectionError || words.contains(QLatin1String("connection")))
        return RegisterFailure::of(kindOfWords(words), words);
    return RegisterFailure::of(Kind::Unreadable, words);
}

RegisterFailure PostgresEngine::checkAccess(const QSqlDatabase &db) const
{
    QSqlQuery server(db);
    if (!server.exec(QStringLiteral("SELECT current_setting('server_version_num')::integer, "
                                    "current_schema() IS NOT NULL"))
        || !server.next())
        return failureOf(server.lastError(), QString());
    if (server.value(0).toInt() < oldestServerVersion)
        return RegisterFailure::of(Kind::OldServer, server.value(0).toString());
    // A schema the role may not use is left out of its search path.
    if (!server.value(1).toBool())
        return RegisterFailure::of(Kind::Refused,
                                   QStringLiteral("у пользователя нет прав на схему базы данных"));
    return {};
}

void PostgresEngine::opened(const QSqlDatabase &) const {}

RegisterFailure PostgresEngine::checkIntegrity(const QSqlDatabase &, IntegrityScope) const
{
    // The server keeps its pages whole itself.
    return {};
}

bool PostgresEngine::storedView(const QSqlDatabase &db, const QString &name, QString *sql) const
{
    // The server keeps a view's definition in a form of its own: the text it was made
    // from is kept as the view's comment.
    QSqlQuery stored(db);
    stored.prepare(QStringLiteral(
            "SELECT obj_description(c.oid, 'pg_class') FROM pg_class c "
            "JOIN pg_namespace n ON n.oid = c.relnamespace "
            "WHERE c.relkind = 'v' AND c.relname = ? AND n.nspname = current_schema()"));
    stored.addBindValue(storedName(name));
    if (!stored.exec()) {
        ZR_LOG() << "SQL ERROR" << stored.lastQuery() << stored.lastError().text();
        return false;
    }
    *sql = stored.next() ? stored.value(0).toString() : QString();
    return true;
}

QString
PostgresEngine::viewMark(const QSqlDatabase &db, const QString &name, const QString &sql) const
{
    // COMMENT takes no bound value: the text goes in as the driver quotes a literal.
    QSqlField text(QString(), QVariant::String);
    text.setValue(sql);
    return QStringLiteral("COMMENT ON VIEW %1 IS %2")
            .arg(db.driver()->escapeIdentifier(storedName(name), QSqlDriver::TableName),
                 db.driver()->formatValue(text));
}

bool PostgresEngine::copyInto(const QSqlDatabase &db, const QString &file, QString *error) const
{
    RegisterConnection target(SqliteEngine::instance(), file);
    RegisterFailure opened = target.open();
    if (!opened.ok()) {
        *error = opened.detail;
        return false;
    }
    opened = RegisterSchema::create(target);
    if (!opened.ok()) {
        *error = opened.detail;
        return false;
    }
    RegisterSchema::upgrade(target);
    RegisterSchema::applyViews(target);
    return RegisterCopy::copy(db, target.database(), nullptr, error);
}

QString PostgresEngine::schemaScript() const
{
    return QStringLiteral(":/postgres/schema.sql");
}

QString PostgresEngine::upgradeScript() const
{
    // Tables added later; columns added later are added by the schema's own list.
    return QStringLiteral(":/postgres/upgrade.sql");
}

QString PostgresEngine::storedName(const QString &identifier) const
{
    // The server's tables are made with unquoted names, which it folds to lower case;
    // the program's SQL names them unquoted too.
    return identifier.toLower();
}

bool PostgresEngine::holdsNothing(const QSqlDatabase &db) const
{
    // The catalogue lists the tables the role has no rights on too.
    QSqlQuery tables(db);
    tables.prepare(QStringLiteral("SELECT COUNT(*) FROM pg_class c JOIN pg_namespace n "
                                  "ON n.oid = c.relnamespace "
                                  "WHERE n.nspname = current_schema() AND c.relname = ?"));
    for (const RegisterTables::Table &table : RegisterTables::all) {
        tables.addBindValue(storedName(QString::fromLatin1(table.name)));
        if (!tables.exec() || !tables.next() || tables.value(0).toInt() != 0)
            return false;
    }
    return true;
}

bool PostgresEngine::followCopiedIds(const QSqlDatabase &db, QString *error) const
{
    for (const RegisterTables::Table &identity : RegisterTables::all) {
        if (!identity.keyIsIdentity)
            continue;
        const QString table = storedName(QString::fromLatin1(identity.name));
        const QString column = storedName(QString::fromLatin1(identity.key));
        QSqlQuery query(db);
        // The names are the program's own; only they are put into the text.
        if (!query.exec(QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', '%2'), "
                                       "COALESCE(MAX(%2), 0) + 1, false) FROM %1")
                                .arg(table, column))) {
            *error = query.lastError().text();
            ZR_LOG() << "SQL ERROR" << query.lastQuery() << *error;
            return false;
        }
    }
    return true;
}
