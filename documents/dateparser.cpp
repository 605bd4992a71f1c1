#include "dateparser.h"

#include <QRegularExpression>

namespace {

int fullYear(const QString &digits)
{
    const int year = digits.toInt();
    if (digits.size() != 2)
        return year;
    const int latest = QDate::currentDate().year() + 1;
    return latest - (latest - year) % 100;
}

} // namespace

QDate DateParser::parse(const QString &text)
{
    static const QString timeOfDay = QStringLiteral("(?:[ T]\\d{1,2}:\\d{2}(?::\\d{2})?)?");
    static const QRegularExpression packed(QStringLiteral("^(\\d\\d)(\\d\\d)(\\d\\d|\\d{4})$"));
    static const QRegularExpression dotted(
            QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{4}|\\d\\d)") + timeOfDay + '$');
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})")
                                        + timeOfDay + '$');

    const QString trimmed = text.trimmed();
    QRegularExpressionMatch match = iso.match(trimmed);
    if (match.hasMatch())
        return QDate(
                match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    match = packed.match(trimmed);
    if (!match.hasMatch())
        match = dotted.match(trimmed);
    if (!match.hasMatch())
        return QDate();
    return QDate(fullYear(match.captured(3)), match.captured(2).toInt(), match.captured(1).toInt());
}
