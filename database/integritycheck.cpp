#include "integritycheck.h"

#include "app/debuglog.h"
#include "registerconnection.h"
#include "registerengine.h"
#include "sqlitelockwait.h"

#include <QThread>
#include <chrono>

IntegrityCheck::IntegrityCheck(const RegisterEngine &engine,
                               const QString &location,
                               QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_location(location)
{}

IntegrityCheck::~IntegrityCheck()
{
    if (!m_thread)
        return;
    {
        std::lock_guard<std::mutex> locked(m_waitLock);
        m_stopping = true;
    }
    m_wake.notify_all();
    // A reading of the whole file is not waited for.
    while (!m_thread->wait(10))
        SqliteLockWait::interruptGivingWay();
}

int IntegrityCheck::retryDelayMs()
{
    return 2000;
}

void IntegrityCheck::start()
{
    if (m_thread)
        return;
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->start(QThread::LowestPriority);
}

bool IntegrityCheck::waitBeforeRetry()
{
    std::unique_lock<std::mutex> locked(m_waitLock);
    m_wake.wait_for(locked, std::chrono::milliseconds(retryDelayMs()), [this] {
        return m_stopping.load();
    });
    return !m_stopping;
}

void IntegrityCheck::run()
{
    for (int attempt = 1; !m_stopping; ++attempt) {
        RegisterFailure found;
        {
            RegisterConnection reader(m_engine, m_location, RegisterConnection::Access::ReadOnly);
            found = reader.open();
            if (found.ok()) {
                const SqliteLockWait::GivingWay givingWay(reader.database());
                found = m_engine.checkIntegrity(reader.database(), IntegrityScope::Whole);
            }
        }
        if (found.kind != RegisterFailure::Kind::Busy) {
            ZR_LOG() << "background integrity check" << m_location << "attempt" << attempt
                     << (found.ok() ? QStringLiteral("ok") : found.detail);
            QMetaObject::invokeMethod(
                    this, [this, found] { emit finished(found); }, Qt::QueuedConnection);
            return;
        }
        QMetaObject::invokeMethod(this, &IntegrityCheck::postponed, Qt::QueuedConnection);
        if (!waitBeforeRetry())
            return;
    }
}
