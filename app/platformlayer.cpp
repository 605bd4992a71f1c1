#include "platformlayer.h"

#include <QSettings>
#include <QStandardPaths>

void PlatformLayer::prepareSettingsPaths()
{
#ifndef Q_OS_WIN
    QSettings::setPath(QSettings::IniFormat,
                       QSettings::SystemScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
#endif
}
