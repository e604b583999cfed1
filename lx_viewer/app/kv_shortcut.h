#pragma once
// An application-wide key of the viewer (F3, Space, PageDown, Return...)
// that keeps quiet while a modal pop-up blocks its window.
//
// Qt blocks application shortcuts behind a modal pop-up, except while that
// pop-up shows a list or menu of its own (a file dialog's path completion, a
// context menu, an open combo box): then every application key goes to the
// viewer behind the dialog. PageDown meant for the completion list would go to
// the next recording, F5 would capture, Return would toggle full screen. A
// KVShortcut is disabled for as long as its window is blocked, so the key
// goes to the pop-up instead.
//
// Held keys do not repeat, except PageDown and PageUp.
//
// The owner's own condition (a recording loaded, full screen) is set with
// setWanted(), never with QShortcut::setEnabled(); the shortcut is enabled
// when it is wanted and its window is not blocked.
//
// Thread: GUI thread only.

#include <QShortcut>

class KVShortcut : public QShortcut
{
    Q_OBJECT
public:
    // An application shortcut of the window that `parent` is (or will be) in.
    KVShortcut(const QKeySequence &key, QWidget *parent);
    ~KVShortcut() override;

    void setWanted(bool wanted);
    bool isWanted() const { return _wanted; }
    // True while a modal pop-up blocks the window the shortcut belongs to.
    bool isBlocked() const;

    // Called by the watcher that follows modal pop-ups.
    void update();

private:
    bool _wanted = true;
};
