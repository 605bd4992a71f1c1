#pragma once

#include <QMap>
#include <QString>
#include <QVector>

// The organisation's names, city and head as the printed certificates carry them, kept in
// the register's Variables table so that they travel with it.
namespace OrganisationData {

struct Field
{
    QString key;     // the name in Variables
    QString caption; // as the organisation data dialog labels it
};

// The fields the user fills in, in the dialog's order.
const QVector<Field> &fields();
// When they were last saved: "yyyy-MM-dd hh:mm:ss", or what an older program stored.
QString dateKey();

using Values = QMap<QString, QString>; // by key

// False when the register could not be read (in use, damaged).
bool read(Values *values);
// Stores the values and the date of the change with a line in the history of what changed,
// in one transaction: false (logged) when any of it was refused, and then nothing is stored.
bool save(const Values &values);

} // namespace OrganisationData
