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

namespace ReportTest {

// Rows (in mm) where a horizontal line covers at least 90% of [fromMM, toMM].
inline QList<double> strokeRows(const QImage &image, double fromMM, double toMM, double share = 0.9)
{
    QList<double> rows;
    const int left = int(fromMM * 10);
    const int right = int(toMM * 10);
    int previous = -10;
    for (int y = 0; y < image.height(); ++y) {
        if (inkCount(image, QRect(QPoint(left, y), QPoint(right, y))) < (right - left) * share)
            continue;
        if (y - previous > 3)
            rows << y / 10.0;
        previous = y;
    }
    return rows;
}

} // namespace ReportTest

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace ReportTest {

inline bool havePdfToPpm()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

// The top-left part (in mm) of a PDF's page (from 1) as poppler rasterises it, at ten
// pixels per millimetre.
inline QImage rasterisePdf(const QString &pdf, QSizeF sizeMM = QSizeF(150, 100), int page = 1)
{
    const QString stem = pdf + QStringLiteral("-raster");
    QProcess::execute(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-r"),
                       QStringLiteral("254"),
                       QStringLiteral("-png"),
                       QStringLiteral("-f"),
                       QString::number(page),
                       QStringLiteral("-l"),
                       QString::number(page),
                       QStringLiteral("-x"),
                       QStringLiteral("0"),
                       QStringLiteral("-y"),
                       QStringLiteral("0"),
                       QStringLiteral("-W"),
                       QString::number(int(sizeMM.width() * 10)),
                       QStringLiteral("-H"),
                       QString::number(int(sizeMM.height() * 10)),
                       QStringLiteral("-singlefile"),
                       pdf,
                       stem});
    QImage image(stem + QStringLiteral(".png"));
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace ReportTest

#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTimer>

namespace ReportTest {

// What the preview's print button does once the user has chosen a PDF file in the system
// print dialog: the side is painted into the file and the preview closes. It happens after
// the answer returns, so that a question asked while printing is answered in its turn.
inline void printPreviewTo(QWidget *dialog, const QString &pdf)
{
    auto *preview = qobject_cast<QPrintPreviewDialog *>(dialog);
    if (!preview)
        return;
    QTimer::singleShot(0, preview, [preview, pdf] {
        preview->printer()->setOutputFormat(QPrinter::PdfFormat);
        preview->printer()->setOutputFileName(pdf);
        preview->findChild<QPrintPreviewWidget *>()->print();
        preview->accept();
    });
}

} // namespace ReportTest

#include <QTransform>

namespace ReportTest {

// A page as it leaves the printer: the paper goes in portrait, and a landscape page is put
// on it a quarter turn counter-clockwise, its top edge along the sheet's left edge and its
// left edge along the sheet's bottom (CUPS's "landscape"; the drivers do the same).
inline QImage asPrintedSheet(const QImage &page)
{
    return page.width() > page.height() ? page.transformed(QTransform().rotate(-90)) : page;
}

} // namespace ReportTest
