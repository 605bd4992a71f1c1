#pragma once

#include "settings/organisationdata.h"

#include <QString>
#include <QVector>

// Every save of the organisation's data, kept among the documents' versions under the
// reserved document number 0: the values before and after, when and by whom.
namespace OrganisationHistory {

struct Change
{
    QString changedAt; // as stored, "yyyy-MM-dd hh:mm:ss"
    QString changedBy; // "login@workstation"
    OrganisationData::Values before;
    OrganisationData::Values after;
};

// Adds the change. Runs inside the caller's transaction, which the caller rolls back on
// false: no change of the data without its line.
bool record(const OrganisationData::Values &before, const OrganisationData::Values &after);
// Oldest first; false when they could not be read.
bool changes(QVector<Change> *changes);
// What changed, in plain words: "«Город»: Тверь → Тула".
QString description(const Change &change);

} // namespace OrganisationHistory
