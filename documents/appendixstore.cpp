#include "appendixstore.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "documents/history/documenthistory.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

using AppendixStore::Result;

const QString sectionColumns[] = {QStringLiteral("add1"),
                                  QStringLiteral("add2"),
                                  QStringLiteral("add3"),
                                  QStringLiteral("add4"),
                                  QStringLiteral("add5")};

// Empty texts are stored as empty texts, never as NULL.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

// The document's rows in print order with their ids; false (logged) when not all were read.
bool readRows(int psId,
              QVector<int> *ids,
              QVector<DocumentRecord::Discipline> *rows,
              QString *error)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT psDetId, disciplineName, disciplineRate FROM "
                                 "PsDocumentDetails WHERE psId = :psId ORDER BY psDetId;"));
    query.bindValue(QStringLiteral(":psId"), psId);
    if (!Database::exec(query)) {
        *error = query.lastError().text();
        return false;
    }
    while (query.next()) {
        ids->append(query.value(0).toInt());
        rows->append({query.value(1).toString(), query.value(2).toString()});
    }
    // A read that breaks off half-way would look like an appendix with fewer rows.
    if (query.lastError().isValid()) {
        ZR_LOG() << "appendix rows read in part" << psId << query.lastError().text();
        *error = query.lastError().text();
        return false;
    }
    return true;
}

// Why an update of the document's row changed nothing.
Result whyUnchanged(int psId)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT psId FROM PsDocuments WHERE psId = :psId;"));
    query.bindValue(QStringLiteral(":psId"), psId);
    if (!Database::exec(query))
        return Result::Failed;
    if (query.next())
        return Result::ChangedElsewhere;
    if (!Database::readToEnd(query))
        return Result::Failed;
    ZR_LOG() << "appendix of a document that is gone" << psId;
    return Result::Deleted;
}

Result writeSections(int psId, const Appendix &loaded, const Appendix &typed, bool overwrite)
{
    QString sql = QStringLiteral("UPDATE PsDocuments SET add1=:add1, add2=:add2, add3=:add3, "
                                 "add4=:add4, add5=:add5, version = version + 1 WHERE psId=:psId");
    if (!overwrite) {
        for (const QString &column : sectionColumns)
            sql += QStringLiteral(" AND COALESCE(%1, '') = COALESCE(:old%1, '')").arg(column);
    }
    QSqlQuery query;
    query.prepare(sql + QLatin1Char(';'));
    query.bindValue(QStringLiteral(":psId"), psId);
    for (int i = 0; i < 5; ++i) {
        query.bindValue(QLatin1Char(':') + sectionColumns[i], text(typed.sections.value(i)));
        if (!overwrite)
            query.bindValue(QStringLiteral(":old") + sectionColumns[i], loaded.sections.value(i));
    }
    if (!Database::exec(query))
        return Result::Failed;
    if (query.numRowsAffected() > 0)
        return Result::Stored;
    return whyUnchanged(psId);
}

// The rows shown take the stored row ids in order, so the print order, which follows the ids,
// is the order shown; rows beyond the stored ones are added, stored rows left over deleted.
Result writeRows(int psId, const Appendix &loaded, const Appendix &typed, bool overwrite)
{
    QVector<int> ids;
    QVector<DocumentRecord::Discipline> stored;
    QString error;
    if (!readRows(psId, &ids, &stored, &error))
        return Result::Failed;
    if (!overwrite && stored != loaded.disciplines)
        return Result::ChangedElsewhere;

    QSqlQuery update;
    QSqlQuery insert;
    QSqlQuery remove;
    update.prepare(QStringLiteral("UPDATE PsDocumentDetails SET disciplineName = :name, "
                                  "disciplineRate = :rate WHERE psDetId = :id;"));
    insert.prepare(QStringLiteral("INSERT INTO PsDocumentDetails (psId, disciplineName, "
                                  "disciplineRate) VALUES (:id, :name, :rate);"));
    remove.prepare(QStringLiteral("DELETE FROM PsDocumentDetails WHERE psDetId = :id;"));
    for (int i = 0; i < typed.disciplines.size(); ++i) {
        const DocumentRecord::Discipline &row = typed.disciplines.at(i);
        if (i < stored.size() && stored.at(i) == row)
            continue;
        QSqlQuery &query = i < stored.size() ? update : insert;
        query.bindValue(QStringLiteral(":id"), i < ids.size() ? ids.at(i) : psId);
        query.bindValue(QStringLiteral(":name"), text(row.name));
        query.bindValue(QStringLiteral(":rate"), text(row.rate));
        if (!Database::exec(query))
            return Result::Failed;
    }
    for (int i = typed.disciplines.size(); i < ids.size(); ++i) {
        remove.bindValue(QStringLiteral(":id"), ids.at(i));
        if (!Database::exec(remove))
            return Result::Failed;
    }
    return Result::Stored;
}

} // namespace

bool AppendixStore::read(int psId, Appendix *appendix, QString *error)
{
    error->clear();
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT add1, add2, add3, add4, add5 FROM PsDocuments WHERE "
                                 "psId = :psId;"));
    query.bindValue(QStringLiteral(":psId"), psId);
    if (!Database::exec(query)) {
        *error = query.lastError().text();
        return false;
    }
    if (!query.next())
        return false;
    Appendix read;
    for (int i = 0; i < 5; ++i)
        read.sections[i] = query.value(i).toString();
    QVector<int> ids;
    if (!readRows(psId, &ids, &read.disciplines, error))
        return false;
    *appendix = read;
    return true;
}

AppendixStore::Result
AppendixStore::write(int psId, const Appendix &loaded, const Appendix &typed, bool overwrite)
{
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction()) {
        ZR_LOG() << "appendix: no transaction" << db.lastError().text();
        return Result::Failed;
    }
    // The sections go first: that write takes the register's write lock, so the rows compared
    // next cannot be changed by anyone else before the commit.
    Result result = writeSections(psId, loaded, typed, overwrite);
    if (result == Result::Stored)
        result = writeRows(psId, loaded, typed, overwrite);
    if (result == Result::Stored
        && !DocumentHistory::record(psId, DocumentHistory::Kind::AppendixEdited))
        result = Result::Failed;
    if (result == Result::Stored) {
        if (db.commit())
            return Result::Stored;
        ZR_LOG() << "appendix not committed" << psId << db.lastError().text();
        result = Result::Failed;
    }
    db.rollback();
    return result;
}
