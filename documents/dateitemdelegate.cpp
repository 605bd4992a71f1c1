#include "dateitemdelegate.h"

#include <QDate>
#include <QDateTime>

QString DateItemDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    if (value.type() != QVariant::String)
        return QStyledItemDelegate::displayText(value, locale);
    return shownDate(value.toString());
}

QString DateItemDelegate::shownDate(const QString &stored)
{
    const QDate date = QDate::fromString(stored, QStringLiteral("yyyy-MM-dd"));
    if (date.isValid())
        return date.toString(QStringLiteral("dd.MM.yyyy"));
    const QDateTime moment = QDateTime::fromString(stored, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (moment.isValid())
        return moment.toString(QStringLiteral("dd.MM.yyyy hh:mm"));
    return stored;
}
