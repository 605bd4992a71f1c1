#include "documenthistory.h"

#include "app/debuglog.h"
#include "changeauthor.h"
#include "database/database.h"
#include "database/rowbatch.h"
#include "documents/documentstore.h"
#include "documentsnapshot.h"

#include <QDateTime>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

using Kind = DocumentHistory::Kind;

const QString stampFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// The kinds as the register stores them; the order is Kind's.
const char *const kindCodes[] = {"existing",
                                 "created",
                                 "edited",
                                 "appendix",
                                 "imported",
                                 "copied",
                                 "numbered",
                                 "binned",
                                 "unbinned",
                                 "restored",
                                 "spoiled"};

QString codeOf(Kind kind)
{
    return QString::fromLatin1(kindCodes[int(kind)]);
}

Kind kindOf(const QString &code)
{
    for (int i = 0; i < int(sizeof kindCodes / sizeof *kindCodes); ++i) {
        if (code == QLatin1String(kindCodes[i]))
            return Kind(i);
    }
    return Kind::Edited;
}

const QString insertHead = QStringLiteral(
        "INSERT INTO PsDocumentHistory (psId, changedAt, changedBy, kind, snapshot) VALUES ");
const QString insertSql
        = insertHead + QStringLiteral("(:psId, :changedAt, :changedBy, :kind, :snapshot);");

// The documents of `psIds` as record() reads each: their rows and appendix rows.
bool readDocuments(const QList<int> &psIds, QHash<int, DocumentRecord> *documents)
{
    QVector<QVariantList> keys;
    keys.reserve(psIds.size());
    for (int psId : psIds)
        keys << QVariantList{psId};
    RowBatch rows(QStringLiteral("SELECT * FROM PsDocuments WHERE psId IN ("),
                  QStringLiteral("?"),
                  QStringLiteral(")"));
    const bool read = rows.run(keys, [documents](QSqlQuery &query) {
        while (query.next())
            documents->insert(query.value(QStringLiteral("psId")).toInt(),
                              DocumentStore::fromRow(query));
        return Database::readToEnd(query);
    });
    RowBatch details(QStringLiteral("SELECT psId, disciplineName, disciplineRate FROM "
                                    "PsDocumentDetails WHERE psId IN ("),
                     QStringLiteral("?"),
                     QStringLiteral(") ORDER BY psId, psDetId"));
    return read && details.run(keys, [documents](QSqlQuery &query) {
        while (query.next()) {
            const auto document = documents->find(query.value(0).toInt());
            if (document != documents->end())
                document->disciplines.append(
                        {query.value(1).toString(), query.value(2).toString()});
        }
        return Database::readToEnd(query);
    });
}

void bindVersion(QSqlQuery &query,
                 int psId,
                 const QString &changedAt,
                 const QString &changedBy,
                 Kind kind,
                 const DocumentRecord &document,
                 const QString &note = QString())
{
    query.bindValue(QStringLiteral(":psId"), psId);
    query.bindValue(QStringLiteral(":changedAt"), changedAt);
    query.bindValue(QStringLiteral(":changedBy"), changedBy);
    query.bindValue(QStringLiteral(":kind"), codeOf(kind));
    query.bindValue(QStringLiteral(":snapshot"), DocumentSnapshot::toText(document, note));
}

// The stored document replaced by `document`: its fields, sections and appendix rows.
bool overwrite(int psId, const DocumentRecord &document)
{
    QSqlQuery update;
    update.prepare(QStringLiteral("UPDATE PsDocuments SET fio1=:fio1, fio2=:fio2, fio3=:fio3, "
                                  "birthDate=:birthDate, number=:number, regNumber=:regNumber, "
                                  "issueDate=:issueDate, editDate=:editDate, decision=:decision, "
                                  "schoolClass=:schoolClass, gender=:gender, version = version + 1 "
                                  "WHERE psId=:psId;"));
    DocumentStore::bindFields(update, document);
    update.bindValue(QStringLiteral(":psId"), psId);
    if (!Database::exec(update) || update.numRowsAffected() != 1)
        return false;
    QSqlQuery remove;
    remove.prepare(QStringLiteral("DELETE FROM PsDocumentDetails WHERE psId = :psId;"));
    remove.bindValue(QStringLiteral(":psId"), psId);
    if (!Database::exec(remove))
        return false;
    DocumentStore store;
    if (!store.writeSections(psId, document.sections))
        return false;
    for (const DocumentRecord::Discipline &discipline : document.disciplines) {
        if (!store.addDiscipline(psId, discipline))
            return false;
    }
    return true;
}

} // namespace

bool DocumentHistory::record(int psId, Kind kind, const QString &note)
{
    DocumentRecord document;
    if (!DocumentStore::read(psId, &document)) {
        ZR_LOG() << "history: no document" << psId;
        return false;
    }
    QSqlQuery insert;
    insert.prepare(insertSql);
    bindVersion(insert,
                psId,
                QDateTime::currentDateTime().toString(stampFormat),
                ChangeAuthor::current(),
                kind,
                document,
                note);
    return Database::exec(insert);
}

bool DocumentHistory::recordAll(const QList<int> &psIds, Kind kind)
{
    QHash<int, DocumentRecord> documents;
    if (!readDocuments(psIds, &documents))
        return false;
    const QString changedAt = QDateTime::currentDateTime().toString(stampFormat);
    const QString changedBy = ChangeAuthor::current();
    QVector<QVariantList> rows;
    rows.reserve(psIds.size());
    for (int psId : psIds) {
        const auto document = documents.constFind(psId);
        if (document == documents.constEnd()) {
            ZR_LOG() << "history: no document" << psId;
            return false;
        }
        rows << QVariantList{psId,
                             changedAt,
                             changedBy,
                             codeOf(kind),
                             DocumentSnapshot::toText(document.value())};
    }
    return RowBatch(insertHead, QStringLiteral("(?, ?, ?, ?, ?)")).run(rows);
}

bool DocumentHistory::versions(int psId, QVector<Version> *versions)
{
    versions->clear();
    QSqlQuery query;
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT historyId, changedAt, changedBy, kind, snapshot FROM "
                                 "PsDocumentHistory WHERE psId = :psId ORDER BY historyId;"));
    query.bindValue(QStringLiteral(":psId"), psId);
    if (!Database::exec(query))
        return false;
    while (query.next()) {
        Version version;
        version.id = query.value(0).toInt();
        version.changedAt = query.value(1).toString();
        version.changedBy = query.value(2).toString();
        version.kind = kindOf(query.value(3).toString());
        if (!DocumentSnapshot::fromText(
                    query.value(4).toString(), &version.document, &version.note))
            ZR_LOG() << "history: unreadable version" << version.id;
        versions->append(version);
    }
    return Database::readToEnd(query);
}

bool DocumentHistory::restore(int psId, int versionId)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT snapshot FROM PsDocumentHistory WHERE historyId = :id "
                                 "AND psId = :psId;"));
    query.bindValue(QStringLiteral(":id"), versionId);
    query.bindValue(QStringLiteral(":psId"), psId);
    DocumentRecord document;
    if (!Database::exec(query) || !query.next()
        || !DocumentSnapshot::fromText(query.value(0).toString(), &document))
        return false;
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction()) {
        ZR_LOG() << "no transaction for the restore of a version" << db.lastError().text();
        return false;
    }
    if (overwrite(psId, document) && record(psId, Kind::VersionRestored) && db.commit())
        return true;
    ZR_LOG() << "version not restored" << psId << versionId << db.lastError().text();
    db.rollback();
    return false;
}

void DocumentHistory::startForExisting(QSqlDatabase db)
{
    QSqlQuery kept(db);
    if (!kept.exec(QStringLiteral("SELECT historyId FROM PsDocumentHistory LIMIT 1;"))
        || kept.next())
        return;
    kept.finish();
    if (!db.transaction()) {
        ZR_LOG() << "history not started" << db.lastError().text();
        return;
    }
    QHash<int, QVector<DocumentRecord::Discipline>> appendix;
    QSqlQuery details(db);
    details.setForwardOnly(true);
    bool read = details.exec(QStringLiteral("SELECT psId, disciplineName, disciplineRate FROM "
                                            "PsDocumentDetails ORDER BY psId, psDetId;"));
    while (read && details.next())
        appendix[details.value(0).toInt()].append(
                {details.value(1).toString(), details.value(2).toString()});
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    QSqlQuery insert(db);
    read = read && !details.lastError().isValid()
           && rows.exec(QStringLiteral("SELECT * FROM PsDocuments ORDER BY psId;"))
           && insert.prepare(insertSql);
    const QString now = QDateTime::currentDateTime().toString(stampFormat);
    while (read && rows.next()) {
        const int psId = rows.value(QStringLiteral("psId")).toInt();
        DocumentRecord document = DocumentStore::fromRow(rows);
        document.disciplines = appendix.value(psId);
        // The document's last change is the best date there is for how it was found.
        const bool dated = QDateTime::fromString(document.editDate, stampFormat).isValid();
        // Nobody is known to have made it.
        bindVersion(insert,
                    psId,
                    dated ? document.editDate : now,
                    QStringLiteral(""),
                    Kind::Existing,
                    document);
        read = insert.exec();
    }
    if (read && !rows.lastError().isValid() && db.commit())
        return;
    ZR_LOG() << "history not started" << rows.lastError().text() << insert.lastError().text()
             << db.lastError().text();
    db.rollback();
}
