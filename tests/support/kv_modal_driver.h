#pragma once
// Drives modal dialogs from a test: each step waits (polling the event loop)
// for the next top-level modal widget of a given type, then acts on it.

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace KVTest {

// Runs action on the first active modal widget that is a T within timeoutMs,
// from a timer of the event loop; returns at once. The flag says whether
// the action ran.
template <typename T>
void whenModal(std::function<void(T *)> action, bool *ran = nullptr, int timeoutMs = 5000)
{
    auto *timer = new QTimer();
    auto *clock = new QElapsedTimer();
    clock->start();
    if (ran)
        *ran = false;
    QObject::connect(timer, &QTimer::timeout, [=] {
        T *widget = qobject_cast<T *>(QApplication::activeModalWidget());
        if (widget && widget->isVisible()) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            if (ran)
                *ran = true;
            action(widget);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            delete clock;
        }
    });
    timer->start(20);
}

} // namespace KVTest
