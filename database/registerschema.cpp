#include "registerschema.h"

#include "app/debuglog.h"
#include "documents/history/documenthistory.h"
#include "registerconnection.h"
#include "registerengine.h"
#include "sqlscript.h"

#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// Runs the statements in one transaction; false (logged) at the first that fails, whose
// error is in `failed` when given.
bool runTogether(QSqlDatabase db,
                 const QStringList &statements,
                 QString *error,
                 QSqlError *failed = nullptr)
{
    QSqlError ignored;
    QSqlError &reported = failed ? *failed : ignored;
    if (!db.transaction()) {
        reported = db.lastError();
        *error = db.lastError().text();
        ZR_LOG() << "SQL ERROR" << *error << "no transaction";
        return false;
    }
    for (const QString &statement : statements) {
        QSqlQuery query(db);
        if (!query.exec(statement)) {
            reported = query.lastError();
            *error = query.lastError().text();
            ZR_LOG() << "SQL ERROR" << *error << statement;
            db.rollback();
            return false;
        }
    }
    if (db.commit())
        return true;
    reported = db.lastError();
    *error = db.lastError().text();
    ZR_LOG() << "SQL ERROR" << *error << "not committed";
    db.rollback();
    return false;
}

// Columns later versions added to tables an older register already has; a new register
// gets them from the schema script.
struct AddedColumn
{
    const char *table;
    const char *column;
    const char *type;
};
const AddedColumn addedColumns[] = {
        {"PsDocuments", "schoolClass", "TEXT"},
        {"PsDocuments", "gender", "TEXT"},
        // A document in the bin: when and by whom it was deleted.
        {"PsDocuments", "deletedAt", "TEXT"},
        {"PsDocuments", "deletedBy", "TEXT"},
        // Counts the saves of a document: two in the same second tell apart.
        {"PsDocuments", "version", "INTEGER NOT NULL DEFAULT 0"},
        {"PrintJournal", "output", "TEXT NOT NULL DEFAULT 'printer'"},
        // The journal of a server register is shared: each row names where it was printed.
        {"PrintJournal", "workstation", "TEXT"},
};

// Adds the columns the register lacks, all in one transaction: a register is never left
// with half of them.
void addMissingColumns(const RegisterConnection &connection)
{
    QStringList statements;
    const QSqlDatabase db = connection.database();
    const QSqlDriver *driver = db.driver();
    for (const AddedColumn &added : addedColumns) {
        // The names as the engine stores them: quoted, they are taken as they are.
        const QString table = driver->escapeIdentifier(
                connection.engine().storedName(QString::fromLatin1(added.table)),
                QSqlDriver::TableName);
        const QString column = connection.engine().storedName(QString::fromLatin1(added.column));
        if (db.record(table).contains(column))
            continue;
        statements << QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                              .arg(table,
                                   driver->escapeIdentifier(column, QSqlDriver::FieldName),
                                   QString::fromLatin1(added.type));
    }
    QString error;
    if (!statements.isEmpty() && !runTogether(db, statements, &error))
        ZR_LOG() << "columns not added" << error;
}

} // namespace

RegisterFailure RegisterSchema::create(const RegisterConnection &connection)
{
    QString error;
    QSqlError failed;
    if (runTogether(connection.database(),
                    SqlScript::statements(connection.engine().schemaScript()),
                    &error,
                    &failed))
        return {};
    return connection.failureOf(failed);
}

RegisterFailure RegisterSchema::check(const RegisterConnection &connection,
                                      std::optional<IntegrityScope> integrity)
{
    const QSqlDatabase db = connection.database();
    for (const QString &statement : SqlScript::statements(":/checkDbStructure.sql", true)) {
        // Prepared, not run: a missing table, view or column fails here already, and the
        // view of the appendix rows would number every row of the register first. The
        // rows themselves are the integrity check's.
        QSqlQuery query(db);
        if (!query.prepare(statement)) {
            ZR_LOG() << "checkDbStructure(" + connection.location() + ") table wrong format"
                     << statement << query.lastError().text();
            return connection.failureOf(query.lastError());
        }
    }
    return integrity ? connection.engine().checkIntegrity(db, *integrity) : RegisterFailure();
}

void RegisterSchema::upgrade(const RegisterConnection &connection)
{
    const bool keptHistory = connection.database().tables().contains(
            QStringLiteral("PsDocumentHistory"), Qt::CaseInsensitive);
    static const QRegularExpression createTable(
            QStringLiteral("^CREATE\\s+TABLE\\s+IF\\s+NOT\\s+EXISTS\\s+\"?(\\w+)"),
            QRegularExpression::CaseInsensitiveOption);
    const QStringList tables = connection.database().tables();
    for (const QString &statement : SqlScript::statements(connection.engine().upgradeScript())) {
        // A table that is there is not made again: a server's clerk may not even try.
        const QRegularExpressionMatch made = createTable.match(statement);
        if (made.hasMatch() && tables.contains(made.captured(1), Qt::CaseInsensitive))
            continue;
        QSqlQuery query(connection.database());
        if (!query.exec(statement))
            ZR_LOG() << "SQL ERROR" << query.lastError().text() << statement;
    }
    addMissingColumns(connection);
    // A register kept before the history gets its documents' first versions; on any other
    // nothing is written.
    if (!keptHistory)
        DocumentHistory::startForExisting(connection.database());
}

void RegisterSchema::applyViews(const RegisterConnection &connection)
{
    const QStringList script = SqlScript::statements(":/views.sql");
    static const QRegularExpression createView(QStringLiteral("^CREATE\\s+VIEW\\s+(\\w+)"),
                                               QRegularExpression::CaseInsensitiveOption);
    bool upToDate = true;
    QStringList statements;
    for (const QString &statement : script) {
        statements << statement;
        const QRegularExpressionMatch match = createView.match(statement);
        const QString mark = match.hasMatch() ? connection.engine().viewMark(
                                     connection.database(), match.captured(1), statement)
                                              : QString();
        if (!mark.isEmpty())
            statements << mark;
    }
    for (const QString &statement : script) {
        const QRegularExpressionMatch match = createView.match(statement);
        if (!match.hasMatch())
            continue;
        QString stored;
        if (!connection.engine().storedView(connection.database(), match.captured(1), &stored)
            || stored.simplified() != statement.simplified()) {
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
    QString error;
    if (!runTogether(connection.database(), statements, &error))
        ZR_LOG() << "views not rebuilt" << error;
}

void RegisterSchema::applyPatch(const RegisterConnection &connection)
{
    if (!SqlScript::exists(":/patch.sql"))
        return;
    for (const QString &statement : SqlScript::statements(":/patch.sql", true)) {
        QSqlQuery query(connection.database());
        query.exec(statement);
    }
}
