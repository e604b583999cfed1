#pragma once
// A frameless window with the viewer's title bar over a content area
// ("main_widget", #4F4F4F), moved by dragging the title band: 43 pixels for
// an ordinary window, 39 for a modal one.
//
// Thread: GUI thread only.

#include <QMainWindow>

class KVWidgetDrag;
class LXFrameTitle;
class QVBoxLayout;

class KVWindowBase : public QMainWindow
{
    Q_OBJECT
public:
    KVWindowBase(QWidget *parent, const QString &logo, const QString &title, bool modal);

    LXFrameTitle *titleBar() const { return _titleBar; }
    QWidget *contentWidget() const { return _content; }
    KVWidgetDrag *dragFilter() const { return _drag; }

private:
    KVWidgetDrag *_drag = nullptr;
    QWidget *_central = nullptr;
    QVBoxLayout *_centralLayout = nullptr;
    LXFrameTitle *_titleBar = nullptr;
    QWidget *_content = nullptr;
};
