#include "numbersequence.h"

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// `digits` plus `step`, written as long as `digits` at least: no number is too long.
QString added(const QString &digits, int step)
{
    QString result = digits;
    long long carry = step;
    for (int i = result.size() - 1; i >= 0 && carry > 0; --i) {
        const long long sum = (result.at(i).unicode() - '0') + carry;
        result[i] = QChar('0' + int(sum % 10));
        carry = sum / 10;
    }
    if (carry > 0)
        result.prepend(QString::number(carry));
    return result;
}

} // namespace

NumberSequence::NumberSequence(const QString &first)
{
    const QString number = first.trimmed();
    int end = number.size();
    while (end > 0 && !isDigit(number.at(end - 1)))
        --end;
    int begin = end;
    while (begin > 0 && isDigit(number.at(begin - 1)))
        --begin;
    m_prefix = number.left(begin);
    m_digits = number.mid(begin, end - begin);
    m_suffix = number.mid(end);
}

QString NumberSequence::at(int step) const
{
    if (!isValid())
        return QString();
    return m_prefix + added(m_digits, step) + m_suffix;
}
