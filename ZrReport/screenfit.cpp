#include "screenfit.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

QSize ScreenFit::boundedSize(const QSize &preferred, const QRect &available, const QMargins &frame)
{
    const QSize room = available.marginsRemoved(frame).size();
    return preferred.boundedTo(room.expandedTo(QSize(1, 1)));
}

QRect ScreenFit::boundedGeometry(const QRect &geometry,
                                 const QRect &available,
                                 const QMargins &frame)
{
    QRect result(geometry.topLeft(), boundedSize(geometry.size(), available, frame));
    const QRect room = available.marginsRemoved(frame);
    if (result.right() > room.right())
        result.moveRight(room.right());
    if (result.bottom() > room.bottom())
        result.moveBottom(room.bottom());
    if (result.left() < room.left())
        result.moveLeft(room.left());
    if (result.top() < room.top())
        result.moveTop(room.top());
    return result;
}

QRect ScreenFit::availableArea(const QWidget *window)
{
    const QScreen *screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QMargins ScreenFit::frameMargins(const QWidget *window)
{
    if (!window)
        return QMargins();
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    if (window->isVisible() && frame != client)
        return QMargins(client.left() - frame.left(),
                        client.top() - frame.top(),
                        frame.right() - client.right(),
                        frame.bottom() - client.bottom());
    // Not shown yet: the window manager's frame is not known, so what the style draws
    // around a window inside a window stands in for it.
    const int titleBar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const int border = window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
    return QMargins(border, titleBar + border, border, border);
}

void ScreenFit::applyPreferredSize(QWidget *window, const QSize &preferred)
{
    const QRect available = availableArea(window);
    if (!window || available.isEmpty())
        return;
    const QMargins frame = frameMargins(window);
    const QSize size = boundedSize(preferred, available, frame);
    QRect geometry(QPoint(), size);
    geometry.moveCenter(available.marginsRemoved(frame).center());
    window->setGeometry(boundedGeometry(geometry, available, frame));
}

void ScreenFit::keepOnScreen(QWidget *window)
{
    const QRect available = availableArea(window);
    if (!window || available.isEmpty())
        return;
    const QRect fitted = boundedGeometry(window->geometry(), available, frameMargins(window));
    if (fitted != window->geometry())
        window->setGeometry(fitted);
}
