#include "kv_widget_drag.h"

#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

#include <algorithm>

KVWidgetDrag::KVWidgetDrag(QWidget *window, int dragHeight)
    : QObject(window), _window(window), _dragHeight(dragHeight)
{
    window->installEventFilter(this);
}

KVWidgetDrag::~KVWidgetDrag()
{
    if (_window)
        _window->removeEventFilter(this);
}

QPoint KVWidgetDrag::keptReachable(QPoint to) const
{
    // The window has no frame: its band is the only handle. Dragged above
    // the screens' top edge, or all but off to a side, it could not be
    // taken back.
    const QScreen *screen = _window->screen();
    if (!screen)
        return to;
    const QRect area = screen->availableVirtualGeometry();
    constexpr int kKeptVisible = 40;
    to.setY(std::clamp(to.y(), area.top(), std::max(area.top(), area.bottom() - _dragHeight)));
    to.setX(std::clamp(to.x(), area.left() - _window->width() + kKeptVisible,
        std::max(area.left(), area.right() - kKeptVisible)));
    return to;
}

bool KVWidgetDrag::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != _window)
        return false;
    if (_window->isMaximized() || _window->isFullScreen()) {
        _dragging = false;
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const QPoint pos = static_cast<QMouseEvent *>(event)->position().toPoint();
        if (_window->rect().contains(pos) && pos.y() < _dragHeight) {
            _dragging = true;
            _pressPos = pos;
        }
        return true;
    }
    case QEvent::MouseButtonRelease:
        _dragging = false;
        return true;
    case QEvent::MouseMove: {
        if (!_dragging)
            return true;
        const QPoint pos = static_cast<QMouseEvent *>(event)->position().toPoint();
        _window->move(keptReachable(_window->pos() + (pos - _pressPos)));
        emit onWindowMove();
        return true;
    }
    default:
        return false;
    }
}
