#include "weblink.h"

#include "app/debuglog.h"

#include <QDesktopServices>

bool WebLink::isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == "http" || scheme == "https") && !url.host().isEmpty();
}

bool WebLink::open(const QString &link)
{
    const QUrl url(link.trimmed());
    if (!isWebAddress(url)) {
        ZR_LOG() << "refused to open a link that is not a web address:" << link;
        return false;
    }
    return QDesktopServices::openUrl(url);
}
