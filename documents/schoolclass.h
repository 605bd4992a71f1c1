#pragma once

#include <QString>
#include <QStringList>

// The class a document is issued in ("4А"), as the filter compares and lists classes.
class SchoolClass
{
public:
    // "4а", "4 А" and " 4А" are one class.
    static QString key(const QString &schoolClass);
    // One spelling of each class of `classes`, the empty one left out, in the order a school
    // counts them: 2А, 4А, 4Б, 10А.
    static QStringList distinct(const QStringList &classes);
};
