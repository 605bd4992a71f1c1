#include "sqliteengine.h"

#include "app/debuglog.h"
#include "russiancollation.h"
#include "sqlitelockwait.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QtEndian>

namespace {

// SQLite's primary result codes that tell failures apart.
enum SqliteCode {
    SqliteError = 1,
    SqlitePerm = 3,
    SqliteBusy = 5,
    SqliteLocked = 6,
    SqliteInterrupt = 9,
    SqliteReadOnly = 8,
    SqliteIoErr = 10,
    SqliteCorrupt = 11,
    SqliteFull = 13,
    SqliteCantOpen = 14,
    SqliteNoLfs = 22,
    SqliteAuth = 23,
    SqliteNotADb = 26,
};

using Kind = RegisterFailure::Kind;

// The first 16 bytes of every SQLite database file.
const QByteArray formatHeader("SQLite format 3\0", 16);

// Whether `head`, the first bytes of a page of a file of `pages` pages, fits a page of a
// database: a b-tree page with a sane header, or an overflow or freelist page, which
// starts with the number of the next one (0 for none).
bool looksLikePage(const QByteArray &head, qint64 pages, int pageSize)
{
    if (head.size() < 8)
        return false;
    const auto byte = [&head](int i) { return int(uchar(head.at(i))); };
    switch (byte(0)) {
    case 0x02:
    case 0x05:
    case 0x0a:
    case 0x0d: {
        const int cells = byte(3) << 8 | byte(4);
        const int contentStart = byte(5) << 8 | byte(6);
        return 8 + 2 * cells <= pageSize && contentStart <= pageSize && byte(7) <= 60;
    }
    default:
        return qFromBigEndian<quint32>(head.constData()) <= quint64(pages);
    }
}

} // namespace

const SqliteEngine &SqliteEngine::instance()
{
    static const SqliteEngine engine;
    return engine;
}

QString SqliteEngine::driverName() const
{
    return QStringLiteral("QSQLITE");
}

void SqliteEngine::configure(QSqlDatabase &db, const QString &location, bool readOnly) const
{
    // Names sort in Russian order on every connection to a register.
    RussianCollation::install();
    // A write while another program holds the register waits for it a few seconds
    // before it is turned away as busy.
    const QString wait = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
    db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;") + wait : wait);
    db.setDatabaseName(location);
}

RegisterFailure SqliteEngine::examine(const QString &location) const
{
    const QFileInfo info(location);
    if (!info.exists())
        return RegisterFailure::of(Kind::Missing);
    // A pipe or a device would block or never end; a register is a plain file.
    if (!info.isFile())
        return RegisterFailure::of(Kind::Unreadable, QStringLiteral("это не файл"));
    QFile file(location);
    if (!file.open(QIODevice::ReadOnly))
        return RegisterFailure::of(Kind::Unreadable, file.errorString());
    if (file.size() == 0)
        return RegisterFailure::of(Kind::Empty);
    return {};
}

RegisterFailure SqliteEngine::failureOf(const QSqlError &error, const QString &location) const
{
    const QString words = error.text();
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case SqliteBusy:
    case SqliteLocked:
    // Only a reader that gives way to the program's writes is interrupted.
    case SqliteInterrupt:
        return RegisterFailure::of(Kind::Busy, words);
    case SqliteCorrupt:
        return RegisterFailure::of(Kind::Damaged, words);
    case SqliteNotADb:
        if (wasADatabase(location)) {
            RegisterFailure failure = RegisterFailure::of(Kind::Damaged, words);
            failure.readable = false;
            return failure;
        }
        return RegisterFailure::of(Kind::NotARegister, words);
    case SqliteError:
        // A table, view or column the program reads is not there.
        return RegisterFailure::of(Kind::NotARegister, words);
    case SqliteFull:
    case SqliteReadOnly:
        return RegisterFailure::of(Kind::Unwritable, words);
    case SqlitePerm:
    case SqliteIoErr:
    case SqliteCantOpen:
    case SqliteNoLfs:
    case SqliteAuth:
    default:
        // Whatever is not understood leaves the file alone, as an unreadable one.
        return RegisterFailure::of(Kind::Unreadable, words);
    }
}

RegisterFailure SqliteEngine::checkAccess(const QSqlDatabase &) const
{
    // A file that opened is read or refused page by page: the checks tell it.
    return {};
}

void SqliteEngine::opened(const QSqlDatabase &db) const
{
    SqliteLockWait::install(db);
}

RegisterFailure SqliteEngine::checkIntegrity(const QSqlDatabase &db, IntegrityScope scope) const
{
    QStringList checks{QStringLiteral("PRAGMA quick_check;")};
    if (scope == IntegrityScope::WithoutHistory) {
        // Each table is checked with its indexes; the pages no table owns are the whole
        // check's.
        checks = QStringList{QStringLiteral("PRAGMA quick_check(sqlite_schema);")};
        for (const QString &table : db.tables())
            if (table.compare(QLatin1String("PsDocumentHistory"), Qt::CaseInsensitive) != 0)
                checks << QStringLiteral("PRAGMA quick_check(\"%1\");").arg(table);
    }
    QStringList problems;
    for (const QString &statement : checks) {
        QSqlQuery check(db);
        if (!check.exec(statement)) {
            ZR_LOG() << "quick_check" << db.databaseName() << check.lastError().text();
            const RegisterFailure failure = failureOf(check.lastError(), db.databaseName());
            if (failure.kind == Kind::Busy || failure.kind == Kind::Unreadable)
                return failure;
            return RegisterFailure::of(Kind::Damaged, failure.detail);
        }
        while (check.next())
            if (check.value(0).toString() != QLatin1String("ok"))
                problems << check.value(0).toString();
    }
    if (problems.isEmpty())
        return {};
    // Each list of problems starts with the name of the schema, which tells the user nothing.
    problems.replaceInStrings(
            QRegularExpression(QStringLiteral("^\\*\\*\\* in database \\S+ \\*\\*\\*\\s*")),
            QString());
    ZR_LOG() << "quick_check" << db.databaseName() << problems.size()
             << problems.mid(0, 3).join(QStringLiteral("; "));
    return RegisterFailure::of(Kind::Damaged, problems.mid(0, 3).join(QStringLiteral("; ")));
}

bool SqliteEngine::storedView(const QSqlDatabase &db, const QString &name, QString *sql) const
{
    QSqlQuery stored(db);
    stored.prepare(
            QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'view' AND name = ?;"));
    stored.addBindValue(name);
    if (!stored.exec()) {
        ZR_LOG() << "SQL ERROR" << stored.lastQuery() << stored.lastError().text();
        return false;
    }
    *sql = stored.next() ? stored.value(0).toString() : QString();
    return true;
}

bool SqliteEngine::copyInto(const QSqlDatabase &db, const QString &file, QString *error) const
{
    // SQLite's own copy is one consistent state of the register, whatever is being
    // written meanwhile. While a writer commits, SQLite may turn a reader away at once
    // instead of waiting: the copy is then tried again for a few seconds.
    const QDeadlineTimer deadline(10000);
    for (;;) {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("VACUUM INTO ?;"));
        query.addBindValue(file);
        if (query.exec())
            return true;
        *error = query.lastError().text();
        ZR_LOG() << "SQL ERROR" << query.lastQuery() << file << *error;
        if (failureOf(query.lastError(), db.databaseName()).kind != Kind::Busy
            || deadline.hasExpired())
            return false;
        QFile::remove(file);
        QThread::msleep(50);
    }
}

QString SqliteEngine::schemaScript() const
{
    return QStringLiteral(":/database.sql");
}

QString SqliteEngine::upgradeScript() const
{
    return QStringLiteral(":/upgrade.sql");
}

QString SqliteEngine::storedName(const QString &identifier) const
{
    // SQLite keeps names as written and compares them without case.
    return identifier;
}

bool SqliteEngine::holdsNothing(const QSqlDatabase &) const
{
    // A new register is a file that is not there yet: examine() tells it.
    return false;
}

QString SqliteEngine::viewMark(const QSqlDatabase &, const QString &, const QString &) const
{
    return QString();
}

bool SqliteEngine::followCopiedIds(const QSqlDatabase &, QString *) const
{
    // AUTOINCREMENT continues after the largest id a table holds.
    return true;
}

bool SqliteEngine::wasADatabase(const QString &path)
{
    if (QFileInfo::exists(path + "-journal") || QFileInfo::exists(path + "-wal"))
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.read(formatHeader.size()) == formatHeader)
        return true;
    // The page size was in the broken header: try each one SQLite allows. A database
    // is whole pages, the pages after the first with the shape of pages.
    const qint64 size = file.size();
    for (int pageSize = 512; pageSize <= 65536; pageSize *= 2) {
        const qint64 pages = size / pageSize;
        if (pages < 2 || size % pageSize != 0)
            continue;
        bool shaped = true;
        for (qint64 page = 1; page < qMin<qint64>(pages, 9) && shaped; ++page)
            shaped = file.seek(page * pageSize) && looksLikePage(file.read(8), pages, pageSize);
        if (shaped)
            return true;
    }
    return false;
}
