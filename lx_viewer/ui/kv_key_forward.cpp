#include "kv_key_forward.h"

#include <QKeyEvent>

namespace KVKeyForward
{

namespace
{
Handler &current()
{
    static Handler handler;
    return handler;
}
} // namespace

void setHandler(const Handler &handler)
{
    current() = handler;
}

void keyPress(const QKeyEvent *event)
{
    if (event->isAutoRepeat() || !current().pressed)
        return;
    current().pressed(event->key());
}

void keyRelease(const QKeyEvent *event)
{
    if (event->isAutoRepeat() || !current().released)
        return;
    current().released(event->key());
}

void releaseHeldKey()
{
    if (current().releaseHeld)
        current().releaseHeld();
}

bool isKeyHeld()
{
    return current().isKeyHeld && current().isKeyHeld();
}

} // namespace KVKeyForward
