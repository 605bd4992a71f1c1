#pragma once

class QByteArray;
class QWidget;

// Window geometry kept per object name in group "ZrPs" of the per-user settings,
// so every dialog reopens where the user left it.
void saveWidgetGeometry(QWidget *w);
void restoreWidgetGeometry(QWidget *w);

// A saved geometry (QWidget::saveGeometry) put back and moved, shrunk if need be, onto
// the window's screen; another monitor or scale factor may have saved it. Without one,
// the window keeps its own size if that fits the screen and is fitted to it otherwise.
void restoreGeometryOnScreen(QWidget *w, const QByteArray &geometry);
