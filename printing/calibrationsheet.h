#pragma once

#include <QList>
#include <QPointF>
#include <QString>

class QDate;
class QPainter;
class QPrinter;

// The sheet a printer prints on plain A4 paper to be measured: crosshairs at known places,
// millimetre rulers along the top and left edges, the printer, the date and the side. It is
// printed without any correction, so what the user measures is the printer's own error.
class CalibrationSheet
{
public:
    struct Mark
    {
        QString name;
        QPointF position; // mm from the left and top edges of the side
    };
    static const QList<Mark> &marks();

    // Draws side 1 or 2 on a painter whose device is one A4 portrait sheet.
    static void draw(QPainter *painter, int side, const QString &printerName, const QDate &date);
    // Gives the printer the sheet's paper and prints one side as a job of its own; false
    // when the printer cannot be painted on.
    static bool print(QPrinter *printer, int side, const QString &printerName);
};
