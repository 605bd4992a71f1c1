#include "servernotice.h"

#include "database/registerwatcher.h"

ServerNotice::ServerNotice(QWidget *parent)
    : NoticeStrip(parent)
{
    RegisterWatcher *watcher = RegisterWatcher::instance();
    connect(this, &NoticeStrip::retryClicked, watcher, &RegisterWatcher::reconnect);
    connect(watcher, &RegisterWatcher::connectionLost, this, [this](const QString &why) {
        setNotice(QStringLiteral("Нет связи с сервером реестра: %1\nВведённое в открытых окнах "
                                 "не потеряно: сохраните его, когда связь восстановится. "
                                 "Программа проверяет связь каждые несколько секунд.")
                          .arg(why));
    });
    connect(watcher, &RegisterWatcher::connectionRestored, this, [this] { setNotice(QString()); });
}
