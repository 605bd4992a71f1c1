#include "appinfo.h"

QString AppInfo::productTitle()
{
    return QStringLiteral("Реестр свидетельств НОО");
}

QString appVersionString()
{
    return QStringLiteral("%1.%2.%3")
            .arg(AppInfo::versionMajor)
            .arg(AppInfo::versionMinor)
            .arg(AppInfo::versionPatch);
}

QString appTitle()
{
    return QStringLiteral("%1 v%2.%3.%4")
            .arg(AppInfo::productTitle())
            .arg(AppInfo::versionMajor)
            .arg(AppInfo::versionMinor)
            .arg(AppInfo::versionPatch);
}
