#include "kv_key_event.h"

#include <Qt>

KVKeyEvent *KVKeyEvent::instance()
{
    static KVKeyEvent *s_instance = nullptr;
    if (!s_instance)
        s_instance = new KVKeyEvent();
    return s_instance;
}

KVKeyEvent::KVKeyEvent(QObject *parent) : QObject(parent)
{
}

bool KVKeyEvent::isTracked(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_F;
}

void KVKeyEvent::keyPressed(int key)
{
    if (!_enabled || !isTracked(key) || key == _heldKey)
        return;
    if (_heldKey != kNoKey)
        keyReleased(_heldKey);
    _heldKey = key;
    if (key == Qt::Key_Left)
        emit pressedB1();
    else if (key == Qt::Key_Right)
        emit pressedF1();
    else
        emit pressedFF();
}

void KVKeyEvent::keyReleased(int key)
{
    if (!_enabled || !isTracked(key) || key != _heldKey)
        return;
    _heldKey = kNoKey;
    if (key == Qt::Key_Left)
        emit releasedB1();
    else if (key == Qt::Key_Right)
        emit releasedF1();
    else
        emit releasedFF();
}

void KVKeyEvent::releaseHeldKey()
{
    if (_heldKey != kNoKey)
        keyReleased(_heldKey);
}

void KVKeyEvent::setEnabled(bool enabled)
{
    _enabled = enabled;
    _heldKey = kNoKey;
}
