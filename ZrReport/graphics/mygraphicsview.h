#pragma once

#include "zrreportlib_export.h"

#include <QGraphicsView>
#include <QString>

class FieldGraphicsItem;

// The canvas view: zoom within limits, right-button panning, cursors that show what
// a press would grab, and drops of variable expressions onto fields.
class ZRREPORTLIB_EXPORT MyGraphicsView : public QGraphicsView
{
    Q_OBJECT
public:
    static constexpr double zoomStep = 1.125;
    static constexpr double minZoom = 0.7;
    static constexpr double maxZoom = 2.1;

    explicit MyGraphicsView(QWidget *parent = nullptr);
    ~MyGraphicsView() override;

    void zoom(double factor);
    QPointF visibleCenter() const;
    QString dragText() const { return m_dragText; }
    FieldGraphicsItem *fieldItemAt(const QPoint &viewPos) const;

signals:
    // Zoomed, scrolled or resized: what lies where in the viewport changed.
    void viewChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

public slots:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void updateCursor(const QPoint &viewPos);
    bool acceptsDrag(const QPoint &viewPos) const;

    bool m_panning = false;
    double m_panX = 0;
    double m_panY = 0;
    QString m_dragText;
};
