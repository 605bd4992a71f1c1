#include "schoolclass.h"

#include "documentnumber.h"

#include <QCollator>
#include <QSet>
#include <algorithm>

QString SchoolClass::key(const QString &schoolClass)
{
    // Blanks and case count no more than in a number on a blank.
    return DocumentNumber::comparable(schoolClass);
}

QStringList SchoolClass::distinct(const QStringList &classes)
{
    QStringList list;
    QSet<QString> seen;
    for (const QString &schoolClass : classes) {
        const QString k = key(schoolClass);
        if (k.isEmpty() || seen.contains(k))
            continue;
        seen.insert(k);
        list << schoolClass.trimmed();
    }
    QCollator collator{QLocale(QLocale::Russian)};
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(list.begin(), list.end(), collator);
    return list;
}
