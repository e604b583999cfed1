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

protected:
    void paintEvent(QPaintEvent *event) override;
};
