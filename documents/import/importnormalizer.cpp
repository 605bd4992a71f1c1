#include "importnormalizer.h"

#include "documents/comboboxitemdelegate.h"
#include "documents/dateparser.h"

#include <QHash>
#include <QRegularExpression>
#include <cmath>

QString ImportNormalizer::key(const QString &text)
{
    QString folded = text.toLower();
    folded.replace(QChar(0x0451), QChar(0x0435)); // ё
    for (QChar &c : folded)
        if (!c.isLetterOrNumber() && c != QChar(0x2116)) // №
            c = QLatin1Char(' ');
    return folded.simplified();
}

namespace {

// Lower case, "ё" as "е": the spellings of one grade word compare equal.
QString folded(const QString &text)
{
    return text.toLower().replace(QChar(0x0451), QChar(0x0435));
}

} // namespace

QString ImportNormalizer::grade(const QString &text, bool *ok)
{
    // Every accepted spelling, folded, to the grade it stands for.
    static const QHash<QString, QString> spellings = [] {
        QHash<QString, QString> map{{QStringLiteral("отлично"), QStringLiteral("5")},
                                    {QStringLiteral("хорошо"), QStringLiteral("4")},
                                    {QStringLiteral("удовлетворительно"), QStringLiteral("3")},
                                    {QStringLiteral("неудовлетворительно"), QStringLiteral("2")},
                                    {QStringLiteral("зачет"), QStringLiteral("Освоено")},
                                    {QStringLiteral("зачтено"), QStringLiteral("Освоено")}};
        for (const QString &grade : ComboBoxItemDelegate::grades())
            if (!grade.isEmpty())
                map.insert(folded(grade), grade);
        return map;
    }();
    // The appendix shows "4 (Хорошо)"; copied from a printout it means "4".
    static const QRegularExpression printed(QStringLiteral("^([2-5])\\s*\\(\\s*(\\S+)\\s*\\)$"));

    *ok = true;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QString();
    const auto found = spellings.constFind(folded(trimmed));
    if (found != spellings.cend())
        return found.value();
    if (trimmed.contains(QLatin1Char('('))) {
        const QRegularExpressionMatch match = printed.match(trimmed);
        if (match.hasMatch() && spellings.value(folded(match.captured(2))) == match.captured(1))
            return match.captured(1);
    }
    *ok = false;
    return QString();
}

QDate ImportNormalizer::dateFromSerial(double serial, bool date1904)
{
    // Day numbers up to 31.12.9999. The 1900 system counts a 29 February 1900 that never
    // was; counting from 30.12.1899 gives every day after it right.
    if (!std::isfinite(serial) || serial < 1 || serial >= 2958466)
        return QDate();
    const qint64 days = qint64(std::floor(serial));
    return date1904 ? QDate(1904, 1, 1).addDays(days) : QDate(1899, 12, 30).addDays(days);
}

QDate ImportNormalizer::date(const QString &text, ImportTable::DaySerials daySerials, bool *ok)
{
    static const QRegularExpression number(QStringLiteral("^\\d+(?:[.,]\\d+)?$"));

    *ok = true;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QDate();
    QDate date = DateParser::parse(trimmed);
    if (!date.isValid() && daySerials != ImportTable::NoDaySerials
        && number.match(trimmed).hasMatch())
        date = dateFromSerial(
                QString(trimmed).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(),
                daySerials == ImportTable::DaysFrom1904);
    *ok = date.isValid();
    return date;
}
