#include "personname.h"

#include "pupilgender.h"

#include <QStringList>

PersonName PersonName::split(const QString &fullName)
{
    PersonName person;
    QStringList words = fullName.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() >= 4 && PupilGender::ofTurkicWord(words.last()) != PupilGender::Unknown) {
        // "Гусейнов Али Гусейн оглы": the father's name and "оглы" are the patronymic.
        person.patronymic = words.mid(words.size() - 2).join(QLatin1Char(' '));
        words.erase(words.end() - 2, words.end());
        person.name = words.takeLast();
    } else if (words.size() >= 3) {
        person.patronymic = words.takeLast();
        person.name = words.takeLast();
    } else if (words.size() == 2) {
        person.name = words.takeLast();
    }
    person.surname = words.join(QLatin1Char(' '));
    return person;
}

QString PersonName::full() const
{
    return QStringList{surname, name, patronymic}.join(QLatin1Char(' ')).simplified();
}
