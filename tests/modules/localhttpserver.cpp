#include "localhttpserver.h"

#include <QTcpSocket>
#include <QTimer>

LocalHttpServer::LocalHttpServer(QObject *parent)
    : QTcpServer(parent)
{
    connect(this, &QTcpServer::newConnection, this, &LocalHttpServer::onNewConnection);
    listen(QHostAddress::LocalHost, 0);
}

QUrl LocalHttpServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(serverPort()));
}

QString LocalHttpServer::url(const QString &path) const
{
    return baseUrl().resolved(QUrl(path)).toString();
}

QUrl LocalHttpServer::refusingUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port));
}

void LocalHttpServer::setResponse(const QString &path, const Response &response)
{
    m_responses.insert(path, response);
}

void LocalHttpServer::setFile(const QString &path, const QByteArray &body)
{
    Response response;
    response.body = body;
    setResponse(path, response);
}

void LocalHttpServer::clear()
{
    m_responses.clear();
    m_hits.clear();
}

void LocalHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void LocalHttpServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    if (!buffer.contains("\r\n\r\n"))
        return;
    const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
    buffer.clear();
    const QString path
            = requestLine.size() > 1 ? QString::fromLatin1(requestLine.at(1)) : QString();
    m_hits[path] += 1;

    Response response;
    if (m_responses.contains(path))
        response = m_responses.value(path);
    else
        response.status = 404;

    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status)
                      + (response.status == 200 ? " OK" : " Other") + "\r\n"
                      + "Connection: close\r\n";
    if (response.announceLength)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    if (!response.location.isEmpty())
        head += "Location: " + response.location + "\r\n";
    if (response.silent)
        return;
    const QByteArray answer = head + "\r\n" + response.body;
    if (response.byteIntervalMs <= 0) {
        socket->write(answer);
        socket->disconnectFromHost();
        return;
    }
    auto trickle = new QTimer(socket);
    connect(trickle, &QTimer::timeout, socket, [socket, trickle, answer, sent = 0]() mutable {
        socket->write(answer.mid(sent++, 1));
        if (sent < answer.size())
            return;
        trickle->stop();
        socket->disconnectFromHost();
    });
    trickle->start(response.byteIntervalMs);
}
