#pragma once

#include "ZrReport/printcorrection.h"

#include <QList>
#include <QPointF>
#include <QString>

// This machine's printer calibrations: a correction for each printer and side of the sheet,
// kept in the per-user settings (the data folder's settings travel between machines, and a
// printer's error belongs to this one).
class PrinterCalibration
{
public:
    // A mark of the calibration sheet: where it was meant to be and where the user measured
    // it, in mm from the left and top edges of the side.
    struct Measurement
    {
        QPointF meant;
        QPointF measured;
    };

    // The stored correction of one side (1 or 2) of the printer; none when nothing is
    // stored or what is stored is not a usable correction.
    static PrintCorrection correction(const QString &printer, int side);
    // The same, told: false with a message for the user when a calibration is stored but
    // damaged (a value missing, not a number, or beyond the limits).
    static bool
    storedCorrection(const QString &printer, int side, PrintCorrection *correction, QString *error);
    static bool isCalibrated(const QString &printer);
    // Both sides at once, or nothing: false when a value is outside the limits or the
    // settings cannot be written, the earlier calibration then staying as it was.
    static bool
    save(const QString &printer, const PrintCorrection &side1, const PrintCorrection &side2);
    // Back to no correction.
    static bool reset(const QString &printer);
    // The report library asks these calibrations for every sheet it prints.
    static void install();

    // The correction that brings the marks back where they were meant to be: one mark gives
    // the offset, two or more also the scale (fitted to all of them). Rounded to 0.1 mm and
    // 0.01 %. False with a message for the user when it is outside the limits.
    static bool
    fromMeasurements(const QList<Measurement> &marks, PrintCorrection *result, QString *error);
    // "20,5" and "20.5" alike; false for anything that is not a number.
    static bool parseMillimetres(const QString &text, double *value);
    // "сдвиг 0,5; -1,2 мм, масштаб 100,20 %" in the user's notation, or "без поправки".
    static QString describe(const PrintCorrection &correction);
};
