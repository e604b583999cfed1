#pragma once
// KVKeyEvent: the application's key handler. It tracks which one of the
// keys Left, Right and F is held down, so that actions that must not run
// while the picture is being stepped (capture, full screen, next/previous)
// can ask isKeyHeld(). Windows hand in their key presses and releases that
// are not auto-repeats; the player switches tracking off while nothing is
// loaded and on after every play/pause.
//
// Thread: GUI thread only (a lazily created singleton, never deleted).

#include <QObject>

class KVKeyEvent : public QObject
{
    Q_OBJECT
public:
    static constexpr int kNoKey = -1;

    static KVKeyEvent *instance();

    // Tracked keys: Qt::Key_Left, Qt::Key_Right and Qt::Key_F (70); others
    // and everything while disabled are ignored.
    void keyPressed(int key);
    void keyReleased(int key);
    // Ends the held key exactly as its release would (nothing when none is
    // held): for windows that lose the keyboard while a key is down and will
    // never see its release.
    void releaseHeldKey();
    bool isKeyHeld() const { return _heldKey != kNoKey; }
    int heldKey() const { return _heldKey; }

    // Every call also forgets the held key.
    void setEnabled(bool enabled);
    bool isEnabled() const { return _enabled; }

    static bool isTracked(int key);

signals:
    void pressedF1(); // Right
    void releasedF1();
    void pressedB1(); // Left
    void releasedB1();
    void pressedFF(); // F
    void releasedFF();

private:
    explicit KVKeyEvent(QObject *parent = nullptr);

    int _heldKey = kNoKey;
    bool _enabled = true;
};
