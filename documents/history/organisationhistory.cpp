#include "organisationhistory.h"

#include "app/debuglog.h"
#include "changeauthor.h"
#include "database/database.h"
#include "historydescription.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QVariant>

namespace {

// No document has this number: the engines count theirs from 1.
constexpr int organisationId = 0;
const QString organisationKind = QStringLiteral("organisation");

QJsonObject toJson(const OrganisationData::Values &values)
{
    QJsonObject object;
    for (const OrganisationData::Field &field : OrganisationData::fields())
        object.insert(field.key, values.value(field.key));
    return object;
}

OrganisationData::Values fromJson(const QJsonObject &object)
{
    OrganisationData::Values values;
    for (const OrganisationData::Field &field : OrganisationData::fields())
        values.insert(field.key, object.value(field.key).toString());
    return values;
}

} // namespace

bool OrganisationHistory::record(const OrganisationData::Values &before,
                                 const OrganisationData::Values &after)
{
    const QJsonObject change{{QStringLiteral("before"), toJson(before)},
                             {QStringLiteral("after"), toJson(after)}};
    QSqlQuery insert;
    insert.prepare(
            QStringLiteral("INSERT INTO PsDocumentHistory (psId, changedAt, changedBy, kind, "
                           "snapshot) VALUES (:psId, :changedAt, :changedBy, :kind, :snapshot);"));
    insert.bindValue(QStringLiteral(":psId"), organisationId);
    insert.bindValue(QStringLiteral(":changedAt"),
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    insert.bindValue(QStringLiteral(":changedBy"), ChangeAuthor::current());
    insert.bindValue(QStringLiteral(":kind"), organisationKind);
    insert.bindValue(QStringLiteral(":snapshot"),
                     QString::fromUtf8(QJsonDocument(change).toJson(QJsonDocument::Compact)));
    return Database::exec(insert);
}

bool OrganisationHistory::changes(QVector<Change> *changes)
{
    changes->clear();
    QSqlQuery query;
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT changedAt, changedBy, snapshot FROM PsDocumentHistory "
                                 "WHERE psId = :psId AND kind = :kind ORDER BY historyId;"));
    query.bindValue(QStringLiteral(":psId"), organisationId);
    query.bindValue(QStringLiteral(":kind"), organisationKind);
    if (!Database::exec(query))
        return false;
    while (query.next()) {
        const QJsonObject stored
                = QJsonDocument::fromJson(query.value(2).toString().toUtf8()).object();
        changes->append({query.value(0).toString(),
                         query.value(1).toString(),
                         fromJson(stored.value(QStringLiteral("before")).toObject()),
                         fromJson(stored.value(QStringLiteral("after")).toObject())});
    }
    return Database::readToEnd(query);
}

QString OrganisationHistory::description(const Change &change)
{
    QStringList lines;
    for (const OrganisationData::Field &field : OrganisationData::fields()) {
        const QString before = change.before.value(field.key);
        const QString after = change.after.value(field.key);
        if (before != after)
            // A name is told whole: it is what the line is about.
            lines << HistoryDescription::valueChange(QStringLiteral("«%1»").arg(field.caption),
                                                     before,
                                                     after,
                                                     HistoryDescription::Length::Whole);
    }
    return lines.isEmpty() ? QStringLiteral("Сохранены без изменений")
                           : lines.join(QStringLiteral("; "));
}
