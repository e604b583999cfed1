#include "kv_widget_drag.h"

#include <QMouseEvent>
#include <QWidget>

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
        _window->move(_window->pos() + (pos - _pressPos));
        emit onWindowMove();
        return true;
    }
    default:
        return false;
    }
}
