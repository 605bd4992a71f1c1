#include "database.h"

#include "app/appinfo.h"
#include "app/debuglog.h"
#include "app/platformlayer.h"
#include "sqlscript.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMessageBox>
#include <QSaveFile>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <algorithm>
#include <memory>

namespace {

struct Paths
{
    QString userPath;
    QString dataPath;
    std::unique_ptr<QSettings> userSettings;
    std::unique_ptr<QSettings> dataSettings;
};

std::unique_ptr<Paths> &paths()
{
    static std::unique_ptr<Paths> resolved;
    return resolved;
}

Database *&theInstance()
{
    static Database *instance = nullptr;
    return instance;
}

const QString appName = QString::fromLatin1(AppInfo::applicationName);

Paths &resolvePaths()
{
    std::unique_ptr<Paths> &p = paths();
    if (p)
        return *p;
    p = std::make_unique<Paths>();
    PlatformLayer::prepareSettingsPaths();
    const QString org = QString::fromLatin1(AppInfo::organizationName);
    {
        QSettings userScope(QSettings::IniFormat, QSettings::UserScope, org, appName);
        p->userPath = QFileInfo(userScope.fileName()).absolutePath();
    }
    QDir().mkpath(p->userPath);
    p->userSettings
            = std::make_unique<QSettings>(p->userPath + "//settings.ini", QSettings::IniFormat);
    p->dataPath = p->userSettings->value(appName + "/dataPath", QString()).toString();
    if (p->dataPath.isEmpty()) {
        QSettings systemScope(QSettings::IniFormat, QSettings::SystemScope, org, appName);
        p->dataPath = QFileInfo(systemScope.fileName()).absolutePath();
    }
    QDir().mkpath(p->dataPath);
    p->dataPath = QFileInfo(p->dataPath).absoluteFilePath();
    p->dataSettings
            = std::make_unique<QSettings>(p->dataPath + "/settings.ini", QSettings::IniFormat);
    return *p;
}

void openDefaultConnection(const QString &path)
{
    const QString name = QString::fromLatin1(QSqlDatabase::defaultConnection);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(path);
    if (!db.open())
        ZR_LOG() << "cant open database" << path << db.lastError().text();
}

void closeDefaultConnection()
{
    const QString name = QString::fromLatin1(QSqlDatabase::defaultConnection);
    if (QSqlDatabase::contains(name))
        QSqlDatabase::database(name, false).close();
}

// A free name for the wrong-format file, so that an earlier backup of the
// same minute is never overwritten.
QString wrongFormatBackupName(const QString &dataPath)
{
    const QString stamp = QDateTime::currentDateTime().toString("_hh-mm_dd-MM-yyyy");
    QString name = dataPath + "/" + appName + stamp + ".bak";
    for (int n = 1; QFileInfo::exists(name); ++n)
        name = dataPath + "/" + appName + stamp + "_" + QString::number(n) + ".bak";
    return name;
}

// Tables that later versions added, created in a register made before them once it has
// passed its check; nothing else of it is touched. Never run on a file not yet known to be
// a register.
void addNewTables()
{
    for (const QString &statement : SqlScript::statements(":/upgrade.sql")) {
        QSqlQuery query;
        if (!query.exec(statement))
            ZR_LOG() << "SQL ERROR" << query.lastError().text() << statement;
    }
}

// Copies through a temporary file beside the target and renames it into place
// only when the copy is complete, so a failure never destroys the old target.
bool copyAtomically(const QString &source, const QString &target, QString *error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return false;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return false;
    }
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) {
        if (out.write(chunk) != chunk.size()) {
            *error = out.errorString();
            out.cancelWriting();
            return false;
        }
    }
    if (in.error() != QFileDevice::NoError) {
        *error = in.errorString();
        out.cancelWriting();
        return false;
    }
    if (!out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

} // namespace

bool Database::create()
{
    if (!theInstance()) {
        theInstance() = new Database;
        if (!theInstance()->open()) {
            destroy();
            return false;
        }
    }
    return true;
}

bool Database::openExisting(QString *error)
{
    // Already opened by whoever runs the command (the tests): it passed its check then.
    if (QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).isOpen())
        return true;
    const QString path = databasePath();
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("База данных %1 не найдена.").arg(path);
        return false;
    }
    if (!checkDbStructure(path)) {
        *error = QStringLiteral("База данных %1 имеет неверный формат.").arg(path);
        return false;
    }
    if (!create()) {
        *error = QStringLiteral("Не удаётся открыть базу данных %1.").arg(path);
        return false;
    }
    return true;
}

Database *Database::instance()
{
    create();
    return theInstance();
}

void Database::destroy()
{
    delete theInstance();
    theInstance() = nullptr;
    paths().reset();
}

Database::~Database()
{
    qDeleteAll(m_models);
    m_models.clear();
    const QString name = QString::fromLatin1(QSqlDatabase::defaultConnection);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

void Database::close()
{
    closeDefaultConnection();
}

QString Database::userPath()
{
    return resolvePaths().userPath;
}

QString Database::dataPath()
{
    return resolvePaths().dataPath;
}

QString Database::databasePath()
{
    return dataPath() + "/" + appName + ".db";
}

QSettings *Database::userSettings()
{
    return resolvePaths().userSettings.get();
}

QSettings *Database::dataSettings()
{
    return resolvePaths().dataSettings.get();
}

QString Database::wrongFormatQuestion()
{
    return QStringLiteral("Неверный формат базы данных. \nБудет создана пустая база данных "
                          "верного формата взамен текущей");
}

bool Database::open()
{
    const QString path = databasePath();
    ZR_LOG() << "database" << path;
    if (!checkDbStructure(path)) {
        const QFileInfo file(path);
        if (file.exists() && file.size() > 0) {
            QMessageBox box(QMessageBox::NoIcon,
                            QStringLiteral("Внимание!"),
                            wrongFormatQuestion(),
                            QMessageBox::Ok | QMessageBox::Cancel);
            if (box.exec() != QMessageBox::Ok)
                return false;
        }
        if (file.exists()) {
            const bool renamed = QFile::rename(path, wrongFormatBackupName(dataPath()));
            ZR_LOG() << "rename" << renamed;
            if (!renamed) {
                // Never build a schema into a file we could not move aside.
                openDefaultConnection(path);
                return true;
            }
        }
        openDefaultConnection(path);
        for (const QString &statement : SqlScript::statements(":/database.sql")) {
            QSqlQuery query;
            if (!query.exec(statement))
                ZR_LOG() << "SQL ERROR" << query.lastError().text() << statement;
        }
        closeDefaultConnection();
    }
    openDefaultConnection(path);
    addNewTables();
    applyViews();
    return true;
}

bool Database::checkDbStructure(const QString &path)
{
    const QFileInfo file(path);
    if (!file.exists() || !file.isFile()) {
        ZR_LOG() << "checkDbStructure(" + path + ") file not found";
        return false;
    }
    openDefaultConnection(path);
    if (!QSqlDatabase::database().isOpen())
        return false;
    applyPatch();
    if (!SqlScript::exists(":/checkDbStructure.sql"))
        return true;
    for (const QString &statement : SqlScript::statements(":/checkDbStructure.sql", true)) {
        QSqlQuery query;
        if (!query.exec(statement)) {
            ZR_LOG() << "checkDbStructure(" + path + ") table wrong format" << statement;
            query.finish();
            closeDefaultConnection();
            return false;
        }
    }
    closeDefaultConnection();
    ZR_LOG() << "checkDbStructure(" + path + ") OK!!!";
    return true;
}

void Database::applyPatch()
{
    if (!SqlScript::exists(":/patch.sql"))
        return;
    for (const QString &statement : SqlScript::statements(":/patch.sql", true)) {
        QSqlQuery query;
        query.exec(statement);
    }
}

void Database::applyViews()
{
    for (const QString &statement : SqlScript::statements(":/views.sql")) {
        QSqlQuery query;
        if (!query.exec(statement))
            ZR_LOG() << "SQL ERROR" << query.lastError().text() << statement;
    }
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

QString Database::getVariable(const QString &name)
{
    instance();
    // LIKE keeps the lookup case-insensitive; binding keeps apostrophes verbatim.
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT value FROM Variables WHERE name LIKE ?;"));
    query.addBindValue(name);
    if (exec(query) && query.next())
        return query.value(0).toString();
    return QString();
}

void Database::setVariable(const QString &name, const QString &value)
{
    instance();
    QSqlQuery query;
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO Variables VALUES(?, ?);"));
    query.addBindValue(name);
    query.addBindValue(value);
    exec(query);
}

QSqlTableModel *Database::tableModel(const QString &table)
{
    Database *self = instance();
    QSqlTableModel *&model = self->m_models[table];
    if (!model) {
        model = new QSqlTableModel(nullptr, QSqlDatabase::database());
        model->setTable(table);
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

bool Database::backup(const QString &destination)
{
    delete execQuery(QStringLiteral("BEGIN IMMEDIATE;"));
    QString error;
    const bool copied = copyAtomically(databasePath(), destination, &error);
    if (!copied)
        ZR_LOG() << "Database::backup" << destination << error;
    delete execQuery(QStringLiteral("ROLLBACK;"));
    ZR_LOG() << "Database::backup" << copied;
    return copied;
}

bool Database::restore(const QString &source)
{
    const QFileInfo file(source);
    if (!file.exists() || !file.isFile()) {
        ZR_LOG() << "Database::restore(" + source + ") file does not exist!!!";
        return false;
    }
    Database *self = instance();
    close();
    // The live register is replaced only once the whole copy is on disk.
    QString error;
    const bool copied = copyAtomically(source, databasePath(), &error);
    if (!copied)
        ZR_LOG() << "Database::restore(" + source + ") cant copy from source to database file "
                            + databasePath() + "!!!"
                 << error;
    qDeleteAll(self->m_models);
    self->m_models.clear();
    QSqlDatabase db
            = QSqlDatabase::database(QString::fromLatin1(QSqlDatabase::defaultConnection), false);
    db.setDatabaseName(databasePath());
    if (db.open())
        ZR_LOG() << "Database::restore OK!";
    else
        ZR_LOG() << "Database::restore" << db.lastError().text();
    applyPatch();
    if (copied)
        addNewTables();
    applyViews();
    return copied;
}

void Database::checkVersionChange()
{
    QSettings *settings = userSettings();
    settings->beginGroup(appName);
    const bool changed
            = settings->value("last_started_version", QString()).toString() != appVersionString();
    const bool customDataPath = !settings->value("dataPath", QString()).toString().isEmpty();
    settings->setValue("last_started_version", appVersionString());
    settings->endGroup();
    settings->sync();
    if (changed && customDataPath)
        QMessageBox::information(
                nullptr,
                QStringLiteral("Внимание!"),
                QStringLiteral(
                        "Похоже, что вы установили новую версию программы и у вас прописан "
                        "нестандартный путь к файлам настроек и шаблонов.\nДля того, чтобы "
                        "программа использовала актуальные шаблоны, необходимо зайти в "
                        "Инструменты - Настройки программы -  Расположение файлов и нажать на "
                        "кнопку 'Восстановит шаблоны по умолчанию'"),
                QMessageBox::Ok);
}

void Database::migrateLegacySettings(const QString &legacyIniPath)
{
    QSettings legacy(legacyIniPath, QSettings::IniFormat);
    legacy.beginGroup(QStringLiteral("Data"));
    const QStringList keys = legacy.childKeys();
    delete execQuery(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS Variables (Name TEXT PRIMARY KEY, Value TEXT);"));
    for (const QString &key : keys) {
        QSqlQuery query;
        query.prepare(QStringLiteral("INSERT OR REPLACE INTO Variables VALUES (?, ?);"));
        query.addBindValue(QStringLiteral("Data/") + key);
        query.addBindValue(legacy.value(key).toString());
        // A key leaves the file only once the database holds it.
        if (exec(query))
            legacy.remove(key);
    }
    const bool allMoved = legacy.childKeys().isEmpty();
    legacy.endGroup();
    if (allMoved)
        legacy.remove(QStringLiteral("Data"));
    legacy.sync();
}
