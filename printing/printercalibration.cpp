#include "printercalibration.h"

#include "app/debuglog.h"
#include "database/database.h"

#include <QDir>
#include <QLocale>
#include <QSettings>
#include <QUrl>
#include <cmath>

namespace {

const QString group = QStringLiteral("PrinterCalibration");

// A printer's name may hold the settings' group separators; its percent-encoded form may not.
QString printerGroup(const QString &printer)
{
    return group + QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(printer));
}

QString key(const QString &name, int side)
{
    return name + QString::number(side);
}

struct Stored
{
    bool present = false;
    PrintCorrection sides[2];
    // Per side: a value of a stored calibration that is missing or not a number.
    bool unreadable[2] = {false, false};
};

Stored read(QSettings *settings, const QString &printer)
{
    Stored stored;
    settings->beginGroup(printerGroup(printer));
    stored.present = !settings->childKeys().isEmpty();
    for (int side = 1; side <= 2; ++side) {
        PrintCorrection &c = stored.sides[side - 1];
        const auto number = [&](const QString &name, double *value) {
            const QVariant text = settings->value(key(name, side));
            bool ok = false;
            const double parsed = text.toDouble(&ok);
            if (ok && std::isfinite(parsed))
                *value = parsed;
            else if (stored.present)
                stored.unreadable[side - 1] = true;
        };
        number(QStringLiteral("offsetX"), &c.offsetX);
        number(QStringLiteral("offsetY"), &c.offsetY);
        number(QStringLiteral("scale"), &c.scale);
    }
    settings->endGroup();
    return stored;
}

void write(QSettings *settings, const QString &printer, const Stored &stored)
{
    settings->remove(printerGroup(printer));
    if (!stored.present)
        return;
    settings->beginGroup(printerGroup(printer));
    for (int side = 1; side <= 2; ++side) {
        const PrintCorrection &c = stored.sides[side - 1];
        settings->setValue(key(QStringLiteral("offsetX"), side), c.offsetX);
        settings->setValue(key(QStringLiteral("offsetY"), side), c.offsetY);
        settings->setValue(key(QStringLiteral("scale"), side), c.scale);
    }
    settings->endGroup();
}

// Writes the new state and checks that it reached the file; otherwise puts the old
// state back, so that nothing half-saved is written later by somebody else's sync.
bool replace(const QString &printer, const Stored &stored)
{
    QSettings *settings = Database::userSettings();
    const Stored old = read(settings, printer);
    write(settings, printer, stored);
    settings->sync();
    if (settings->status() == QSettings::NoError)
        return true;
    ZR_LOG() << "cannot write the printer calibration of" << printer << "to" << settings->fileName()
             << settings->status();
    write(settings, printer, old);
    return false;
}

// To whole tenths or hundredths, as the user types them: 99.5, not 99.50000000000001.
double roundTo(double value, double perUnit)
{
    return std::round(value * perUnit) / perUnit;
}

} // namespace

PrintCorrection PrinterCalibration::correction(const QString &printer, int side)
{
    PrintCorrection stored;
    QString error;
    if (!storedCorrection(printer, side, &stored, &error)) {
        ZR_LOG() << error << "Printing without it.";
        return PrintCorrection();
    }
    return stored;
}

bool PrinterCalibration::storedCorrection(const QString &printer,
                                          int side,
                                          PrintCorrection *correction,
                                          QString *error)
{
    if (side < 1 || side > 2) {
        *correction = PrintCorrection();
        return true;
    }
    QSettings *settings = Database::userSettings();
    const Stored stored = read(settings, printer);
    *correction = stored.sides[side - 1];
    if (!stored.unreadable[side - 1] && correction->isWithinLimits())
        return true;
    *error = QStringLiteral("Сохранённая калибровка принтера «%1» повреждена: у стороны %2 %3 "
                            "(%4). Откалибруйте принтер заново: «Калибровка принтера...» в "
                            "меню «Инструменты».")
                     .arg(printer)
                     .arg(side)
                     .arg(stored.unreadable[side - 1]
                                  ? QStringLiteral("записано не число")
                                  : QStringLiteral("поправка вне допустимых пределов"),
                          QDir::toNativeSeparators(settings->fileName()));
    *correction = PrintCorrection();
    return false;
}

bool PrinterCalibration::isCalibrated(const QString &printer)
{
    return read(Database::userSettings(), printer).present;
}

bool PrinterCalibration::save(const QString &printer,
                              const PrintCorrection &side1,
                              const PrintCorrection &side2)
{
    if (printer.isEmpty() || !side1.isWithinLimits() || !side2.isWithinLimits())
        return false;
    Stored stored;
    stored.present = true;
    stored.sides[0] = side1;
    stored.sides[1] = side2;
    return replace(printer, stored);
}

bool PrinterCalibration::reset(const QString &printer)
{
    return replace(printer, Stored());
}

void PrinterCalibration::install()
{
    PrintCorrection::setLookup(&PrinterCalibration::correction);
}

bool PrinterCalibration::fromMeasurements(const QList<Measurement> &marks,
                                          PrintCorrection *result,
                                          QString *error)
{
    if (marks.isEmpty()) {
        *error = QStringLiteral("Введите, где оказалось хотя бы одно перекрестье.");
        return false;
    }
    // The printer puts a mark meant at p at s * p + o; least squares over all marks.
    QPointF meanMeant;
    QPointF meanMeasured;
    for (const Measurement &mark : marks) {
        meanMeant += mark.meant / marks.size();
        meanMeasured += mark.measured / marks.size();
    }
    double spread = 0;
    double together = 0;
    for (const Measurement &mark : marks) {
        const QPointF a = mark.meant - meanMeant;
        const QPointF b = mark.measured - meanMeasured;
        spread += QPointF::dotProduct(a, a);
        together += QPointF::dotProduct(a, b);
    }
    const double s = spread > 1 ? together / spread : 1.0;
    const QPointF o = meanMeasured - s * meanMeant;
    PrintCorrection correction;
    if (s > 0) {
        correction.scale = roundTo(100 / s, 100);
        correction.offsetX = roundTo(-o.x() / s, 10);
        correction.offsetY = roundTo(-o.y() / s, 10);
    }
    if (s <= 0 || !correction.isWithinLimits()) {
        *error = QStringLiteral("Перекрестья напечатаны дальше от своих мест, чем можно "
                                "исправить (сдвиг до %1 мм, масштаб от %2 до %3 %). "
                                "Проверьте измерения: расстояния измеряются от левого и "
                                "верхнего краёв листа до центров перекрестий.")
                         .arg(PrintCorrection::maxOffset)
                         .arg(PrintCorrection::minScale)
                         .arg(PrintCorrection::maxScale);
        return false;
    }
    *result = correction;
    return true;
}

bool PrinterCalibration::parseMillimetres(const QString &text, double *value)
{
    QString plain = text.trimmed();
    plain.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double parsed = plain.toDouble(&ok);
    if (!ok || !std::isfinite(parsed))
        return false;
    *value = parsed;
    return true;
}

QString PrinterCalibration::describe(const PrintCorrection &correction)
{
    if (correction.isNone())
        return QStringLiteral("без поправки");
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    return QStringLiteral("сдвиг %1; %2 мм, масштаб %3 %")
            .arg(russian.toString(correction.offsetX, 'f', 1),
                 russian.toString(correction.offsetY, 'f', 1),
                 russian.toString(correction.scale, 'f', 2));
}
