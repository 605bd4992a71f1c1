#include "registerwatcher.h"

#include "app/debuglog.h"
#include "database.h"
#include "postgresengine.h"
#include "registerconnection.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

// The channels the server register's schema notifies on.
const QString documentsChannel = QStringLiteral("zrps_register");
const QString journalChannel = QStringLiteral("zrps_journal");
// More documents than this in one burst are read with the whole register.
const int rowsReadOneByOne = 200;

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
    connect(&m_burst, &QTimer::timeout, this, &RegisterWatcher::onBurstOver);
    m_journalBurst.setSingleShot(true);
    m_journalBurst.setInterval(150);
    connect(&m_journalBurst, &QTimer::timeout, this, &RegisterWatcher::journalChangedElsewhere);
    m_heartbeat.setInterval(3000);
    connect(&m_heartbeat, &QTimer::timeout, this, &RegisterWatcher::onHeartbeat);
}

void RegisterWatcher::watch()
{
    QSqlDriver *driver = QSqlDatabase::database().driver();
    // Only a server register has anyone else to hear from.
    if (!driver || driver->dbmsType() != QSqlDriver::PostgreSQL)
        return;
    if (!m_heartbeat.isActive())
        m_heartbeat.start();
    subscribe();
}

bool RegisterWatcher::subscribe()
{
    QSqlDriver *driver = QSqlDatabase::database().driver();
    if (!driver->hasFeature(QSqlDriver::EventNotifications))
        return false;
    for (const QString &channel : {documentsChannel, journalChannel}) {
        if (driver->subscribedToNotifications().contains(channel))
            continue;
        if (!driver->subscribeToNotification(channel)) {
            ZR_LOG() << "no notifications of other workstations' changes" << channel;
            return false;
        }
    }
    connect(
            driver,
            QOverload<const QString &, QSqlDriver::NotificationSource, const QVariant &>::of(
                    &QSqlDriver::notification),
            this,
            [this](const QString &name,
                   QSqlDriver::NotificationSource source,
                   const QVariant &payload) { onNotification(name, source, payload.toString()); },
            Qt::UniqueConnection);
    return true;
}

void RegisterWatcher::onHeartbeat()
{
    if (m_lost) {
        reconnect();
        return;
    }
    QSqlQuery ping;
    if (ping.exec(QStringLiteral("SELECT 1")))
        return;
    m_lost = true;
    ZR_LOG() << "register server out of reach" << ping.lastError().text();
    emit connectionLost(Database::failureText(ping.lastError()));
}

void RegisterWatcher::reconnect()
{
    if (!m_lost)
        return;
    // A connection of its own first: the program's connection, and the rows the table
    // shows from it, stay as they are until the server answers.
    RegisterConnection probe(PostgresEngine::instance(), Database::registerAddress().toString());
    if (!probe.open().ok())
        return;
    QSqlDatabase db = QSqlDatabase::database();
    db.close();
    if (!db.open()) {
        ZR_LOG() << "register server answers, the program's connection does not open"
                 << db.lastError().text();
        return;
    }
    m_lost = false;
    subscribe();
    ZR_LOG() << "register server back";
    emit connectionRestored();
    // What other workstations changed meanwhile was never told.
    emit documentsChangedElsewhere({});
    emit journalChangedElsewhere();
}

void RegisterWatcher::onNotification(const QString &name, int source, const QString &payload)
{
    // The workstation's own changes are shown by whoever made them.
    if (source == QSqlDriver::SelfSource)
        return;
    if (name == journalChannel) {
        if (!m_journalBurst.isActive())
            m_journalBurst.start();
        return;
    }
    if (name != documentsChannel)
        return;
    bool isId = false;
    const int id = payload.toInt(&isId);
    if (isId)
        m_changed.insert(id);
    else
        m_everyRow = true;
    if (!m_burst.isActive())
        m_burst.start();
}

void RegisterWatcher::onBurstOver()
{
    QList<int> changed = m_changed.values();
    if (m_everyRow || changed.size() > rowsReadOneByOne)
        changed.clear();
    m_changed.clear();
    m_everyRow = false;
    std::sort(changed.begin(), changed.end());
    emit documentsChangedElsewhere(changed);
}
