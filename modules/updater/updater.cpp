#include "updater.h"

#include "app/appinfo.h"
#include "app/debuglog.h"
#include "modules/network/boundedget.h"
#include "modules/network/filedownloader.h"
#include "modules/network/serveraddress.h"
#include "modules/network/serverxml.h"
#include "modules/network/weblink.h"

#include <QDomDocument>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <tuple>

namespace {
// A component that does not fit keeps its low 8 bits; one that is no number is 0.
quint8 versionComponent(const QString &text)
{
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok);
    return ok ? quint8(value & 0xFF) : 0;
}
} // namespace

Updater::Updater(QObject *parent)
    : QObject(parent)
    , m_url(versionFileUrl())
{
    connect(&m_manager, &QNetworkAccessManager::finished, this, &Updater::fileDownloaded);
    // The version file is tiny; a server that sends more, or takes long, is broken or hostile.
    BoundedGet::start(&m_manager, m_url, FileDownloader::defaultMaxSize);
}

QUrl Updater::versionFileUrl()
{
    return ServerAddress::resolve(QStringLiteral("po/last_version.xml"));
}

QString Updater::connectionErrorText()
{
    return QStringLiteral("Не удалось подключиться к серверу обновлений");
}

QString Updater::latestInstalledText()
{
    return QStringLiteral("Установлена последняя версия программы.");
}

void Updater::fileDownloaded(QNetworkReply *pReply)
{
    const QVariant status = pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (pReply->error() != QNetworkReply::NoError) {
        const QString cut = BoundedGet::cutReason(pReply);
        ZR_LOG() << "update check:" << (cut.isEmpty() ? pReply->errorString() : cut);
        emit updatingError(connectionErrorText());
    } else if (status.isValid() && status.toInt() != 200) {
        // A redirect is no version file; without following it we cannot reach one.
        ZR_LOG() << "update check: HTTP status" << status.toInt();
        emit updatingError(connectionErrorText());
    } else if (pReply->bytesAvailable() > FileDownloader::defaultMaxSize) {
        // The whole answer may have arrived before the progress check could stop it.
        ZR_LOG() << "update check: answer too large";
        emit updatingError(connectionErrorText());
    } else {
        m_data = pReply->readAll();
        parse();
    }
    pReply->deleteLater();
    deleteLater();
}

void Updater::parse()
{
    const Answer answer = readVersionFile(m_data);
    if (answer.ready)
        emit updateIsReady(answer.text);
    else
        emit updatingError(answer.text);
}

Updater::Answer Updater::readVersionFile(const QByteArray &data)
{
    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (!ServerXml::isShallow(data)) {
        ZR_LOG() << "Error: version file is no XML or nested too deep";
        return {false, QStringLiteral("Что-то пошло не так.")};
    }
    if (!document.setContent(data, &message, &line, &column)) {
        ZR_LOG() << "Error: Parse error at line " << line << ", "
                 << "column " << column << ":" << message << "Loading default config";
        return {false, QStringLiteral("Что-то пошло не так.")};
    }
    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("zr-versions")) {
        ZR_LOG() << "Error: Not version info file";
        return {false, QStringLiteral("Что-то пошло не так...")};
    }

    QString versionText;
    QString downloadLink;
    const QString appName = QString::fromLatin1(AppInfo::applicationName);
    for (QDomElement product = root.firstChildElement(); !product.isNull();
         product = product.nextSiblingElement()) {
        if (product.tagName() != appName)
            continue;
        for (QDomElement entry = product.firstChildElement(); !entry.isNull();
             entry = entry.nextSiblingElement()) {
            if (entry.tagName() == QLatin1String("lastVersion"))
                versionText = entry.text();
            else if (entry.tagName() == QLatin1String("downloadLink"))
                downloadLink = entry.text().trimmed();
        }
    }

    const QStringList parts = versionText.split('.');
    if (parts.size() != 3) {
        ZR_LOG() << "Error: version text" << versionText;
        return {false, QStringLiteral("Что-то пошло не так..")};
    }
    const auto announced = std::make_tuple(versionComponent(parts.at(0)),
                                           versionComponent(parts.at(1)),
                                           versionComponent(parts.at(2)));
    const auto own = std::make_tuple(quint8(AppInfo::versionMajor),
                                     quint8(AppInfo::versionMinor),
                                     quint8(AppInfo::versionPatch));
    if (announced <= own)
        return {false, latestInstalledText()};
    // The link goes to the browser: only a web page may be offered.
    if (!WebLink::isWebAddress(QUrl(downloadLink))) {
        ZR_LOG() << "Error: download link is not a web address:" << downloadLink;
        return {false, QStringLiteral("Что-то пошло не так..")};
    }
    return {true, downloadLink};
}
