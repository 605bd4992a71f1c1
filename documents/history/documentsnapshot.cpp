#include "documentsnapshot.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString dateFormat = QStringLiteral("yyyy-MM-dd");

} // namespace

QString DocumentSnapshot::toText(const DocumentRecord &document, const QString &note)
{
    QJsonArray disciplines;
    for (const DocumentRecord::Discipline &discipline : document.disciplines)
        disciplines.append(QJsonArray{discipline.name, discipline.rate});
    QJsonObject object{{QStringLiteral("fio1"), document.fio1},
                       {QStringLiteral("fio2"), document.fio2},
                       {QStringLiteral("fio3"), document.fio3},
                       {QStringLiteral("birthDate"), document.birthDate.toString(dateFormat)},
                       {QStringLiteral("number"), document.number},
                       {QStringLiteral("regNumber"), document.regNumber},
                       {QStringLiteral("issueDate"), document.issueDate.toString(dateFormat)},
                       {QStringLiteral("decision"), document.decision},
                       {QStringLiteral("schoolClass"), document.schoolClass},
                       {QStringLiteral("gender"), PupilGender::toStored(document.gender)},
                       {QStringLiteral("sections"), QJsonArray::fromStringList(document.sections)},
                       {QStringLiteral("disciplines"), disciplines}};
    if (!note.isEmpty())
        object.insert(QStringLiteral("note"), note);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

bool DocumentSnapshot::fromText(const QString &text, DocumentRecord *document, QString *note)
{
    const QJsonDocument json = QJsonDocument::fromJson(text.toUtf8());
    if (!json.isObject())
        return false;
    const QJsonObject object = json.object();
    const auto value
            = [&object](const char *key) { return object.value(QLatin1String(key)).toString(); };
    DocumentRecord read;
    read.fio1 = value("fio1");
    read.fio2 = value("fio2");
    read.fio3 = value("fio3");
    read.birthDate = QDate::fromString(value("birthDate"), dateFormat);
    read.number = value("number");
    read.regNumber = value("regNumber");
    read.issueDate = QDate::fromString(value("issueDate"), dateFormat);
    read.decision = value("decision");
    read.schoolClass = value("schoolClass");
    read.gender = PupilGender::fromStored(value("gender"));
    const QJsonArray sections = object.value(QLatin1String("sections")).toArray();
    for (int i = 0; i < read.sections.size(); ++i)
        read.sections[i] = sections.at(i).toString();
    for (const QJsonValue &row : object.value(QLatin1String("disciplines")).toArray()) {
        const QJsonArray pair = row.toArray();
        read.disciplines.append({pair.at(0).toString(), pair.at(1).toString()});
    }
    *document = read;
    if (note)
        *note = value("note");
    return true;
}
