#pragma once

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QString>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A tiny HTTP/1.1 server on 127.0.0.1 for the online services' tests: it answers
// GET requests from a table of paths and counts what was asked for.
class LocalHttpServer : public QTcpServer
{
    Q_OBJECT
public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        // Without Content-Length the body ends when the connection closes.
        bool announceLength = true;
        QByteArray location;
        // A stalling server: the whole answer goes out one byte per interval, or nothing
        // at all while the connection stays open.
        int byteIntervalMs = 0;
        bool silent = false;
    };

    explicit LocalHttpServer(QObject *parent = nullptr);

    // "http://127.0.0.1:<port>/"
    QUrl baseUrl() const;
    QString url(const QString &path) const;
    // A port on 127.0.0.1 where nobody listens: connections are refused.
    static QUrl refusingUrl();

    void setResponse(const QString &path, const Response &response);
    void setFile(const QString &path, const QByteArray &body);
    void clear();
    int hits(const QString &path) const { return m_hits.value(path); }

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);

    QMap<QString, Response> m_responses;
    QHash<QString, int> m_hits;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};
