#include "registercopy.h"

#include "app/debuglog.h"
#include "postgresengine.h"
#include "registertables.h"
#include "sqliteengine.h"

#include <QCryptographicHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>

namespace {

using RegisterTable = RegisterTables::Table;

const RegisterEngine &engineOf(const QSqlDatabase &db)
{
    if (db.driverName() == PostgresEngine::instance().driverName())
        return PostgresEngine::instance();
    return SqliteEngine::instance();
}

QString failed(const QSqlQuery &query, QString *error)
{
    *error = query.lastError().text();
    ZR_LOG() << "SQL ERROR" << query.lastQuery() << *error;
    return *error;
}

// The columns of `table` in `db`, in the order the table has them.
QStringList columnsOf(const QSqlDatabase &db, const QString &table)
{
    const QSqlRecord record = db.record(engineOf(db).storedName(table));
    QStringList columns;
    for (int i = 0; i < record.count(); ++i)
        columns << record.fieldName(i);
    return columns;
}

bool summarize(const QSqlDatabase &db, const RegisterTable &table, RegisterCopy::Table *summary)
{
    const QString name = QString::fromLatin1(table.name);
    QStringList columns = columnsOf(db, name);
    // Compared across engines: the columns in one order whatever case each keeps.
    std::sort(columns.begin(), columns.end(), [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (columns.isEmpty()
        || !rows.exec(QStringLiteral("SELECT %1 FROM %2")
                              .arg(columns.join(QStringLiteral(", ")), name))) {
        QString error;
        failed(rows, &error);
        return false;
    }
    // Each row hashed by itself and the hashes sorted: engines order text keys each
    // by its own collation.
    QVector<QByteArray> rowHashes;
    while (rows.next()) {
        QCryptographicHash row(QCryptographicHash::Sha256);
        for (int i = 0; i < columns.size(); ++i) {
            const QVariant value = rows.value(i);
            // Bytes as they are: a template need not be valid UTF-8 to be kept whole.
            const QByteArray bytes = value.type() == QVariant::ByteArray
                                             ? value.toByteArray()
                                             : value.toString().toUtf8();
            row.addData(value.isNull() ? QByteArray("\x01", 1) : bytes + QByteArray("\x00", 1));
        }
        rowHashes << row.result();
    }
    std::sort(rowHashes.begin(), rowHashes.end());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QByteArray &row : rowHashes)
        hash.addData(row);
    summary->name = name;
    summary->rows = rowHashes.size();
    summary->checksum = hash.result();
    return !rows.lastError().isValid();
}

// Whether `db` has the table with at least one row.
bool holdsRows(const QSqlDatabase &db, const QString &table)
{
    if (columnsOf(db, table).isEmpty())
        return false;
    QSqlQuery query(db);
    return query.exec(QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(table)) && query.next();
}

// The tables to copy from `db`: all of them, but those it holds no rows of and need not.
QVector<RegisterTable> tablesOf(const QSqlDatabase &db)
{
    QVector<RegisterTable> tables;
    for (const RegisterTable &table : RegisterTables::all)
        if (!table.keptWhenSourceHasNone || holdsRows(db, QString::fromLatin1(table.name)))
            tables << table;
    return tables;
}

QVector<RegisterCopy::Table>
summarizeAll(const QSqlDatabase &db, const QVector<RegisterTable> &tables, bool *ok)
{
    QVector<RegisterCopy::Table> summaries;
    *ok = true;
    for (const RegisterTable &table : tables) {
        RegisterCopy::Table summary;
        *ok = summarize(db, table, &summary) && *ok;
        summaries << summary;
    }
    return summaries;
}

// Starts a read of one state of `db`, whatever other connections write meanwhile.
bool beginReading(QSqlDatabase db)
{
    if (db.driverName() == PostgresEngine::instance().driverName())
        return QSqlQuery(db).exec(
                QStringLiteral("START TRANSACTION ISOLATION LEVEL REPEATABLE READ READ ONLY"));
    return db.transaction();
}

bool copyTable(const QSqlDatabase &from,
               const QSqlDatabase &to,
               const RegisterTable &table,
               QString *error)
{
    const QString name = QString::fromLatin1(table.name);
    const QStringList targetColumns = columnsOf(to, name);
    const QSqlRecord sourceRecord = from.record(engineOf(from).storedName(name));
    QStringList columns;
    for (const QString &column : targetColumns)
        if (sourceRecord.contains(column))
            columns << column;
    QSqlQuery clear(to);
    if (!clear.exec(QStringLiteral("DELETE FROM %1").arg(name))) {
        failed(clear, error);
        return false;
    }
    QSqlQuery rows(from);
    rows.setForwardOnly(true);
    if (!rows.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                           .arg(columns.join(QStringLiteral(", ")),
                                name,
                                QString::fromLatin1(table.key)))) {
        failed(rows, error);
        return false;
    }
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery insert(to);
    if (!insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(name,
                                     columns.join(QStringLiteral(", ")),
                                     marks.join(QStringLiteral(", "))))) {
        failed(insert, error);
        return false;
    }
    while (rows.next()) {
        for (int i = 0; i < columns.size(); ++i)
            insert.bindValue(i, rows.value(i));
        if (!insert.exec()) {
            failed(insert, error);
            return false;
        }
    }
    if (rows.lastError().isValid()) {
        failed(rows, error);
        return false;
    }
    return true;
}

} // namespace

QVector<RegisterCopy::Table> RegisterCopy::summary(const QSqlDatabase &db, bool *ok)
{
    return summarizeAll(db, tablesOf(db), ok);
}

bool RegisterCopy::copy(const QSqlDatabase &from,
                        const QSqlDatabase &to,
                        QVector<Table> *copied,
                        QString *error,
                        const Addition &alsoWrite)
{
    QSqlDatabase source = from;
    QSqlDatabase target = to;
    if (!beginReading(source)) {
        *error = source.lastError().text();
        return false;
    }
    bool done = target.transaction();
    if (!done)
        *error = target.lastError().text();
    const QVector<RegisterTable> tables = tablesOf(source);
    for (const RegisterTable &table : tables)
        done = done && copyTable(source, target, table, error);
    done = done && engineOf(target).followCopiedIds(target, error);
    bool read = false;
    const QVector<Table> there = done ? summarizeAll(source, tables, &read) : QVector<Table>();
    bool written = false;
    const QVector<Table> here = read ? summarizeAll(target, tables, &written) : QVector<Table>();
    source.rollback();
    if (done && (!read || !written)) {
        *error = QStringLiteral("не удалось сверить скопированные таблицы");
        done = false;
    }
    for (int i = 0; done && i < there.size(); ++i) {
        if (there.at(i).rows != here.at(i).rows || there.at(i).checksum != here.at(i).checksum) {
            *error = QStringLiteral("таблица %1 скопирована не полностью (%2 строк из %3)")
                             .arg(there.at(i).name)
                             .arg(here.at(i).rows)
                             .arg(there.at(i).rows);
            done = false;
        }
    }
    if (done && alsoWrite)
        done = alsoWrite(target, error);
    if (done && !target.commit()) {
        *error = target.lastError().text();
        done = false;
    }
    if (!done)
        target.rollback();
    else if (copied)
        *copied = there;
    ZR_LOG() << "register copied" << done << *error;
    return done;
}
