#include "mygraphicsview.h"

#include "abstractfield.h"
#include "graphics/fieldgraphicsitem.h"
#include "graphics/mygraphicsscene.h"
#include "reportpage.h"
#include "tablefield.h"
#include "textfield.h"

#include <QDataStream>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

namespace {
const QString itemListMime = QStringLiteral("application/x-qabstractitemmodeldatalist");

double pageScale(const AbstractField *field)
{
    return field && field->page ? field->page->scaleFromMM() : 1.0;
}
} // namespace

MyGraphicsView::MyGraphicsView(QWidget *parent)
    : QGraphicsView(parent)
{
    setStyleSheet(QStringLiteral("background-color: transparent;"));
    setRenderHint(QPainter::Antialiasing);
    setInteractive(true);
    setMouseTracking(true);
    setDragMode(QGraphicsView::NoDrag);
    setAcceptDrops(true);
    setTransformationAnchor(QGraphicsView::NoAnchor);
}

MyGraphicsView::~MyGraphicsView() = default;

void MyGraphicsView::zoom(double factor)
{
    const double m = transform().m11();
    // Past a limit only the way back is allowed.
    const bool inside = m > minZoom && m < maxZoom;
    const bool back = (m > maxZoom && factor < 1.0) || (m < minZoom && factor > 1.0);
    if (inside || back) {
        scale(factor, factor);
        emit viewChanged();
    }
}

void MyGraphicsView::keyPressEvent(QKeyEvent *event)
{
    // With a field selected the arrow keys place it (the designer window does that)
    // instead of scrolling.
    const auto *myScene = qobject_cast<MyGraphicsScene *>(scene());
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (myScene && myScene->selectedItem()) {
            event->ignore();
            return;
        }
        break;
    default:
        break;
    }
    QGraphicsView::keyPressEvent(event);
}

void MyGraphicsView::scrollContentsBy(int dx, int dy)
{
    QGraphicsView::scrollContentsBy(dx, dy);
    emit viewChanged();
}

void MyGraphicsView::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    emit viewChanged();
}

QPointF MyGraphicsView::visibleCenter() const
{
    return mapToScene(viewport()->rect()).boundingRect().center();
}

FieldGraphicsItem *MyGraphicsView::fieldItemAt(const QPoint &viewPos) const
{
    for (QGraphicsItem *item : items(viewPos)) {
        if (auto *field = qgraphicsitem_cast<FieldGraphicsItem *>(item))
            return field;
    }
    return nullptr;
}

void MyGraphicsView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        m_panning = true;
        m_panX = std::round(event->localPos().x());
        m_panY = std::round(event->localPos().y());
        return;
    }
    QGraphicsView::mousePressEvent(event);
}

void MyGraphicsView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        m_panning = false;
        return;
    }
    QGraphicsView::mouseReleaseEvent(event);
}

void MyGraphicsView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos(qRound(event->localPos().x()), qRound(event->localPos().y()));
    if (m_panning) {
        // The anchor stays put, so the farther the pointer goes the faster it scrolls.
        const double m = transform().m11();
        QScrollBar *h = horizontalScrollBar();
        QScrollBar *v = verticalScrollBar();
        h->setValue(AbstractField::wholePixels(h->value() - (pos.x() - m_panX) * m / 13.0));
        v->setValue(AbstractField::wholePixels(v->value() - (pos.y() - m_panY) * m / 13.0));
    } else {
        updateCursor(pos);
    }
    QGraphicsView::mouseMoveEvent(event);
}

void MyGraphicsView::updateCursor(const QPoint &pos)
{
    FieldGraphicsItem *item = fieldItemAt(pos);
    if (!item || !item->field())
        return;
    if (!item->isSelected()) {
        item->setCursor(Qt::ArrowCursor);
        return;
    }
    const QRect bounds = mapFromScene(item->mapToScene(item->rect())).boundingRect();
    const double m = transform().m11();
    if (item->fieldType() == 1) {
        if (pos.x() <= bounds.left() + FieldGraphicsItem::grabMargin
            || pos.x() >= bounds.right() - FieldGraphicsItem::grabMargin)
            item->setCursor(Qt::SizeHorCursor);
        else if (pos.y() <= bounds.top() + FieldGraphicsItem::grabMargin
                 || pos.y() >= bounds.bottom() - FieldGraphicsItem::grabMargin)
            item->setCursor(Qt::SizeVerCursor);
        else
            item->setCursor(Qt::OpenHandCursor);
    } else if (item->fieldType() == 2) {
        auto *table = static_cast<TableField *>(item->field());
        if (table->autoWidth) {
            item->setCursor(Qt::OpenHandCursor);
        } else {
            bool onBorder = false;
            double border = bounds.left();
            const int columns = qMin(int(table->columnCount), table->columnsWidth.size());
            for (int i = 0; i < columns && !onBorder; ++i) {
                border += table->columnsWidth.at(i) * m * pageScale(table);
                onBorder = std::abs(pos.x() - border) <= FieldGraphicsItem::grabMargin;
            }
            item->setCursor(onBorder ? Qt::SizeHorCursor : Qt::OpenHandCursor);
        }
    }
    viewport()->update();
}

void MyGraphicsView::wheelEvent(QWheelEvent *event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        zoom(event->angleDelta().y() > 0 ? zoomStep : 1.0 / zoomStep);
        event->accept();
        return;
    }
    QGraphicsView::wheelEvent(event);
}

void MyGraphicsView::dragEnterEvent(QDragEnterEvent *event)
{
    QGraphicsView::dragEnterEvent(event);
    const QMimeData *mime = event->mimeData();
    if (mime && mime->hasFormat(itemListMime)) {
        QByteArray encoded = mime->data(itemListMime);
        QDataStream stream(&encoded, QIODevice::ReadOnly);
        if (!stream.atEnd()) {
            int row = 0;
            int column = 0;
            QMap<int, QVariant> roles;
            stream >> row >> column >> roles;
            if (stream.status() == QDataStream::Ok)
                m_dragText = roles.value(Qt::DisplayRole).toString();
        }
    }
    event->accept();
}

void MyGraphicsView::dragLeaveEvent(QDragLeaveEvent *event)
{
    QGraphicsView::dragLeaveEvent(event);
}

bool MyGraphicsView::acceptsDrag(const QPoint &pos) const
{
    const FieldGraphicsItem *item = fieldItemAt(pos);
    if (!item)
        return false;
    return (item->fieldType() == 1 && m_dragText.contains(QLatin1String("$V{")))
           || (item->fieldType() == 2 && m_dragText.contains(QLatin1String("$D{")));
}

void MyGraphicsView::dragMoveEvent(QDragMoveEvent *event)
{
    if (acceptsDrag(event->pos()))
        event->accept();
    else
        event->ignore();
}

void MyGraphicsView::dropEvent(QDropEvent *event)
{
    const QPoint pos = event->pos();
    FieldGraphicsItem *item = fieldItemAt(pos);
    if (!item || !item->field() || !acceptsDrag(pos)) {
        event->ignore();
        return;
    }
    bool changed = false;
    if (item->fieldType() == 1) {
        static_cast<TextField *>(item->field())->text = m_dragText;
        changed = true;
    } else if (item->fieldType() == 2) {
        auto *table = static_cast<TableField *>(item->field());
        if (!table->autoWidth) {
            const double m = transform().m11();
            const QRect bounds = mapFromScene(item->mapToScene(item->rect())).boundingRect();
            double left = bounds.left();
            const int columns = qMin(table->colWidths.size(), table->columnIds.size());
            for (int c = 0; c < columns; ++c) {
                const double right = left + table->colWidths.at(c) * m * pageScale(table);
                if (pos.x() > left && pos.x() < right) {
                    table->columnIds[c] = m_dragText;
                    table->prepared = false;
                    changed = true;
                    break;
                }
                left = right;
            }
        }
    }
    event->acceptProposedAction();
    if (!changed)
        return;
    item->onFieldUpdated();
    item->update();
    if (auto *myScene = qobject_cast<MyGraphicsScene *>(scene())) {
        emit myScene->selectedFieldChanged(item->field());
        emit myScene->fieldEdited();
    }
}
