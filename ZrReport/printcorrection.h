#pragma once

#include "zrreportlib_export.h"

#include <QPageLayout>
#include <QString>
#include <QTransform>
#include <functional>

// What one printer does wrong on one side of a sheet, undone: the drawing of that side
// is scaled about the sheet's top-left corner and then moved, before the background and
// the fields are drawn. It belongs to a printer, never to a template, and a preview
// never shows it. Its millimetres are taken on the sheet as it leaves the printer, fed
// in portrait like the calibration sheet.
struct ZRREPORTLIB_EXPORT PrintCorrection
{
    double offsetX = 0; // mm, positive to the right
    double offsetY = 0; // mm, positive downwards
    double scale = 100; // percent

    static constexpr double maxOffset = 15;
    static constexpr double minScale = 95;
    static constexpr double maxScale = 105;

    bool isNone() const;
    bool isWithinLimits() const;
    // The painter transform for a page of that orientation drawn on a device of that many
    // pixels per millimetre, `pageWidth` pixels wide. A landscape page reaches the paper a
    // quarter turn counter-clockwise (its top along the sheet's left edge), so the sheet's
    // right is the page's down and the sheet's down the page's left.
    QTransform
    transform(double pixelsPerMM, double pageWidth, QPageLayout::Orientation orientation) const;

    // The side of its sheet (1 the front, 2 the back) that page `pageIndex` (from 0) of a
    // report prints on: the sides follow each other as the sheets are turned over.
    static int sideOfPage(int pageIndex);

    // Where corrections come from: the program installs a lookup of its stored printer
    // calibrations, and whatever prints a sheet asks it for the printer really used.
    using Lookup = std::function<PrintCorrection(const QString &printerName, int side)>;
    static void setLookup(Lookup lookup);
    // No correction without a lookup, or outside the limits. A PDF file's printer has no
    // name, and no calibration is stored for that.
    static PrintCorrection forPrinter(const QString &printerName, int side);
};
