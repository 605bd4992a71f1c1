#include "countword.h"

QString countWord(int count, const QString &one, const QString &few, const QString &many)
{
    const int tens = count % 100;
    const int units = count % 10;
    if (units == 1 && tens != 11)
        return one;
    if (units >= 2 && units <= 4 && (tens < 12 || tens > 14))
        return few;
    return many;
}
