#include "textfield.h"

#include "reportpage.h"

#include <QAbstractTextDocumentLayout>
#include <QDataStream>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <cmath>

TextField::TextField(QObject *parent)
    : AbstractField(parent)
{}

TextField::~TextField() = default;

int TextField::type() const
{
    return 1;
}

void TextField::prepare()
{
    prepared = true;
}

// The text laid out as it is drawn: the document in the field's width and where the box
// for it lies, in device pixels from the field's top-left corner.
struct TextField::Layout
{
    QTextDocument document;
    double top = 0;        // below the field's top when a fixed line height moves the box
    double boxHeight = 0;  // the part of the field the text is clipped to
    double textHeight = 0; // what the text takes
    bool empty = true;
};

void TextField::layOut(Layout &layout, double scale)
{
    const QString shown
            = page->replaceExpressions() ? page->replaceFromVariables(text, true) : text;

    const QFont pixelFont = scaledFont(scale);
    const int pixelSize = pixelFont.pixelSize();
    QTextDocument &document = layout.document;
    document.setDefaultFont(pixelFont);

    const int linePx = qMax(0, wholePixels(lineHeight * scale));
    const int indentPx = qMax(0, wholePixels(indent * scale));
    QString html;
    if (linePx == 0) {
        html = QStringLiteral("<p style=\"text-indent: %1px;\">%2</p>").arg(indentPx).arg(shown);
    } else {
        html = QStringLiteral("<p style=\"line-height:%1px; text-indent: %2px;\">%3</p>")
                       .arg(linePx)
                       .arg(indentPx)
                       .arg(shown);
    }
    if (wordWrap)
        html.replace(QLatin1Char('\n'), QLatin1String("<br>"));

    document.setHtml(html);
    document.setDocumentMargin(0);
    document.setTextWidth(width * scale);
    QTextOption option = document.defaultTextOption();
    option.setAlignment(Qt::Alignment(alignFlags & 0xFF));
    option.setWrapMode(wordWrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    document.setDefaultTextOption(option);

    layout.top = 0;
    layout.boxHeight = height * scale;
    // A fixed line height puts the first baseline lower than the font would; moving the
    // box keeps the first line where the designer placed it.
    if (linePx != 0) {
        const double delta = pixelSize - linePx / 1.25;
        layout.top = delta;
        layout.boxHeight -= delta;
    }

    // Nothing to show: the stroke starts right at the top.
    layout.empty = document.isEmpty();
    layout.textHeight = 0;
    if (!layout.empty) {
        if (linePx > pixelSize) {
            layout.textHeight = wholePixels(document.documentLayout()->documentSize().height());
        } else {
            QRectF united;
            for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
                united |= document.documentLayout()->blockBoundingRect(block);
            layout.textHeight = united.height();
        }
    }
}

bool TextField::overflows(double scale)
{
    if (!page || !drawableGeometry() || !std::isfinite(scale) || scale <= 0)
        return false;
    Layout layout;
    layOut(layout, scale);
    if (layout.empty)
        return false;
    // Half a pixel of rounding either way is no overflow.
    constexpr double slack = 0.5;
    if (!wordWrap && layout.document.idealWidth() > width * scale + slack)
        return true;
    return layout.textHeight > layout.boxHeight + slack;
}

void TextField::draw(QPainter *painter, double scale, double offset)
{
    if (!painter || !page || !drawableGeometry())
        return;
    if (scale < 0)
        scale = page->scaleFromMM();
    if (!std::isfinite(scale) || scale <= 0)
        return;

    const double left = x * scale;
    if (y * scale - offset + height * scale <= 0)
        return;

    painter->save();
    Layout layout;
    layOut(layout, scale);
    painter->setFont(layout.document.defaultFont());
    const double fieldWidth = width * scale;
    const double fieldHeight = layout.boxHeight;
    const double top = y * scale - offset + layout.top;

    painter->translate(left, top);
    const double textHeight = layout.textHeight;
    double textBottom = textHeight;
    if (!layout.empty) {
        int shift = 0;
        if (alignFlags & Qt::AlignVCenter)
            shift = wholePixels((fieldHeight - textHeight) * 0.5);
        else if (alignFlags & Qt::AlignBottom)
            shift = wholePixels(fieldHeight - textHeight);
        if (shift > 0) {
            painter->translate(0, shift);
            textBottom += shift;
        }
    }

    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    context.clip = QRectF(0, 0, fieldWidth, fieldHeight);
    painter->setClipRect(context.clip, Qt::IntersectClip);
    layout.document.documentLayout()->draw(painter, context);
    painter->restore();

    if (zOnEmpty) {
        painter->save();
        painter->translate(left, top);
        painter->setPen(QPen(Qt::black, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        const double m = 2 * scale;
        const double upper = textBottom + m;
        const double right = fieldWidth - m;
        const double lower = fieldHeight - m;
        if (right > m && lower > upper) {
            painter->drawLine(QPointF(m, upper), QPointF(right, upper));
            painter->drawLine(QPointF(right, upper), QPointF(m, lower));
            painter->drawLine(QPointF(m, lower), QPointF(right, lower));
        }
        painter->restore();
    }
}

void TextField::write(QDataStream &out) const
{
    AbstractField::write(out);
    out << text;
}

void TextField::read(QDataStream &in)
{
    AbstractField::read(in);
    in >> text;
}

void TextField::readJson(const QJsonObject &json)
{
    AbstractField::readJson(json);
    text = json.value(QStringLiteral("id")).toString();
    const QJsonValue indentValue = json.value(QStringLiteral("indent"));
    if (!indentValue.isUndefined())
        indent = saneLength(indentValue.toDouble(0));
    const QJsonValue lineValue = json.value(QStringLiteral("lineHeight"));
    if (!lineValue.isUndefined())
        lineHeight = saneLength(lineValue.toDouble(0));
}

void TextField::writeJson(QJsonObject &json) const
{
    AbstractField::writeJson(json);
    json.insert(QStringLiteral("id"), text);
    json.insert(QStringLiteral("indent"), indent);
    json.insert(QStringLiteral("lineHeight"), lineHeight);
}
