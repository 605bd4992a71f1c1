#include "journalnotice.h"

#include "printing/journalbacklog.h"

JournalNotice::JournalNotice(QWidget *parent)
    : NoticeStrip(parent)
{
    JournalBacklog &backlog = JournalBacklog::instance();
    connect(this, &NoticeStrip::retryClicked, &backlog, &JournalBacklog::retry);
    connect(&backlog, &JournalBacklog::changed, this, &JournalNotice::refresh);
    refresh();
}

void JournalNotice::refresh()
{
    const JournalBacklog &backlog = JournalBacklog::instance();
    if (backlog.count() == 0) {
        setNotice(QString());
        return;
    }
    setNotice(QStringLiteral("Записи журнала печати (%1) не внесены в реестр: %2.\n"
                             "Они сохранены на этом компьютере и будут внесены при "
                             "следующем запуске программы или по кнопке «Повторить».")
                      .arg(backlog.count())
                      .arg(backlog.reason().isEmpty() ? QStringLiteral("реестр не принял запись")
                                                      : backlog.reason()));
}
