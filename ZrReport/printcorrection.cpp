#include "printcorrection.h"

#include "reportlog.h"

#include <cmath>

namespace {
PrintCorrection::Lookup &installedLookup()
{
    static PrintCorrection::Lookup lookup;
    return lookup;
}
} // namespace

bool PrintCorrection::isNone() const
{
    return offsetX == 0 && offsetY == 0 && scale == 100;
}

bool PrintCorrection::isWithinLimits() const
{
    return std::isfinite(offsetX) && std::isfinite(offsetY) && std::isfinite(scale)
           && std::fabs(offsetX) <= maxOffset && std::fabs(offsetY) <= maxOffset
           && scale >= minScale && scale <= maxScale;
}

QTransform PrintCorrection::transform(double pixelsPerMM,
                                      double pageWidth,
                                      QPageLayout::Orientation orientation) const
{
    const double factor = scale / 100;
    const QTransform onSheet(factor, 0, 0, factor, offsetX * pixelsPerMM, offsetY * pixelsPerMM);
    if (orientation != QPageLayout::Landscape)
        return onSheet;
    // Page point (x, y) lies at (y, pageWidth - x) on the sheet.
    const QTransform pageToSheet(0, -1, 1, 0, 0, pageWidth);
    return pageToSheet * onSheet * pageToSheet.inverted();
}

int PrintCorrection::sideOfPage(int pageIndex)
{
    return pageIndex % 2 == 0 ? 1 : 2;
}

void PrintCorrection::setLookup(Lookup lookup)
{
    installedLookup() = std::move(lookup);
}

PrintCorrection PrintCorrection::forPrinter(const QString &printerName, int side)
{
    const Lookup &lookup = installedLookup();
    if (!lookup)
        return PrintCorrection();
    const PrintCorrection correction = lookup(printerName, side);
    if (!correction.isWithinLimits()) {
        ZR_REPORT_WARNING(QStringLiteral("correction of %1, side %2 out of its limits, not applied")
                                  .arg(printerName)
                                  .arg(side));
        return PrintCorrection();
    }
    return correction;
}
