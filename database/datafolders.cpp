#include "datafolders.h"

#include "app/appinfo.h"
#include "app/platformlayer.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <memory>

namespace {

struct Folders
{
    QString userPath;
    QString dataPath;
    std::unique_ptr<QSettings> userSettings;
    std::unique_ptr<QSettings> dataSettings;
};

std::unique_ptr<Folders> &resolved()
{
    static std::unique_ptr<Folders> folders;
    return folders;
}

const QString appName = QString::fromLatin1(AppInfo::applicationName);

Folders &folders()
{
    std::unique_ptr<Folders> &p = resolved();
    if (p)
        return *p;
    p = std::make_unique<Folders>();
    PlatformLayer::prepareSettingsPaths();
    const QString org = QString::fromLatin1(AppInfo::organizationName);
    {
        QSettings userScope(QSettings::IniFormat, QSettings::UserScope, org, appName);
        p->userPath = QFileInfo(userScope.fileName()).absolutePath();
    }
    QDir().mkpath(p->userPath);
    p->userSettings
            = std::make_unique<QSettings>(p->userPath + "//settings.ini", QSettings::IniFormat);
    p->dataPath = p->userSettings->value(appName + "/dataPath", QString()).toString();
    if (p->dataPath.isEmpty()) {
        QSettings systemScope(QSettings::IniFormat, QSettings::SystemScope, org, appName);
        p->dataPath = QFileInfo(systemScope.fileName()).absolutePath();
    }
    QDir().mkpath(p->dataPath);
    p->dataPath = QFileInfo(p->dataPath).absoluteFilePath();
    p->dataSettings
            = std::make_unique<QSettings>(p->dataPath + "/settings.ini", QSettings::IniFormat);
    return *p;
}

} // namespace

QString DataFolders::userPath()
{
    return folders().userPath;
}

QString DataFolders::dataPath()
{
    return folders().dataPath;
}

QString DataFolders::registerFile()
{
    return dataPath() + "/" + appName + ".db";
}

QSettings *DataFolders::userSettings()
{
    return folders().userSettings.get();
}

QSettings *DataFolders::dataSettings()
{
    return folders().dataSettings.get();
}

void DataFolders::forget()
{
    resolved().reset();
}

bool DataFolders::samePath(const QString &a, const QString &b)
{
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath());
}

QString DataFolders::stampedName(const QString &prefix, const QString &suffix)
{
    const QString stamp
            = prefix + QDateTime::currentDateTime().toString(QStringLiteral("hh-mm_dd-MM-yyyy"));
    QString name = stamp + suffix;
    for (int n = 1; QFileInfo::exists(name); ++n)
        name = stamp + "_" + QString::number(n) + suffix;
    return name;
}
