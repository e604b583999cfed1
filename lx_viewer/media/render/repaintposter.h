#pragma once
// Asks a renderer widget for a repaint from the presenter thread, one queued
// repaint at a time: a slow GUI thread does not collect a queue of them.
//
// Thread: post() from any thread; the repaint runs on the widget's (GUI)
// thread. Keep the poster a member of the widget it repaints.

#include <QMetaObject>
#include <QWidget>

#include <atomic>

namespace kvm
{

class RepaintPoster
{
public:
    explicit RepaintPoster(QWidget *widget) : _widget(widget) { }

    void post()
    {
        if (_posted.exchange(true))
            return;
        QMetaObject::invokeMethod(
            _widget,
            [this] {
                _posted = false;
                _widget->update();
            },
            Qt::QueuedConnection);
    }

private:
    QWidget *_widget;
    std::atomic<bool> _posted{false};
};

} // namespace kvm
