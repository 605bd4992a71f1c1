#include "changeauthor.h"

#include "database/database.h"

#include <QSysInfo>

QString ChangeAuthor::current()
{
    QString login = qEnvironmentVariable("USER");
    if (login.isEmpty())
        login = qEnvironmentVariable("USERNAME");
    const QString host = QSysInfo::machineHostName();
    const QString who = login.isEmpty() ? host : login + QLatin1Char('@') + host;
    // On a server the role it works under is named too: several people may share a login.
    const RegisterAddress address = Database::registerAddress();
    return address.isServer() ? QStringLiteral("%1 (%2)").arg(who, address.user) : who;
}
