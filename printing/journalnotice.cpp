#include "journalnotice.h"

#include "printing/journalbacklog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

JournalNotice::JournalNotice(QWidget *parent)
    : QFrame(parent)
    , m_text(new QLabel(this))
{
    setFrameShape(QFrame::StyledPanel);
    setStyleSheet(QStringLiteral("JournalNotice { background: #fff3cd; }"));
    m_text->setWordWrap(true);
    auto *retry = new QPushButton(QStringLiteral("Повторить"), this);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_text, 1);
    layout->addWidget(retry);
    JournalBacklog &backlog = JournalBacklog::instance();
    connect(retry, &QPushButton::clicked, &backlog, &JournalBacklog::retry);
    connect(&backlog, &JournalBacklog::changed, this, &JournalNotice::refresh);
    refresh();
}

void JournalNotice::refresh()
{
    const JournalBacklog &backlog = JournalBacklog::instance();
    setVisible(backlog.count() > 0);
    m_text->setText(QStringLiteral("Записи журнала печати (%1) не внесены в реестр: %2.\n"
                                   "Они сохранены на этом компьютере и будут внесены при "
                                   "следующем запуске программы или по кнопке «Повторить».")
                            .arg(backlog.count())
                            .arg(backlog.reason().isEmpty()
                                         ? QStringLiteral("реестр не принял запись")
                                         : backlog.reason()));
}
