#include "database.h"

#include "app/appinfo.h"
#include "app/debuglog.h"
#include "app/platformlayer.h"
#include "russiancollation.h"
#include "sqlscript.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QStandardPaths>
#include <QTemporaryFile>
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
    RussianCollation::install();
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

// A free name in the data folder stamped with the current minute, so that a copy
// of the same minute is never overwritten: prefix + "hh-mm_dd-MM-yyyy" + suffix.
QString stampedName(const QString &prefix, const QString &suffix)
{
    const QString stamp
            = prefix + QDateTime::currentDateTime().toString(QStringLiteral("hh-mm_dd-MM-yyyy"));
    QString name = stamp + suffix;
    for (int n = 1; QFileInfo::exists(name); ++n)
        name = stamp + "_" + QString::number(n) + suffix;
    return name;
}

QString wrongFormatBackupName(const QString &dataPath)
{
    return stampedName(dataPath + "/" + appName + "_", QStringLiteral(".bak"));
}

QString beforeRestoreName(const QString &dataPath)
{
    return stampedName(dataPath + "/" + appName + "_before-restore_", QStringLiteral(".db"));
}

// SQLite's primary result codes that the checks tell apart.
enum SqliteCode { SqliteBusy = 5, SqliteLocked = 6, SqliteCorrupt = 11 };

Database::RegisterState stateOfError(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    if (code == SqliteBusy || code == SqliteLocked)
        return Database::RegisterState::Busy;
    if (code == SqliteCorrupt)
        return Database::RegisterState::Damaged;
    return Database::RegisterState::WrongFormat;
}

// The structure check and, when asked, PRAGMA quick_check on an open connection.
// A lock held by another program is told apart from a file that is not right.
Database::RegisterState checkRegister(const QSqlDatabase &db, bool quick, QString *detail)
{
    for (const QString &statement : SqlScript::statements(":/checkDbStructure.sql", true)) {
        // Prepared, not run: a missing table, view or column fails here already, and the
        // view of the appendix rows would number every row of the register first. The
        // rows themselves are the integrity check's.
        QSqlQuery query(db);
        if (!query.prepare(statement)) {
            *detail = query.lastError().text();
            ZR_LOG() << "checkDbStructure(" + db.databaseName() + ") table wrong format"
                     << statement << *detail;
            return stateOfError(query.lastError());
        }
    }
    if (!quick)
        return Database::RegisterState::Ok;
    QSqlQuery check(db);
    if (!check.exec(QStringLiteral("PRAGMA quick_check;"))) {
        *detail = check.lastError().text();
        ZR_LOG() << "quick_check" << db.databaseName() << *detail;
        const Database::RegisterState state = stateOfError(check.lastError());
        return state == Database::RegisterState::Busy ? state : Database::RegisterState::Damaged;
    }
    QStringList problems;
    while (check.next())
        problems << check.value(0).toString();
    if (problems == QStringList{QStringLiteral("ok")})
        return Database::RegisterState::Ok;
    *detail = problems.mid(0, 3).join(QStringLiteral("; "));
    ZR_LOG() << "quick_check" << db.databaseName() << problems.size() << *detail;
    return Database::RegisterState::Damaged;
}

// A name beside `target` that no file has, for a file to be renamed over it later.
QString temporaryNameBeside(const QString &target)
{
    const QFileInfo info(target);
    QTemporaryFile file(info.absolutePath() + "/." + info.fileName() + ".XXXXXX");
    if (!file.open())
        return QString();
    return file.fileName(); // removed with the object: VACUUM INTO wants a new file
}

// A connection of its own on a file, opened read-only: nothing is written to it.
class ReadOnlyConnection
{
public:
    explicit ReadOnlyConnection(const QString &path)
        : m_name(QStringLiteral("readonly-%1").arg(++counter()))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.setDatabaseName(path);
        if (!db.open())
            ZR_LOG() << "cant open read-only" << path << db.lastError().text();
    }
    ~ReadOnlyConnection()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    static int &counter()
    {
        static int n = 0;
        return n;
    }
    QString m_name;
};

// Runs one statement with one bound value on a connection; false is logged.
bool execBound(const QSqlDatabase &db, const QString &sql, const QVariant &value, QString *error)
{
    QSqlQuery query(db);
    query.prepare(sql);
    query.addBindValue(value);
    if (query.exec())
        return true;
    *error = query.lastError().text();
    ZR_LOG() << "SQL ERROR" << sql << value.toString() << *error;
    return false;
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
        if (!theInstance()->open(true, nullptr)) {
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
    if (!theInstance()) {
        theInstance() = new Database;
        if (!theInstance()->open(false, error)) {
            destroy();
            return false;
        }
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

bool Database::samePath(const QString &a, const QString &b)
{
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath());
}

QString Database::wrongFormatQuestion()
{
    return QStringLiteral("Неверный формат базы данных. \nБудет создана пустая база данных "
                          "верного формата взамен текущей");
}

QString Database::busyText()
{
    return QStringLiteral("Реестр используется другой программой (%1).\nЗакройте её или "
                          "дождитесь, пока она закончит работу с реестром, и повторите попытку.")
            .arg(QDir::toNativeSeparators(databasePath()));
}

QString Database::notABackupText(const QString &path)
{
    return QStringLiteral("Файл %1 не является резервной копией реестра.")
            .arg(QDir::toNativeSeparators(path));
}

QString Database::changeDateText(const QString &stored)
{
    const QDateTime stamp = QDateTime::fromString(stored, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (stamp.isValid())
        return stamp.toString(QStringLiteral("dd.MM.yyyy hh:mm"));
    return stored.isEmpty() ? QStringLiteral("нет") : stored;
}

bool Database::open(bool interactive, QString *error)
{
    const QString path = databasePath();
    ZR_LOG() << "database" << path;
    QString detail;
    RegisterState state = RegisterState::Missing;
    for (;;) {
        state = RegisterState::Missing;
        if (QFileInfo(path).isFile()) {
            openDefaultConnection(path);
            applyPatch();
            state = checkRegister(QSqlDatabase::database(), true, &detail);
            closeDefaultConnection();
        }
        if (state != RegisterState::Busy)
            break;
        // A file in use is no bad file: it is never moved, rebuilt or replaced.
        if (!interactive) {
            *error = busyText();
            return false;
        }
        QMessageBox box(QMessageBox::Warning,
                        QStringLiteral("Внимание!"),
                        busyText(),
                        QMessageBox::Retry | QMessageBox::Cancel);
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Выход"));
        box.setDefaultButton(QMessageBox::Retry);
        if (box.exec() != QMessageBox::Retry)
            return false;
    }
    if (state == RegisterState::Damaged) {
        if (!interactive) {
            *error = QStringLiteral("Реестр %1 повреждён: %2").arg(path, detail);
            return false;
        }
        if (!resolveDamage(detail))
            return false;
        state = RegisterState::Ok;
    }
    if (state != RegisterState::Ok) {
        const QFileInfo file(path);
        if (!interactive) {
            *error = QStringLiteral("База данных %1 имеет неверный формат.").arg(path);
            return false;
        }
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
    QString detail;
    const bool ok = checkRegister(QSqlDatabase::database(), false, &detail) == RegisterState::Ok;
    closeDefaultConnection();
    if (ok)
        ZR_LOG() << "checkDbStructure(" + path + ") OK!!!";
    return ok;
}

Database::Inspection Database::inspect(const QString &path)
{
    Inspection found;
    // A pipe or a device would block or never end; a register is a plain file.
    if (!QFileInfo(path).isFile())
        return found;
    ReadOnlyConnection connection(path);
    const QSqlDatabase db = connection.db();
    if (!db.isOpen()) {
        found.state = RegisterState::WrongFormat;
        found.detail = db.lastError().text();
        return found;
    }
    found.state = checkRegister(db, true, &found.detail);
    if (found.state != RegisterState::Ok)
        return found;
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("SELECT COUNT(*) FROM viewPsDocuments;")) && query.next())
        found.documents = query.value(0).toInt();
    if (query.exec(QStringLiteral("SELECT MAX(editDate) FROM PsDocuments;")) && query.next())
        found.newestChange = query.value(0).toString();
    return found;
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
    const QStringList statements = SqlScript::statements(":/views.sql");
    static const QRegularExpression createView(QStringLiteral("^CREATE\\s+VIEW\\s+(\\w+)"),
                                               QRegularExpression::CaseInsensitiveOption);
    bool upToDate = true;
    for (const QString &statement : statements) {
        const QRegularExpressionMatch match = createView.match(statement);
        if (!match.hasMatch())
            continue;
        QSqlQuery stored;
        stored.prepare(
                QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'view' AND name = ?;"));
        stored.addBindValue(match.captured(1));
        if (!exec(stored) || !stored.next()
            || stored.value(0).toString().simplified() != statement.simplified()) {
            upToDate = false;
            break;
        }
    }
    // Nothing is written when the views are the program's: a start or an export beside
    // a running program leaves the register alone.
    if (upToDate)
        return;
    // Dropped and created together: a crash half-way must not leave a register
    // without its views, which would look damaged at the next start.
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction()) {
        ZR_LOG() << "SQL ERROR" << db.lastError().text() << "views not rebuilt";
        return;
    }
    for (const QString &statement : statements) {
        QSqlQuery query;
        if (!query.exec(statement)) {
            ZR_LOG() << "SQL ERROR" << query.lastError().text() << statement;
            db.rollback();
            return;
        }
    }
    if (!db.commit()) {
        ZR_LOG() << "SQL ERROR" << db.lastError().text() << "views not rebuilt";
        db.rollback();
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

QString Database::getVariable(const QString &name, bool *ok)
{
    instance();
    // LIKE keeps the lookup case-insensitive; binding keeps apostrophes verbatim.
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT value FROM Variables WHERE name LIKE ?;"));
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
    QSqlQuery query;
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO Variables VALUES(?, ?);"));
    query.addBindValue(name);
    query.addBindValue(value);
    return exec(query);
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

bool Database::backup(const QString &destination, QString *error)
{
    QString reason;
    bool done = false;
    if (samePath(destination, databasePath())) {
        // Renamed over the open register, the copy would take its place and every
        // later change would go to a file that is no longer there.
        reason = QStringLiteral("Резервную копию нельзя сохранить в файл самого реестра.");
    } else if (const QString partial = temporaryNameBeside(destination); partial.isEmpty()) {
        reason = QStringLiteral("Не удаётся записать в папку %1.")
                         .arg(QDir::toNativeSeparators(QFileInfo(destination).absolutePath()));
    } else {
        // SQLite's own copy is one consistent state of the register, whatever is
        // being written meanwhile; a connection of its own has no statement in progress.
        ReadOnlyConnection connection(databasePath());
        done = connection.db().isOpen()
               && execBound(connection.db(), QStringLiteral("VACUUM INTO ?;"), partial, &reason)
               && PlatformLayer::replaceFile(partial, destination, &reason);
        if (!done)
            QFile::remove(partial);
    }
    ZR_LOG() << "Database::backup" << destination << done << reason;
    if (error)
        *error = reason;
    return done;
}

void Database::closeForReplace()
{
    Database *self = instance();
    close();
    qDeleteAll(self->m_models);
    self->m_models.clear();
}

bool Database::restore(const QString &source, QString *error, QString *keptAs)
{
    QString reason;
    const auto fail = [&](const QString &text) {
        ZR_LOG() << "Database::restore(" + source + ")" << text << reason;
        if (error)
            *error = text;
        return false;
    };
    if (!QFileInfo(source).isFile()) {
        ZR_LOG() << "Database::restore(" + source + ") file does not exist!!!";
        return fail(notABackupText(source));
    }
    if (samePath(source, databasePath()))
        return fail(QStringLiteral("Выбран файл самого реестра."));
    const Inspection found = inspect(source);
    if (found.state != RegisterState::Ok) {
        reason = found.detail;
        return fail(notABackupText(source));
    }
    instance();
    const QString path = databasePath();

    // The register in use is kept beside it, byte for byte (also a damaged one), while
    // nobody may write to it.
    const QString kept = beforeRestoreName(dataPath());
    if (QFileInfo(path).isFile()) {
        QSqlDatabase db = QSqlDatabase::database();
        QSqlQuery lock(db);
        if (!lock.exec(QStringLiteral("BEGIN IMMEDIATE;"))) {
            reason = lock.lastError().text();
            return fail(stateOfError(lock.lastError()) == RegisterState::Busy
                                ? busyText()
                                : QStringLiteral("Не удаётся сохранить текущий реестр."));
        }
        const bool copied = copyAtomically(path, kept, &reason);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK;"));
        if (!copied)
            return fail(QStringLiteral("Не удаётся сохранить текущий реестр в файл %1.")
                                .arg(QDir::toNativeSeparators(kept)));
    }

    // The new register is SQLite's copy of the backup, checked before it takes the
    // place of the old one in one rename.
    const QString partial = temporaryNameBeside(path);
    bool made = false;
    {
        ReadOnlyConnection backup(source);
        made = !partial.isEmpty() && backup.db().isOpen()
               && execBound(backup.db(), QStringLiteral("VACUUM INTO ?;"), partial, &reason);
    }
    if (!made || inspect(partial).state != RegisterState::Ok) {
        QFile::remove(partial);
        return fail(QStringLiteral("Не удаётся записать новый реестр в папку %1.")
                            .arg(QDir::toNativeSeparators(dataPath())));
    }
    closeForReplace();
    const bool replaced = PlatformLayer::replaceFile(partial, path, &reason);
    if (!replaced)
        QFile::remove(partial);
    openDefaultConnection(path);
    applyPatch();
    QString detail;
    const bool passed
            = replaced && QSqlDatabase::database().isOpen()
              && checkRegister(QSqlDatabase::database(), true, &detail) == RegisterState::Ok;
    if (!passed) {
        if (replaced) {
            // Back to the register there was.
            closeForReplace();
            QString ignored;
            copyAtomically(kept, path, &ignored);
            openDefaultConnection(path);
        }
        return fail(QStringLiteral("Новый реестр не прошёл проверку, оставлен прежний."));
    }
    addNewTables();
    applyViews();
    ZR_LOG() << "Database::restore OK!" << source << "kept" << kept;
    if (keptAs)
        *keptAs = QFileInfo::exists(kept) ? kept : QString();
    return true;
}

QString Database::newestBackup()
{
    QFileInfoList candidates;
    for (const QString &folder :
         {QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), dataPath()}) {
        candidates << QDir(folder).entryInfoList({appName + QStringLiteral("*.db")},
                                                 QDir::Files | QDir::Readable);
    }
    std::stable_sort(
            candidates.begin(), candidates.end(), [](const QFileInfo &a, const QFileInfo &b) {
                return a.lastModified() > b.lastModified();
            });
    for (const QFileInfo &candidate : qAsConst(candidates)) {
        if (samePath(candidate.absoluteFilePath(), databasePath()))
            continue;
        if (inspect(candidate.absoluteFilePath()).state == RegisterState::Ok)
            return candidate.absoluteFilePath();
    }
    return QString();
}

bool Database::resolveDamage(const QString &detail)
{
    for (;;) {
        const QString backup = newestBackup();
        QString text = QStringLiteral("Реестр %1 повреждён: проверка целостности нашла ошибки "
                                      "(%2).\nЧасть документов может не читаться.\n\n")
                               .arg(QDir::toNativeSeparators(databasePath()), detail);
        if (backup.isEmpty()) {
            text += QStringLiteral("Резервная копия реестра не найдена.");
        } else {
            const Inspection found = inspect(backup);
            text += QStringLiteral("Последняя резервная копия: %1\nДокументов в ней: %2, последнее "
                                   "изменение: %3.\nВосстановить реестр из неё? Повреждённый "
                                   "реестр будет сохранён в папке данных.")
                            .arg(QDir::toNativeSeparators(backup))
                            .arg(found.documents)
                            .arg(changeDateText(found.newestChange));
        }
        QMessageBox box(
                QMessageBox::Warning, QStringLiteral("Внимание!"), text, QMessageBox::NoButton);
        QPushButton *restoreButton = nullptr;
        if (!backup.isEmpty())
            restoreButton = box.addButton(QStringLiteral("Восстановить"), QMessageBox::AcceptRole);
        QPushButton *goOn = box.addButton(QStringLiteral("Продолжить"), QMessageBox::ActionRole);
        box.addButton(QStringLiteral("Выход"), QMessageBox::RejectRole);
        box.exec();
        if (box.clickedButton() == goOn)
            return true;
        if (!restoreButton || box.clickedButton() != restoreButton)
            return false;
        QString error;
        QString kept;
        openDefaultConnection(databasePath());
        if (restore(backup, &error, &kept)) {
            QMessageBox done(QMessageBox::Information,
                             QStringLiteral("Информация"),
                             QStringLiteral("Резервная копия успешно загружена.\nПовреждённый "
                                            "реестр сохранён в файле %1.")
                                     .arg(QDir::toNativeSeparators(kept)),
                             QMessageBox::Ok);
            done.exec();
            return true;
        }
        QMessageBox failed(QMessageBox::Warning,
                           QStringLiteral("Ошибка"),
                           QStringLiteral("Не удалось загрузить резервную копию.\n") + error,
                           QMessageBox::Ok);
        failed.exec();
    }
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
