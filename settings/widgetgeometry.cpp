#include "widgetgeometry.h"

#include "database/database.h"

#include "ZrReport/screenfit.h"

#include <QByteArray>
#include <QSettings>
#include <QWidget>

namespace {

QString geometryKey(const QWidget *w)
{
    return QStringLiteral("%1Geometry").arg(w->objectName());
}

} // namespace

void saveWidgetGeometry(QWidget *w)
{
    if (!w)
        return;
    QSettings *settings = Database::userSettings();
    settings->beginGroup(QStringLiteral("ZrPs"));
    settings->setValue(geometryKey(w), w->saveGeometry());
    settings->endGroup();
}

void restoreWidgetGeometry(QWidget *w)
{
    if (!w)
        return;
    QSettings *settings = Database::userSettings();
    settings->beginGroup(QStringLiteral("ZrPs"));
    const QByteArray geometry = settings->value(geometryKey(w), QByteArray()).toByteArray();
    settings->endGroup();
    restoreGeometryOnScreen(w, geometry);
}

void restoreGeometryOnScreen(QWidget *w, const QByteArray &geometry)
{
    if (!w)
        return;
    const QRect available = ScreenFit::availableArea(w);
    if (available.isEmpty())
        return;
    // A minimum size the screen cannot hold (800 x 600, or a form's long titles, on a small
    // screen at 150 %) would keep the window over the screen's edge whatever its geometry
    // says; there the contents rather get squeezed.
    const QSize needed = w->minimumSize().expandedTo(w->minimumSizeHint());
    const QSize room = ScreenFit::boundedSize(needed, available, ScreenFit::frameMargins(w));
    if (room != needed)
        w->setMinimumSize(room);
    if (!geometry.isEmpty() && w->restoreGeometry(geometry)) {
        ScreenFit::keepOnScreen(w);
        return;
    }
    const QSize fitted = ScreenFit::boundedSize(w->size(), available, ScreenFit::frameMargins(w));
    if (fitted != w->size())
        ScreenFit::applyPreferredSize(w, w->size());
}
