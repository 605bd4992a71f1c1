#pragma once

#include "zrreportlib_export.h"

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

// Keeps top-level windows on the screen they open on: a size wished for by the
// program never exceeds the screen's available area (whatever the scale factor
// makes of it), and a geometry restored from the settings of another monitor is
// moved and, if need be, shrunk onto the current one.
class ZRREPORTLIB_EXPORT ScreenFit
{
public:
    // The preferred size, no larger than the available area less the window frame.
    static QSize
    boundedSize(const QSize &preferred, const QRect &available, const QMargins &frame = QMargins());
    // The client geometry moved, and shrunk where it is too large, so that the window
    // with its frame lies inside the available area.
    static QRect boundedGeometry(const QRect &geometry,
                                 const QRect &available,
                                 const QMargins &frame = QMargins());

    // The available area of the screen the window is on, or would open on.
    static QRect availableArea(const QWidget *window);
    // The frame the window manager puts around the window; before the first show, the
    // title bar and border the style expects.
    static QMargins frameMargins(const QWidget *window);
    // Gives the window the preferred size bounded by its screen, centred on it.
    static void applyPreferredSize(QWidget *window, const QSize &preferred);
    // Moves and shrinks the window onto its screen; for a restored geometry.
    static void keepOnScreen(QWidget *window);
};
