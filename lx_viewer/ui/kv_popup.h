#pragma once
// The frame of every dialog: a frameless QDialog with the pop-up title bar
// (close button = reject), a dark content area (#3A3A3A) for the subclass's
// own layout and a lighter button bar (#595959, 43 high) at the bottom. It
// is moved by dragging its top 39 pixels. Run with exec() and deleted by its
// creator.
//
// Thread: GUI thread only.

#include <QDialog>

class KVWidgetDrag;
class QHBoxLayout;
class TitleWidget;

class KVPopup : public QDialog
{
    Q_OBJECT
public:
    KVPopup(QWidget *parent, const QString &title, const QString &logo);

    TitleWidget *titleWidget() const { return _title; }
    QWidget *contentWidget() const { return _content; }
    QWidget *buttonBar() const { return _buttonBar; }
    QHBoxLayout *buttonLayout() const { return _buttonLayout; }
    KVWidgetDrag *dragFilter() const { return _drag; }

private:
    TitleWidget *_title = nullptr;
    QWidget *_content = nullptr;
    QWidget *_buttonBar = nullptr;
    QHBoxLayout *_buttonLayout = nullptr;
    KVWidgetDrag *_drag = nullptr;
};
