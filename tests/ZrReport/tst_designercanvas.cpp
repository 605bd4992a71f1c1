#include "designertestutil.h"
#include "dialogs/edittablefielddialog.h"
#include "graphics/fieldgraphicsitem.h"
#include "graphics/mygraphicsscene.h"
#include "graphics/mygraphicsview.h"
#include "graphics/projectviewwidget.h"
#include "graphics/rulerwidget.h"
#include "testhome.h"

#include <QGraphicsPixmapItem>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QtTest>
#include <memory>

using namespace DesignerTest;

namespace {
// QTest's widget mouseMove only moves the cursor in Qt 5; the view needs the event.
void sendMove(QWidget *widget, const QPoint &pos, Qt::MouseButtons buttons)
{
    QMouseEvent move(QEvent::MouseMove,
                     pos,
                     widget->mapToGlobal(pos),
                     Qt::NoButton,
                     buttons,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}
} // namespace

class TestDesignerCanvas : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pageRectangles_data();
    void pageRectangles();
    void pageCountChangeFollowsDock_data();
    void pageCountChangeFollowsDock();
    void backgroundNeedsTenMillimetres_data();
    void backgroundNeedsTenMillimetres();
    void itemFollowsFieldMillimetres();
    void nudge_data();
    void nudge();
    void nudgeWithoutSelectionDoesNothing();
    void textEdgeDrag_data();
    void textEdgeDrag();
    void moveIsClampedToScene_data();
    void moveIsClampedToScene();
    void columnBorderDrag_data();
    void columnBorderDrag();
    void pressAndRelease_data();
    void pressAndRelease();
    void zoomLimits_data();
    void zoomLimits();
    void ctrlWheelZooms();
    void dragMoveAcceptance_data();
    void dragMoveAcceptance();
    void dropOnTextField();
    void dropOnTableColumn_data();
    void dropOnTableColumn();
    void deletedItemLeavesList();
    void blocksChangedThenDeleted_data();
    void blocksChangedThenDeleted();
    void gridSnap_data();
    void gridSnap();
    void rubberBandCtrlClickAndGroupMove();
    void alignWithFirstSelected_data();
    void alignWithFirstSelected();
    void rulersFollowViewAndSelection();

private:
    ProjectViewWidget *makeWidget();
    QPoint viewPoint(const QPointF &scenePoint) const;
    QPointF sceneOfMM(double xMM, double yMM) const;
    FieldGraphicsItem *itemOf(AbstractField *field) const;
    void select(AbstractField *field);
    void drag(const QPointF &fromScene, const QPointF &toScene);
    QMimeData *variableMime(const QString &expression);

    std::unique_ptr<ReportPage> m_page;
    std::unique_ptr<ProjectViewWidget> m_widget;
    double m_scale = 1;
};

void TestDesignerCanvas::initTestCase()
{
    qRegisterMetaType<AbstractField *>();
}

void TestDesignerCanvas::init()
{
    m_page = std::make_unique<ReportPage>();
    m_scale = m_page->scaleFromMM();
}

void TestDesignerCanvas::cleanup()
{
    m_widget.reset();
    m_page.reset();
}

ProjectViewWidget *TestDesignerCanvas::makeWidget()
{
    m_widget = std::make_unique<ProjectViewWidget>(m_page.get(), nullptr);
    m_widget->resize(1300, 1000);
    m_widget->show();
    if (!QTest::qWaitForWindowExposed(m_widget.get()))
        qWarning("canvas window not exposed");
    return m_widget.get();
}

QPoint TestDesignerCanvas::viewPoint(const QPointF &scenePoint) const
{
    return m_widget->graphicsView()->mapFromScene(scenePoint);
}

QPointF TestDesignerCanvas::sceneOfMM(double xMM, double yMM) const
{
    return QPointF(xMM * m_scale, yMM * m_scale);
}

FieldGraphicsItem *TestDesignerCanvas::itemOf(AbstractField *field) const
{
    for (FieldGraphicsItem *item : m_widget->graphicsScene()->fieldItems()) {
        if (item->field() == field)
            return item;
    }
    return nullptr;
}

void TestDesignerCanvas::select(AbstractField *field)
{
    m_widget->graphicsScene()->clearSelection();
    itemOf(field)->setSelected(true);
}

void TestDesignerCanvas::drag(const QPointF &fromScene, const QPointF &toScene)
{
    QWidget *viewport = m_widget->graphicsView()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, viewPoint(fromScene));
    const QPoint to = viewPoint(toScene);
    // Two steps, so that the item sees a move that is not its press point.
    sendMove(viewport, (viewPoint(fromScene) + to) / 2, Qt::LeftButton);
    sendMove(viewport, to, Qt::LeftButton);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, to);
}

QMimeData *TestDesignerCanvas::variableMime(const QString &expression)
{
    // The same encoding the variables dock produces when a row is dragged out.
    QStandardItemModel model(1, 1);
    model.setItem(0, 0, new QStandardItem(expression));
    return model.mimeData({model.index(0, 0)});
}

void TestDesignerCanvas::pageRectangles_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("rectangles");
    QTest::addColumn<bool>("secondBackground");

    QTest::newRow("no pages still shows one sheet") << 0 << 1 << false;
    QTest::newRow("one page has no second background") << 1 << 1 << false;
    QTest::newRow("two pages stack with a second background") << 2 << 2 << true;
    QTest::newRow("four pages") << 4 << 4 << true;
}

void TestDesignerCanvas::pageRectangles()
{
    QFETCH(int, pages);
    QFETCH(int, rectangles);
    QFETCH(bool, secondBackground);

    m_page->setPagesCount(pages);
    MyGraphicsScene scene(m_page.get());
    const QRectF sheet = m_page->printer()->pageRect(QPrinter::DevicePixel);
    QCOMPARE(scene.pageRects().size(), rectangles);
    for (int i = 0; i < rectangles; ++i) {
        QCOMPARE(scene.pageRects().at(i)->rect(), sheet);
        QCOMPARE(scene.pageRects().at(i)->pos(), QPointF(0, i * sheet.height()));
    }
    QCOMPARE(scene.sceneRect(),
             QRectF(sheet.x(), sheet.y(), sheet.width(), rectangles * sheet.height()));
    QVERIFY(scene.backgroundItem());
    QCOMPARE(scene.backgroundItem2() != nullptr, secondBackground);
    if (secondBackground)
        QCOMPARE(scene.backgroundItem2()->parentItem(), scene.pageRects().at(1));
}

void TestDesignerCanvas::pageCountChangeFollowsDock_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");

    QTest::newRow("one to two adds a sheet below and a second background") << 1 << 2;
    QTest::newRow("two to one drops the sheet and forgets its background") << 2 << 1;
    QTest::newRow("three to two keeps the second background") << 3 << 2;
}

void TestDesignerCanvas::pageCountChangeFollowsDock()
{
    QFETCH(int, before);
    QFETCH(int, after);

    m_page->setPagesCount(before);
    MyGraphicsScene scene(m_page.get());
    m_page->setPagesCount(after);
    scene.onPageUpdated();
    const QRectF sheet = m_page->printer()->pageRect(QPrinter::DevicePixel);
    QCOMPARE(scene.pageRects().size(), after);
    QCOMPARE(scene.pageRects().last()->pos(), QPointF(0, (after - 1) * sheet.height()));
    QCOMPARE(scene.backgroundItem2() != nullptr, after >= 2);
    if (after >= 2)
        QCOMPARE(scene.backgroundItem2()->parentItem(), scene.pageRects().at(1));
    QCOMPARE(scene.sceneRect().height(), after * sheet.height());
}

void TestDesignerCanvas::backgroundNeedsTenMillimetres_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("shown");

    // At 96 dpi 38 pixels are 10.05 mm, 34 pixels 8.99 mm.
    QTest::newRow("a sheet-sized scan is shown") << QSize(794, 1123) << true;
    QTest::newRow("just over 9 mm is shown") << QSize(38, 38) << true;
    QTest::newRow("9 mm or less is not shown") << QSize(34, 400) << false;
}

void TestDesignerCanvas::backgroundNeedsTenMillimetres()
{
    QFETCH(QSize, size);
    QFETCH(bool, shown);

    QPixmap scan(size);
    scan.fill(Qt::gray);
    m_page->backgroundImage = scan;
    MyGraphicsScene scene(m_page.get());
    QGraphicsPixmapItem *background = scene.backgroundItem();
    QCOMPARE(!background->pixmap().isNull(), shown);
    if (shown) {
        QCOMPARE(background->pixmap().size(), scene.pageRects().first()->rect().size().toSize());
        QCOMPARE(background->opacity(), 0.5);
    }
}

void TestDesignerCanvas::itemFollowsFieldMillimetres()
{
    TextField *field = addText(m_page.get(), 10, 20, 30, 5);
    makeWidget();
    FieldGraphicsItem *item = itemOf(field);
    QVERIFY(item);
    QCOMPARE(item->pos(), QPointF(0, 0));
    QCOMPARE(item->rect(), QRectF(10 * m_scale, 20 * m_scale, 30 * m_scale, 5 * m_scale));
    QCOMPARE(item->fieldType(), 1);
    QCOMPARE(item->data(256).toInt(), 1);
}

void TestDesignerCanvas::nudge_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("direction");
    QTest::addColumn<double>("expectedX");
    QTest::addColumn<double>("expectedY");

    QTest::newRow("left at x 0 goes to -1 mm") << 0.0 << 5.0 << int(Qt::LeftArrow) << -1.0 << 5.0;
    QTest::newRow("right") << 10.5 << 5.0 << int(Qt::RightArrow) << 11.5 << 5.0;
    QTest::newRow("up at y 0 goes to -1 mm") << 10.0 << 0.0 << int(Qt::UpArrow) << 10.0 << -1.0;
    QTest::newRow("down") << 10.0 << 5.0 << int(Qt::DownArrow) << 10.0 << 6.0;
    QTest::newRow("no arrow changes nothing") << 10.0 << 5.0 << int(Qt::NoArrow) << 10.0 << 5.0;
}

void TestDesignerCanvas::nudge()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(int, direction);
    QFETCH(double, expectedX);
    QFETCH(double, expectedY);

    TextField *field = addText(m_page.get(), x, y, 30, 10);
    makeWidget();
    select(field);
    QSignalSpy changed(m_widget->graphicsScene(), &MyGraphicsScene::selectedFieldChanged);
    m_widget->graphicsScene()->onMoveField(Qt::ArrowType(direction));
    QCOMPARE(field->x, expectedX);
    QCOMPARE(field->y, expectedY);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(itemOf(field)->rect().topLeft(), QPointF(expectedX * m_scale, expectedY * m_scale));
}

void TestDesignerCanvas::nudgeWithoutSelectionDoesNothing()
{
    TextField *field = addText(m_page.get(), 10, 10, 30, 10);
    makeWidget();
    m_widget->graphicsScene()->onMoveField(Qt::LeftArrow);
    QCOMPARE(field->x, 10.0);
}

void TestDesignerCanvas::textEdgeDrag_data()
{
    QTest::addColumn<QString>("edge");
    QTest::addColumn<double>("dxMM");
    QTest::addColumn<double>("dyMM");
    QTest::addColumn<QRectF>("expectedPx");

    // The field starts at (20, 30) mm, 40 x 20 mm; expected rectangles in scene pixels,
    // whole pixels where the edge was dragged.
    const double s = 96 / 25.399931;
    const QRectF r(20 * s, 30 * s, 40 * s, 20 * s);
    const double rightEdge = r.x() + r.width();
    const double bottomEdge = r.y() + r.height();
    QTest::newRow("left edge far right stops 5 px before the right edge")
            << "left" << 100.0 << 0.0
            << QRectF(QPointF(int(rightEdge - 5), r.y()), QPointF(rightEdge, bottomEdge));
    QTest::newRow("left edge past the scene's left stops at 0")
            << "left" << -50.0 << 0.0 << QRectF(QPointF(0, r.y()), QPointF(rightEdge, bottomEdge));
    QTest::newRow("top edge far down stops 5 px above the bottom")
            << "top" << 0.0 << 100.0
            << QRectF(QPointF(r.x(), int(bottomEdge - 5)), QPointF(rightEdge, bottomEdge));
    QTest::newRow("top edge past the scene's top stops at 0")
            << "top" << 0.0 << -80.0 << QRectF(QPointF(r.x(), 0), QPointF(rightEdge, bottomEdge));
    QTest::newRow("right edge far left keeps 5 px")
            << "right" << -100.0 << 0.0 << QRectF(r.x(), r.y(), 5, r.height());
    QTest::newRow("right edge 10 mm wider")
            << "right" << 10.0 << 0.0 << QRectF(r.x(), r.y(), int(r.width() + 10 * s), r.height());
    QTest::newRow("bottom edge far up keeps 5 px")
            << "bottom" << 0.0 << -100.0 << QRectF(r.x(), r.y(), r.width(), 5);
}

void TestDesignerCanvas::textEdgeDrag()
{
    QFETCH(QString, edge);
    QFETCH(double, dxMM);
    QFETCH(double, dyMM);
    QFETCH(QRectF, expectedPx);

    TextField *field = addText(m_page.get(), 20, 30, 40, 20);
    makeWidget();
    select(field);
    const QRectF r = itemOf(field)->rect();
    // Two pixels inside the grabbed edge, in the middle of the other direction.
    QPointF from = r.center();
    if (edge == "left")
        from.setX(r.left() + 2);
    else if (edge == "right")
        from.setX(r.right() - 2);
    else if (edge == "top")
        from.setY(r.top() + 2);
    else
        from.setY(r.bottom() - 2);
    const QPointF to = from + QPointF(dxMM * m_scale, dyMM * m_scale);
    drag(from, to);

    const QRectF got = itemOf(field)->rect();
    // The pointer lands on whole view pixels, so a free edge may be off by one pixel.
    QVERIFY2(qAbs(got.left() - expectedPx.left()) <= 1.01
                     && qAbs(got.top() - expectedPx.top()) <= 1.01
                     && qAbs(got.right() - expectedPx.right()) <= 1.01
                     && qAbs(got.bottom() - expectedPx.bottom()) <= 1.01,
             qPrintable(QStringLiteral("got %1,%2 %3x%4")
                                .arg(got.x())
                                .arg(got.y())
                                .arg(got.width())
                                .arg(got.height())));
    QVERIFY(got.width() >= 5 && got.height() >= 5);
    QVERIFY(got.left() >= 0 && got.top() >= 0);
    // The field took the rectangle on release.
    QCOMPARE(field->x, got.x() / m_scale);
    QCOMPARE(field->width, got.width() / m_scale);
    QCOMPARE(field->y, got.y() / m_scale);
    QCOMPARE(field->height, got.height() / m_scale);
}

void TestDesignerCanvas::moveIsClampedToScene_data()
{
    QTest::addColumn<double>("dxMM");
    QTest::addColumn<double>("dyMM");
    QTest::addColumn<double>("expectedX");
    QTest::addColumn<double>("expectedY");

    QTest::newRow("inside the page moves by the drag") << 15.0 << 10.0 << 35.0 << 40.0;
    QTest::newRow("past the left and top stops at 0") << -80.0 << -80.0 << 0.0 << 0.0;
}

void TestDesignerCanvas::moveIsClampedToScene()
{
    QFETCH(double, dxMM);
    QFETCH(double, dyMM);
    QFETCH(double, expectedX);
    QFETCH(double, expectedY);

    TextField *field = addText(m_page.get(), 20, 30, 40, 20);
    makeWidget();
    select(field);
    const QPointF from = itemOf(field)->rect().center();
    drag(from, from + QPointF(dxMM * m_scale, dyMM * m_scale));
    // Whole view pixels: within a third of a millimetre.
    QVERIFY2(qAbs(field->x - expectedX) < 0.3, qPrintable(QString::number(field->x)));
    QVERIFY2(qAbs(field->y - expectedY) < 0.3, qPrintable(QString::number(field->y)));
    QCOMPARE(field->width, 40.0);
    QCOMPARE(field->height, 20.0);
}

void TestDesignerCanvas::columnBorderDrag_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<double>("dxMM");
    QTest::addColumn<double>("expectedWidth");

    QTest::newRow("first border 5 mm right") << 0 << 5.0 << 35.0;
    QTest::newRow("second border 10 mm left") << 1 << -10.0 << 10.0;
    QTest::newRow("far left stops at 1 mm") << 0 << -100.0 << 1.0;
}

void TestDesignerCanvas::columnBorderDrag()
{
    QFETCH(int, column);
    QFETCH(double, dxMM);
    QFETCH(double, expectedWidth);

    TableField *table = addTable(m_page.get(), 20, 30, {30, 20, 25});
    makeWidget();
    select(table);
    double borderMM = 20;
    for (int c = 0; c <= column; ++c)
        borderMM += table->columnsWidth.at(c);
    const QPointF from = sceneOfMM(borderMM, 35);
    drag(from, from + QPointF(dxMM * m_scale, 0));
    QVERIFY2(qAbs(table->columnsWidth.at(column) - expectedWidth) < 0.3,
             qPrintable(QString::number(table->columnsWidth.at(column))));
    QVERIFY(table->columnsWidth.at(column) >= 1.0);
    // The table did not move, and its width follows its columns.
    QCOMPARE(table->x, 20.0);
    QCOMPARE(table->y, 30.0);
    double total = 0;
    for (double w : table->columnsWidth)
        total += w;
    QVERIFY(qAbs(table->width - total) < 1e-9);
}

void TestDesignerCanvas::pressAndRelease_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("move");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("fieldMoved");

    QTest::newRow("click inside an unselected field selects it")
            << "inside" << false << true << false;
    QTest::newRow("drag of an unselected field does not move it")
            << "inside" << true << true << false;
    QTest::newRow("press and release on the edge margin does not select")
            << "edge" << false << false << false;
}

void TestDesignerCanvas::pressAndRelease()
{
    QFETCH(QString, where);
    QFETCH(bool, move);
    QFETCH(bool, selected);
    QFETCH(bool, fieldMoved);

    TextField *field = addText(m_page.get(), 20, 30, 40, 20);
    makeWidget();
    QSignalSpy changed(m_widget->graphicsScene(), &MyGraphicsScene::selectedFieldChanged);
    const QRectF r = itemOf(field)->rect();
    const QPointF from = where == "edge" ? QPointF(r.left() + 2, r.center().y()) : r.center();
    if (move)
        drag(from, from + QPointF(30, 30));
    else
        QTest::mouseClick(m_widget->graphicsView()->viewport(),
                          Qt::LeftButton,
                          Qt::NoModifier,
                          viewPoint(from));
    QCOMPARE(itemOf(field)->isSelected(), selected);
    QCOMPARE(m_widget->graphicsScene()->selectedItem() == itemOf(field), selected);
    QCOMPARE(field->x != 20.0 || field->y != 30.0, fieldMoved);
    QCOMPARE(itemOf(field)->rect(), r);
    if (selected)
        QCOMPARE(changed.last().first().value<AbstractField *>(),
                 static_cast<AbstractField *>(field));
    else
        QCOMPARE(changed.count(), 0);
}

void TestDesignerCanvas::zoomLimits_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("expected");

    const double in = MyGraphicsView::zoomStep;
    const double out = 1 / MyGraphicsView::zoomStep;
    QTest::newRow("inside the limits zooms in") << 1.0 << in << 1.125;
    QTest::newRow("inside the limits zooms out") << 1.0 << out << 1 / 1.125;
    QTest::newRow("exactly 0.7 does not zoom in") << 0.7 << in << 0.7;
    QTest::newRow("exactly 0.7 does not zoom out") << 0.7 << out << 0.7;
    QTest::newRow("exactly 2.1 does not zoom in") << 2.1 << in << 2.1;
    QTest::newRow("exactly 2.1 does not zoom out") << 2.1 << out << 2.1;
    QTest::newRow("below 0.7 only zooms back in") << 0.65 << in << 0.65 * in;
    QTest::newRow("below 0.7 does not zoom further out") << 0.65 << out << 0.65;
    QTest::newRow("above 2.1 only zooms back out") << 2.2 << out << 2.2 * out;
    QTest::newRow("above 2.1 does not zoom further in") << 2.2 << in << 2.2;
}

void TestDesignerCanvas::zoomLimits()
{
    QFETCH(double, start);
    QFETCH(double, factor);
    QFETCH(double, expected);

    MyGraphicsView view;
    view.setTransform(QTransform::fromScale(start, start));
    view.zoom(factor);
    QVERIFY2(qAbs(view.transform().m11() - expected) < 1e-12,
             qPrintable(QString::number(view.transform().m11(), 'g', 17)));
    QCOMPARE(view.transform().m22(), view.transform().m11());
}

void TestDesignerCanvas::ctrlWheelZooms()
{
    makeWidget();
    MyGraphicsView *view = m_widget->graphicsView();
    const QPointF at(50, 50);
    QWheelEvent up(at,
                   view->viewport()->mapToGlobal(at.toPoint()),
                   QPoint(),
                   QPoint(0, 120),
                   Qt::NoButton,
                   Qt::ControlModifier,
                   Qt::NoScrollPhase,
                   false);
    QApplication::sendEvent(view->viewport(), &up);
    QCOMPARE(view->transform().m11(), 1.125);
    QWheelEvent down(at,
                     view->viewport()->mapToGlobal(at.toPoint()),
                     QPoint(),
                     QPoint(0, -120),
                     Qt::NoButton,
                     Qt::ControlModifier,
                     Qt::NoScrollPhase,
                     false);
    QApplication::sendEvent(view->viewport(), &down);
    QVERIFY(qAbs(view->transform().m11() - 1.0) < 1e-12);
}

void TestDesignerCanvas::dragMoveAcceptance_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("variable over a text field") << "text"
                                                << "$V{fio}" << true;
    QTest::newRow("data column over a text field") << "text"
                                                   << "$D{view.Оценка}" << false;
    QTest::newRow("data column over a table") << "table"
                                              << "$D{view.Оценка}" << true;
    QTest::newRow("variable over a table") << "table"
                                           << "$V{fio}" << false;
    QTest::newRow("variable over an empty sheet") << "none"
                                                  << "$V{fio}" << false;
}

void TestDesignerCanvas::dragMoveAcceptance()
{
    QFETCH(QString, target);
    QFETCH(QString, expression);
    QFETCH(bool, accepted);

    addText(m_page.get(), 20, 30, 40, 20);
    addTable(m_page.get(), 20, 100, {30, 30});
    makeWidget();
    QMap<QString, QPointF> points{{"text", sceneOfMM(40, 40)},
                                  {"table", sceneOfMM(35, 110)},
                                  {"none", sceneOfMM(150, 60)}};
    const QPoint pos = viewPoint(points.value(target));
    QWidget *viewport = m_widget->graphicsView()->viewport();
    std::unique_ptr<QMimeData> mime(variableMime(expression));
    QDragEnterEvent enter(pos, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(m_widget->graphicsView()->dragText(), expression);
    QDragMoveEvent move(pos, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QCOMPARE(move.isAccepted(), accepted);
}

void TestDesignerCanvas::dropOnTextField()
{
    TextField *field = addText(m_page.get(), 20, 30, 40, 20);
    field->text = "old";
    makeWidget();
    QSignalSpy changed(m_widget->graphicsScene(), &MyGraphicsScene::selectedFieldChanged);
    QSignalSpy edited(m_widget->graphicsScene(), &MyGraphicsScene::fieldEdited);
    const QPoint pos = viewPoint(sceneOfMM(40, 40));
    std::unique_ptr<QMimeData> mime(variableMime("$V{fio}"));
    QWidget *viewport = m_widget->graphicsView()->viewport();
    QDragEnterEvent enter(pos, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent drop(pos, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QCOMPARE(field->text, QStringLiteral("$V{fio}"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(edited.count(), 1);
}

void TestDesignerCanvas::dropOnTableColumn_data()
{
    QTest::addColumn<double>("xMM");
    QTest::addColumn<int>("column");

    QTest::newRow("first column") << 25.0 << 0;
    QTest::newRow("second column") << 45.0 << 1;
    QTest::newRow("third column") << 75.0 << 2;
}

void TestDesignerCanvas::dropOnTableColumn()
{
    QFETCH(double, xMM);
    QFETCH(int, column);

    TableField *table = addTable(m_page.get(), 20, 100, {20, 30, 40});
    const QStringList before = table->columnIds;
    makeWidget();
    const QPoint pos = viewPoint(sceneOfMM(xMM, 110));
    std::unique_ptr<QMimeData> mime(variableMime("$D{view.Оценка}"));
    QWidget *viewport = m_widget->graphicsView()->viewport();
    QDragEnterEvent enter(pos, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent drop(pos, Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    for (int c = 0; c < 3; ++c)
        QCOMPARE(table->columnIds.at(c), c == column ? "$D{view.Оценка}" : before.at(c));
}

void TestDesignerCanvas::deletedItemLeavesList()
{
    TextField *first = addText(m_page.get(), 20, 30, 40, 20);
    TextField *second = addText(m_page.get(), 20, 80, 40, 20);
    makeWidget();
    MyGraphicsScene *scene = m_widget->graphicsScene();
    select(first);
    QCOMPARE(scene->selectedItem(), itemOf(first));
    delete itemOf(first);
    QCOMPARE(scene->fieldItems().size(), 1);
    QCOMPARE(scene->fieldItems().first()->field(), static_cast<AbstractField *>(second));
    QCOMPARE(scene->selectedItem(), nullptr);
    // Both walk the list; neither may meet the deleted item.
    scene->updateAllItems();
    scene->onPageUpdated();
    scene->onFieldsUpdated();
}

void TestDesignerCanvas::blocksChangedThenDeleted_data()
{
    QTest::addColumn<QString>("change");

    QTest::newRow("dialog deletes the break") << "delete break";
    QTest::newRow("dialog moves the continuation") << "move continuation";
    QTest::newRow("more preview rows laid out") << "preview rows";
}

// The scene's index must forget a table's continuation block when it changes: an entry
// left behind would point at the item after it was deleted (the sanitizer build sees it).
void TestDesignerCanvas::blocksChangedThenDeleted()
{
    QFETCH(QString, change);

    // A blank's worth of fields, so that the index splits the page into many cells.
    for (int i = 0; i < 40; ++i)
        addText(m_page.get(), 10 + (i % 8) * 30, 10 + (i / 8) * 35, 25, 8);
    TableField *table = addTable(m_page.get(), 20, 20, {30, 40});
    table->previewRowCount = 3;
    // Header and first row in block 0; the other rows go on at (200, 150) mm.
    table->splitsCount = 1;
    table->maxSplitHeight = {25};
    table->splitX = {200};
    table->splitY = {150};
    table->prepared = false;
    table->prepare();
    makeWidget();
    MyGraphicsScene *scene = m_widget->graphicsScene();
    FieldGraphicsItem *item = itemOf(table);
    // The lower part of the block, which every change below takes away from the table.
    const QRectF block(sceneOfMM(200, 175), sceneOfMM(270, 188));
    QVERIFY(scene->items(block, Qt::IntersectsItemBoundingRect).contains(item));

    if (change == "preview rows") {
        table->previewRowCount = 1;
        table->prepared = false;
        table->prepare();
    } else {
        auto *dialog = new EditTableFieldDialog(nullptr);
        dialog->setTableField(table);
        connect(dialog,
                &EditTableFieldDialog::tableFieldModified,
                item,
                &FieldGraphicsItem::onTableFieldModified);
        auto *splits = dialog->findChild<QTableWidget *>("tableSplit");
        if (change == "delete break") {
            splits->setCurrentCell(0, 0);
            dialog->findChild<QPushButton *>("pushButtonDeleteSplit")->click();
        } else {
            splits->item(0, 1)->setText("10.00");
            splits->item(0, 2)->setText("120.00");
        }
        dialog->findChild<QPushButton *>("pushButtonOk")->click();
        QTRY_VERIFY(QApplication::topLevelWidgets().count(dialog) == 0);
    }
    QVERIFY(!scene->items(block, Qt::IntersectsItemBoundingRect).contains(item));

    QPointer<FieldGraphicsItem> guard(item);
    m_page->fields.removeAll(table);
    scene->deleteItem(item);
    delete table;
    QVERIFY(guard.isNull());
    // The scene goes on being asked and drawn where the block used to be.
    const QList<QGraphicsItem *> left = scene->items(block, Qt::IntersectsItemBoundingRect);
    QVERIFY(!left.contains(item));
    for (QGraphicsItem *other : left)
        QVERIFY(!qgraphicsitem_cast<FieldGraphicsItem *>(other));
    QImage image(400, 300, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    scene->render(&painter, QRectF(), block.adjusted(-50, -50, 50, 50));
    painter.end();
    QCOMPARE(scene->fieldItems().size(), 40);
}

void TestDesignerCanvas::gridSnap_data()
{
    QTest::addColumn<double>("step");
    QTest::addColumn<QString>("part");
    QTest::addColumn<double>("dxMM");
    QTest::addColumn<double>("dyMM");
    QTest::addColumn<QRectF>("expectedMM");

    // The field starts at (20, 30) mm, 40 x 10 mm. The pointer lands on whole pixels, so
    // the targets keep clear of the half-way marks between grid lines.
    QTest::newRow("move on a 0.5 mm grid")
            << 0.5 << "move" << 10.6 << 3.6 << QRectF(30.5, 33.5, 40, 10);
    QTest::newRow("move on a 1 mm grid") << 1.0 << "move" << 11.3 << 2.7 << QRectF(31, 33, 40, 10);
    QTest::newRow("move on a 5 mm grid") << 5.0 << "move" << 12.1 << 6.9 << QRectF(30, 35, 40, 10);
    QTest::newRow("right edge on a 0.5 mm grid")
            << 0.5 << "right" << 10.7 << 0.0 << QRectF(20, 30, 50.5, 10);
    QTest::newRow("right edge on a 5 mm grid")
            << 5.0 << "right" << 16.0 << 0.0 << QRectF(20, 30, 55, 10);
    QTest::newRow("left edge on a 1 mm grid")
            << 1.0 << "left" << -3.2 << 0.0 << QRectF(17, 30, 43, 10);
    QTest::newRow("bottom edge on a 5 mm grid")
            << 5.0 << "bottom" << 0.0 << 4.2 << QRectF(20, 30, 40, 15);
}

void TestDesignerCanvas::gridSnap()
{
    QFETCH(double, step);
    QFETCH(QString, part);
    QFETCH(double, dxMM);
    QFETCH(double, dyMM);
    QFETCH(QRectF, expectedMM);

    TextField *field = addText(m_page.get(), 20, 30, 40, 10);
    makeWidget();
    // Zoomed in, one view pixel is an eighth of a millimetre.
    for (int i = 0; i < 6; ++i)
        m_widget->graphicsView()->zoom(MyGraphicsView::zoomStep);
    m_widget->graphicsView()->centerOn(sceneOfMM(40, 35));
    m_widget->graphicsScene()->setGridStep(step);
    select(field);
    const QRectF r = itemOf(field)->rect();
    QPointF from = r.center();
    if (part == "right")
        from.setX(r.right() - 2);
    else if (part == "left")
        from.setX(r.left() + 2);
    else if (part == "bottom")
        from.setY(r.bottom() - 2);
    drag(from, from + QPointF(dxMM, dyMM) * m_scale);
    // On the grid exactly, not a rounding error off it.
    QCOMPARE(QRectF(field->x, field->y, field->width, field->height), expectedMM);
    QCOMPARE(itemOf(field)->rect().topLeft() / m_scale, expectedMM.topLeft());
}

// A rubber band over the sheet selects what it touches, Ctrl+click adds and takes away,
// and a drag of one selected field moves the others along.
void TestDesignerCanvas::rubberBandCtrlClickAndGroupMove()
{
    TextField *a = addText(m_page.get(), 20, 30, 40, 10);
    TextField *b = addText(m_page.get(), 20, 60, 40, 10);
    TextField *c = addText(m_page.get(), 150, 30, 40, 10);
    makeWidget();
    MyGraphicsScene *scene = m_widget->graphicsScene();
    QWidget *viewport = m_widget->graphicsView()->viewport();
    drag(sceneOfMM(10, 20), sceneOfMM(70, 80));
    QCOMPARE(scene->selectedFields(), (QList<AbstractField *>{a, b}));

    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, viewPoint(sceneOfMM(170, 35)));
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, viewPoint(sceneOfMM(40, 65)));
    QCOMPARE(scene->selectedFields(), (QList<AbstractField *>{a, c}));
    QCOMPARE(scene->selectedItem(), itemOf(a));

    QSignalSpy edited(scene, &MyGraphicsScene::fieldEdited);
    drag(sceneOfMM(40, 35), sceneOfMM(50, 40));
    QCOMPARE(edited.count(), 1);
    QVERIFY(qAbs(a->x - 30) < 0.3 && qAbs(a->y - 35) < 0.3);
    QCOMPARE(c->x - 150, a->x - 20);
    QCOMPARE(c->y - 30, a->y - 30);
    QCOMPARE(b->x, 20.0);
    QCOMPARE(b->y, 60.0);
    QCOMPARE(a->width, 40.0);
    QCOMPARE(c->width, 40.0);
}

void TestDesignerCanvas::alignWithFirstSelected_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QRectF>("second");
    QTest::addColumn<QRectF>("third");
    QTest::addColumn<QRectF>("table");

    // The first selected field is at (20, 30) mm, 60 x 10; the second at (50, 60),
    // 40 x 15; the third at (100, 90), 30 x 8; the table at (120, 120), 50 x 20.
    QTest::newRow("left edges") << int(FieldAlignment::Left) << QRectF(20, 60, 40, 15)
                                << QRectF(20, 90, 30, 8) << QRectF(20, 120, 50, 20);
    QTest::newRow("right edges") << int(FieldAlignment::Right) << QRectF(40, 60, 40, 15)
                                 << QRectF(50, 90, 30, 8) << QRectF(30, 120, 50, 20);
    QTest::newRow("top edges") << int(FieldAlignment::Top) << QRectF(50, 30, 40, 15)
                               << QRectF(100, 30, 30, 8) << QRectF(120, 30, 50, 20);
    QTest::newRow("bottom edges") << int(FieldAlignment::Bottom) << QRectF(50, 25, 40, 15)
                                  << QRectF(100, 32, 30, 8) << QRectF(120, 20, 50, 20);
    QTest::newRow("same width, the table keeps its columns")
            << int(FieldAlignment::SameWidth) << QRectF(50, 60, 60, 15) << QRectF(100, 90, 60, 8)
            << QRectF(120, 120, 50, 20);
    QTest::newRow("same height, the table keeps its rows")
            << int(FieldAlignment::SameHeight) << QRectF(50, 60, 40, 10) << QRectF(100, 90, 30, 10)
            << QRectF(120, 120, 50, 20);
}

void TestDesignerCanvas::alignWithFirstSelected()
{
    QFETCH(int, alignment);
    QFETCH(QRectF, second);
    QFETCH(QRectF, third);
    QFETCH(QRectF, table);

    // Listed out of selection order: the first selected leads, not the first listed.
    TextField *b = addText(m_page.get(), 50, 60, 40, 15);
    TableField *t = addTable(m_page.get(), 120, 120, {30, 20});
    TextField *a = addText(m_page.get(), 20, 30, 60, 10);
    TextField *c = addText(m_page.get(), 100, 90, 30, 8);
    makeWidget();
    MyGraphicsScene *scene = m_widget->graphicsScene();
    select(a);
    for (AbstractField *field : QList<AbstractField *>{b, c, t})
        itemOf(field)->setSelected(true);
    QSignalSpy edited(scene, &MyGraphicsScene::fieldEdited);
    QVERIFY(scene->alignSelection(FieldAlignment(alignment)));
    QCOMPARE(edited.count(), 1);
    auto rectOf = [](const AbstractField *f) { return QRectF(f->x, f->y, f->width, f->height); };
    QCOMPARE(rectOf(a), QRectF(20, 30, 60, 10));
    QCOMPARE(rectOf(b), second);
    QCOMPARE(rectOf(c), third);
    QCOMPARE(rectOf(t), table);
    QCOMPARE(itemOf(b)->rect(), QRectF(second.topLeft() * m_scale, second.size() * m_scale));
}

void TestDesignerCanvas::rulersFollowViewAndSelection()
{
    TextField *field = addText(m_page.get(), 40, 50, 30, 10);
    makeWidget();
    MyGraphicsView *view = m_widget->graphicsView();
    RulerWidget *top = m_widget->topRuler();
    RulerWidget *left = m_widget->leftRuler();
    QVERIFY(top->isVisible() && left->isVisible());
    QVERIFY(!top->hasMark());
    select(field);
    auto near = [](QPair<double, double> range, double from, double to) {
        return qAbs(range.first - from) < 1e-9 && qAbs(range.second - to) < 1e-9;
    };
    QVERIFY(near(top->markedRange(), 40, 70));
    QVERIFY(near(left->markedRange(), 50, 60));

    // Where the ruler puts a millimetre is where the view shows it, zoomed and scrolled.
    auto check = [&]() {
        for (double mm : {0.0, 40.0, 70.0}) {
            const QPoint inView
                    = view->viewport()->mapToGlobal(view->mapFromScene(sceneOfMM(mm, mm)));
            const QPoint onTop = top->mapToGlobal(QPoint(qRound(top->position(mm)), 0));
            const QPoint onLeft = left->mapToGlobal(QPoint(0, qRound(left->position(mm))));
            QVERIFY2(qAbs(inView.x() - onTop.x()) <= 1, qPrintable(QString::number(mm)));
            QVERIFY2(qAbs(inView.y() - onLeft.y()) <= 1, qPrintable(QString::number(mm)));
        }
    };
    check();
    view->zoom(MyGraphicsView::zoomStep);
    view->zoom(MyGraphicsView::zoomStep);
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->value() + 37);
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->value() + 23);
    check();
    QVERIFY(qAbs(top->position(50) - top->position(40) - 10 * m_scale * 1.125 * 1.125) < 1e-6);
    m_widget->graphicsScene()->clearSelection();
    QVERIFY(!top->hasMark() && !left->hasMark());
}

ZR_TEST_MAIN(TestDesignerCanvas)
#include "tst_designercanvas.moc"
