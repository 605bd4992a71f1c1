#pragma once

#include "zrreportlib_export.h"

#include <QPointer>
#include <QWidget>

class MyGraphicsView;

// A millimetre ruler along the top or the left edge of the canvas. It follows the
// view's zoom and scroll, counts from the top-left corner of the first page as the
// fields do, and marks where the selected field lies.
class ZRREPORTLIB_EXPORT RulerWidget : public QWidget
{
    Q_OBJECT
public:
    RulerWidget(Qt::Orientation orientation, MyGraphicsView *view, QWidget *parent = nullptr);
    ~RulerWidget() override;

    // The ruler's width across its length, enough for its numbers.
    int breadth() const;
    // Where a millimetre of the template lies along the ruler, in its own pixels.
    double position(double mm) const;
    // The extent of the selected field along the ruler (mm); empty without a selection.
    QPair<double, double> markedRange() const;
    bool hasMark() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Pixels of the ruler per millimetre of the template.
    double pixelsPerMM() const;
    double sceneScale() const;

    Qt::Orientation m_orientation;
    QPointer<MyGraphicsView> m_view;
};
