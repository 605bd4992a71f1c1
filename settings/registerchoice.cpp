#include "registerchoice.h"

#include "database/database.h"

#include <QSettings>

namespace {

const QString kindKey = QStringLiteral("Register/kind");
const QString addressKey = QStringLiteral("Register/address");
const QString serverKind = QStringLiteral("server");
const QString fileKind = QStringLiteral("file");

} // namespace

bool RegisterChoice::serverChosen()
{
    return Database::userSettings()->value(kindKey).toString() == serverKind;
}

bool RegisterChoice::storedServer(RegisterAddress *address, QString *error)
{
    const QString stored = Database::userSettings()->value(addressKey).toString();
    RegisterAddress parsed;
    if (stored.isEmpty() || !RegisterAddress::parse(stored, &parsed, error) || !parsed.isServer()) {
        if (error->isEmpty())
            *error = QStringLiteral("В настройках не указан адрес сервера реестра.");
        return false;
    }
    *address = parsed;
    return true;
}

bool RegisterChoice::store(bool server, const RegisterAddress &serverAddress)
{
    QSettings *settings = Database::userSettings();
    settings->setValue(kindKey, server ? serverKind : fileKind);
    if (serverAddress.isServer())
        settings->setValue(addressKey, serverAddress.toString());
    settings->sync();
    return settings->status() == QSettings::NoError;
}
