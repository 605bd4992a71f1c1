#pragma once

#include "abstractfield.h"

#include <QString>

// A piece of text (HTML allowed, with variable expressions) in a box of the blank,
// with optional first-line indent, fixed line height and the Z stroke.
class ZRREPORTLIB_EXPORT TextField : public AbstractField
{
    Q_OBJECT
public:
    explicit TextField(QObject *parent = nullptr);
    ~TextField() override;

    int type() const override;
    void prepare() override;
    void draw(QPainter *painter, double scale, double offset) override;
    bool overflows(double scale) override;
    void write(QDataStream &out) const override;
    void read(QDataStream &in) override;
    void readJson(const QJsonObject &json) override;
    void writeJson(QJsonObject &json) const override;

    QString text;
    double indent = 0;
    double lineHeight = 0;

private:
    struct Layout;
    void layOut(Layout &layout, double scale);
};
