#include "registerlock.h"

#include "app/debuglog.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>

RegisterLock::RegisterLock(const QString &dataPath)
    : m_folder(dataPath)
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
    if (m_lock->error() == QLockFile::LockFailedError)
        ZR_LOG() << "data folder is in use" << holder();
    else
        ZR_LOG() << "data folder takes no lock file" << m_lock->error();
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

QString RegisterLock::refusalText() const
{
    const QString folder = QDir::toNativeSeparators(m_folder);
    switch (m_lock->error()) {
    case QLockFile::NoError:
    case QLockFile::LockFailedError:
        break;
    case QLockFile::PermissionError:
        return QStringLiteral("Папка данных %1 недоступна для записи.\nПрограмма не может "
                              "работать с реестром в этой папке: проверьте права доступа к ней.")
                .arg(folder);
    case QLockFile::UnknownError:
        if (!QFileInfo(m_folder).isDir())
            return QStringLiteral("Папку данных %1 не удаётся создать.\nПроверьте, что диск "
                                  "доступен и на нём есть место.")
                    .arg(folder);
        return QStringLiteral("Не удаётся записать в папку данных %1: возможно, диск заполнен."
                              "\nОсвободите место на диске и запустите программу снова.")
                .arg(folder);
    }
    return QStringLiteral("Реестр в папке %1 уже открыт другой копией программы (%2).\nРаботать "
                          "с реестром одновременно может только одна программа.")
            .arg(folder, holder());
}
