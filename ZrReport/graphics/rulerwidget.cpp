#include "rulerwidget.h"

#include "abstractfield.h"
#include "graphics/fieldgraphicsitem.h"
#include "graphics/mygraphicsscene.h"
#include "graphics/mygraphicsview.h"
#include "reportpage.h"

#include <QEvent>
#include <QPainter>
#include <QPalette>
#include <cmath>

namespace {
// Ticks closer than this (pixels) would run into one grey band.
constexpr double minTickSpacing = 3;
} // namespace

RulerWidget::RulerWidget(Qt::Orientation orientation, MyGraphicsView *view, QWidget *parent)
    : QWidget(parent)
    , m_orientation(orientation)
    , m_view(view)
{
    QFont small = font();
    small.setPointSizeF(qMax(6.0, small.pointSizeF() * 0.8));
    setFont(small);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    if (view) {
        connect(view, &MyGraphicsView::viewChanged, this, qOverload<>(&QWidget::update));
        // A moved or resized field repaints the canvas, and the mark follows. Not the
        // scene's changed(): while anyone listens to it, the scene gathers its updates in
        // scene coordinates and a full update repaints only the pages, so a field that
        // lay past a page's edge left its picture there after an undo.
        view->viewport()->installEventFilter(this);
        if (QGraphicsScene *scene = view->scene())
            connect(scene, &QGraphicsScene::selectionChanged, this, qOverload<>(&QWidget::update));
    }
}

bool RulerWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && m_view && watched == m_view->viewport())
        update();
    return QWidget::eventFilter(watched, event);
}

RulerWidget::~RulerWidget() = default;

int RulerWidget::breadth() const
{
    return fontMetrics().height() + 8;
}

double RulerWidget::sceneScale() const
{
    const auto *scene = m_view ? qobject_cast<MyGraphicsScene *>(m_view->scene()) : nullptr;
    return scene && scene->reportPage() ? scene->reportPage()->scaleFromMM() : 1.0;
}

double RulerWidget::pixelsPerMM() const
{
    if (!m_view)
        return 1.0;
    const QTransform t = m_view->viewportTransform();
    return sceneScale() * (m_orientation == Qt::Horizontal ? t.m11() : t.m22());
}

double RulerWidget::position(double mm) const
{
    if (!m_view)
        return 0;
    const QPointF inViewport = m_view->viewportTransform().map(QPointF(mm, mm) * sceneScale());
    const QPoint origin = mapFromGlobal(m_view->viewport()->mapToGlobal(QPoint(0, 0)));
    return m_orientation == Qt::Horizontal ? origin.x() + inViewport.x()
                                           : origin.y() + inViewport.y();
}

bool RulerWidget::hasMark() const
{
    const auto *scene = m_view ? qobject_cast<MyGraphicsScene *>(m_view->scene()) : nullptr;
    return scene && scene->selectedItem();
}

QPair<double, double> RulerWidget::markedRange() const
{
    const auto *scene = m_view ? qobject_cast<MyGraphicsScene *>(m_view->scene()) : nullptr;
    if (!scene || !scene->selectedItem())
        return {0, 0};
    // The item's rectangle, which follows a drag before the field does.
    const QRectF r = scene->selectedItem()->rect();
    const double s = sceneScale();
    if (m_orientation == Qt::Horizontal)
        return {r.left() / s, r.right() / s};
    return {r.top() / s, r.bottom() / s};
}

void RulerWidget::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    const bool horizontal = m_orientation == Qt::Horizontal;
    const int length = horizontal ? width() : height();
    const int across = horizontal ? height() : width();
    const double ppm = pixelsPerMM();
    if (!m_view || ppm <= 0 || !std::isfinite(ppm))
        return;

    if (hasMark()) {
        const QPair<double, double> range = markedRange();
        const double from = position(range.first);
        const double to = position(range.second);
        QColor band = palette().color(QPalette::Highlight);
        band.setAlpha(70);
        const QRectF mark = horizontal ? QRectF(from, 0, to - from, across)
                                       : QRectF(0, from, across, to - from);
        painter.fillRect(mark, band);
        painter.setPen(palette().color(QPalette::Highlight));
        if (horizontal) {
            painter.drawLine(QPointF(from, 0), QPointF(from, across));
            painter.drawLine(QPointF(to, 0), QPointF(to, across));
        } else {
            painter.drawLine(QPointF(0, from), QPointF(across, from));
            painter.drawLine(QPointF(0, to), QPointF(across, to));
        }
    }

    painter.setPen(palette().color(QPalette::Text));
    const double zero = position(0);
    const int first = int(std::floor((0 - zero) / ppm));
    const int last = int(std::ceil((length - zero) / ppm));
    const int labelRoom = fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 4;
    const int labelEvery = 10 * ppm >= labelRoom ? 10 : (50 * ppm >= labelRoom ? 50 : 100);
    for (int mm = first; mm <= last; ++mm) {
        const bool ten = mm % 10 == 0;
        const bool five = mm % 5 == 0;
        if (!ten && !five && ppm < minTickSpacing)
            continue;
        if (!ten && ppm * 5 < minTickSpacing)
            continue;
        const double at = zero + mm * ppm;
        const double tick = ten ? across * 0.5 : (five ? across * 0.3 : across * 0.15);
        if (horizontal)
            painter.drawLine(QPointF(at, across - tick), QPointF(at, across));
        else
            painter.drawLine(QPointF(across - tick, at), QPointF(across, at));
        if (mm % labelEvery != 0)
            continue;
        const QString label = QString::number(mm);
        if (horizontal) {
            painter.drawText(QPointF(at + 2, fontMetrics().ascent() + 1), label);
        } else {
            painter.save();
            painter.translate(fontMetrics().ascent() + 1, at - 2);
            painter.rotate(-90);
            painter.drawText(QPointF(0, 0), label);
            painter.restore();
        }
    }
    painter.setPen(palette().color(QPalette::Mid));
    if (horizontal)
        painter.drawLine(0, across - 1, length, across - 1);
    else
        painter.drawLine(across - 1, 0, across - 1, length);
}
