#pragma once

#include <QColor>
#include <QFont>
#include <QFontInfo>
#include <QImage>
#include <QRect>

// Drawing checks run on images of 254 dots per inch: one millimetre is ten pixels.
namespace ReportTest {

constexpr double pixelsPerMM = 254 / 25.399931;

inline QImage sheet(double widthMM, double heightMM)
{
    QImage image(int(widthMM * 10), int(heightMM * 10), QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(10000);
    image.setDotsPerMeterY(10000);
    image.fill(Qt::white);
    return image;
}

inline bool isInk(QRgb pixel)
{
    return qGray(pixel) < 160;
}

inline int inkCount(const QImage &image, QRect area = QRect())
{
    area = area.isNull() ? image.rect() : area.intersected(image.rect());
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x)
            count += isInk(line[x]) ? 1 : 0;
    }
    return count;
}

// The smallest rectangle holding every dark pixel of the area; null when there is none.
inline QRect inkBounds(const QImage &image, QRect area = QRect())
{
    area = area.isNull() ? image.rect() : area.intersected(image.rect());
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            if (!isInk(line[x]))
                continue;
            left = qMin(left, x);
            right = qMax(right, x);
            top = qMin(top, y);
            bottom = qMax(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Times New Roman is not on the test machines; this metric twin stands in for it.
inline QString serifFamily()
{
    return QStringLiteral("Liberation Serif");
}

inline bool haveSerif()
{
    return QFontInfo(QFont(serifFamily())).family() == serifFamily();
}

} // namespace ReportTest
