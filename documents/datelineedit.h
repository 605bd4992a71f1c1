#pragma once

#include <QDate>
#include <QLineEdit>

// A date typed as people write it, "14.03.2013", "14032013" or "14.3.13" (read by
// DateParser, as imported dates are), or no date at all: an empty field is a date not given,
// never today's. The dots appear by themselves
// while digits are typed; the button at the field's end opens a calendar.
class DateLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit DateLineEdit(QWidget *parent = nullptr);

    // The date typed; an invalid date when the field is empty or holds no real date.
    QDate date() const;
    // An invalid date empties the field.
    void setDate(const QDate &date);
    // Something is typed that is no date, such as "31.02.2013".
    bool hasInvalidDate() const;
    // The month the calendar opens on while the field is empty.
    void setCalendarStart(const QDate &date) { m_calendarStart = date; }

signals:
    void dateChanged(const QDate &date);

private:
    void onTextEdited(const QString &text);
    void onEditingFinished();
    void showCalendar();
    void markInvalid(bool invalid);

    QDate m_calendarStart;
};
