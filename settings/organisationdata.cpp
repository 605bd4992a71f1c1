#include "organisationdata.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "documents/history/organisationhistory.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>

const QVector<OrganisationData::Field> &OrganisationData::fields()
{
    static const QVector<Field> all{
            {QStringLiteral("Data/OrgName_1"), QStringLiteral("Название организации")},
            {QStringLiteral("Data/OrgName_2"),
             QStringLiteral("Название организации - родительный падеж (кого/чего?)")},
            {QStringLiteral("Data/OrgName_3"),
             QStringLiteral("Название организации - предложный падеж (о ком/о чем?)")},
            {QStringLiteral("Data/City"), QStringLiteral("Город")},
            {QStringLiteral("Data/Boss_1"), QStringLiteral("Руководитель")}};
    return all;
}

QString OrganisationData::dateKey()
{
    return QStringLiteral("Data/Date");
}

bool OrganisationData::read(Values *values)
{
    values->clear();
    for (const Field &field : fields()) {
        bool read = false;
        values->insert(field.key, Database::getVariable(field.key, &read));
        if (!read)
            return false;
    }
    return true;
}

bool OrganisationData::save(const Values &values)
{
    // All or nothing: a certificate must not get a new name of the school with the old city,
    // nor the data a change the history does not tell.
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction()) {
        ZR_LOG() << "organisation data not saved" << db.lastError().text();
        return false;
    }
    Values before;
    bool stored = read(&before);
    for (const Field &field : fields())
        stored = stored && Database::setVariable(field.key, values.value(field.key));
    stored = stored
             && Database::setVariable(
                     dateKey(),
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
             && OrganisationHistory::record(before, values);
    if (stored && db.commit())
        return true;
    ZR_LOG() << "organisation data not saved" << db.lastError().text();
    db.rollback();
    return false;
}
