#include "database/database.h"
#include "localhttpserver.h"
#include "modules/banner/banner.h"
#include "modules/banner/banneritem.h"
#include "modules/network/boundedget.h"
#include "modules/network/filedownloader.h"
#include "modules/network/serveraddress.h"
#include "modules/network/weblink.h"
#include "modules/updater/updater.h"
#include "testhome.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QSignalSpy>
#include <memory>

// Stands in for the browser: records what the program asked to open.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestFileDownloader : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void safeFileName_data();
    void safeFileName();
    void download_data();
    void download();
    void stalledServer_data();
    void stalledServer();
    void serverAddress_data();
    void serverAddress();
    void webLink_data();
    void webLink();

private:
    static void writeFile(const QString &path, const QByteArray &bytes);
    static QByteArray readFile(const QString &path);

    LocalHttpServer *m_server = nullptr;
};

void TestFileDownloader::init()
{
    m_server = new LocalHttpServer(this);
    QVERIFY(m_server->isListening());
    QDir(FileDownloader::downloadFolder()).removeRecursively();
}

void TestFileDownloader::cleanup()
{
    delete m_server;
    m_server = nullptr;
    BoundedGet::setDeadline(BoundedGet::defaultDeadlineMs);
    qputenv(ServerAddress::environmentVariable, LocalHttpServer::refusingUrl().toEncoded());
}

void TestFileDownloader::writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray TestFileDownloader::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void TestFileDownloader::safeFileName_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("name");

    QTest::newRow("plain picture name") << "https://h.example/docs/b1.gif"
                                        << "b1.gif";
    QTest::newRow("query is not part of the name") << "https://h.example/p.png?x=/../y"
                                                   << "p.png";
    QTest::newRow("encoded slashes cannot climb out")
            << "https://h.example/a/..%2F..%2Fsettings.ini"
            << "settings.ini";
    QTest::newRow("encoded backslashes cannot climb out")
            << "https://h.example/a/..%5C..%5Cevil.gif"
            << "evil.gif";
    QTest::newRow("no path gives no name") << "https://h.example/"
                                           << "";
    QTest::newRow("bare host gives no name") << "https://h.example"
                                             << "";
    QTest::newRow("dot dot gives no name") << "https://h.example/a/%2E%2E"
                                           << "";
    QTest::newRow("hidden file loses its dots") << "https://h.example/.bashrc"
                                                << "bashrc";
    QTest::newRow("odd characters become underscores") << "https://h.example/a%20b%22c%3A.gif"
                                                       << "a_b_c_.gif";
    QTest::newRow("cyrillic name kept")
            << "https://h.example/%D0%B1%D0%B0%D0%BD%D0%BD%D0%B5%D1%80.png"
            << "баннер.png";
    QTest::newRow("overlong name cut to 100 characters")
            << "https://h.example/" + QString(300, 'a') << QString(100, 'a');
}

void TestFileDownloader::safeFileName()
{
    QFETCH(QString, url);
    QFETCH(QString, name);
    QCOMPARE(FileDownloader::safeFileName(QUrl(url)), name);
}

void TestFileDownloader::download_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("announceLength");
    QTest::addColumn<QString>("path");        // requested from the local server
    QTest::addColumn<QString>("urlOverride"); // instead of the local server's address
    QTest::addColumn<qint64>("maxSize");
    QTest::addColumn<bool>("earlierCopy");
    QTest::addColumn<bool>("expectDone");
    QTest::addColumn<QByteArray>("expectContent"); // of the stored file afterwards

    const QByteArray picture(3000, 'p');
    const QByteArray earlier("earlier copy");
    const qint64 cap = FileDownloader::defaultMaxSize;

    QTest::newRow("stored under its name") << 200 << picture << true << "/pics/b1.gif"
                                           << "" << cap << false << true << picture;
    QTest::newRow("replaces an earlier copy") << 200 << picture << true << "/pics/b1.gif"
                                              << "" << cap << true << true << picture;
    QTest::newRow("not found without earlier copy")
            << 404 << QByteArray() << true << "/none.gif"
            << "" << cap << false << false << QByteArray("<missing>");
    QTest::newRow("not found reports the earlier copy")
            << 404 << QByteArray() << true << "/pics/b1.gif"
            << "" << cap << true << true << earlier;
    QTest::newRow("server down reports the earlier copy")
            << 0 << QByteArray() << true << "/pics/b1.gif"
            << LocalHttpServer::refusingUrl().toString() + "pics/b1.gif" << cap << true << true
            << earlier;
    QTest::newRow("redirect is not the file")
            << 302 << QByteArray("moved") << true << "/pics/b1.gif"
            << "" << cap << false << false << QByteArray("<missing>");
    QTest::newRow("announced oversize refused")
            << 200 << picture << true << "/pics/b1.gif"
            << "" << qint64(1000) << false << false << QByteArray("<missing>");
    QTest::newRow("oversize without length refused")
            << 200 << QByteArray(300000, 'x') << false << "/pics/b1.gif"
            << "" << qint64(1000) << false << false << QByteArray("<missing>");
    QTest::newRow("oversize keeps the earlier copy whole")
            << 200 << picture << true << "/pics/b1.gif"
            << "" << qint64(1000) << true << true << earlier;
    QTest::newRow("default cap refuses five megabytes")
            << 200 << QByteArray(5 * 1024 * 1024, 'x') << true << "/pics/b1.gif"
            << "" << cap << false << false << QByteArray("<missing>");
    QTest::newRow("file scheme refused")
            << 200 << picture << true << "/pics/b1.gif"
            << "file:///etc/hostname" << cap << false << false << QByteArray("<missing>");
    QTest::newRow("address without file name refused")
            << 200 << picture << true << "/"
            << "" << cap << false << false << QByteArray("<missing>");
}

void TestFileDownloader::download()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, announceLength);
    QFETCH(QString, path);
    QFETCH(QString, urlOverride);
    QFETCH(qint64, maxSize);
    QFETCH(bool, earlierCopy);
    QFETCH(bool, expectDone);
    QFETCH(QByteArray, expectContent);

    LocalHttpServer::Response response;
    response.status = status;
    response.body = body;
    response.announceLength = announceLength;
    if (status == 302)
        response.location = "http://127.0.0.1:1/elsewhere.gif";
    m_server->setResponse(path, response);

    const QString url = urlOverride.isEmpty() ? m_server->url(path) : urlOverride;
    const QString name = FileDownloader::safeFileName(QUrl(url));
    const QString target = FileDownloader::downloadFolder() + "/" + name;
    if (earlierCopy)
        writeFile(target, "earlier copy");

    QPointer<FileDownloader> downloader = new FileDownloader;
    downloader->setUrl(url);
    downloader->setMaxSize(maxSize);
    QSignalSpy done(downloader.data(), &FileDownloader::done);
    QSignalSpy failed(downloader.data(), &FileDownloader::error);
    downloader->download();

    QTRY_VERIFY_WITH_TIMEOUT(done.count() + failed.count() == 1, 10000);
    QCOMPARE(done.count(), expectDone ? 1 : 0);
    if (expectDone)
        QCOMPARE(done.at(0).at(0).toString(), target);
    if (!name.isEmpty())
        QCOMPARE(readFile(target), expectContent);
    QTRY_VERIFY(downloader.isNull());
    // Nothing but the one file ever lands in the folder.
    const QStringList stored = QDir(FileDownloader::downloadFolder()).entryList(QDir::Files);
    QVERIFY2(stored.size() <= 1, qPrintable(stored.join(", ")));
}

// Every request to our server ends within its deadline, whatever the server does.
void TestFileDownloader::stalledServer_data()
{
    QTest::addColumn<QString>("path"); // the file that stalls; the service asking for it follows
    QTest::addColumn<bool>("silent");  // else one byte a second
    QTest::addColumn<QString>("outcome");

    const QString noServer = "Не удалось подключиться к серверу обновлений";
    QTest::newRow("update check from a server sending a byte a second")
            << "/po/last_version.xml" << false << noServer;
    QTest::newRow("update check from a server that never answers")
            << "/po/last_version.xml" << true << noServer;
    QTest::newRow("download from a server sending a byte a second")
            << "/pics/b1.gif" << false << "error";
    QTest::newRow("banner list from a server sending a byte a second")
            << "/docs/banners/banner.xml" << false << QString(Banner::builtInPicture);
    // The other picture is shown.
    QTest::newRow("banner picture from a server sending a byte a second")
            << "/pics/slow.png" << false << "/good.png";
}

void TestFileDownloader::stalledServer()
{
    QFETCH(QString, path);
    QFETCH(bool, silent);
    QFETCH(QString, outcome);
    const int deadline = 1000;
    BoundedGet::setDeadline(deadline);
    qputenv(ServerAddress::environmentVariable, m_server->baseUrl().toEncoded());
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage picture(70, 40, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    picture.save(&buffer, "PNG");
    m_server->setFile("/pics/good.png", png);
    QString list = "<banners>";
    for (const QString name : {"slow.png", "good.png"})
        list += "<banner><imgUrl>" + m_server->url("/pics/" + name)
                + "</imgUrl><linkUrl>https://zrsoftware.example/</linkUrl>"
                  "<showTime>0</showTime></banner>";
    m_server->setFile("/docs/banners/banner.xml", (list + "</banners>").toUtf8());
    LocalHttpServer::Response stalled;
    stalled.body = QByteArray(500, 'x');
    stalled.silent = silent;
    stalled.byteIntervalMs = 1000;
    m_server->setResponse(path, stalled);

    QElapsedTimer elapsed;
    elapsed.start();
    QString ended;
    QObject owner;
    std::unique_ptr<Banner> banner;
    if (path.startsWith("/po/")) {
        connect(new Updater(&owner), &Updater::updatingError, &owner, [&](const QString &text) {
            ended = text;
        });
    } else if (path.endsWith(".gif")) {
        auto downloader = new FileDownloader(&owner);
        downloader->setUrl(m_server->url(path));
        connect(downloader, &FileDownloader::error, &owner, [&] { ended = "error"; });
        downloader->download();
    } else {
        banner = std::make_unique<Banner>();
        connect(banner.get(), &Banner::rearranged, &owner, [&] {
            if (banner->loadingItems().isEmpty() && banner->visibleItems().size() == 1)
                ended = banner->visibleItems().first()->localPath;
        });
    }
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), deadline + 4000);
    QVERIFY2(elapsed.elapsed() >= deadline, qPrintable(QString::number(elapsed.elapsed())));
    QVERIFY2(ended.endsWith(outcome), qPrintable(ended));
}

void TestFileDownloader::serverAddress_data()
{
    QTest::addColumn<QByteArray>("environment");
    QTest::addColumn<QString>("versionFile");

    QTest::newRow("default is https on the reserved domain")
            << QByteArray() << "https://zrsoftware.example/po/last_version.xml";
    QTest::newRow("override without trailing slash")
            << QByteArray("http://127.0.0.1:8080") << "http://127.0.0.1:8080/po/last_version.xml";
    QTest::newRow("override with a folder") << QByteArray("http://127.0.0.1:8080/test")
                                            << "http://127.0.0.1:8080/test/po/last_version.xml";
    QTest::newRow("non-web override sends nothing anywhere") << QByteArray("file:///tmp/") << "";
    QTest::newRow("garbage override sends nothing anywhere") << QByteArray("127.0.0.1") << "";
}

void TestFileDownloader::serverAddress()
{
    QFETCH(QByteArray, environment);
    QFETCH(QString, versionFile);
    const QByteArray saved = qgetenv(ServerAddress::environmentVariable);
    if (environment.isEmpty())
        qunsetenv(ServerAddress::environmentVariable);
    else
        qputenv(ServerAddress::environmentVariable, environment);
    const QUrl resolved = ServerAddress::resolve("po/last_version.xml");
    qputenv(ServerAddress::environmentVariable, saved);
    QCOMPARE(resolved.toString(), versionFile);
}

void TestFileDownloader::webLink_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<bool>("opened");

    QTest::newRow("https page") << "https://zrsoftware.example/forum" << true;
    QTest::newRow("http page") << "http://zrsoftware.example/" << true;
    QTest::newRow("upper-case scheme") << "HTTPS://zrsoftware.example/" << true;
    QTest::newRow("javascript refused") << "javascript:alert(1)" << false;
    QTest::newRow("local file refused") << "file:///etc/passwd" << false;
    QTest::newRow("mail refused") << "mailto:a@zrsoftware.example" << false;
    QTest::newRow("ftp refused") << "ftp://zrsoftware.example/x" << false;
    QTest::newRow("empty refused") << "" << false;
    QTest::newRow("relative refused") << "docs/page.html" << false;
}

void TestFileDownloader::webLink()
{
    QFETCH(QString, link);
    QFETCH(bool, opened);
    UrlRecorder recorder;
    const QStringList schemes{"http", "https", "javascript", "file", "mailto", "ftp"};
    for (const QString &scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, &recorder, "open");
    const bool result = WebLink::open(link);
    for (const QString &scheme : schemes)
        QDesktopServices::unsetUrlHandler(scheme);
    QCOMPARE(result, opened);
    QCOMPARE(recorder.opened.size(), opened ? 1 : 0);
}

ZR_TEST_MAIN(TestFileDownloader)
#include "tst_filedownloader.moc"
