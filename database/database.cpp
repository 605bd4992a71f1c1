#include "database.h"

#include "app/appinfo.h"
#include "app/debuglog.h"
#include "datafolders.h"
#include "postgresengine.h"
#include "registerconnection.h"
#include "registerengine.h"
#include "registerschema.h"
#include "sqliteengine.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <algorithm>
#include <optional>

namespace {

using Kind = RegisterFailure::Kind;

Database *&theInstance()
{
    static Database *instance = nullptr;
    return instance;
}

const QString appName = QString::fromLatin1(AppInfo::applicationName);

// The register chosen for this process; none: the file in the data folder.
std::optional<RegisterAddress> &chosenAddress()
{
    static std::optional<RegisterAddress> address;
    return address;
}

std::unique_ptr<RegisterConnection> programConnection()
{
    const RegisterAddress address = Database::registerAddress();
    const RegisterEngine &engine
            = address.isServer() ? static_cast<const RegisterEngine &>(PostgresEngine::instance())
                                 : SqliteEngine::instance();
    return std::make_unique<RegisterConnection>(engine,
                                                address.toString(),
                                                RegisterConnection::Access::ReadWrite,
                                                RegisterConnection::programConnectionName());
}

// Stores a name/value pair, replacing a row of that name, in the form every engine
// takes.
bool storeVariable(const QString &name, const QString &value)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("INSERT INTO Variables (Name, Value) VALUES (?, ?) "
                                 "ON CONFLICT (Name) DO UPDATE SET Value = excluded.Value;"));
    query.addBindValue(name);
    query.addBindValue(value);
    return Database::exec(query);
}

} // namespace

Database::Database()
    : m_connection(programConnection())
{}

Database::~Database()
{
    releaseModels();
}

void Database::releaseModels()
{
    qDeleteAll(m_models);
    m_models.clear();
}

RegisterFailure Database::open(bool acceptReadableDamage)
{
    if (!theInstance())
        theInstance() = new Database;
    return theInstance()->openRegister(acceptReadableDamage);
}

RegisterFailure Database::openRegister(bool acceptReadableDamage)
{
    RegisterConnection &connection = *m_connection;
    connection.close();
    ZR_LOG() << "database" << connection.location();
    RegisterFailure found = connection.engine().examine(connection.location());
    if (found.kind == Kind::Missing)
        return makeNewRegister();
    if (found.ok())
        found = connection.open();
    if (found.ok())
        found = connection.engine().checkAccess(connection.database());
    // A new database on a server: the register's tables are made in it.
    if (found.ok() && connection.engine().holdsNothing(connection.database()))
        return makeNewRegister();
    if (found.ok()) {
        RegisterSchema::applyPatch(connection);
        found = RegisterSchema::check(connection, IntegrityScope::WithoutHistory);
    }
    const bool goOn
            = found.ok() || (acceptReadableDamage && found.kind == Kind::Damaged && found.readable);
    if (!goOn) {
        // A register in use, damaged or unknown is never moved, rebuilt or replaced here.
        connection.close();
        return found;
    }
    m_openedDespiteDamage = !found.ok();
    RegisterSchema::upgrade(connection);
    RegisterSchema::applyViews(connection);
    return {};
}

bool Database::openedDespiteDamage()
{
    return theInstance() && theInstance()->m_openedDespiteDamage;
}

RegisterFailure Database::makeNewRegister()
{
    RegisterConnection &connection = *m_connection;
    m_openedDespiteDamage = false;
    // A file that cannot be made or filled is the folder's or the disk's refusal.
    RegisterFailure made = connection.open();
    if (made.ok())
        made = RegisterSchema::create(connection);
    if (!made.ok()) {
        connection.close();
        // A server's refusal is a role without the rights to make tables: only the
        // database's owner makes them.
        if (made.kind == Kind::Refused)
            return RegisterFailure::of(Kind::Refused,
                                       QStringLiteral("в базе данных нет таблиц реестра, а "
                                                      "создать их может только владелец базы "
                                                      "данных (%1)")
                                               .arg(made.detail.trimmed()));
        return RegisterFailure::of(Kind::Unwritable, made.detail);
    }
    RegisterSchema::upgrade(connection);
    RegisterSchema::applyViews(connection);
    return {};
}

RegisterFailure Database::replaceWithNewRegister(QString *renamedTo)
{
    if (!theInstance())
        theInstance() = new Database;
    Database *self = theInstance();
    self->releaseModels();
    self->m_connection->close();
    const QString path = self->m_connection->location();
    if (QFileInfo::exists(path)) {
        QFile file(path);
        const bool renamed = file.rename(
                DataFolders::stampedName(dataPath() + "/" + appName + "_", QStringLiteral(".bak")));
        ZR_LOG() << "rename" << renamed << file.errorString();
        // Never build a schema into a file that could not be moved aside.
        if (!renamed)
            return RegisterFailure::of(Kind::Unwritable, file.errorString());
        if (renamedTo)
            *renamedTo = file.fileName();
    }
    return self->makeNewRegister();
}

bool Database::create()
{
    if (theInstance() && theInstance()->m_connection->isOpen())
        return true;
    return open().ok();
}

bool Database::openExisting(QString *error)
{
    // Already opened by whoever runs the command (the tests): it passed its check then.
    if (QSqlDatabase::database(RegisterConnection::programConnectionName(), false).isOpen())
        return true;
    const QString path = registerAddress().toString();
    if (!onServer() && !QFileInfo(path).isFile()) {
        *error = RegisterFailure::of(Kind::Missing).text(path);
        return false;
    }
    const RegisterFailure failure = open();
    if (!failure.ok())
        *error = failure.text(path);
    return failure.ok();
}

Database *Database::instance()
{
    if (!theInstance())
        create();
    return theInstance();
}

void Database::destroy()
{
    delete theInstance();
    theInstance() = nullptr;
    DataFolders::forget();
}

void Database::chooseRegister(const RegisterAddress &address)
{
    destroy();
    chosenAddress() = address;
}

void Database::useDataFolderRegister()
{
    destroy();
    chosenAddress().reset();
}

RegisterAddress Database::registerAddress()
{
    return chosenAddress().value_or(RegisterAddress::ofFile(DataFolders::registerFile()));
}

bool Database::onServer()
{
    return registerAddress().isServer();
}

QString Database::storedName(const QString &identifier)
{
    return instance()->m_connection->engine().storedName(identifier);
}

void Database::close()
{
    const QString name = RegisterConnection::programConnectionName();
    if (QSqlDatabase::contains(name))
        QSqlDatabase::database(name, false).close();
}

QString Database::userPath()
{
    return DataFolders::userPath();
}

QString Database::dataPath()
{
    return DataFolders::dataPath();
}

QString Database::databasePath()
{
    return DataFolders::registerFile();
}

QSettings *Database::userSettings()
{
    return DataFolders::userSettings();
}

QSettings *Database::dataSettings()
{
    return DataFolders::dataSettings();
}

bool Database::samePath(const QString &a, const QString &b)
{
    return DataFolders::samePath(a, b);
}

QString Database::busyText()
{
    return RegisterFailure::of(Kind::Busy).text(databasePath());
}

QString Database::backupRefusalText(const QString &path, const RegisterFailure &failure)
{
    return RegisterBackup::refusalText(path, failure);
}

QString Database::changeDateText(const QString &stored)
{
    const QDateTime stamp = QDateTime::fromString(stored, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (stamp.isValid())
        return stamp.toString(QStringLiteral("dd.MM.yyyy hh:mm"));
    return stored.isEmpty() ? QStringLiteral("нет") : stored;
}

bool Database::checkDbStructure(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        ZR_LOG() << "checkDbStructure(" + path + ") file not found";
        return false;
    }
    RegisterConnection connection(SqliteEngine::instance(), path);
    if (!connection.open().ok())
        return false;
    RegisterSchema::applyPatch(connection);
    const bool ok = RegisterSchema::check(connection, std::nullopt).ok();
    if (ok)
        ZR_LOG() << "checkDbStructure(" + path + ") OK!!!";
    return ok;
}

Database::Inspection Database::inspect(const QString &path)
{
    return RegisterBackup::inspect(path);
}

void Database::applyPatch()
{
    RegisterSchema::applyPatch(*instance()->m_connection);
}

void Database::applyViews()
{
    RegisterSchema::applyViews(*instance()->m_connection);
}

QSqlQuery *Database::execQuery(const QString &sql)
{
    instance();
    auto query = new QSqlQuery;
    if (!query->exec(sql))
        ZR_LOG() << "SQL ERROR" << query->lastError().text() << sql;
    return query;
}

bool Database::exec(QSqlQuery &query)
{
    if (query.exec())
        return true;
    ZR_LOG() << "SQL ERROR" << query.lastQuery() << query.lastError().text();
    return false;
}

bool Database::readToEnd(const QSqlQuery &query)
{
    if (!query.lastError().isValid())
        return true;
    ZR_LOG() << "SQL ERROR" << query.lastQuery() << query.lastError().text();
    return false;
}

QString Database::failureText(const QSqlError &error)
{
    if (!theInstance())
        return error.text();
    switch (theInstance()->m_connection->failureOf(error).kind) {
    case RegisterFailure::Kind::Busy:
        return QStringLiteral("реестр занят другой программой");
    case RegisterFailure::Kind::Unreachable:
        return QStringLiteral("нет связи с сервером реестра (%1)").arg(error.text().trimmed());
    default:
        return error.text();
    }
}

QString Database::getVariable(const QString &name, bool *ok)
{
    instance();
    // Case-insensitive on every engine (LIKE alone is so only on some); binding keeps
    // apostrophes verbatim.
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT Value FROM Variables WHERE LOWER(Name) LIKE LOWER(?);"));
    query.addBindValue(name);
    const bool read = exec(query);
    if (ok)
        *ok = read;
    if (read && query.next())
        return query.value(0).toString();
    return QString();
}

bool Database::setVariable(const QString &name, const QString &value)
{
    instance();
    return storeVariable(name, value);
}

QSqlTableModel *Database::tableModel(const QString &table)
{
    Database *self = instance();
    QSqlTableModel *&model = self->m_models[table];
    if (!model) {
        model = new QSqlTableModel(nullptr, self->m_connection->database());
        model->setTable(self->m_connection->engine().storedName(table));
    }
    return model;
}

QStringList Database::mostUsedValues(const QString &table, const QStringList &columns, int limit)
{
    std::unique_ptr<QSqlQuery> query(
            execQuery(QStringLiteral("SELECT %1 FROM %2").arg(columns.join(", "), table)));
    QHash<QString, int> counts;
    QStringList order;
    while (query->next()) {
        for (int column = 0; column < columns.size(); ++column) {
            const QString value = query->value(column).toString().trimmed();
            if (value.isEmpty())
                continue;
            if (counts[value]++ == 0)
                order << value;
        }
    }
    std::stable_sort(order.begin(), order.end(), [&counts](const QString &a, const QString &b) {
        return counts.value(a) > counts.value(b);
    });
    if (limit >= 1 && order.size() > limit)
        order = order.mid(0, limit);
    return order;
}

QStringList Database::mostUsedValues(const QString &table, const QString &column, int limit)
{
    return mostUsedValues(table, QStringList{column}, limit);
}

bool Database::backup(const QString &destination, QString *error)
{
    QString reason;
    const bool done = RegisterBackup::save(*instance()->m_connection, destination, &reason);
    if (error)
        *error = reason;
    return done;
}

bool Database::restore(const QString &source, QString *error, QString *keptAs)
{
    Database *self = instance();
    QString reason;
    QString kept;
    const bool done = RegisterBackup::restore(
            *self->m_connection, source, [self] { self->releaseModels(); }, &reason, &kept);
    // What is open now passed the whole check.
    if (done)
        self->m_openedDespiteDamage = false;
    if (error)
        *error = reason;
    if (keptAs)
        *keptAs = kept;
    return done;
}

QString Database::newestBackup(Inspection *found)
{
    Inspection ignored;
    return RegisterBackup::newest(dataPath(), databasePath(), found ? found : &ignored);
}

bool Database::checkVersionChange()
{
    QSettings *settings = userSettings();
    settings->beginGroup(appName);
    const bool changed
            = settings->value("last_started_version", QString()).toString() != appVersionString();
    const bool customDataPath = !settings->value("dataPath", QString()).toString().isEmpty();
    settings->setValue("last_started_version", appVersionString());
    settings->endGroup();
    settings->sync();
    return changed && customDataPath;
}

void Database::migrateLegacySettings(const QString &legacyIniPath)
{
    QSettings legacy(legacyIniPath, QSettings::IniFormat);
    legacy.beginGroup(QStringLiteral("Data"));
    const QStringList keys = legacy.childKeys();
    delete execQuery(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS Variables (Name TEXT PRIMARY KEY, Value TEXT);"));
    for (const QString &key : keys) {
        // A key leaves the file only once the database holds it.
        if (storeVariable(QStringLiteral("Data/") + key, legacy.value(key).toString()))
            legacy.remove(key);
    }
    const bool allMoved = legacy.childKeys().isEmpty();
    legacy.endGroup();
    if (allMoved)
        legacy.remove(QStringLiteral("Data"));
    legacy.sync();
}
