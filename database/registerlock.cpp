#include "registerlock.h"

#include "app/debuglog.h"

#include <QDir>
#include <QLockFile>

RegisterLock::RegisterLock(const QString &dataPath)
    : m_dataPath(dataPath)
    , m_lock(std::make_unique<QLockFile>(dataPath + "/" + fileName()))
{
    // Only a lock of a process that is gone is stale: a program that has been running
    // for hours keeps its folder.
    m_lock->setStaleLockTime(0);
}

RegisterLock::~RegisterLock() = default;

QString RegisterLock::fileName()
{
    return QStringLiteral("ZrPs.lock");
}

bool RegisterLock::acquire()
{
    if (m_lock->isLocked())
        return true;
    if (m_lock->tryLock(0))
        return true;
    ZR_LOG() << "data folder is in use" << m_lock->error() << holder();
    return false;
}

QString RegisterLock::holder() const
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (!m_lock->getLockInfo(&pid, &host, &application))
        return QString();
    return QStringLiteral("компьютер %1, процесс %2").arg(host).arg(pid);
}

QString RegisterLock::inUseText() const
{
    return QStringLiteral("Реестр в папке %1 уже открыт другой копией программы (%2).\n"
                          "Работать с реестром одновременно может только одна программа.")
            .arg(QDir::toNativeSeparators(m_dataPath), holder());
}
