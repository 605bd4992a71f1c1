#include "projectviewwidget.h"

#include "graphics/fieldgraphicsitem.h"
#include "graphics/mygraphicsscene.h"
#include "graphics/mygraphicsview.h"
#include "graphics/rulerwidget.h"
#include "ui_projectviewwidget.h"

ProjectViewWidget::ProjectViewWidget(ReportPage *page, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::ProjectViewWidget>())
{
    ui->setupUi(this);
    setAcceptDrops(true);
    m_view = new MyGraphicsView(this);
    // A drag over the empty sheet selects the fields it touches; the right button pans.
    m_view->setDragMode(QGraphicsView::RubberBandDrag);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setCacheMode(QGraphicsView::CacheBackground);
    m_view->setViewportUpdateMode(QGraphicsView::BoundingRectViewportUpdate);
    m_scene = new MyGraphicsScene(page, nullptr);
    m_view->setScene(m_scene);
    m_topRuler = new RulerWidget(Qt::Horizontal, m_view, this);
    m_leftRuler = new RulerWidget(Qt::Vertical, m_view, this);
    resizeChildren();
}

ProjectViewWidget::~ProjectViewWidget()
{
    // The scene has no parent; it goes with the widget that shows it, after the view.
    delete m_view.data();
    delete m_scene.data();
}

MyGraphicsScene *ProjectViewWidget::graphicsScene() const
{
    return m_scene.data();
}

MyGraphicsView *ProjectViewWidget::graphicsView() const
{
    return m_view.data();
}

void ProjectViewWidget::addAndSelectField(AbstractField *field)
{
    if (!m_scene)
        return;
    m_scene->clearSelection();
    FieldGraphicsItem *item = m_scene->addField(field);
    item->setSelected(true);
}

void ProjectViewWidget::refreshView()
{
    if (m_view) {
        m_view->update();
        m_view->repaint();
    }
    if (m_scene)
        m_scene->updateAllItems();
}

void ProjectViewWidget::on_zoomIn()
{
    if (m_view)
        m_view->zoom(MyGraphicsView::zoomStep);
}

void ProjectViewWidget::on_zoomOut()
{
    if (m_view)
        m_view->zoom(1.0 / MyGraphicsView::zoomStep);
}

void ProjectViewWidget::setReportPage(ReportPage *rp)
{
    if (m_view)
        m_view->setMouseTracking(true);
    if (m_scene)
        m_scene->setReportPage(rp);
}

RulerWidget *ProjectViewWidget::topRuler() const
{
    return m_topRuler.data();
}

RulerWidget *ProjectViewWidget::leftRuler() const
{
    return m_leftRuler.data();
}

void ProjectViewWidget::resizeChildren()
{
    if (!m_view)
        return;
    const int r = m_topRuler ? m_topRuler->breadth() : 0;
    m_view->setGeometry(r, r, width() - 10 - r, height() - 10 - r);
    if (m_topRuler)
        m_topRuler->setGeometry(r, 0, width() - 10 - r, r);
    if (m_leftRuler)
        m_leftRuler->setGeometry(0, r, r, height() - 10 - r);
}

void ProjectViewWidget::resizeEvent(QResizeEvent *event)
{
    resizeChildren();
    QWidget::resizeEvent(event);
}
