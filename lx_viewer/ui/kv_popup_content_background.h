#pragma once
// The framed panel pop-ups put their content on; the application style
// sheet gives it its frame picture (panel_bg9).
//
// Thread: GUI thread only.

#include <QWidget>

class KVPopupContentBackground : public QWidget
{
    Q_OBJECT
public:
    explicit KVPopupContentBackground(QWidget *parent = nullptr);

    // The pop-ups' common frame: a panel in the pop-up's content widget,
    // 10/13/10/12 pixels from its edges. The caller lays its content out on
    // the returned panel.
    static KVPopupContentBackground *addTo(QWidget *content);

protected:
    void paintEvent(QPaintEvent *event) override;
};
