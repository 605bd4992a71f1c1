#include "documentstore.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "database/rowbatch.h"
#include "history/documenthistory.h"
#include "registernumbers.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QVariant>
#include <algorithm>
#include <memory>

namespace {

const QString dateFormat = QStringLiteral("yyyy-MM-dd");
const QString stampFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// The change date of a row written now.
QString changedNow()
{
    return QDateTime::currentDateTime().toString(stampFormat);
}

// Empty texts are stored as empty texts, never as NULL, whoever built the record.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

// A null text binds NULL; an empty one, an empty text.
QVariant nullWhenNull(const QString &value)
{
    return value.isNull() ? QVariant(QVariant::String) : QVariant(value);
}

// The columns bindFields() binds, in the order of fieldValues().
const QStringList fieldColumns{QStringLiteral("fio1"),
                               QStringLiteral("fio2"),
                               QStringLiteral("fio3"),
                               QStringLiteral("birthDate"),
                               QStringLiteral("number"),
                               QStringLiteral("regNumber"),
                               QStringLiteral("issueDate"),
                               QStringLiteral("editDate"),
                               QStringLiteral("decision"),
                               QStringLiteral("schoolClass"),
                               QStringLiteral("gender")};

QVariantList fieldValues(const DocumentRecord &record, const QString &editDate)
{
    return {text(record.fio1),
            text(record.fio2),
            text(record.fio3),
            text(record.birthDate.toString(dateFormat)),
            text(record.number),
            text(record.regNumber),
            text(record.issueDate.toString(dateFormat)),
            editDate,
            text(record.decision),
            text(record.schoolClass),
            PupilGender::toStored(record.gender)};
}

QString columnText(const QSqlQuery &query, const char *column)
{
    return query.value(QString::fromLatin1(column)).toString();
}

// Prepares a kept statement on its first use.
bool prepareOnce(QSqlQuery &query, const QString &sql)
{
    if (query.lastQuery() == sql)
        return true;
    if (query.prepare(sql))
        return true;
    ZR_LOG() << "SQL ERROR" << sql << query.lastError().text();
    return false;
}

} // namespace

bool DocumentStore::read(int id, DocumentRecord *record, bool *failed)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT * FROM PsDocuments WHERE psId=:psId;"));
    query.bindValue(QStringLiteral(":psId"), id);
    const bool found = Database::exec(query) && query.next();
    if (failed)
        *failed = !found && query.lastError().isValid();
    if (!found)
        return false;
    *record = fromRow(query);
    if (readDisciplines(id, &record->disciplines))
        return true;
    // A document without its grades would be printed, copied or saved as one that has none.
    if (failed)
        *failed = true;
    return false;
}

QString DocumentStore::notReadText(int id, bool failed)
{
    return (failed ? QStringLiteral("Документ %1 не удалось прочитать из реестра.")
                   : QStringLiteral("Документ %1 не найден в реестре."))
            .arg(id);
}

DocumentRecord DocumentStore::fromRow(const QSqlQuery &query)
{
    DocumentRecord record;
    record.fio1 = columnText(query, "fio1");
    record.fio2 = columnText(query, "fio2");
    record.fio3 = columnText(query, "fio3");
    record.birthDate = QDate::fromString(columnText(query, "birthDate"), dateFormat);
    record.number = columnText(query, "number");
    record.regNumber = columnText(query, "regNumber");
    record.issueDate = QDate::fromString(columnText(query, "issueDate"), dateFormat);
    record.decision = columnText(query, "decision");
    record.editDate = columnText(query, "editDate");
    record.version = query.value(QStringLiteral("version")).toInt();
    // An older register read before its upgrade has neither column: no class, no answer.
    record.schoolClass = columnText(query, "schoolClass");
    record.gender = PupilGender::fromStored(columnText(query, "gender"));
    record.sections = QStringList{columnText(query, "add1"),
                                  columnText(query, "add2"),
                                  columnText(query, "add3"),
                                  columnText(query, "add4"),
                                  columnText(query, "add5")};
    return record;
}

bool DocumentStore::readDisciplines(int id, QVector<DocumentRecord::Discipline> *disciplines)
{
    disciplines->clear();
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT disciplineName, disciplineRate FROM PsDocumentDetails "
                                 "WHERE psId = :psId ORDER BY psDetId;"));
    query.bindValue(QStringLiteral(":psId"), id);
    if (!Database::exec(query))
        return false;
    while (query.next())
        disciplines->append({query.value(0).toString(), query.value(1).toString()});
    return Database::readToEnd(query);
}

void DocumentStore::bindFields(QSqlQuery &query, const DocumentRecord &record)
{
    const QVariantList values = fieldValues(record, changedNow());
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(QLatin1Char(':') + fieldColumns.at(i), values.at(i));
}

QVector<QPair<int, QString>> DocumentStore::templates()
{
    QVector<QPair<int, QString>> list;
    std::unique_ptr<QSqlQuery> query(Database::execQuery(
            QStringLiteral("SELECT psId, fio1 FROM PsDocuments WHERE isTemplate=1;")));
    while (query->next())
        list.append({query->value(0).toInt(), query->value(1).toString()});
    return list;
}

int DocumentStore::insert(const DocumentRecord &record, bool isTemplate)
{
    if (!prepareOnce(m_insert,
                     QStringLiteral("INSERT INTO PsDocuments (fio1, fio2, fio3, birthDate, number, "
                                    "regNumber, issueDate, editDate, decision, schoolClass, "
                                    "gender, isTemplate) VALUES (:fio1, :fio2, :fio3, :birthDate, "
                                    ":number, :regNumber, :issueDate, :editDate, :decision, "
                                    ":schoolClass, :gender, :isTemplate);")))
        return -1;
    bindFields(m_insert, record);
    m_insert.bindValue(QStringLiteral(":isTemplate"), isTemplate ? 1 : 0);
    if (!Database::exec(m_insert))
        return -1;
    bool ok = false;
    const int id = m_insert.lastInsertId().toInt(&ok);
    if (!ok || id < 1) {
        ZR_LOG() << "no id for the new document" << m_insert.lastInsertId();
        return -1;
    }
    return id;
}

bool DocumentStore::insertAll(const QVector<DocumentRecord> &records, QList<int> *ids)
{
    ids->clear();
    const QString now = changedNow();
    QVector<QVariantList> documents;
    QVector<QVariantList> sections;
    QVector<QVariantList> disciplines;
    documents.reserve(records.size());
    for (const DocumentRecord &record : records)
        documents << fieldValues(record, now);
    QStringList placeholders;
    for (int i = 0; i < fieldColumns.size(); ++i)
        placeholders << QStringLiteral("?");
    RowBatch insert(QStringLiteral("INSERT INTO PsDocuments (%1, isTemplate) VALUES ")
                            .arg(fieldColumns.join(QStringLiteral(", "))),
                    QStringLiteral("(%1, 0)").arg(placeholders.join(QStringLiteral(", "))),
                    QStringLiteral(" RETURNING psId"));
    const bool inserted = insert.run(documents, [ids](QSqlQuery &query) {
        while (query.next())
            ids->append(query.value(0).toInt());
        return Database::readToEnd(query);
    });
    if (!inserted || ids->size() != records.size()) {
        ZR_LOG() << "documents not inserted:" << ids->size() << "ids for" << records.size();
        ids->clear();
        return false;
    }
    // The ids are handed out in the order of the rows, whatever order RETURNING keeps.
    std::sort(ids->begin(), ids->end());
    for (int i = 0; i < records.size(); ++i) {
        const DocumentRecord &record = records.at(i);
        QVariantList row{ids->at(i)};
        for (int s = 0; s < 5; ++s)
            row << text(record.sections.value(s));
        sections << row;
        for (const DocumentRecord::Discipline &discipline : record.disciplines)
            disciplines << QVariantList{ids->at(i), text(discipline.name), text(discipline.rate)};
    }
    // The columns of a VALUES list are column1, column2... on every engine.
    RowBatch writeSections(
            QStringLiteral("UPDATE PsDocuments SET add1 = v.column2, add2 = v.column3, "
                           "add3 = v.column4, add4 = v.column5, add5 = v.column6, "
                           "version = version + 1 FROM (VALUES "),
            QStringLiteral("(CAST(? AS INTEGER), ?, ?, ?, ?, ?)"),
            QStringLiteral(") AS v WHERE psId = v.column1"));
    RowBatch addDisciplines(QStringLiteral("INSERT INTO PsDocumentDetails (psId, disciplineName, "
                                           "disciplineRate) VALUES "),
                            QStringLiteral("(?, ?, ?)"));
    if (writeSections.run(sections) && addDisciplines.run(disciplines))
        return true;
    ids->clear();
    return false;
}

bool DocumentStore::writeSections(int id, const QStringList &sections)
{
    if (!prepareOnce(m_sections,
                     QStringLiteral("UPDATE PsDocuments SET add1=:add1, add2=:add2, add3=:add3, "
                                    "add4=:add4, add5=:add5, version = version + 1 "
                                    "WHERE psId = :psId;")))
        return false;
    m_sections.bindValue(QStringLiteral(":psId"), id);
    for (int i = 0; i < 5; ++i)
        m_sections.bindValue(QStringLiteral(":add%1").arg(i + 1), text(sections.value(i)));
    return Database::exec(m_sections);
}

bool DocumentStore::addDiscipline(int id, const DocumentRecord::Discipline &discipline)
{
    if (!prepareOnce(m_discipline,
                     QStringLiteral("INSERT INTO PsDocumentDetails (psId, disciplineName, "
                                    "disciplineRate) VALUES (:psId, :name, :rate);")))
        return false;
    m_discipline.bindValue(QStringLiteral(":psId"), id);
    m_discipline.bindValue(QStringLiteral(":name"), text(discipline.name));
    m_discipline.bindValue(QStringLiteral(":rate"), text(discipline.rate));
    return Database::exec(m_discipline);
}

int DocumentStore::copyRow(int id)
{
    QSqlQuery query;
    query.prepare(QStringLiteral(
            "INSERT INTO PsDocuments (isTemplate, birthDate, issueDate, number, regNumber, "
            "comment, editDate, fio1, fio2, fio3, decision, add1, add2, add3, add4, add5, "
            "schoolClass, gender)"
            "SELECT isTemplate, birthDate, issueDate, number, regNumber, comment, :editDate, "
            "'КОПИЯ ' || COALESCE(fio1, ''), fio2, fio3, decision, add1, add2, add3, add4, add5, "
            "schoolClass, gender FROM PsDocuments WHERE psId = :psId;"));
    query.bindValue(QStringLiteral(":psId"), id);
    // The copy is a new row, changed now.
    query.bindValue(QStringLiteral(":editDate"), changedNow());
    if (!Database::exec(query))
        return -1;
    // With no source row SQLite inserts nothing and would still hand back the
    // id of some earlier insert, to which the appendix would then be copied.
    if (query.numRowsAffected() != 1) {
        ZR_LOG() << "copy: no document" << id;
        return -1;
    }
    bool ok = false;
    const int newId = query.lastInsertId().toInt(&ok);
    return ok && newId > 0 ? newId : -1;
}

bool DocumentStore::copyDisciplines(int fromId, int toId)
{
    QSqlQuery query;
    query.prepare(QStringLiteral(
            "INSERT INTO PsDocumentDetails (psId,disciplineName,disciplineRate)  SELECT      "
            "                 :psId1,disciplineName,disciplineRate  FROM PsDocumentDetails "
            "WHERE psId = :psId2;"));
    query.bindValue(QStringLiteral(":psId1"), toId);
    query.bindValue(QStringLiteral(":psId2"), fromId);
    return Database::exec(query);
}

PupilGender::Value DocumentStore::gender(int id)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("SELECT fio3, gender FROM PsDocuments WHERE psId = :psId;"));
    query.bindValue(QStringLiteral(":psId"), id);
    if (!Database::exec(query) || !query.next())
        return PupilGender::Unknown;
    return PupilGender::of(query.value(0).toString(),
                           PupilGender::fromStored(query.value(1).toString()));
}

DocumentStore::NumberingResult DocumentStore::assignNumbers(const QVector<NumberChange> &changes,
                                                            QStringList *collisions)
{
    collisions->clear();
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction()) {
        ZR_LOG() << "no transaction for numbering" << db.lastError().text();
        return NumberingResult::Failed;
    }
    const auto fail = [&db](NumberingResult result) {
        db.rollback();
        return result;
    };
    // Looked at inside the transaction: nobody gives the same numbers in between.
    RegisterNumbers numbers;
    if (!numbers.read())
        return fail(NumberingResult::Failed);
    *collisions = numbers.collisions(changes);
    if (!collisions->isEmpty())
        return fail(NumberingResult::Collides);
    QSqlQuery query(db);
    // A document keeps the number it is given none for.
    if (!prepareOnce(query,
                     QStringLiteral("UPDATE PsDocuments SET number = COALESCE(:number, number), "
                                    "regNumber = COALESCE(:regNumber, regNumber), editDate = "
                                    ":editDate, version = version + 1 WHERE psId = :psId;")))
        return fail(NumberingResult::Failed);
    const QString now = changedNow();
    for (const NumberChange &change : changes) {
        query.bindValue(QStringLiteral(":number"), nullWhenNull(change.number));
        query.bindValue(QStringLiteral(":regNumber"), nullWhenNull(change.regNumber));
        query.bindValue(QStringLiteral(":editDate"), now);
        query.bindValue(QStringLiteral(":psId"), change.id);
        if (!Database::exec(query))
            return fail(NumberingResult::Failed);
        if (query.numRowsAffected() != 1) {
            ZR_LOG() << "numbering: no document" << change.id;
            return fail(NumberingResult::Failed);
        }
        if (!DocumentHistory::record(change.id, DocumentHistory::Kind::Numbered))
            return fail(NumberingResult::Failed);
    }
    if (!db.commit()) {
        ZR_LOG() << "numbers not committed" << db.lastError().text();
        return fail(NumberingResult::Failed);
    }
    return NumberingResult::Assigned;
}
