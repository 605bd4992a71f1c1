#include "printjournal.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "documents/history/documenthistory.h"
#include "printing/journalbacklog.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QSysInfo>
#include <QVariant>

namespace {

const QString stampFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QString outcomeKey(PrintJournal::Outcome outcome)
{
    return outcome == PrintJournal::Outcome::Printed ? QStringLiteral("printed")
                                                     : QStringLiteral("cancelled");
}

QString outputKey(PrintJournal::Output output)
{
    return output == PrintJournal::Output::File ? QStringLiteral("file")
                                                : QStringLiteral("printer");
}

// The rows printed within the days given, as a condition and its values.
void addPeriod(const QDate &from, const QDate &to, QStringList *where, QVariantList *values)
{
    if (from.isValid()) {
        *where << QStringLiteral("printedAt >= ?");
        *values << from.toString(QStringLiteral("yyyy-MM-dd"));
    }
    if (to.isValid()) {
        *where << QStringLiteral("printedAt < ?");
        *values << to.addDays(1).toString(QStringLiteral("yyyy-MM-dd"));
    }
}

void addForm(int form, QStringList *where, QVariantList *values)
{
    if (form == 0)
        return;
    *where << QStringLiteral("form = ?");
    *values << form;
}

// The spoiled mark of a journal row told in its document's history, when the document is
// still kept: the mark alone is no reason to refuse a row whose document was removed for good.
bool recordSpoiledBlank(int journalId, const QString &reason)
{
    QSqlQuery row;
    row.prepare(QStringLiteral("SELECT j.psId, j.number, j.printedAt, COUNT(d.psId) FROM "
                               "PrintJournal j LEFT JOIN PsDocuments d ON d.psId = j.psId WHERE "
                               "j.journalId = ? GROUP BY j.psId, j.number, j.printedAt;"));
    row.addBindValue(journalId);
    if (!Database::exec(row) || !row.next())
        return false;
    if (row.value(3).toInt() == 0)
        return true;
    const QString printedAt = QDateTime::fromString(row.value(2).toString(), stampFormat)
                                      .toString(QStringLiteral("dd.MM.yyyy hh:mm"));
    const QString number = row.value(1).toString().trimmed();
    QString note = QStringLiteral("напечатан %1").arg(printedAt);
    if (!number.isEmpty())
        note += QStringLiteral(", номер %1").arg(number);
    note += QStringLiteral("; причина: %1").arg(reason);
    return DocumentHistory::record(row.value(0).toInt(), DocumentHistory::Kind::BlankSpoiled, note);
}

QString whereClause(const QStringList &where)
{
    return where.isEmpty() ? QString()
                           : QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
}

} // namespace

int PrintJournal::add(const Entry &entry)
{
    QList<Change> changes{{Change::Kind::Add, 0, entry}};
    write(changes);
    return changes.first().id;
}

bool PrintJournal::update(int id, int pages, Outcome outcome)
{
    Change change{Change::Kind::Update, id, {}};
    change.entry.pages = pages;
    change.entry.outcome = outcome;
    QList<Change> changes{change};
    return write(changes);
}

bool PrintJournal::markSpoiled(int id, const QString &reason, bool *written)
{
    if (id <= 0)
        return false;
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM PrintJournal WHERE journalId = ? AND "
                                 "output = ? AND pages > 0;"));
    query.addBindValue(id);
    query.addBindValue(outputKey(Output::Printer));
    if (Database::exec(query) && query.next() && query.value(0).toInt() == 0)
        return false;
    Change change{Change::Kind::Spoil, id, {}};
    change.entry.spoiledReason = reason;
    change.entry.spoiledAt = QDateTime::currentDateTime();
    QList<Change> changes{change};
    const bool now = write(changes);
    if (written)
        *written = now;
    return true;
}

bool PrintJournal::write(QList<Change> &changes)
{
    JournalBacklog &backlog = JournalBacklog::instance();
    // Kept changes go first: a change may refer to a row among them.
    QString error;
    if ((backlog.count() == 0 || backlog.retry()) && writeNow(changes, &error))
        return true;
    backlog.keep(changes, error);
    return false;
}

bool PrintJournal::writeNow(QList<Change> &changes, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction()) {
        *error = Database::failureText(db.lastError());
        ZR_LOG() << "print journal: no transaction" << *error;
        return false;
    }
    const QList<Change> before = changes;
    QHash<int, int> written; // keys of rows added here to their ids
    for (Change &change : changes) {
        QSqlQuery query(db);
        const Entry &entry = change.entry;
        const int id = JournalBacklog::instance().resolve(written.value(change.id, change.id));
        switch (change.kind) {
        case Change::Kind::Add:
            query.prepare(QStringLiteral(
                    "INSERT INTO PrintJournal (psId, fio, form, number, printedAt, printer, "
                    "pages, outcome, output, workstation) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?);"));
            query.addBindValue(entry.documentId);
            query.addBindValue(entry.fio);
            query.addBindValue(entry.form);
            query.addBindValue(entry.number);
            query.addBindValue(entry.printedAt.toString(stampFormat));
            query.addBindValue(entry.printer);
            query.addBindValue(entry.pages);
            query.addBindValue(outcomeKey(entry.outcome));
            query.addBindValue(outputKey(entry.output));
            query.addBindValue(QSysInfo::machineHostName());
            break;
        case Change::Kind::Update:
            query.prepare(QStringLiteral(
                    "UPDATE PrintJournal SET pages = ?, outcome = ? WHERE journalId = ?;"));
            query.addBindValue(entry.pages);
            query.addBindValue(outcomeKey(entry.outcome));
            query.addBindValue(id);
            break;
        case Change::Kind::Spoil:
            query.prepare(QStringLiteral(
                    "UPDATE PrintJournal SET spoiled = 1, spoiledReason = ?, spoiledAt = ? "
                    "WHERE journalId = ? AND output = ? AND pages > 0 AND spoiled = 0;"));
            query.addBindValue(entry.spoiledReason);
            query.addBindValue(entry.spoiledAt.toString(stampFormat));
            query.addBindValue(id);
            query.addBindValue(outputKey(Output::Printer));
            break;
        }
        const auto giveUp = [&](const QString &why) {
            *error = why;
            db.rollback();
            changes = before;
            return false;
        };
        if (!Database::exec(query))
            return giveUp(Database::failureText(query.lastError()));
        // A blank already marked (a kept mark written after another one) is told once.
        if (change.kind == Change::Kind::Spoil && query.numRowsAffected() > 0
            && !recordSpoiledBlank(id, entry.spoiledReason))
            return giveUp(QStringLiteral("история документа не записана"));
        if (change.kind == Change::Kind::Add) {
            const int added = query.lastInsertId().toInt();
            if (change.id < 0)
                written.insert(change.id, added);
            change.id = added;
        }
    }
    if (!db.commit()) {
        *error = Database::failureText(db.lastError());
        ZR_LOG() << "print journal: not committed" << *error;
        db.rollback();
        changes = before;
        return false;
    }
    return true;
}

QList<PrintJournal::Entry> PrintJournal::entries(const Filter &filter)
{
    QStringList where;
    QVariantList values;
    addPeriod(filter.from, filter.to, &where, &values);
    addForm(filter.form, &where, &values);
    switch (filter.kind) {
    case Filter::Kind::All:
        break;
    case Filter::Kind::Printed:
    case Filter::Kind::Cancelled:
        where << QStringLiteral("outcome = ?");
        values << outcomeKey(filter.kind == Filter::Kind::Printed ? Outcome::Printed
                                                                  : Outcome::Cancelled);
        break;
    case Filter::Kind::Spoiled:
        where << QStringLiteral("spoiled = 1");
        break;
    }
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT journalId, psId, fio, form, number, printedAt, printer, "
                                 "pages, outcome, spoiled, spoiledReason, spoiledAt, output, "
                                 "workstation FROM PrintJournal")
                  + whereClause(where)
                  + QStringLiteral(" ORDER BY printedAt DESC, journalId DESC;"));
    for (const QVariant &value : qAsConst(values))
        query.addBindValue(value);
    QList<Entry> result;
    if (!Database::exec(query))
        return result;
    // SQLite's LIKE folds ASCII only: Cyrillic names are compared here.
    const QString text = filter.text.trimmed().toCaseFolded();
    while (query.next()) {
        Entry entry;
        entry.id = query.value(0).toInt();
        entry.documentId = query.value(1).toInt();
        entry.fio = query.value(2).toString();
        entry.form = query.value(3).toInt();
        entry.number = query.value(4).toString();
        entry.printedAt = QDateTime::fromString(query.value(5).toString(), stampFormat);
        entry.printer = query.value(6).toString();
        entry.pages = query.value(7).toInt();
        entry.outcome = query.value(8).toString() == outcomeKey(Outcome::Printed)
                                ? Outcome::Printed
                                : Outcome::Cancelled;
        entry.spoiled = query.value(9).toInt() != 0;
        entry.spoiledReason = query.value(10).toString();
        entry.spoiledAt = QDateTime::fromString(query.value(11).toString(), stampFormat);
        entry.output = query.value(12).toString() == outputKey(Output::File) ? Output::File
                                                                             : Output::Printer;
        entry.workstation = query.value(13).toString();
        if (!text.isEmpty() && !entry.fio.toCaseFolded().contains(text)
            && !entry.number.toCaseFolded().contains(text))
            continue;
        result << entry;
    }
    return result;
}

PrintJournal::Counts PrintJournal::counts(const QDate &from, const QDate &to, int form)
{
    QStringList where{QStringLiteral("pages > 0"), QStringLiteral("output = ?")};
    QVariantList values{outputKey(Output::Printer)};
    addPeriod(from, to, &where, &values);
    addForm(form, &where, &values);
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT COUNT(*), COALESCE(SUM(CASE WHEN spoiled <> 0 THEN 1 "
                                 "ELSE 0 END), 0) FROM PrintJournal")
                  + whereClause(where) + QLatin1Char(';'));
    for (const QVariant &value : qAsConst(values))
        query.addBindValue(value);
    Counts counts;
    if (Database::exec(query) && query.next()) {
        counts.used = query.value(0).toInt();
        counts.spoiled = query.value(1).toInt();
    }
    return counts;
}

QString PrintJournal::outcomeText(Outcome outcome)
{
    return outcome == Outcome::Printed ? QStringLiteral("Напечатан")
                                       : QStringLiteral("Печать прервана");
}

QString PrintJournal::defaultSpoiledReason()
{
    return QStringLiteral("Испорчен бланк");
}
