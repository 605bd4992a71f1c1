#pragma once

#include <QString>
#include <QTimer>

class QLabel;
class QMovie;

// One picture of the banner strip; owned by the Banner.
struct BannerItem
{
    enum State : qint8 { Failed = -1, Loading = 0, Ready = 1 };

    BannerItem() = default;
    BannerItem(const BannerItem &) = delete;
    BannerItem &operator=(const BannerItem &) = delete;
    ~BannerItem();

    QString linkUrl;
    QString imgUrl;
    QString localPath;
    QLabel *label = nullptr;
    QMovie *movie = nullptr; // owned by the label
    qint16 showTime = 10;    // seconds; 0 or less keeps the picture visible
    quint16 width = 0;
    qint8 state = Loading;
    QTimer timer;
};
