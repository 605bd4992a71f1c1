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
    setItemRect(QRectF(m_field->x * s, m_field->y * s, m_field->width * s, m_field->height * s));
    update();
}

void FieldGraphicsItem::setItemRect(const QRectF &r)
{
    const QRectF bounds = boundsOf(r);
    if (r == rect() && bounds == m_bounds)
        return;
    // The scene's index drops the item under the bounds it was filed with; only then
    // may they change. A table's layout and blocks change without the item, so the
    // bounds are kept here and follow them only through this call.
    prepareGeometryChange();
    m_bounds = bounds;
    setRect(r);
}

QRectF FieldGraphicsItem::boundingRect() const
{
    return m_bounds;
}

QRectF FieldGraphicsItem::boundsOf(const QRectF &r) const
{
    const double halfPen = pen().style() == Qt::NoPen ? 0.0 : pen().widthF() / 2;
    QRectF bounds = r.adjusted(-halfPen, -halfPen, halfPen, halfPen);
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
    m_columnChanged = false;
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
    // The other selected fields go along when this one is moved.
    m_group.clear();
    if (isSelected() && scene()) {
        for (QGraphicsItem *other : scene()->selectedItems()) {
            auto *item = qgraphicsitem_cast<FieldGraphicsItem *>(other);
            if (item && item != this && item->field())
                m_group.append({item, item->mapRectToScene(item->rect())});
        }
    }
}

double FieldGraphicsItem::gridStep() const
{
    const auto *myScene = qobject_cast<const MyGraphicsScene *>(scene());
    return myScene ? myScene->gridStep() : 0.0;
}

double FieldGraphicsItem::snapped(double scenePos) const
{
    return MyGraphicsScene::snapped(scenePos / m_scale, gridStep()) * m_scale;
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
    const bool grid = gridStep() > 0;
    QRectF result = r;
    switch (m_resizeEdge) {
    case RightEdge: {
        double w = qMax(whole(r.width() - P.x() + q.x()), int(grabMargin));
        if (grid)
            w = qMax(snapped(r.x() + w) - r.x(), grabMargin);
        if (w > sceneRect.width() - r.x())
            w = whole(sceneRect.width() - r.x());
        result.setWidth(w);
        break;
    }
    case BottomEdge: {
        double h = qMax(whole(r.height() - P.y() + q.y()), int(grabMargin));
        if (grid)
            h = qMax(snapped(r.y() + h) - r.y(), grabMargin);
        if (h > sceneRect.height() - r.y())
            h = whole(sceneRect.height() - r.y());
        result.setHeight(h);
        break;
    }
    case LeftEdge: {
        double left = whole(r.x() - P.x() + q.x());
        if (grid)
            left = snapped(left);
        if (left > r.x() + r.width() - grabMargin)
            left = whole(r.x() + r.width() - grabMargin);
        if (left < 0)
            left = 0;
        result.setLeft(left);
        break;
    }
    case TopEdge: {
        double top = whole(r.y() - P.y() + q.y());
        if (grid)
            top = snapped(top);
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

QPointF FieldGraphicsItem::groupShift(const QPointF &wanted) const
{
    // The selection moves as one block that stays on the pages.
    QRectF block = m_startRect;
    for (const GroupMember &member : m_group)
        block |= member.start;
    return clampTopLeft(block.topLeft() + wanted) - block.topLeft();
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
            m_columnChanged = true;
        }
        onFieldUpdated();
        update();
        return;
    }
    if (kind == 1 && m_resizeEdge != NoEdge) {
        moved = textFieldResized(q);
        m_moved = rectDiffers(moved, m_startRect);
        setItemRect(mapRectFromScene(moved));
    } else {
        QPointF topLeft(q.x() + m_startRect.x() - m_pressPos.x(),
                        q.y() + m_startRect.y() - m_pressPos.y());
        if (gridStep() > 0)
            topLeft = QPointF(snapped(topLeft.x()), snapped(topLeft.y()));
        const QPointF shift = groupShift(topLeft - m_startRect.topLeft());
        moved.translate(shift);
        m_moved = kind == 1 ? rectDiffers(moved, m_startRect) : true;
        setItemRect(mapRectFromScene(moved));
        for (const GroupMember &member : qAsConst(m_group)) {
            if (member.item)
                member.item->setItemRect(
                        member.item->mapRectFromScene(member.start.translated(shift)));
        }
    }
    if (scene())
        scene()->update();
}

void FieldGraphicsItem::writeBack()
{
    if (!m_field)
        return;
    const QRectF r = rect();
    const double s = m_scale;
    // What the drag left alone keeps its millimetres, not a rounding error off them.
    auto mm = [s](double pixels, double old) { return pixels == old * s ? old : pixels / s; };
    double left = mm(r.x(), m_field->x);
    double top = mm(r.y(), m_field->y);
    double width = mm(r.width(), m_field->width);
    double height = mm(r.height(), m_field->height);
    const double step = gridStep();
    if (step > 0) {
        // Edges put on the grid land on it exactly.
        auto clean = [step](double edge) {
            const double onGrid = MyGraphicsScene::snapped(edge, step);
            return std::abs(onGrid - edge) < 1e-6 ? onGrid : edge;
        };
        const double right = clean(left + width);
        const double bottom = clean(top + height);
        const bool keepWidth = r.width() == m_field->width * s;
        const bool keepHeight = r.height() == m_field->height * s;
        left = clean(left);
        top = clean(top);
        if (!keepWidth)
            width = right - left;
        if (!keepHeight)
            height = bottom - top;
    }
    m_field->width = width;
    m_field->height = height;
    m_field->x = left;
    m_field->y = top;
}

void FieldGraphicsItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    const bool click = m_resizeEdge == NoEdge && !m_moved;
    bool edited = m_columnChanged;
    if (click) {
        // Ctrl+click adds a field to the selection or takes it out.
        if (event->modifiers() & Qt::ControlModifier) {
            setSelected(!isSelected());
        } else {
            if (scene())
                scene()->clearSelection();
            setSelected(true);
        }
    } else if (m_field && isSelected()) {
        writeBack();
        for (const GroupMember &member : qAsConst(m_group)) {
            if (member.item)
                member.item->writeBack();
        }
        edited = edited || m_moved;
    }
    m_group.clear();
    m_resizedColumn = -1;
    m_moved = false;
    m_columnChanged = false;
    m_resizeEdge = NoEdge;
    // A drag is one change, told once when it ends.
    if (edited)
        notifyEdited();
    // Only the first selected field is shown in the property dock; a press on the edge
    // of another one must not put that one there.
    auto *myScene = qobject_cast<MyGraphicsScene *>(scene());
    if (myScene && isSelected()) {
        FieldGraphicsItem *shown = myScene->selectedItem();
        emit myScene->selectedFieldChanged(shown ? shown->field() : m_field.data());
    }
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
