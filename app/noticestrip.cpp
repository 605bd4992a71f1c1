#include "noticestrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

NoticeStrip::NoticeStrip(QWidget *parent)
    : QFrame(parent)
    , m_text(new QLabel(this))
{
    setFrameShape(QFrame::StyledPanel);
    setStyleSheet(QStringLiteral("NoticeStrip { background: #fff3cd; }"));
    m_text->setWordWrap(true);
    auto *retry = new QPushButton(QStringLiteral("Повторить"), this);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_text, 1);
    layout->addWidget(retry);
    connect(retry, &QPushButton::clicked, this, &NoticeStrip::retryClicked);
    hide();
}

void NoticeStrip::setNotice(const QString &text)
{
    m_text->setText(text);
    setVisible(!text.isEmpty());
}

QString NoticeStrip::notice() const
{
    return isVisible() ? m_text->text() : QString();
}
