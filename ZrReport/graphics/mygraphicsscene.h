#pragma once

#include "reportpage.h"
#include "zrreportlib_export.h"

#include <QGraphicsScene>
#include <QList>
#include <QPointer>
#include <QVector>

class AbstractField;
class FieldGraphicsItem;
class QGraphicsPixmapItem;
class QGraphicsRectItem;

// How "Выровнять" lines fields up with the first selected one.
enum class FieldAlignment { Left, Right, Top, Bottom, SameWidth, SameHeight };

// The pages of a report as white sheets stacked downwards, with the scanned blanks
// laid over them half-transparent, and one item per field. Scene units are the
// printer's device pixels.
class ZRREPORTLIB_EXPORT MyGraphicsScene : public QGraphicsScene
{
    Q_OBJECT
public:
    explicit MyGraphicsScene(ReportPage *page, QObject *parent = nullptr);
    ~MyGraphicsScene() override;

    void setReportPage(ReportPage *page);
    ReportPage *reportPage() const { return m_page.data(); }
    FieldGraphicsItem *addField(AbstractField *field);
    // An item for a field put back at this place of the page's list, stacked there too.
    FieldGraphicsItem *insertField(int index, AbstractField *field);
    // Takes the item off the scene and its list and deletes it; the field is untouched.
    void deleteItem(FieldGraphicsItem *item);
    FieldGraphicsItem *itemOf(const AbstractField *field) const;
    // The field selected first: the one the docks show and the others line up with.
    FieldGraphicsItem *selectedItem() const { return m_selectedItem; }
    // The selected fields in the order they were selected.
    QList<AbstractField *> selectedFields() const;
    void selectFields(const QList<AbstractField *> &fields);
    // Moves every selected field by millimetres; false when nothing is selected.
    bool moveSelection(double dx, double dy);
    // Lines the selected fields up with the first selected; false with fewer than two.
    bool alignSelection(FieldAlignment alignment);
    // Grid that moves and resizes with the mouse snap to (mm); 0: none.
    double gridStep() const { return m_gridStep; }
    void setGridStep(double step) { m_gridStep = step; }
    static double snapped(double mm, double step);
    // Shows the page's backgrounds as they are now, also when one was taken away.
    void refreshBackgrounds();
    const QList<FieldGraphicsItem *> &fieldItems() const { return m_items; }
    const QVector<QGraphicsRectItem *> &pageRects() const { return m_pageRects; }
    QGraphicsPixmapItem *backgroundItem() const { return m_background; }
    QGraphicsPixmapItem *backgroundItem2() const { return m_background2; }
    void setBackgroundPicture(const QPixmap *picture);
    void setBackgroundPicture2(const QPixmap *picture);

signals:
    void selectedFieldChanged(AbstractField *field);
    // The canvas changed a field (moved, resized, nudged, dropped on, table edited).
    void fieldEdited();

public slots:
    void onFieldsUpdated();
    void onPageUpdated();
    void onMoveField(Qt::ArrowType direction);
    void updateAllItems();

private slots:
    void onSelectionChanged();

private:
    void rebuildPages();
    QRectF pageRect() const;
    void forgetItem(FieldGraphicsItem *item);
    static void applyPicture(QGraphicsPixmapItem *target,
                             const QGraphicsRectItem *pageItem,
                             const QPixmap *picture);

    QPointer<ReportPage> m_page;
    QList<FieldGraphicsItem *> m_items;
    FieldGraphicsItem *m_selectedItem = nullptr;
    QVector<QGraphicsRectItem *> m_pageRects;
    QGraphicsPixmapItem *m_background = nullptr;
    QGraphicsPixmapItem *m_background2 = nullptr;
    bool m_selectionConnected = false;
    QList<FieldGraphicsItem *> m_selectionOrder;
    double m_gridStep = 0;
};
