#pragma once

#include <QDate>
#include <QString>

// Dates as people write them, read the same way wherever they are typed or imported:
// "14.03.2013", "14.3.13", "14032013", "140313" and "2013-03-14"; the dotted and the dashed
// forms perhaps followed by a time of day, as spreadsheets write dates ("14.03.2013 0:00:00").
class DateParser
{
public:
    // An invalid date when the text is empty or holds no real date, such as "31.02.2013".
    // A two-digit year is the latest year with those digits that is at most a year ahead:
    // issue dates are entered some months early, birth dates lie in the past, so "25.05.27"
    // typed in 2026 is 2027 and "12.03.75" is 1975.
    static QDate parse(const QString &text);
};
