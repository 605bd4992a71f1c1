#include "tablefield.h"

#include "reportpage.h"

#include <QDataStream>
#include <QFontMetrics>
#include <QJsonArray>
#include <QPaintDevice>
#include <QPainter>
#include <cmath>

namespace {
constexpr double epsilon = 0.000001;
// A new column of the table dialog is this wide; a file that lists fewer widths than
// columns gets it for the missing ones (mm).
constexpr double defaultColumnWidth = 40;

int jsonInt(const QJsonValue &value)
{
    if (!value.isDouble())
        return 0;
    const double d = value.toDouble();
    if (!std::isfinite(d))
        return 0;
    return int(qBound(-2147483648.0, d, 2147483647.0));
}

QVector<double> jsonLengths(const QJsonValue &value)
{
    QVector<double> result;
    const QJsonArray array = value.toArray();
    result.reserve(array.size());
    for (const QJsonValue &v : array)
        result.append(AbstractField::saneLength(v.toDouble(0)));
    return result;
}

QStringList jsonStrings(const QJsonValue &value)
{
    QStringList result;
    const QJsonArray array = value.toArray();
    result.reserve(array.size());
    for (const QJsonValue &v : array)
        result.append(v.toString());
    return result;
}

QJsonArray toJson(const QVector<double> &values)
{
    QJsonArray array;
    for (double v : values)
        array.append(v);
    return array;
}

template<typename List, typename Value> void padTo(List &list, int count, const Value &value)
{
    while (list.size() < count)
        list.append(value);
}

bool paintsOnPaper(const QPainter *painter)
{
    const QPaintDevice *device = painter->device();
    return device && device->devType() == QInternal::Printer;
}
} // namespace

TableField::TableField(QObject *parent)
    : AbstractField(parent)
{}

TableField::~TableField() = default;

int TableField::type() const
{
    return 2;
}

void TableField::normalizeLists()
{
    padTo(columnsWidth, columnCount, defaultColumnWidth);
    padTo(headerNames, columnCount, QString());
    padTo(columnIds, columnCount, QString());
    padTo(columnsAlign, columnCount, quint8(0));
    splitsCount = qBound(0, splitsCount, maxSplits);
    padTo(maxSplitHeight, splitsCount, 0.0);
    padTo(splitX, splitsCount, 0.0);
    padTo(splitY, splitsCount, 0.0);
}

bool TableField::bindModel()
{
    if (!page)
        return false;
    // Titles of an earlier model would point at unrelated columns of this one.
    columnIndex.clear();
    model = page->getModel(mModelName);
    watchModel();
    m_cellsStale = true;
    prepared = false;
    if (!model)
        return false;
    for (int c = 0; c < model->columnCount(); ++c)
        columnIndex[model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()] = c;
    return true;
}

void TableField::watchModel()
{
    for (const QMetaObject::Connection &connection : qAsConst(m_modelConnections))
        disconnect(connection);
    m_modelConnections.clear();
    if (!model)
        return;
    auto stale = [this] {
        m_cellsStale = true;
        prepared = false;
    };
    QAbstractItemModel *m = model.data();
    m_modelConnections << connect(m, &QAbstractItemModel::modelReset, this, stale)
                       << connect(m, &QAbstractItemModel::layoutChanged, this, stale)
                       << connect(m, &QAbstractItemModel::rowsInserted, this, stale)
                       << connect(m, &QAbstractItemModel::rowsRemoved, this, stale)
                       << connect(m, &QAbstractItemModel::dataChanged, this, stale)
                       << connect(m, &QAbstractItemModel::headerDataChanged, this, [this] {
                              bindModel();
                          });
}

void TableField::setModelName(const QString &name)
{
    mModelName = name;
    bindModel();
}

QString TableField::dataValue(const QString &title, int row) const
{
    if (!model)
        return QString();
    const auto it = columnIndex.constFind(title);
    if (it == columnIndex.constEnd())
        return QString();
    return model->data(model->index(row, it.value()), Qt::DisplayRole).toString();
}

QString TableField::replaceDataExpressions(const QString &text, int row) const
{
    if (!dataMode)
        return text;
    const QString open = QLatin1String("$D{") + mModelName + QLatin1Char('.');
    const auto variablesIn = [this](const QString &part) {
        return page ? page->replaceFromVariables(part) : part;
    };
    // Data go in as they are: the template's pieces between the data expressions are
    // the only text read for variables, so a discipline named "$V{Number}" prints so.
    QString result;
    int from = 0;
    for (;;) {
        const int start = text.indexOf(open, from);
        const int close = start < 0 ? -1 : text.indexOf(QLatin1Char('}'), start + open.size());
        if (close < 0)
            return result + variablesIn(text.mid(from));
        const int titleStart = start + open.size();
        result += variablesIn(text.mid(from, start - from));
        result += dataValue(text.mid(titleStart, close - titleStart), row);
        from = close + 1;
    }
}

void TableField::fillCells()
{
    normalizeLists();
    int rows = previewRowCount;
    if (dataMode)
        rows = model ? qMin(model->rowCount(), 65535) : 0;
    cells.resize(rows);
    for (int r = 0; r < rows; ++r) {
        QVector<QString> &line = cells[r];
        line.resize(columnCount);
        for (int c = 0; c < columnCount; ++c)
            line[c] = replaceDataExpressions(columnIds.at(c), r);
    }
    m_cellsStale = false;
}

void TableField::prepare()
{
    normalizeLists();
    if (scale < epsilon)
        scale = page ? page->scaleFromMM() : 96 / 25.399931;
    if (!std::isfinite(scale) || scale < epsilon)
        scale = 96 / 25.399931;
    if (!autoWidth)
        colWidths = columnsWidth.mid(0, columnCount);
    headerHeightUsed = headerIsVisible ? headerHeight : 0;

    const QFontMetrics metrics(scaledFont(scale));
    auto widthMM = [&](const QString &text) { return metrics.horizontalAdvance(text) / scale + 2; };
    if (autoWidth) {
        colWidths = QVector<double>(columnCount, minColumnWidth);
        for (int c = 0; c < columnCount; ++c)
            colWidths[c] = qMax(colWidths[c], widthMM(headerNames.at(c)));
    }

    if (!dataMode)
        rowsCount = previewRowCount;
    else
        rowsCount = model ? quint16(qMin(model->rowCount(), 65535)) : 0;
    // The designer may have changed the columns and call prepare without a draw.
    if (cells.size() != rowsCount || m_cellsStale
        || (!cells.isEmpty() && cells.first().size() != columnCount))
        fillCells();
    if (autoWidth) {
        for (int c = 0; c < columnCount; ++c) {
            if (!dataMode) {
                colWidths[c] = qMax(colWidths[c], widthMM(columnIds.at(c)));
                continue;
            }
            for (int r = 0; r < rowsCount; ++r)
                colWidths[c] = qMax(colWidths[c], widthMM(cells.at(r).at(c)));
        }
    }

    layoutRowHeights();

    totalWidth = 0;
    for (double w : qAsConst(colWidths))
        totalWidth += w;
    totalHeight = headerHeightUsed;
    for (int r = 0; r < rowsCount; ++r)
        totalHeight += rowHeights.at(r);
    width = totalWidth;
    height = splitsCount < 1 ? totalHeight : maxSplitHeight.at(0);

    layoutBlocks();
    m_cellTexts.clear();
    m_preparedScale = scale;
    if (!prepared)
        emit fieldChanged();
    prepared = true;
}

void TableField::layoutRowHeights()
{
    if (!prepared || rowHeights.size() != rowsCount)
        rowHeights = QVector<double>(rowsCount, rowHeight);
    if (!wordWrap)
        return;

    const QFontMetrics metrics(scaledFont(scale));
    const double m = 0.3 * scale;
    const int flags = textFlags(0);
    static const QString whole = QStringLiteral("довлетворительно");
    static const QString broken = QStringLiteral("довлетво- рительно");
    for (int r = 0; r < rowsCount; ++r) {
        QVector<QString> &line = cells[r];
        bool allEmpty = true;
        for (int c = 0; c < columnCount; ++c) {
            QString &cell = line[c];
            if (!cell.isEmpty())
                allEmpty = false;
            const double columnPx = colWidths.at(c) * scale;
            const QRect box(0, 0, wholePixels(columnPx - scale), 1800);
            // Most cells are one short line: its height is the font's, no layout needed.
            if (!cell.contains(QLatin1Char('\n')) && !cell.contains(whole)
                && metrics.horizontalAdvance(cell) + 2 < box.width()) {
                const double needed = metrics.height() + m;
                if (rowHeights.at(r) * scale + epsilon < needed)
                    rowHeights[r] = needed / scale;
                continue;
            }
            QRect bounds = metrics.boundingRect(box, flags, cell);
            if (bounds.width() + m > columnPx && cell.contains(whole)) {
                cell.replace(whole, broken);
                bounds = metrics.boundingRect(box, flags, cell);
            }
            const double needed = bounds.height() + m;
            if (rowHeights.at(r) * scale + epsilon < needed)
                rowHeights[r] = needed / scale;
        }
        if (allEmpty || columnCount == 0)
            rowHeights[r] = 0.7 * rowHeight;
    }
}

double TableField::blockLeft(int block) const
{
    return block == 0 ? x : splitX.at(block - 1);
}

double TableField::blockTop(int block) const
{
    return block == 0 ? y : splitY.at(block - 1);
}

void TableField::layoutBlocks()
{
    m_places.resize(rowsCount);
    m_placedRows = 0;
    int block = 0;
    double used = headerHeightUsed;
    for (int r = 0; r < rowsCount; ++r) {
        const double h = rowHeights.at(r);
        if (block < splitsCount && maxSplitHeight.at(block) > epsilon
            && !(maxSplitHeight.at(block) > used + h)) {
            if (splitX.at(block) < epsilon && splitY.at(block) < epsilon)
                break;
            ++block;
            used = 0;
        }
        m_places[r] = {block, used};
        used += h;
        ++m_placedRows;
    }
    // Recomputed at every layout: a table whose blocks were enlarged fits again.
    overflow = m_placedRows < rowsCount;
}

void TableField::layOutAt(double layoutScale)
{
    scale = layoutScale;
    const bool mode = page->replaceExpressions();
    // A layout made in the other mode or at another resolution measured other texts.
    if (mode != dataMode || std::fabs(m_preparedScale - scale) > epsilon)
        prepared = false;
    if (mode != dataMode || !prepared || m_cellsStale) {
        dataMode = mode;
        fillCells();
        prepare();
    }
}

bool TableField::overflows(double layoutScale)
{
    if (!page || !drawableGeometry() || !std::isfinite(layoutScale) || layoutScale < epsilon)
        return false;
    layOutAt(layoutScale);
    return overflow;
}

void TableField::draw(QPainter *painter, double drawScale, double offset)
{
    if (!painter || !page || !drawableGeometry())
        return;
    if (drawScale < epsilon)
        drawScale = page->scaleFromMM();
    if (!std::isfinite(drawScale) || drawScale < epsilon)
        return;
    layOutAt(drawScale);

    painter->save();
    painter->setFont(scaledFont(scale));
    painter->setPen(QPen(Qt::black, 0, drawBorders ? Qt::SolidLine : Qt::DotLine));
    const bool outlines = drawBorders || !paintsOnPaper(painter);
    const double m = 0.3 * scale;

    // Only cells that reach the device are drawn; rows of other pages cost nothing.
    QRectF visible;
    if (const QPaintDevice *device = painter->device()) {
        visible = painter->combinedTransform().inverted().mapRect(
                QRectF(0, 0, device->width(), device->height()));
        visible.adjust(-2, -2, 2, 2);
    }
    m_cellTexts.resize(columnCount * (rowsCount + 1));
    auto drawCell = [&](const QRectF &rect, int column, const QString &text, int index) {
        if (!visible.isNull() && !visible.intersects(rect.normalized()))
            return;
        if (outlines)
            painter->drawRect(rect);
        const QRectF textRect(
                rect.left() + m, rect.top() + m, rect.width() - 2 * m, rect.height() - m);
        drawCellText(
                painter, textRect, textFlags(columnsAlign.at(column)), text, m_cellTexts[index]);
    };

    double px = x * scale;
    double py = y * scale - offset;
    if (headerIsVisible) {
        const double h = headerHeightUsed * scale;
        double cx = px;
        for (int c = 0; c < columnCount; ++c) {
            const double w = colWidths.at(c) * scale;
            drawCell(QRectF(cx, py, w, h), c, headerNames.at(c), c);
            cx += w;
        }
        py += h;
    }

    int block = 0;
    for (int r = 0; r < m_placedRows; ++r) {
        const RowPlace &place = m_places.at(r);
        if (place.block != block) {
            block = place.block;
            px = blockLeft(block) * scale;
            py = blockTop(block) * scale - offset;
        }
        const double h = rowHeights.at(r) * scale;
        double cx = px;
        for (int c = 0; c < columnCount; ++c) {
            const double w = colWidths.at(c) * scale;
            drawCell(QRectF(cx, py, w, h),
                     c,
                     dataMode ? cells.at(r).at(c) : columnIds.at(c),
                     (r + 1) * columnCount + c);
            cx += w;
        }
        py += h;
    }

    if (zOnEmpty && block < splitsCount && maxSplitHeight.at(block) > epsilon) {
        painter->setPen(QPen(Qt::black, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        const double two = 2 * scale;
        for (int k = block; k < splitsCount; ++k) {
            const double left = blockLeft(k) * scale;
            const double top = blockTop(k) * scale - offset;
            const double x1 = left + two;
            const double y1 = (k == block ? py : top) + two;
            const double x2 = left + (width - 2) * scale;
            const double y2 = top + (maxSplitHeight.at(k) - 2) * scale;
            if (x1 < x2 && maxSplitHeight.at(k) > epsilon && y1 < y2) {
                painter->drawLine(QPointF(x1, y1), QPointF(x2, y1));
                painter->drawLine(QPointF(x2, y1), QPointF(x1, y2));
                painter->drawLine(QPointF(x1, y2), QPointF(x2, y2));
            }
        }
    }
    painter->restore();
}

void TableField::drawCellText(
        QPainter *painter, const QRectF &rect, int flags, const QString &text, CellText &cache)
{
    if (text.isEmpty())
        return;
    if (cache.source != text || cache.flags != flags || cache.width != rect.width()) {
        cache.source = text;
        cache.flags = flags;
        cache.width = rect.width();
        QString plain = text;
        plain.replace(QLatin1Char('\n'), QChar::LineSeparator);
        cache.text.setText(plain);
        cache.text.setTextFormat(Qt::PlainText);
        cache.text.setTextWidth(qMax(0.0, rect.width()));
        QTextOption option(Qt::Alignment(flags) & Qt::AlignHorizontal_Mask);
        option.setWrapMode(flags & Qt::TextWordWrap ? QTextOption::WordWrap : QTextOption::NoWrap);
        cache.text.setTextOption(option);
        // Laid out with the cell's font now: its size decides where the text goes, and
        // unprepared it would be measured in the application's font.
        cache.text.prepare(painter->combinedTransform(), painter->font());
    }
    const QSizeF size = cache.text.size();
    double top = rect.top();
    if (flags & Qt::AlignBottom)
        top = rect.bottom() - size.height();
    else if (flags & Qt::AlignVCenter)
        top = rect.top() + (rect.height() - size.height()) / 2;
    // Like a plain drawText: what does not fit the cell is cut at its edges.
    const bool clip = size.width() > rect.width() + 0.5 || size.height() > rect.height() + 0.5;
    if (clip) {
        painter->save();
        painter->setClipRect(rect, Qt::IntersectClip);
    }
    painter->drawStaticText(QPointF(rect.left(), top), cache.text);
    if (clip)
        painter->restore();
}

void TableField::write(QDataStream &out) const
{
    AbstractField::write(out);
    out << headerIsVisible << autoWidth << columnCount << previewRowCount << headerHeight
        << rowHeight << columnsWidth << headerNames << columnIds << mModelName << drawBorders;
}

void TableField::read(QDataStream &in)
{
    AbstractField::read(in);
    in >> headerIsVisible >> autoWidth >> columnCount >> previewRowCount >> headerHeight
            >> rowHeight >> columnsWidth >> headerNames >> columnIds >> mModelName >> drawBorders;
    headerHeight = saneLength(headerHeight);
    rowHeight = saneLength(rowHeight);
    for (double &w : columnsWidth)
        w = saneLength(w);
    normalizeLists();
    prepared = false;
}

void TableField::readJson(const QJsonObject &json)
{
    AbstractField::readJson(json);
    headerIsVisible = json.value(QStringLiteral("headerIsVisible")).toBool(false);
    autoWidth = json.value(QStringLiteral("autoWidth")).toBool(false);
    columnCount = quint8(jsonInt(json.value(QStringLiteral("columnCount"))));
    previewRowCount = quint8(jsonInt(json.value(QStringLiteral("previewRowCount"))));
    headerHeight = saneLength(json.value(QStringLiteral("headerHeight")).toDouble(0));
    rowHeight = saneLength(json.value(QStringLiteral("rowHeight")).toDouble(0));
    mModelName = json.value(QStringLiteral("mModelName")).toString();
    drawBorders = json.value(QStringLiteral("drawBorders")).toBool(false);
    columnsWidth = jsonLengths(json.value(QStringLiteral("columnsWidth")));
    headerNames = jsonStrings(json.value(QStringLiteral("headerNames")));
    columnIds = jsonStrings(json.value(QStringLiteral("columnIds")));
    columnsAlign.clear();
    const QJsonArray aligns = json.value(QStringLiteral("columnsAlign")).toArray();
    for (const QJsonValue &v : aligns)
        columnsAlign.append(quint8(jsonInt(v)));
    splitsCount = jsonInt(json.value(QStringLiteral("splitsCount")));
    maxSplitHeight = jsonLengths(json.value(QStringLiteral("maxSplitHeight")));
    splitX = jsonLengths(json.value(QStringLiteral("splitX")));
    splitY = jsonLengths(json.value(QStringLiteral("splitY")));
    normalizeLists();
    prepared = false;
}

void TableField::writeJson(QJsonObject &json) const
{
    AbstractField::writeJson(json);
    json.insert(QStringLiteral("headerIsVisible"), headerIsVisible);
    json.insert(QStringLiteral("autoWidth"), autoWidth);
    json.insert(QStringLiteral("columnCount"), int(columnCount));
    json.insert(QStringLiteral("previewRowCount"), int(previewRowCount));
    json.insert(QStringLiteral("headerHeight"), headerHeight);
    json.insert(QStringLiteral("rowHeight"), rowHeight);
    json.insert(QStringLiteral("mModelName"), mModelName);
    json.insert(QStringLiteral("drawBorders"), drawBorders);
    json.insert(QStringLiteral("columnsWidth"), toJson(columnsWidth));
    json.insert(QStringLiteral("headerNames"), QJsonArray::fromStringList(headerNames));
    json.insert(QStringLiteral("columnIds"), QJsonArray::fromStringList(columnIds));
    QJsonArray aligns;
    for (quint8 a : columnsAlign)
        aligns.append(int(a));
    json.insert(QStringLiteral("columnsAlign"), aligns);
    json.insert(QStringLiteral("splitsCount"), splitsCount);
    json.insert(QStringLiteral("maxSplitHeight"), toJson(maxSplitHeight));
    json.insert(QStringLiteral("splitX"), toJson(splitX));
    json.insert(QStringLiteral("splitY"), toJson(splitY));
}
