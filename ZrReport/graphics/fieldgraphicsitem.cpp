#include "fieldgraphicsitem.h"

#include "abstractfield.h"
#include "dialogs/edittablefielddialog.h"
#include "graphics/mygraphicsscene.h"
#include "reportlog.h"
#include "reportpage.h"
#include "reportwindow.h"
#include "tablefield.h"

#include <QCursor>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <cmath>

namespace {
int whole(double v)
{
    return AbstractField::wholePixels(v);
}

bool differs(double a, double b)
{
    return std::abs(a - b) * 1e12 > qMin(std::abs(a), std::abs(b));
}

bool rectDiffers(const QRectF &a, const QRectF &b)
{
    return differs(a.x(), b.x()) || differs(a.y(), b.y()) || differs(a.width(), b.width())
           || differs(a.height(), b.height());
}

double pageScale(const AbstractField *field)
{
    return field && field->page ? field->page->scaleFromMM() : 1.0;
}
} // namespace

FieldGraphicsItem::FieldGraphicsItem(AbstractField *field, QGraphicsItem *parent)
    : QObject()
    , QGraphicsRectItem(parent)
    , m_field(field)
{
    setPen(QPen(Qt::black));
    setBrush(Qt::transparent);
    setData(256, 1);
    setFlags(ItemIsSelectable | ItemIsFocusable | ItemSendsGeometryChanges);
    if (field) {
        if (field->page)
            m_scale = field->page->scaleFromMM();
        connect(field, &AbstractField::fieldChanged, this, &FieldGraphicsItem::onFieldUpdated);
    }
    onFieldUpdated();
}

FieldGraphicsItem::~FieldGraphicsItem() = default;

int FieldGraphicsItem::fieldType() const
{
    return m_field ? m_field->type() : 0;
}

void FieldGraphicsItem::onFieldUpdated()
{
    if (!m_field) {
        ZR_REPORT_DEBUG(QStringLiteral("onFieldUpdated: field is NULL"));
        return;
    }
    const double s = m_scale;
    prepareGeometryChange();
    setRect(QRectF(m_field->x * s, m_field->y * s, m_field->width * s, m_field->height * s));
    update();
}

QRectF FieldGraphicsItem::boundingRect() const
{
    QRectF bounds = QGraphicsRectItem::boundingRect();
    if (fieldType() != 2)
        return bounds;
    const auto *table = static_cast<const TableField *>(m_field.data());
    const int splits = qMin(
            table->splitsCount,
            qMin(table->splitX.size(), qMin(table->splitY.size(), table->maxSplitHeight.size())));
    for (int k = 0; k < splits; ++k) {
        if (table->splitX.at(k) < 0.000001 && table->splitY.at(k) < 0.000001)
            continue;
        const double h = k + 1 < splits && table->maxSplitHeight.at(k + 1) > 0.000001
                                 ? table->maxSplitHeight.at(k + 1)
                                 : table->totalHeight;
        bounds |= QRectF(table->splitX.at(k) * m_scale,
                         table->splitY.at(k) * m_scale,
                         table->width * m_scale,
                         h * m_scale);
    }
    return bounds;
}

void FieldGraphicsItem::onTableFieldModified()
{
    onFieldUpdated();
    update();
    notifyEdited();
}

void FieldGraphicsItem::notifyEdited()
{
    // The scene tells its own window; a loose item falls back to the latest window.
    if (auto *myScene = qobject_cast<MyGraphicsScene *>(scene()))
        emit myScene->fieldEdited();
    else if (ReportWindow *window = ReportWindow::instance())
        window->setEdited();
}

void FieldGraphicsItem::paint(QPainter *painter,
                              const QStyleOptionGraphicsItem *option,
                              QWidget *widget)
{
    QGraphicsRectItem::paint(painter, option, widget);
    if (m_field)
        m_field->draw(painter, m_scale, 0.0);
}

QVariant FieldGraphicsItem::itemChange(GraphicsItemChange change, const QVariant &value)
{
    // A faint red tint marks the field that the keys and the dock act on.
    if (change == ItemSelectedHasChanged)
        setBrush(value.toBool() ? QBrush(QColor(255, 0, 0, 10)) : QBrush(Qt::transparent));
    return QGraphicsRectItem::itemChange(change, value);
}

void FieldGraphicsItem::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    // The base handler is left out on purpose: a press must not select, only a click.
    m_moved = false;
    const QPointF p = event->pos();
    // The rectangle, not the bounding rectangle: a table's blocks do not count here.
    const QRectF bounds = rect();
    m_resizeEdge = NoEdge;
    m_resizedColumn = -1;
    if (fieldType() == 1) {
        if (p.x() <= bounds.left() + grabMargin)
            m_resizeEdge = LeftEdge;
        else if (p.x() >= bounds.right() - grabMargin)
            m_resizeEdge = RightEdge;
        else if (p.y() <= bounds.top() + grabMargin)
            m_resizeEdge = TopEdge;
        else if (p.y() >= bounds.bottom() - grabMargin)
            m_resizeEdge = BottomEdge;
    } else if (fieldType() == 2) {
        auto *table = static_cast<TableField *>(m_field.data());
        if (!table->autoWidth && table->columnCount > 0) {
            const double s = pageScale(table);
            double border = bounds.left();
            const int columns = qMin(int(table->columnCount), table->columnsWidth.size());
            for (int i = 0; i < columns; ++i) {
                border += table->columnsWidth.at(i) * s;
                if (border - grabMargin <= p.x() && p.x() <= border + grabMargin) {
                    m_resizedColumn = i;
                    m_initialColumnWidth = table->columnsWidth.at(i);
                    break;
                }
            }
        }
    }
    m_startRect = mapRectToScene(rect());
    m_pressPos = event->scenePos();
}

QPointF FieldGraphicsItem::clampTopLeft(const QPointF &topLeft) const
{
    const QRectF sceneRect = scene() ? scene()->sceneRect() : QRectF();
    return QPointF(qBound(0.0, topLeft.x(), qMax(0.0, sceneRect.right() - grabMargin)),
                   qBound(0.0, topLeft.y(), qMax(0.0, sceneRect.bottom() - grabMargin)));
}

QRectF FieldGraphicsItem::textFieldResized(const QPointF &q) const
{
    const QRectF r = m_startRect;
    const QPointF &P = m_pressPos;
    const QRectF sceneRect = scene() ? scene()->sceneRect() : QRectF();
    QRectF result = r;
    switch (m_resizeEdge) {
    case RightEdge: {
        double w = qMax(whole(r.width() - P.x() + q.x()), int(grabMargin));
        if (w > sceneRect.width() - r.x())
            w = whole(sceneRect.width() - r.x());
        result.setWidth(w);
        break;
    }
    case BottomEdge: {
        double h = qMax(whole(r.height() - P.y() + q.y()), int(grabMargin));
        if (h > sceneRect.height() - r.y())
            h = whole(sceneRect.height() - r.y());
        result.setHeight(h);
        break;
    }
    case LeftEdge: {
        double left = whole(r.x() - P.x() + q.x());
        if (left > r.x() + r.width() - grabMargin)
            left = whole(r.x() + r.width() - grabMargin);
        if (left < 0)
            left = 0;
        result.setLeft(left);
        break;
    }
    case TopEdge: {
        double top = whole(r.y() - P.y() + q.y());
        if (top > r.y() + r.height() - grabMargin)
            top = whole(r.y() + r.height() - grabMargin);
        if (top < 0)
            top = 0;
        result.setTop(top);
        break;
    }
    default:
        break;
    }
    return result;
}

void FieldGraphicsItem::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (!isSelected() || !m_field)
        return;
    const QPointF q = event->scenePos();
    QRectF moved = m_startRect;
    const int kind = fieldType();
    if (kind == 2 && m_resizedColumn >= 0) {
        auto *table = static_cast<TableField *>(m_field.data());
        if (m_resizedColumn < table->columnsWidth.size()) {
            double w = m_initialColumnWidth - (m_pressPos.x() - q.x()) / pageScale(table);
            if (w < 1.0)
                w = 1.0;
            table->columnsWidth[m_resizedColumn] = w;
            table->prepared = false;
            table->prepare();
        }
        onFieldUpdated();
        update();
        notifyEdited();
        return;
    }
    if (kind == 1 && m_resizeEdge != NoEdge) {
        moved = textFieldResized(q);
        m_moved = rectDiffers(moved, m_startRect);
    } else {
        moved.moveTopLeft(clampTopLeft(QPointF(q.x() + m_startRect.x() - m_pressPos.x(),
                                               q.y() + m_startRect.y() - m_pressPos.y())));
        m_moved = kind == 1 ? rectDiffers(moved, m_startRect) : true;
    }
    setRect(mapRectFromScene(moved));
    if (scene())
        scene()->update();
}

void FieldGraphicsItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    Q_UNUSED(event)
    const bool click = m_resizeEdge == NoEdge && !m_moved;
    if (click) {
        if (scene())
            scene()->clearSelection();
        setSelected(true);
    } else if (m_field && isSelected()) {
        const QRectF r = rect();
        m_field->width = r.width() / m_scale;
        m_field->height = r.height() / m_scale;
        m_field->x = r.x() / m_scale;
        m_field->y = r.y() / m_scale;
        if (m_moved)
            notifyEdited();
    }
    m_resizedColumn = -1;
    m_moved = false;
    m_resizeEdge = NoEdge;
    // Only the selected field is shown in the property dock; a press on the edge of
    // another one must not put that one there.
    auto *myScene = qobject_cast<MyGraphicsScene *>(scene());
    if (myScene && isSelected())
        emit myScene->selectedFieldChanged(m_field.data());
    setCursor(Qt::ArrowCursor);
    if (scene())
        scene()->update();
}

void FieldGraphicsItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event)
{
    Q_UNUSED(event)
    if (fieldType() != 2)
        return;
    auto *dialog = new EditTableFieldDialog(nullptr);
    dialog->setTableField(static_cast<TableField *>(m_field.data()));
    connect(dialog,
            &EditTableFieldDialog::tableFieldModified,
            this,
            &FieldGraphicsItem::onTableFieldModified);
    dialog->show();
}
