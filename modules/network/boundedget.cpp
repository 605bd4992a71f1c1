#include "boundedget.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {
int deadlineMs = BoundedGet::defaultDeadlineMs;
constexpr char cutProperty[] = "zrCutReason";

void cut(QNetworkReply *reply, const QString &reason)
{
    if (reply->isFinished())
        return;
    reply->setProperty(cutProperty, reason);
    reply->abort();
}
} // namespace

QNetworkReply *BoundedGet::start(QNetworkAccessManager *manager, const QUrl &url, qint64 maxBytes)
{
    QNetworkReply *reply = manager->get(QNetworkRequest(url));
    QObject::connect(reply,
                     &QNetworkReply::downloadProgress,
                     reply,
                     [reply, maxBytes](qint64 received, qint64 total) {
                         if (received > maxBytes || total > maxBytes)
                             cut(reply, QStringLiteral("larger than %1 bytes").arg(maxBytes));
                     });
    auto deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    deadline->setTimerType(Qt::PreciseTimer);
    const int ms = deadlineMs;
    QObject::connect(deadline, &QTimer::timeout, reply, [reply, ms] {
        cut(reply, QStringLiteral("no whole answer within %1 ms").arg(ms));
    });
    deadline->start(ms);
    return reply;
}

QString BoundedGet::cutReason(const QNetworkReply *reply)
{
    return reply->property(cutProperty).toString();
}

void BoundedGet::setDeadline(int milliseconds)
{
    deadlineMs = milliseconds;
}
