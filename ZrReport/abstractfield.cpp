#include "abstractfield.h"

#include "reportpage.h"
#include "tablefield.h"
#include "textfield.h"

#include <QDataStream>
#include <QFontInfo>
#include <QJsonValue>
#include <cmath>

namespace {
// What a default QFont describes itself as on the system the templates come from.
const char defaultFontText[] = "MS Shell Dlg 2,8.25,-1,5,50,0,0,0,0,0";
// Beyond this a length is no longer a place on a sheet (mm).
constexpr double maxLength = 1e6;
// A field this far off lies on no sheet and is not drawn (mm).
constexpr double maxDrawnLength = 1e5;
// The largest font a blank can need; larger sizes only cost time (points).
constexpr double maxPointSize = 1000;
// Far below any real fraction of a pixel, far above the error of converting to and from mm.
constexpr double pixelRoundingSlack = 1e-6;

int jsonInt(const QJsonValue &value, int fallback = 0)
{
    if (!value.isDouble())
        return fallback;
    const double d = value.toDouble();
    if (!std::isfinite(d))
        return fallback;
    if (d >= 2147483647.0)
        return 2147483647;
    if (d <= -2147483648.0)
        return -2147483647 - 1;
    return int(d);
}
} // namespace

AbstractField::AbstractField(QObject *parent)
    : QObject(parent)
{}

AbstractField::~AbstractField() = default;

int AbstractField::type() const
{
    return 1;
}

bool AbstractField::overflows(double)
{
    return false;
}

QString AbstractField::defaultFontDescription()
{
    return QString::fromLatin1(defaultFontText);
}

bool AbstractField::isDefaultFont(const QFont &font)
{
    return font == QFont() || font.toString() == defaultFontDescription();
}

int AbstractField::wholePixels(double value)
{
    if (!std::isfinite(value))
        return 0;
    if (value > 1e9)
        return 1000000000;
    if (value < -1e9)
        return -1000000000;
    return int(value);
}

double AbstractField::saneLength(double value)
{
    if (!std::isfinite(value))
        return 0;
    return qBound(-maxLength, value, maxLength);
}

AbstractField *AbstractField::create(int type, const QJsonObject &json, ReportPage *page)
{
    AbstractField *field = nullptr;
    if (type == 1)
        field = new TextField();
    else if (type == 2)
        field = new TableField();
    else
        return nullptr;
    field->readJson(json);
    field->page = page;
    if (type == 2)
        static_cast<TableField *>(field)->bindModel();
    return field;
}

bool AbstractField::drawableGeometry() const
{
    for (double v : {x, y, width, height}) {
        if (!std::isfinite(v) || std::fabs(v) > maxDrawnLength)
            return false;
    }
    return true;
}

QFont AbstractField::resolvedFont() const
{
    if (page && isDefaultFont(font))
        return page->defaultFont;
    return font;
}

int AbstractField::textFlags(int flags) const
{
    int result = (flags & 0xFFFF) ? flags : int(alignFlags);
    if (wordWrap)
        result |= Qt::TextWordWrap;
    else
        result &= ~int(Qt::TextWordWrap);
    return result;
}

QFont AbstractField::scaledFont(double scale) const
{
    QFont f = resolvedFont();
    double points = QFontInfo(f).pointSizeF();
    if (!std::isfinite(points) || points <= 0)
        points = 1;
    points = qMin(points, maxPointSize);
    // The fraction is dropped, but not a whole pixel lost to rounding: 12 pt at 300 dpi
    // computes as 49.999999 and is 50 pixels.
    f.setPixelSize(qMax(1, wholePixels(points * scale * 25.399931 / 72.0 + pixelRoundingSlack)));
    return f;
}

void AbstractField::write(QDataStream &out) const
{
    out << x << y << width << height << qint32(wrap) << wordWrap << font << alignFlags;
}

void AbstractField::read(QDataStream &in)
{
    qint32 w = 0;
    in >> x >> y >> width >> height >> w >> wordWrap >> font >> alignFlags;
    wrap = w;
    x = saneLength(x);
    y = saneLength(y);
    width = saneLength(width);
    height = saneLength(height);
}

void AbstractField::readJson(const QJsonObject &json)
{
    x = saneLength(json.value(QStringLiteral("x")).toDouble(0));
    y = saneLength(json.value(QStringLiteral("y")).toDouble(0));
    width = saneLength(json.value(QStringLiteral("width")).toDouble(0));
    height = saneLength(json.value(QStringLiteral("height")).toDouble(0));
    wrap = jsonInt(json.value(QStringLiteral("wrap")));
    wordWrap = json.value(QStringLiteral("wordWrap")).toBool(false);
    alignFlags = quint16(jsonInt(json.value(QStringLiteral("alignFlags"))));
    const QString description = json.value(QStringLiteral("font")).toString();
    font = QFont();
    if (!description.isEmpty() && description != defaultFontDescription()) {
        QFont parsed;
        if (parsed.fromString(description))
            font = parsed;
    }
    const QJsonValue z = json.value(QStringLiteral("zOnEmpty"));
    if (!z.isUndefined())
        zOnEmpty = z.toBool(false);
}

void AbstractField::writeJson(QJsonObject &json) const
{
    json.insert(QStringLiteral("x"), x);
    json.insert(QStringLiteral("y"), y);
    json.insert(QStringLiteral("width"), width);
    json.insert(QStringLiteral("height"), height);
    json.insert(QStringLiteral("wrap"), wrap);
    json.insert(QStringLiteral("wordWrap"), wordWrap);
    if (!isDefaultFont(font))
        json.insert(QStringLiteral("font"), font.toString());
    json.insert(QStringLiteral("alignFlags"), int(alignFlags));
    if (zOnEmpty)
        json.insert(QStringLiteral("zOnEmpty"), true);
}
