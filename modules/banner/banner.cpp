#include "banner.h"

#include "app/debuglog.h"
#include "modules/banner/banneritem.h"
#include "modules/network/filedownloader.h"
#include "modules/network/serveraddress.h"
#include "modules/network/serverxml.h"
#include "modules/network/weblink.h"

#include <QApplication>
#include <QDomDocument>
#include <QEvent>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QMovie>
#include <QPointer>
#include <QTime>
#include <cstdlib>

namespace {
// Pictures are opened in the browser and fetched from the network: web addresses only.
bool acceptedAddress(const QString &text)
{
    return !text.isEmpty() && WebLink::isWebAddress(QUrl(text));
}
} // namespace

Banner::Banner(QWidget *parent)
    : QWidget(parent)
{
    std::srand(uint(QTime(0, 0).secsTo(QTime::currentTime())));
    setFixedHeight(0);

    auto list = new FileDownloader(this);
    list->setUrl(listUrl().toString());
    connect(list, &FileDownloader::done, this, &Banner::onListLoaded);
    connect(list, &FileDownloader::error, this, &Banner::onListFailed);
    list->download();
}

Banner::~Banner()
{
    qDeleteAll(m_items);
    qDeleteAll(m_queue);
    qDeleteAll(m_visible);
}

QUrl Banner::listUrl()
{
    return ServerAddress::resolve(QStringLiteral("docs/banners/banner.xml"));
}

void Banner::onListLoaded(const QString &path)
{
    parseList(path);
    applyHeight();
    if (m_items.isEmpty())
        addBuiltInBanner();

    QPointer<Banner> self(this);
    const QList<BannerItem *> loading = m_items;
    for (BannerItem *item : loading) {
        QApplication::processEvents();
        if (!self)
            return;
        fetchPicture(item);
    }
}

void Banner::onListFailed()
{
    applyHeight();
    addBuiltInBanner();
}

bool Banner::parseList(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ZR_LOG() << "cant open file" << path;
        return false;
    }
    return readList(file.readAll(), m_items, m_maxHeight, m_visibleBannersCount);
}

bool Banner::readList(const QByteArray &data,
                      QList<BannerItem *> &items,
                      quint16 &maxHeight,
                      quint8 &visibleBannersCount)
{
    if (!ServerXml::isShallow(data)) {
        ZR_LOG() << "banner list is no XML or nested too deep";
        return false;
    }
    QDomDocument document(QStringLiteral("mydocument"));
    QString message;
    if (!document.setContent(data, &message)) {
        ZR_LOG() << "cant set content:" << message;
        return false;
    }
    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("banners")) {
        ZR_LOG() << "The file is not a correct file";
        return false;
    }

    for (QDomElement element = root.firstChildElement(); !element.isNull();
         element = element.nextSiblingElement()) {
        const QString tag = element.tagName();
        if (tag == QLatin1String("banner")) {
            if (items.size() >= maxBanners)
                continue;
            const QString imgUrl = element.firstChildElement("imgUrl").text().trimmed();
            const QString linkUrl = element.firstChildElement("linkUrl").text().trimmed();
            if (!acceptedAddress(imgUrl) || !acceptedAddress(linkUrl)) {
                ZR_LOG() << "banner ignored:" << imgUrl << linkUrl;
                continue;
            }
            auto item = new BannerItem;
            item->imgUrl = imgUrl;
            item->linkUrl = linkUrl;
            const QDomElement showTime = element.firstChildElement("showTime");
            if (!showTime.isNull())
                item->showTime = qint16(showTime.text().trimmed().toInt());
            items.append(item);
        } else if (tag == QLatin1String("maxHeight")) {
            const int value = element.text().trimmed().toInt();
            if (value >= 1)
                maxHeight = quint16(qMin(value, maxStripHeight));
        } else if (tag == QLatin1String("visibleBannersCount")) {
            visibleBannersCount = quint8(element.text().trimmed().toInt());
        }
    }
    return true;
}

void Banner::applyHeight()
{
    setFixedHeight(m_visibleBannersCount != 0 ? m_maxHeight : 0);
}

void Banner::addBuiltInBanner()
{
    auto item = new BannerItem;
    item->localPath = QString::fromLatin1(builtInPicture);
    item->linkUrl = QString::fromLatin1(builtInLink);
    item->showTime = 0;
    m_items.append(item);
    prepareItem(item);
}

void Banner::fetchPicture(BannerItem *item)
{
    if (!item->localPath.isEmpty()) {
        prepareItem(item);
        return;
    }
    auto downloader = new FileDownloader(this);
    downloader->setUrl(item->imgUrl);
    connect(downloader, &FileDownloader::done, this, [this, item](const QString &path) {
        item->localPath = path;
        prepareItem(item);
    });
    connect(downloader, &FileDownloader::error, this, [this, item] {
        item->state = BannerItem::Failed;
        rearrange();
    });
    downloader->download();
}

void Banner::prepareItem(BannerItem *item)
{
    // The size comes from the picture's header; the frames are decoded at the size shown.
    QSize size = QImageReader(item->localPath).size();
    if (size.width() > maxPictureSide || size.height() > maxPictureSide
        || qint64(size.width()) * size.height() > maxPicturePixels) {
        ZR_LOG() << "picture too large, skipped:" << size << item->localPath;
        item->state = BannerItem::Failed;
        rearrange();
        return;
    }
    item->movie = new QMovie(item->localPath);
    if (!item->movie->isValid() || !size.isValid()) {
        ZR_LOG() << "GIF is not valid!" << item->localPath;
        size = QSize(0, 0);
    }
    if (size.height() > m_maxHeight)
        size = QSize(size.width() * m_maxHeight / size.height(), m_maxHeight);
    item->width = quint16(size.width());
    item->movie->setScaledSize(size);

    item->label = new QLabel(this);
    if (!item->linkUrl.isEmpty())
        item->label->setToolTip(item->linkUrl);
    item->movie->setParent(item->label);
    item->label->setMovie(item->movie);
    item->label->resize(size);
    item->label->hide();
    item->label->installEventFilter(this);

    if (item->showTime > 0) {
        item->timer.setSingleShot(true);
        connect(&item->timer, &QTimer::timeout, this, [this, item] { onShowTimeEnded(item); });
    }
    item->state = BannerItem::Ready;
    rearrange();
}

void Banner::rearrange()
{
    const QList<BannerItem *> loading = m_items;
    for (BannerItem *item : loading) {
        if (item->state == BannerItem::Failed) {
            m_items.removeOne(item);
            delete item;
        } else if (item->state == BannerItem::Ready) {
            m_items.removeOne(item);
            (item->showTime <= 0 ? m_visible : m_queue).append(item);
        }
    }

    while (m_visible.size() < m_visibleBannersCount && !m_queue.isEmpty()) {
        BannerItem *item = m_queue.takeAt(std::rand() % m_queue.size());
        item->timer.start(item->showTime * 1000);
        m_visible.append(item);
    }

    int x = 0;
    for (BannerItem *item : qAsConst(m_visible)) {
        item->label->move(x, 0);
        item->label->show();
        // Only the pictures on show are played.
        item->movie->start();
        x += item->width + 5;
    }
    emit rearranged();
}

void Banner::onShowTimeEnded(BannerItem *item)
{
    item->timer.stop();
    item->label->hide();
    item->movie->setPaused(true);
    m_visible.removeOne(item);
    m_queue.append(item);
    rearrange();
}

bool Banner::eventFilter(QObject *object, QEvent *event)
{
    if (auto label = qobject_cast<QLabel *>(object)) {
        switch (event->type()) {
        case QEvent::Enter:
            label->setCursor(Qt::PointingHandCursor);
            return true;
        case QEvent::Leave:
            label->setCursor(Qt::ArrowCursor);
            break;
        case QEvent::MouseButtonRelease:
            WebLink::open(label->toolTip());
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(object, event);
}
