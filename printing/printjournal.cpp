#include "printjournal.h"

#include "database/database.h"

#include <QSqlQuery>
#include <QStringList>
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

QString whereClause(const QStringList &where)
{
    return where.isEmpty() ? QString()
                           : QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
}

} // namespace

int PrintJournal::add(const Entry &entry)
{
    QSqlQuery query;
    query.prepare(QStringLiteral(
            "INSERT INTO PrintJournal (psId, fio, form, number, printedAt, printer, pages, "
            "outcome, output) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?);"));
    query.addBindValue(entry.documentId);
    query.addBindValue(entry.fio);
    query.addBindValue(entry.form);
    query.addBindValue(entry.number);
    query.addBindValue(entry.printedAt.toString(stampFormat));
    query.addBindValue(entry.printer);
    query.addBindValue(entry.pages);
    query.addBindValue(outcomeKey(entry.outcome));
    query.addBindValue(outputKey(entry.output));
    if (!Database::exec(query))
        return -1;
    bool ok = false;
    const int id = query.lastInsertId().toInt(&ok);
    return ok ? id : -1;
}

bool PrintJournal::update(int id, int pages, Outcome outcome)
{
    QSqlQuery query;
    query.prepare(
            QStringLiteral("UPDATE PrintJournal SET pages = ?, outcome = ? WHERE journalId = ?;"));
    query.addBindValue(pages);
    query.addBindValue(outcomeKey(outcome));
    query.addBindValue(id);
    return Database::exec(query) && query.numRowsAffected() == 1;
}

bool PrintJournal::markSpoiled(int id, const QString &reason)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("UPDATE PrintJournal SET spoiled = 1, spoiledReason = ?, "
                                 "spoiledAt = ? WHERE journalId = ? AND output = ? AND pages > 0;"));
    query.addBindValue(reason);
    query.addBindValue(QDateTime::currentDateTime().toString(stampFormat));
    query.addBindValue(id);
    query.addBindValue(outputKey(Output::Printer));
    return Database::exec(query) && query.numRowsAffected() == 1;
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
                                 "pages, outcome, spoiled, spoiledReason, spoiledAt, output FROM "
                                 "PrintJournal")
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
