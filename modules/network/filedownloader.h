#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkReply;

// One-shot download of a file into the per-user folder; deletes itself when done.
// A failed download is still reported as done when an earlier copy of the file
// exists, so the banner keeps its pictures without network.
class FileDownloader : public QObject
{
    Q_OBJECT
public:
    // A banner picture or list is small: a hostile or broken server must not fill the disk.
    static constexpr qint64 defaultMaxSize = 4 * 1024 * 1024;

    explicit FileDownloader(QObject *parent = nullptr);

    void setUrl(const QString &url);
    QUrl url() const { return m_url; }
    void setMaxSize(qint64 bytes) { m_maxSize = bytes; }

    // The per-user folder's "downloads": kept apart so that no downloaded name
    // can replace the program's own files (settings.ini, debug.txt).
    static QString downloadFolder();
    // The last path segment of the address, reduced to a plain file name;
    // empty when the address has none.
    static QString safeFileName(const QUrl &url);
    // Where the file goes; empty when no safe name can be derived.
    QString targetPath() const;

public slots:
    void download();

signals:
    void done(const QString &filename);
    void error();
    void downloadProgress(qint64 recieved, qint64 total);

private slots:
    void downloadFinished(QNetworkReply *reply);
    void onDownloadProgress(qint64 recieved, qint64 total);

private:
    void finishFailed(const QString &path);

    QNetworkAccessManager m_manager;
    QUrl m_url;
    QPointer<QNetworkReply> m_reply;
    qint64 m_maxSize = defaultMaxSize;
    bool m_started = false;
};
