#pragma once

#include <QString>

// Certificate and registration numbers as they are compared to find one given twice: "АБ 1001"
// and "аб1001" are the same number on a blank.
class DocumentNumber
{
public:
    static QString comparable(const QString &number)
    {
        QString result;
        for (const QChar c : number) {
            if (!c.isSpace())
                result += c;
        }
        return result.toCaseFolded();
    }
};
