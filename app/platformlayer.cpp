#include "platformlayer.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

#ifndef Q_OS_WIN
#include <cerrno>
#include <link.h>
#include <signal.h>
#else
#include <windows.h>
#endif

void PlatformLayer::prepareSettingsPaths()
{
#ifndef Q_OS_WIN
    QSettings::setPath(QSettings::IniFormat,
                       QSettings::SystemScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
#endif
}

#ifndef Q_OS_WIN
namespace {
struct ModuleSearch
{
    QString prefix;
    QString path;
};

int matchModule(dl_phdr_info *info, size_t, void *data)
{
    auto search = static_cast<ModuleSearch *>(data);
    const QString path = QString::fromLocal8Bit(info->dlpi_name);
    const QString name = QFileInfo(path).fileName();
    if (name == search->prefix || name.startsWith(search->prefix + '.')) {
        search->path = path;
        return 1;
    }
    return 0;
}
} // namespace
#endif

QString PlatformLayer::loadedModulePath(const QString &moduleName)
{
#ifndef Q_OS_WIN
    QString base = QFileInfo(moduleName).fileName();
    if (base.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive))
        base.chop(4);
    if (base.isEmpty())
        return QString();
    ModuleSearch search{"lib" + base + ".so", QString()};
    dl_iterate_phdr(matchModule, &search);
    return search.path;
#else
    Q_UNUSED(moduleName)
    return QString();
#endif
}

QString PlatformLayer::fileVersion(const QString &filePath)
{
#ifndef Q_OS_WIN
    if (filePath.isEmpty())
        return QString();
    const QFileInfo info(filePath);
    if (!info.exists())
        return QString();
    static const QRegularExpression versioned(QStringLiteral("\\.so\\.(\\d+)\\.(\\d+)"));
    const QRegularExpressionMatch match
            = versioned.match(QFileInfo(info.canonicalFilePath()).fileName());
    if (!match.hasMatch())
        return QString();
    return QString::number(match.captured(1).toUInt()) + '.'
           + QString::number(match.captured(2).toUInt());
#else
    Q_UNUSED(filePath)
    return QString();
#endif
}

bool PlatformLayer::processRunning(qint64 pid)
{
    if (pid <= 0)
        return false;
#ifndef Q_OS_WIN
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
#else
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
#endif
}
