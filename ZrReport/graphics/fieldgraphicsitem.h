#pragma once

#include "abstractfield.h"
#include "zrreportlib_export.h"

#include <QGraphicsRectItem>
#include <QObject>
#include <QPointer>
#include <QVector>

// One field on the canvas. Item and scene coordinates coincide (the item stays at
// (0, 0)); its rectangle is the field's millimetres times the page's scale. A drag
// only changes the rectangle; the field takes it on release.
class ZRREPORTLIB_EXPORT FieldGraphicsItem : public QObject, public QGraphicsRectItem
{
    Q_OBJECT
public:
    enum { Type = UserType + 1 };
    // The edge grabbed by a press on a text field.
    enum Edge { NoEdge = 0, LeftEdge = 1, RightEdge = 2, TopEdge = 16, BottomEdge = 32 };
    // Closer than this to an edge or a column border grabs it (scene or view pixels).
    static constexpr double grabMargin = 5;

    explicit FieldGraphicsItem(AbstractField *field, QGraphicsItem *parent = nullptr);
    ~FieldGraphicsItem() override;

    int type() const override { return Type; }
    // Also covers a table's continuation blocks, which it draws away from its rectangle.
    QRectF boundingRect() const override;
    int fieldType() const;
    AbstractField *field() const { return m_field.data(); }
    double scale() const { return m_scale; }
    int resizeEdge() const { return m_resizeEdge; }
    int resizedColumn() const { return m_resizedColumn; }

public slots:
    void onFieldUpdated();
    void onTableFieldModified();

protected:
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent *event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;

private:
    struct GroupMember
    {
        QPointer<FieldGraphicsItem> item;
        QRectF start;
    };
    QRectF boundsOf(const QRectF &rect) const;
    // Changes the rectangle, telling the scene first.
    void setItemRect(const QRectF &rect);
    QPointF clampTopLeft(const QPointF &topLeft) const;
    QRectF textFieldResized(const QPointF &scenePos) const;
    QPointF groupShift(const QPointF &wanted) const;
    double gridStep() const;
    double snapped(double scenePos) const;
    // The rectangle back into the field's millimetres.
    void writeBack();
    void notifyEdited();

    // Guarded: the designer may delete a field while its item still paints.
    QPointer<AbstractField> m_field;
    int m_resizeEdge = NoEdge;
    QRectF m_startRect;
    QPointF m_pressPos;
    bool m_moved = false;
    int m_resizedColumn = -1;
    double m_initialColumnWidth = 0;
    double m_scale = 1.0;
    QRectF m_bounds;
    bool m_columnChanged = false;
    QVector<GroupMember> m_group;
};
