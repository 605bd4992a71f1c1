#include "widgetgeometry.h"

#include "database/database.h"

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
    if (!geometry.isEmpty())
        w->restoreGeometry(geometry);
}
