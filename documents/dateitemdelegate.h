#pragma once

#include <QStyledItemDelegate>

// Shows dates stored as "yyyy-MM-dd" (and moments as "yyyy-MM-dd hh:mm:ss") the way
// people write them, "dd.MM.yyyy"; the stored text, and so the sorting, stays as it is.
// A text that is no such date is shown as stored.
class DateItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant &value, const QLocale &locale) const override;
    static QString shownDate(const QString &stored);
};
