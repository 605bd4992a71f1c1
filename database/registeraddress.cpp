#include "registeraddress.h"

#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

namespace {

const QString serverScheme = QStringLiteral("postgresql");

bool validSslMode(const QString &mode)
{
    static const QStringList modes{QStringLiteral("disable"),
                                   QStringLiteral("allow"),
                                   QStringLiteral("prefer"),
                                   QStringLiteral("require"),
                                   QStringLiteral("verify-ca"),
                                   QStringLiteral("verify-full")};
    return modes.contains(mode);
}

} // namespace

RegisterAddress RegisterAddress::ofFile(const QString &file)
{
    RegisterAddress address;
    address.file = file;
    return address;
}

bool RegisterAddress::parse(const QString &text, RegisterAddress *address, QString *error)
{
    if (!text.startsWith(serverScheme + QLatin1Char(':'), Qt::CaseInsensitive)) {
        if (text.trimmed().isEmpty()) {
            *error = QStringLiteral("Не указан реестр.");
            return false;
        }
        *address = ofFile(text);
        return true;
    }
    const QUrl url(text, QUrl::StrictMode);
    const QString database = url.path().mid(1);
    if (!url.isValid() || url.host().isEmpty() || url.userName().isEmpty() || database.isEmpty()
        || database.contains(QLatin1Char('/'))) {
        *error = QStringLiteral("Неверный адрес сервера \"%1\": нужен вид "
                                "postgresql://ПОЛЬЗОВАТЕЛЬ@СЕРВЕР:ПОРТ/БАЗА.")
                         .arg(url.toString(QUrl::RemovePassword));
        return false;
    }
    if (!url.password().isEmpty()) {
        *error = QStringLiteral("Пароль в адресе сервера не принимается: храните его в файле "
                                "паролей ~/.pgpass (с правами 0600).");
        return false;
    }
    RegisterAddress server;
    server.kind = Kind::Server;
    server.host = url.host();
    server.port = url.port(5432);
    server.database = database;
    server.user = url.userName();
    const QUrlQuery query(url);
    for (const auto &item : query.queryItems(QUrl::FullyDecoded)) {
        if (item.first == QLatin1String("sslmode") && validSslMode(item.second)) {
            server.sslMode = item.second;
        } else if (item.first == QLatin1String("sslrootcert") && !item.second.isEmpty()) {
            server.sslRootCert = item.second;
        } else {
            *error = QStringLiteral("Неизвестный параметр адреса сервера \"%1=%2\": допустимы "
                                    "sslmode (disable, allow, prefer, require, verify-ca, "
                                    "verify-full) и sslrootcert.")
                             .arg(item.first, item.second);
            return false;
        }
    }
    *address = server;
    return true;
}

QString RegisterAddress::toString() const
{
    if (kind == Kind::File)
        return file;
    QUrl url;
    url.setScheme(serverScheme);
    url.setUserName(user);
    url.setHost(host);
    url.setPort(port);
    url.setPath(QLatin1Char('/') + database);
    QUrlQuery query;
    if (!sslMode.isEmpty())
        query.addQueryItem(QStringLiteral("sslmode"), sslMode);
    if (!sslRootCert.isEmpty())
        query.addQueryItem(QStringLiteral("sslrootcert"), sslRootCert);
    url.setQuery(query);
    return url.toString();
}
