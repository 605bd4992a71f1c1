#include "filedownloader.h"

#include "app/debuglog.h"
#include "database/database.h"
#include "modules/network/boundedget.h"
#include "modules/network/weblink.h"

#include "ZrReport/filereplacement.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {
constexpr int maxFileNameLength = 100;
}

FileDownloader::FileDownloader(QObject *parent)
    : QObject(parent)
{
    connect(&m_manager, &QNetworkAccessManager::finished, this, &FileDownloader::downloadFinished);
}

void FileDownloader::setUrl(const QString &url)
{
    m_url = QUrl(url.trimmed());
}

QString FileDownloader::downloadFolder()
{
    return Database::userPath() + "/downloads";
}

QString FileDownloader::safeFileName(const QUrl &url)
{
    QString name = url.fileName(QUrl::FullyDecoded);
    name = name.section('/', -1).section('\\', -1);
    QString safe;
    for (const QChar c : name)
        safe += (c.isLetterOrNumber() || c == '.' || c == '-' || c == '_') ? c : QChar('_');
    // No hidden files and, with that, no "." or "..".
    while (safe.startsWith('.'))
        safe.remove(0, 1);
    return safe.left(maxFileNameLength);
}

QString FileDownloader::targetPath() const
{
    const QString name = safeFileName(m_url);
    return name.isEmpty() ? QString() : downloadFolder() + "/" + name;
}

void FileDownloader::download()
{
    if (m_started)
        return;
    m_started = true;
    if (!WebLink::isWebAddress(m_url) || targetPath().isEmpty()) {
        ZR_LOG() << "refused to download" << m_url.toString();
        // Answer from the event loop, as a network reply would.
        QMetaObject::invokeMethod(
                this, [this] { finishFailed(targetPath()); }, Qt::QueuedConnection);
        return;
    }
    m_reply = BoundedGet::start(&m_manager, m_url, m_maxSize);
    connect(m_reply.data(),
            &QNetworkReply::downloadProgress,
            this,
            &FileDownloader::onDownloadProgress);
}

void FileDownloader::onDownloadProgress(qint64 recieved, qint64 total)
{
    emit downloadProgress(recieved, total);
}

void FileDownloader::downloadFinished(QNetworkReply *reply)
{
    reply->deleteLater();
    const QString path = targetPath();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QString cut = BoundedGet::cutReason(reply);
    const QByteArray content = cut.isEmpty() ? reply->readAll() : QByteArray();
    if (!cut.isEmpty() || content.size() > m_maxSize) {
        ZR_LOG() << "reply ERROR" << (cut.isEmpty() ? QStringLiteral("too large") : cut)
                 << m_url.toString();
        finishFailed(path);
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        ZR_LOG() << "reply ERROR" << reply->errorString();
        finishFailed(path);
        return;
    }
    // A redirect or an empty answer is not the file we asked for.
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
        ZR_LOG() << "reply ERROR"
                 << "HTTP status" << status.toInt() << m_url.toString();
        finishFailed(path);
        return;
    }

    QDir().mkpath(downloadFolder());
    // Written aside and renamed, so a failed write leaves the earlier copy whole.
    FileReplacement file(path);
    file.setExpectedSize(content.size());
    if (!file.open() || file.device()->write(content) != content.size() || !file.commit()) {
        ZR_LOG() << "fileopen error" << path << file.errorString();
        emit error();
    } else {
        emit done(path);
    }
    deleteLater();
}

void FileDownloader::finishFailed(const QString &path)
{
    if (!path.isEmpty() && QFileInfo(path).isFile())
        emit done(path);
    else
        emit error();
    deleteLater();
}
