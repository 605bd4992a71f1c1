#include "serveraddress.h"

#include "app/debuglog.h"
#include "modules/network/weblink.h"

QUrl ServerAddress::base()
{
    const QByteArray override = qgetenv(environmentVariable);
    QUrl url(QString::fromUtf8(override.isEmpty() ? QByteArray(defaultBase) : override.trimmed()));
    if (!WebLink::isWebAddress(url)) {
        ZR_LOG() << "server address is not an http(s) address:" << override;
        return QUrl();
    }
    if (!url.path().endsWith('/'))
        url.setPath(url.path() + '/');
    return url;
}

QUrl ServerAddress::resolve(const QString &relativePath)
{
    const QUrl root = base();
    if (!root.isValid())
        return QUrl();
    return root.resolved(QUrl(relativePath));
}
