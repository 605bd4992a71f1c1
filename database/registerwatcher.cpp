#include "registerwatcher.h"

#include "app/debuglog.h"

#include <QSqlDatabase>
#include <QSqlDriver>

namespace {

// The channel the server register's schema notifies on.
const QString channel = QStringLiteral("zrps_register");

} // namespace

RegisterWatcher *RegisterWatcher::instance()
{
    static RegisterWatcher *watcher = new RegisterWatcher;
    return watcher;
}

RegisterWatcher::RegisterWatcher()
{
    m_burst.setSingleShot(true);
    m_burst.setInterval(150);
    connect(&m_burst, &QTimer::timeout, this, &RegisterWatcher::documentsChangedElsewhere);
}

void RegisterWatcher::watch()
{
    QSqlDriver *driver = QSqlDatabase::database().driver();
    if (!driver || !driver->hasFeature(QSqlDriver::EventNotifications)
        || driver->subscribedToNotifications().contains(channel))
        return;
    // Only a server register has anyone else to hear from.
    if (driver->dbmsType() != QSqlDriver::PostgreSQL)
        return;
    if (!driver->subscribeToNotification(channel)) {
        ZR_LOG() << "no notifications of other workstations' changes";
        return;
    }
    connect(
            driver,
            QOverload<const QString &, QSqlDriver::NotificationSource, const QVariant &>::of(
                    &QSqlDriver::notification),
            this,
            [this](const QString &name, QSqlDriver::NotificationSource source, const QVariant &) {
                onNotification(name, source);
            },
            Qt::UniqueConnection);
}

void RegisterWatcher::onNotification(const QString &name, int source)
{
    // The workstation's own changes are shown by whoever made them.
    if (name != channel || source == QSqlDriver::SelfSource)
        return;
    if (!m_burst.isActive())
        m_burst.start();
}
