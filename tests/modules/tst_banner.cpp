#include "localhttpserver.h"
#include "modules/banner/banner.h"
#include "modules/banner/banneritem.h"
#include "modules/network/filedownloader.h"
#include "modules/network/serveraddress.h"
#include "testhome.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMovie>
#include <QPainter>
#include <QSignalSpy>
#include <memory>

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestBanner : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void hiddenStripStillFetches();
    void rotatesTwoOfThree();
    void showTimeZeroStays();
    void tallPictureScaled();
    void acceptance_data();
    void acceptance();
    void layoutFivePixelsApart();
    void fallback_data();
    void fallback();
    void earlierCopiesServe();
    void hostileList_data();
    void hostileList();
    void badPictures_data();
    void badPictures();
    void clickOpensLink();
    void screenshot();

private:
    static QByteArray png(int width, int height);
    static QString bannerXml(const QStringList &banners, const QString &extra = QString());
    QString bannerEntry(const QString &picture, int showTime = -1, const QString &link = "");
    std::unique_ptr<Banner> startBanner();
    static bool settled(const Banner &banner);
    static QList<int> visibleXs(const Banner &banner);

    LocalHttpServer *m_server = nullptr;
};

void TestBanner::init()
{
    m_server = new LocalHttpServer(this);
    QVERIFY(m_server->isListening());
    qputenv(ServerAddress::environmentVariable, m_server->baseUrl().toEncoded());
    QDir(FileDownloader::downloadFolder()).removeRecursively();
}

void TestBanner::cleanup()
{
    delete m_server;
    m_server = nullptr;
    qputenv(ServerAddress::environmentVariable, LocalHttpServer::refusingUrl().toEncoded());
}

QByteArray TestBanner::png(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QString TestBanner::bannerXml(const QStringList &banners, const QString &extra)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<banners>\n" + extra + banners.join("\n")
           + "\n</banners>\n";
}

QString TestBanner::bannerEntry(const QString &picture, int showTime, const QString &link)
{
    QString entry = "<banner><imgUrl>" + m_server->url("/pics/" + picture) + "</imgUrl>";
    entry += "<linkUrl>" + (link.isEmpty() ? "https://zrsoftware.example/" + picture : link)
             + "</linkUrl>";
    if (showTime >= 0)
        entry += "<showTime>" + QString::number(showTime) + "</showTime>";
    return entry + "</banner>";
}

std::unique_ptr<Banner> TestBanner::startBanner()
{
    auto banner = std::make_unique<Banner>();
    banner->resize(800, banner->height());
    banner->show();
    return banner;
}

bool TestBanner::settled(const Banner &banner)
{
    return banner.loadingItems().isEmpty()
           && !(banner.visibleItems().isEmpty() && banner.queuedItems().isEmpty());
}

QList<int> TestBanner::visibleXs(const Banner &banner)
{
    QList<int> xs;
    for (BannerItem *item : banner.visibleItems())
        xs << item->label->x();
    return xs;
}

void TestBanner::hiddenStripStillFetches()
{
    m_server->setFile("/pics/a.png", png(50, 40));
    m_server->setFile("/pics/b.png", png(60, 40));
    m_server->setFile("/docs/banners/banner.xml",
                      bannerXml({bannerEntry("a.png"), bannerEntry("b.png")},
                                "<visibleBannersCount>0</visibleBannersCount>")
                              .toUtf8());
    auto banner = startBanner();
    QTRY_VERIFY(m_server->hits("/pics/a.png") == 1 && m_server->hits("/pics/b.png") == 1);
    QTRY_VERIFY(settled(*banner));
    QCOMPARE(banner->height(), 0);
    QCOMPARE(banner->visibleItems().size(), 0);
    QCOMPARE(banner->queuedItems().size(), 2);
    QVERIFY(QFile::exists(FileDownloader::downloadFolder() + "/a.png"));
}

void TestBanner::rotatesTwoOfThree()
{
    QStringList entries;
    for (const QString name : {"a.png", "b.png", "c.png"}) {
        m_server->setFile("/pics/" + name, png(100, 50));
        entries << bannerEntry(name, 1);
    }
    m_server->setFile("/docs/banners/banner.xml", bannerXml(entries).toUtf8());
    auto banner = startBanner();
    QTRY_VERIFY(settled(*banner) && banner->visibleItems().size() == 2);
    QCOMPARE(banner->height(), 100);

    QSignalSpy rearranged(banner.get(), &Banner::rearranged);
    // Each visible picture's show time ends after a second and makes room for a random one.
    QTRY_VERIFY_WITH_TIMEOUT(rearranged.count() >= 4, 6000);
    QCOMPARE(banner->visibleItems().size(), 2);
    QCOMPARE(banner->queuedItems().size(), 1);
    for (BannerItem *item : banner->visibleItems()) {
        QVERIFY(item->label->isVisible());
        QVERIFY(item->timer.isActive());
    }
    QVERIFY(banner->queuedItems().first()->label->isHidden());
    QCOMPARE(visibleXs(*banner), QList<int>({0, 105}));
}

void TestBanner::showTimeZeroStays()
{
    m_server->setFile("/pics/fixed.png", png(80, 50));
    m_server->setFile("/pics/b.png", png(80, 50));
    m_server->setFile("/pics/c.png", png(80, 50));
    m_server->setFile(
            "/docs/banners/banner.xml",
            bannerXml(
                    {bannerEntry("b.png", 1), bannerEntry("fixed.png", 0), bannerEntry("c.png", 1)})
                    .toUtf8());
    auto banner = startBanner();
    QTRY_VERIFY(settled(*banner) && banner->visibleItems().size() == 2);
    QSignalSpy rearranged(banner.get(), &Banner::rearranged);
    QTRY_VERIFY_WITH_TIMEOUT(rearranged.count() >= 3, 6000);
    const auto isFixed = [](BannerItem *item) { return item->localPath.endsWith("fixed.png"); };
    QCOMPARE(std::count_if(banner->visibleItems().begin(), banner->visibleItems().end(), isFixed),
             1);
    QVERIFY(std::none_of(banner->queuedItems().begin(), banner->queuedItems().end(), isFixed));
}

void TestBanner::tallPictureScaled()
{
    m_server->setFile("/pics/tall.png", png(300, 200));
    m_server->setFile("/pics/small.png", png(40, 30));
    m_server->setFile("/docs/banners/banner.xml",
                      bannerXml({bannerEntry("tall.png", 0), bannerEntry("small.png", 0)},
                                "<maxHeight>100</maxHeight>")
                              .toUtf8());
    auto banner = startBanner();
    QTRY_VERIFY(settled(*banner) && banner->visibleItems().size() == 2);
    BannerItem *tall = banner->visibleItems().at(0);
    BannerItem *small = banner->visibleItems().at(1);
    if (!tall->localPath.endsWith("tall.png"))
        std::swap(tall, small);
    QCOMPARE(tall->width, quint16(150));
    QCOMPARE(tall->label->size(), QSize(150, 100));
    QCOMPARE(tall->movie->scaledSize(), QSize(150, 100));
    QCOMPARE(small->label->size(), QSize(40, 30));
}

void TestBanner::acceptance_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("accepted");

    const QString img = "<imgUrl>%1</imgUrl>";
    const QString link = "<linkUrl>%1</linkUrl>";
    const QString site = "https://zrsoftware.example/page";
    QTest::newRow("complete banner") << img + link.arg(site) << true;
    QTest::newRow("without linkUrl") << img << false;
    QTest::newRow("empty linkUrl") << img + link.arg("") << false;
    QTest::newRow("without imgUrl") << link.arg(site) << false;
    QTest::newRow("javascript link") << img + link.arg("javascript:alert(1)") << false;
    QTest::newRow("file link") << img + link.arg("file:///etc/passwd") << false;
    QTest::newRow("picture from a file address")
            << "<imgUrl>file:///etc/hostname</imgUrl>" + link.arg(site) << false;
    QTest::newRow("relative picture address")
            << "<imgUrl>pics/p.png</imgUrl>" + link.arg(site) << false;
}

void TestBanner::acceptance()
{
    QFETCH(QString, entry);
    QFETCH(bool, accepted);
    m_server->setFile("/pics/p.png", png(70, 40));
    const QString banner = "<banner>" + entry.arg(m_server->url("/pics/p.png"))
                           + "<showTime>0</showTime></banner>";
    m_server->setFile("/docs/banners/banner.xml", bannerXml({banner}).toUtf8());

    auto strip = startBanner();
    QTRY_VERIFY(settled(*strip));
    QCOMPARE(strip->visibleItems().size(), 1);
    const QString shown = strip->visibleItems().first()->localPath;
    // A list without an accepted banner falls back to the built-in picture.
    QCOMPARE(shown == QString(Banner::builtInPicture), !accepted);
    QCOMPARE(m_server->hits("/pics/p.png"), accepted ? 1 : 0);
}

void TestBanner::layoutFivePixelsApart()
{
    m_server->setFile("/pics/w120.png", png(120, 60));
    m_server->setFile("/pics/w80.png", png(80, 60));
    m_server->setFile("/docs/banners/banner.xml",
                      bannerXml({bannerEntry("w120.png", 0), bannerEntry("w80.png", 0)}).toUtf8());
    auto banner = startBanner();
    QTRY_VERIFY(settled(*banner) && banner->visibleItems().size() == 2);
    // The pictures arrive in any order; the first to be ready is placed first.
    const QList<int> xs = visibleXs(*banner);
    const bool wideFirst = banner->visibleItems().first()->width == 120;
    QCOMPARE(xs, QList<int>({0, wideFirst ? 125 : 85}));
    for (BannerItem *item : banner->visibleItems())
        QCOMPARE(item->label->y(), 0);
}

void TestBanner::fallback_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<bool>("serverDown");

    QTest::newRow("list not XML") << 200 << QByteArray("<banners><banner>") << false;
    QTest::newRow("wrong document element")
            << 200 << QByteArray("<adverts><maxHeight>50</maxHeight></adverts>") << false;
    QTest::newRow("list missing on the server") << 404 << QByteArray() << false;
    // Crash input: the DOM parser recurses once per level and overflowed the stack.
    QTest::newRow("list nested 100000 levels deep")
            << 200
            << "<banners><maxHeight>50</maxHeight>" + QByteArray("<banner>").repeated(100000)
                       + QByteArray("</banner>").repeated(100000) + "</banners>"
            << false;
    QTest::newRow("server down") << 0 << QByteArray() << true;
}

void TestBanner::fallback()
{
    QFETCH(int, status);
    QFETCH(QByteArray, list);
    QFETCH(bool, serverDown);
    if (serverDown) {
        qputenv(ServerAddress::environmentVariable, LocalHttpServer::refusingUrl().toEncoded());
    } else {
        LocalHttpServer::Response response;
        response.status = status;
        response.body = list;
        m_server->setResponse("/docs/banners/banner.xml", response);
    }
    auto banner = startBanner();
    QTRY_VERIFY(settled(*banner));
    QCOMPARE(banner->height(), 100);
    QCOMPARE(banner->visibleItems().size(), 1);
    BannerItem *item = banner->visibleItems().first();
    QCOMPARE(item->localPath, QString(Banner::builtInPicture));
    QCOMPARE(item->label->toolTip(), QString(Banner::builtInLink));
    QVERIFY(item->movie->isValid());
    QVERIFY(item->width > 0 && item->width <= 600);
    QVERIFY(item->label->isVisible());
}

void TestBanner::earlierCopiesServe()
{
    // A first run stores the list and the picture...
    m_server->setFile("/pics/a.png", png(90, 50));
    m_server->setFile("/docs/banners/banner.xml",
                      bannerXml({bannerEntry("a.png", 0)}, "<maxHeight>60</maxHeight>").toUtf8());
    {
        auto banner = startBanner();
        QTRY_VERIFY(settled(*banner));
        QCOMPARE(banner->height(), 60);
    }
    // ...and a later run without the server still shows them.
    m_server->clear();
    auto banner = startBanner();
    QTRY_VERIFY(settled(*banner));
    QCOMPARE(m_server->hits("/docs/banners/banner.xml"), 1);
    QCOMPARE(banner->height(), 60);
    QCOMPARE(banner->visibleItems().size(), 1);
    QCOMPARE(banner->visibleItems().first()->localPath,
             FileDownloader::downloadFolder() + "/a.png");
    QCOMPARE(banner->visibleItems().first()->width, quint16(90));
}

void TestBanner::hostileList_data()
{
    QTest::addColumn<int>("banners");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<int>("fetched");
    QTest::addColumn<int>("height");

    QTest::newRow("40 banners: 32 are fetched") << 40 << "" << 32 << 100;
    QTest::newRow("maxHeight 65536 gives a strip of 400 pixels")
            << 2 << "<maxHeight>65536</maxHeight>" << 2 << 400;
    QTest::newRow("maxHeight 400 is kept") << 2 << "<maxHeight>400</maxHeight>" << 2 << 400;
    QTest::newRow("maxHeight 0 keeps the default") << 2 << "<maxHeight>0</maxHeight>" << 2 << 100;
}

void TestBanner::hostileList()
{
    QFETCH(int, banners);
    QFETCH(QString, extra);
    QFETCH(int, fetched);
    QFETCH(int, height);
    QStringList entries;
    for (int i = 0; i < banners; ++i) {
        m_server->setFile(QString("/pics/p%1.png").arg(i), png(30, 20));
        entries << bannerEntry(QString("p%1.png").arg(i), 5);
    }
    m_server->setFile("/docs/banners/banner.xml", bannerXml(entries, extra).toUtf8());
    auto banner = startBanner();
    QTRY_VERIFY(settled(*banner));
    int hits = 0;
    for (int i = 0; i < banners; ++i)
        hits += m_server->hits(QString("/pics/p%1.png").arg(i));
    QCOMPARE(hits, fetched);
    QCOMPARE(banner->queuedItems().size() + banner->visibleItems().size(), fetched);
    QCOMPARE(banner->height(), height);
}

void TestBanner::badPictures_data()
{
    QTest::addColumn<QByteArray>("picture");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<int>("width");

    QTest::newRow("missing picture dropped") << QByteArray() << 404 << false << 0;
    QTest::newRow("oversized download refused")
            << QByteArray(FileDownloader::defaultMaxSize + 1, 'x') << 200 << false << 0;
    QTest::newRow("not a picture gives an empty label")
            << QByteArray("GIF89a but not really") << 200 << true << 0;
    QTest::newRow("frame wider than 4,000 pixels skipped") << png(5000, 10) << 200 << false << 0;
    QTest::newRow("4,000 x 4,000 picture skipped") << png(4000, 4000) << 200 << false << 0;
}

void TestBanner::badPictures()
{
    QFETCH(QByteArray, picture);
    QFETCH(int, status);
    QFETCH(bool, kept);
    QFETCH(int, width);
    LocalHttpServer::Response response;
    response.status = status;
    response.body = picture;
    m_server->setResponse("/pics/bad.gif", response);
    m_server->setFile("/pics/good.png", png(70, 40));
    m_server->setFile("/docs/banners/banner.xml",
                      bannerXml({bannerEntry("bad.gif", 0), bannerEntry("good.png", 0)}).toUtf8());

    auto banner = startBanner();
    QTRY_VERIFY_WITH_TIMEOUT(banner->loadingItems().isEmpty()
                                     && m_server->hits("/pics/bad.gif") == 1
                                     && m_server->hits("/pics/good.png") == 1,
                             10000);
    QTRY_COMPARE(banner->visibleItems().size(), kept ? 2 : 1);
    for (BannerItem *item : banner->visibleItems()) {
        if (item->localPath.endsWith("bad.gif"))
            QCOMPARE(int(item->width), width);
        else
            QCOMPARE(int(item->width), 70);
    }
}

void TestBanner::clickOpensLink()
{
    m_server->setFile("/pics/a.png", png(90, 50));
    m_server->setFile(
            "/docs/banners/banner.xml",
            bannerXml({bannerEntry("a.png", 0, "https://zrsoftware.example/news")}).toUtf8());
    auto banner = startBanner();
    QTRY_VERIFY(settled(*banner));
    QLabel *label = banner->visibleItems().first()->label;
    QCOMPARE(label->toolTip(), QString("https://zrsoftware.example/news"));

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("https", &recorder, "open");
    QTest::mouseClick(label, Qt::LeftButton);
    // A tooltip changed to a local file is refused as well.
    label->setToolTip("file:///etc/passwd");
    QDesktopServices::setUrlHandler("file", &recorder, "open");
    QTest::mouseClick(label, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(recorder.opened, QList<QUrl>({QUrl("https://zrsoftware.example/news")}));
}

// ZR_SCREENSHOT_DIR=/some/folder ./tst_banner screenshot saves banner-1.png and
// banner-2.png there: three banners of two seconds' show time, two at a time.
void TestBanner::screenshot()
{
    const QString folder = qEnvironmentVariable("ZR_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("set ZR_SCREENSHOT_DIR to save a screenshot");
    const QList<QPair<QString, QColor>> pictures{{"Первый", QColor(40, 110, 160)},
                                                 {"Второй", QColor(170, 90, 40)},
                                                 {"Третий", QColor(60, 140, 70)}};
    QStringList entries;
    for (const auto &picture : pictures) {
        QImage image(300, 100, QImage::Format_RGB32);
        image.fill(picture.second);
        QPainter painter(&image);
        painter.setPen(Qt::white);
        painter.setFont(QFont("DejaVu Sans", 22, QFont::Bold));
        painter.drawText(image.rect(), Qt::AlignCenter, picture.first + " баннер");
        painter.end();
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        const QString name = QString("shot%1.png").arg(entries.size() + 1);
        m_server->setFile("/pics/" + name, bytes);
        entries << bannerEntry(name, 2);
    }
    m_server->setFile("/docs/banners/banner.xml", bannerXml(entries).toUtf8());

    QWidget window;
    window.resize(800, 130);
    window.setStyleSheet("background: #eeeeee;");
    Banner *banner = new Banner(&window);
    banner->setGeometry(10, 15, 780, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(settled(*banner) && banner->visibleItems().size() == 2);
    QTest::qWait(200);
    QVERIFY(window.grab().save(folder + "/banner-1.png"));
    // The random choice may bring the same pictures back; wait for another pair.
    const QList<BannerItem *> first = banner->visibleItems();
    QTRY_VERIFY_WITH_TIMEOUT(banner->visibleItems().size() == 2 && banner->visibleItems() != first,
                             20000);
    QTest::qWait(200);
    QVERIFY(window.grab().save(folder + "/banner-2.png"));
}

ZR_TEST_MAIN(TestBanner)
#include "tst_banner.moc"
