#pragma once

class QWidget;

// Window geometry kept per object name in group "ZrPs" of the per-user settings,
// so every dialog reopens where the user left it.
void saveWidgetGeometry(QWidget *w);
void restoreWidgetGeometry(QWidget *w);
