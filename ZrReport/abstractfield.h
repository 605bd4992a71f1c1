#pragma once

#include "zrreportlib_export.h"

#include <QFont>
#include <QJsonObject>
#include <QObject>

class QDataStream;
class QPainter;
class ReportPage;

// Base of everything placed on a report page: a rectangle in millimetres with a
// font, alignment and wrapping, drawn with a painter at any scale. Exported so that
// the designer and the tests can reach the members.
class ZRREPORTLIB_EXPORT AbstractField : public QObject
{
    Q_OBJECT
public:
    explicit AbstractField(QObject *parent = nullptr);
    ~AbstractField() override;

    virtual int type() const;
    virtual void prepare() = 0;
    // scale: device pixels per mm (negative: the page's); offset: device-pixel top of
    // the page being drawn.
    virtual void draw(QPainter *painter, double scale, double offset) = 0;
    // True when the content, with the page's current data and laid out at `scale` device
    // pixels per mm, does not fit: drawn there, part of it would be cut off.
    virtual bool overflows(double scale);
    virtual void write(QDataStream &out) const;
    virtual void read(QDataStream &in);
    virtual void readJson(const QJsonObject &json);
    virtual void writeJson(QJsonObject &json) const;

    QFont resolvedFont() const;
    int textFlags(int flags) const;

    // The resolved font with its pixel size for the given scale, whole pixels.
    QFont scaledFont(double scale) const;

    // The description that stands for "the page's default font" in a template.
    static QString defaultFontDescription();
    static bool isDefaultFont(const QFont &font);
    // Whole device pixels, truncated toward zero; absurd values are clamped so that
    // no conversion can overflow.
    static int wholePixels(double value);
    // Finite and within a sane range of a sheet (in mm), otherwise 0.
    static double saneLength(double value);
    // A new field of the kind (1 text, 2 table) read from its template form and placed
    // on the page; null for an unknown kind.
    static AbstractField *create(int type, const QJsonObject &json, ReportPage *page);

    double x = 0;
    double y = 0;
    double width = 20;
    double height = 6;
    int wrap = 0;
    QFont font;
    quint16 alignFlags = 0;
    ReportPage *page = nullptr;
    bool wordWrap = false;
    bool zOnEmpty = false;
    bool prepared = false;

signals:
    void fieldChanged();

protected:
    // Geometry that a painter can take without overflowing its coordinates.
    bool drawableGeometry() const;
};
