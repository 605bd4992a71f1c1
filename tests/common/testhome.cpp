#include "testhome.h"

#include <QDir>

TestHome::TestHome()
{
    const QString root = m_dir.path();
    for (const char *sub : {"config", "data", "cache", "runtime"})
        QDir(root).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(root + "/runtime",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", root.toUtf8());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    qputenv("XDG_CACHE_HOME", (root + "/cache").toUtf8());
    qputenv("XDG_RUNTIME_DIR", (root + "/runtime").toUtf8());
    // The update check and the banner strip of any window a test builds ask a
    // closed port here and never another host; network tests start their own server.
    qputenv("ZRPS_SERVER_URL", "http://127.0.0.1:1/");
}

QString TestHome::configHome() const
{
    return m_dir.path() + "/config";
}

QString TestHome::dataHome() const
{
    return m_dir.path() + "/data";
}
