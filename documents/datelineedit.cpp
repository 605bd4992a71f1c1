#include "datelineedit.h"

#include "dateparser.h"

#include <QAction>
#include <QCalendarWidget>
#include <QPainter>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QStyleOption>
#include <QVBoxLayout>

namespace {

const QString shownFormat = QStringLiteral("dd.MM.yyyy");

// The digits in the groups of a date as typed so far: "14032" becomes "14.03.2".
QString dotted(const QString &digits)
{
    QString text = digits.left(2);
    if (digits.size() > 2)
        text += QLatin1Char('.') + digits.mid(2, 2);
    if (digits.size() > 4)
        text += QLatin1Char('.') + digits.mid(4, 4);
    return text;
}

QIcon arrowIcon(const QWidget *widget)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QStyleOption option;
    option.initFrom(widget);
    option.rect = QRect(3, 4, 10, 8);
    widget->style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, widget);
    return QIcon(pixmap);
}

} // namespace

DateLineEdit::DateLineEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]{0,10}")),
                                                 this));
    setPlaceholderText(QStringLiteral("дд.мм.гггг"));
    QAction *calendar = addAction(arrowIcon(this), QLineEdit::TrailingPosition);
    calendar->setToolTip(QStringLiteral("Календарь"));
    connect(calendar, &QAction::triggered, this, &DateLineEdit::showCalendar);
    connect(this, &QLineEdit::textEdited, this, &DateLineEdit::onTextEdited);
    connect(this, &QLineEdit::editingFinished, this, &DateLineEdit::onEditingFinished);
}

QDate DateLineEdit::date() const
{
    return DateParser::parse(text());
}

void DateLineEdit::setDate(const QDate &date)
{
    const QDate before = this->date();
    setText(date.isValid() ? date.toString(shownFormat) : QString());
    markInvalid(false);
    if (date != before)
        emit dateChanged(this->date());
}

bool DateLineEdit::hasInvalidDate() const
{
    return !text().trimmed().isEmpty() && !date().isValid();
}

void DateLineEdit::onTextEdited(const QString &text)
{
    markInvalid(false);
    // Only while typing at the end: an edit in the middle is left as the user makes it.
    if (cursorPosition() == text.size()) {
        const QStringList groups = text.split(QLatin1Char('.'));
        const bool overflow
                = groups.size() > 1 && (groups.at(0).size() > 2 || groups.at(1).size() > 2);
        if ((groups.size() == 1 && text.size() > 2) || overflow) {
            QString digits = text;
            digits.remove(QLatin1Char('.'));
            setText(dotted(digits));
        }
    }
    emit dateChanged(date());
}

void DateLineEdit::onEditingFinished()
{
    const QDate typed = date();
    if (typed.isValid())
        setText(typed.toString(shownFormat));
    markInvalid(hasInvalidDate());
}

void DateLineEdit::markInvalid(bool invalid)
{
    setStyleSheet(invalid ? QStringLiteral("color: #c00000;") : QString());
}

void DateLineEdit::showCalendar()
{
    auto popup = new QFrame(this, Qt::Popup);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setFrameShape(QFrame::StyledPanel);
    auto calendar = new QCalendarWidget(popup);
    calendar->setMinimumDate(QDate(1900, 1, 1));
    calendar->setGridVisible(true);
    const QDate current = date();
    calendar->setSelectedDate(current.isValid()           ? current
                              : m_calendarStart.isValid() ? m_calendarStart
                                                          : QDate::currentDate());
    auto layout = new QVBoxLayout(popup);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(calendar);
    connect(calendar, &QCalendarWidget::activated, this, [this, popup](const QDate &picked) {
        setDate(picked);
        popup->close();
    });
    connect(calendar, &QCalendarWidget::clicked, this, [this, popup](const QDate &picked) {
        setDate(picked);
        popup->close();
    });
    popup->adjustSize();
    popup->move(mapToGlobal(QPoint(0, height())));
    popup->show();
    calendar->setFocus();
}
