#pragma once
// The right column of the main window, 392 wide: the position frame (26
// high), the 392 x 274 map area (the map dialog is laid over it), an
// 11-pixel gap and the recording list. Each area starts as an empty
// placeholder frame; set... puts the real frame in its place. The column
// hides while the window is in full screen.
//
// Thread: GUI thread only.

#include "kv_widget_base.h"

class QVBoxLayout;

class KVFrameRight : public KVWidgetBase
{
    Q_OBJECT
public:
    static constexpr int kWidth = 392;
    static constexpr int kPositionHeight = 26;
    static constexpr int kMapHeight = 274;
    static constexpr int kGap = 11;

    explicit KVFrameRight(QWidget *parent);

    QWidget *positionFrame() const { return _position; }
    // The place-holder the map dialog is kept over.
    QWidget *mapAnchor() const { return _map; }
    QWidget *listFrame() const { return _list; }

    void setPositionFrame(QWidget *frame);
    void setListFrame(QWidget *frame);

public slots:
    void onAppEvent(KVApp::Event event) override;

private:
    void replace(QWidget *&area, QWidget *frame);

    QVBoxLayout *_layout = nullptr;
    QWidget *_position = nullptr;
    QWidget *_map = nullptr;
    QWidget *_list = nullptr;
};
