#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>

struct BannerItem;

// A strip of clickable animated pictures listed by a file on our web server.
// Pictures with a show time rotate at random; without network the built-in
// picture is shown.
class Banner : public QWidget
{
    Q_OBJECT
public:
    static constexpr char builtInPicture[] = ":/icons/animated_banner.gif";
    static constexpr char builtInLink[] = "https://zrsoftware.example/";
    // Larger pictures are skipped before decoding: a tiny file can announce a huge frame,
    // and an animation is decoded at its full size before it is scaled. A picture as high
    // as the tallest strip and wider than a wide screen is a million pixels; 32 such
    // banners take some 130 MB.
    static constexpr int maxPictureSide = 4000;
    static constexpr qint64 maxPicturePixels = 1000 * 1000;
    // A list is read up to this many banners, and its strip is at most this high
    // (pixels): a hostile list makes no thousands of downloads and no strip of height 0.
    static constexpr int maxBanners = 32;
    static constexpr int maxStripHeight = 400;

    explicit Banner(QWidget *parent = nullptr);
    ~Banner() override;

    static QUrl listUrl();
    // Reads a list file into the three out-arguments; the caller owns the new items.
    static bool readList(const QByteArray &data,
                         QList<BannerItem *> &items,
                         quint16 &maxHeight,
                         quint8 &visibleBannersCount);

    quint16 maxHeight() const { return m_maxHeight; }
    quint8 visibleBannersCount() const { return m_visibleBannersCount; }
    const QList<BannerItem *> &loadingItems() const { return m_items; }
    const QList<BannerItem *> &queuedItems() const { return m_queue; }
    const QList<BannerItem *> &visibleItems() const { return m_visible; }

signals:
    // After every change of the visible pictures.
    void rearranged();

protected:
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    void onListLoaded(const QString &path);
    void onListFailed();
    bool parseList(const QString &path);
    void applyHeight();
    void addBuiltInBanner();
    void fetchPicture(BannerItem *item);
    void prepareItem(BannerItem *item);
    void rearrange();
    void onShowTimeEnded(BannerItem *item);

    quint16 m_maxHeight = 100;
    quint8 m_visibleBannersCount = 2;
    QList<BannerItem *> m_items;
    QList<BannerItem *> m_queue;
    QList<BannerItem *> m_visible;
};
