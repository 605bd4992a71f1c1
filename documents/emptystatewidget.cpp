#include "emptystatewidget.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Lines of about sixty characters read best; wider only when the view is wider.
constexpr int textWidth = 460;
constexpr int margin = 16;
} // namespace

EmptyStateWidget::EmptyStateWidget(QWidget *area)
    : QFrame(area)
{
    setObjectName(QStringLiteral("emptyState"));
    auto layout = new QVBoxLayout(this);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("emptyStateText"));
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setTextFormat(Qt::PlainText);
    QFont font = m_label->font();
    font.setPointSizeF(font.pointSizeF() * 1.2);
    m_label->setFont(font);
    layout->addWidget(m_label);
    // One under the other, so that a narrow view never cuts a button off.
    m_buttons = new QVBoxLayout;
    m_buttons->setAlignment(Qt::AlignHCenter);
    layout->addLayout(m_buttons);
    area->installEventFilter(this);
    hide();
}

void EmptyStateWidget::setMessage(const QString &text, const QList<QAction *> &actions)
{
    m_label->setText(text);
    if (actions != m_actions) {
        m_actions = actions;
        for (QPushButton *button : findChildren<QPushButton *>())
            delete button;
        for (QAction *action : actions) {
            auto button = new QPushButton(action->text(), this);
            button->setMinimumHeight(32);
            button->setMinimumWidth(220);
            connect(button, &QPushButton::clicked, action, &QAction::trigger);
            m_buttons->addWidget(button);
        }
    }
    place();
}

QString EmptyStateWidget::text() const
{
    return m_label->text();
}

bool EmptyStateWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        place();
    return QFrame::eventFilter(watched, event);
}

void EmptyStateWidget::place()
{
    const QRect area = parentWidget()->rect();
    const int width = qMax(1, qMin(textWidth, area.width() - 2 * margin));
    m_label->setFixedWidth(width);
    layout()->activate();
    adjustSize();
    QRect box(QPoint(), size());
    box.moveCenter(area.center());
    box.moveTop(qMax(margin, area.height() / 3 - box.height() / 2));
    setGeometry(box);
}
