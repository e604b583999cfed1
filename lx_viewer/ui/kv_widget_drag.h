#pragma once
// Moves a frameless window when the user drags its top band (the title bar:
// 43 pixels for the main window, 39 for pop-ups). A maximised or full-screen
// window is never moved. Installed as the window's event filter; mouse
// presses, releases and moves that reach the window itself (children that
// take the mouse, such as buttons, keep theirs) are consumed.
//
// The Alt+Return system hot key of the original design is not registered.
//
// Thread: GUI thread only.

#include <QObject>
#include <QPoint>
#include <QPointer>

class QWidget;

class KVWidgetDrag : public QObject
{
    Q_OBJECT
public:
    KVWidgetDrag(QWidget *window, int dragHeight);
    ~KVWidgetDrag() override;

    int dragHeight() const { return _dragHeight; }
    bool isDragging() const { return _dragging; }

signals:
    // The window was moved by a drag step.
    void onWindowMove();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // to, moved so that the band stays on the screens (the top edge on them,
    // at least 40 pixels of the band beside the edges).
    QPoint keptReachable(QPoint to) const;
    QPointer<QWidget> _window;
    int _dragHeight;
    bool _dragging = false;
    QPoint _pressPos;
};
