#include "changeauthor.h"

#include <QSysInfo>

QString ChangeAuthor::current()
{
    QString login = qEnvironmentVariable("USER");
    if (login.isEmpty())
        login = qEnvironmentVariable("USERNAME");
    const QString host = QSysInfo::machineHostName();
    return login.isEmpty() ? host : login + QLatin1Char('@') + host;
}
