#pragma once
// The left column of the main window: the main video frame (690 x 436), the
// position bar row (18 high), then the 690 x 182 bottom panel
// ("border_back") with the graph strip (79 high), the equaliser (690 x 30)
// and the play bar (71 high).
//
// The window's content leaves the column 636 pixels: a video frame of 444
// would leave the position bar 10, less than its slider's 18-pixel knob.
// The video frame gives up those 8 pixels; its picture (16:9 at 690 wide is
// 388 high) still fits below its 26-pixel title bar without being scaled.
//
// Each area starts as an empty placeholder frame of its size; the frames
// that fill them are handed in with the set... functions, which put the
// frame in the placeholder's place, give it the area's size and delete the
// placeholder.
//
// Full screen: on entering, the video area loses its fixed size, the
// equaliser moves to the top of the column and the bottom panel becomes a
// full-width strip 71 high; leaving restores the normal layout.
//
// Thread: GUI thread only.

#include "kv_widget_base.h"

class QVBoxLayout;

class KVFrameLeft : public KVWidgetBase
{
    Q_OBJECT
public:
    static constexpr int kWidth = 690;
    static constexpr int kVideoHeight = 436;
    static constexpr int kSliderHeight = 18;
    static constexpr int kPanelHeight = 182;
    static constexpr int kGraphHeight = 79;
    static constexpr int kEqualiserHeight = 30;
    static constexpr int kPlayHeight = 71;

    explicit KVFrameLeft(QWidget *parent);

    QWidget *videoFrame() const { return _video; }
    QWidget *playSlider() const { return _slider; }
    QWidget *bottomPanel() const { return _panel; }
    QWidget *graphFrame() const { return _graph; }
    QWidget *equaliserFrame() const { return _equaliser; }
    QWidget *playFrame() const { return _play; }

    void setVideoFrame(QWidget *frame);
    void setPlaySlider(QWidget *frame);
    void setGraphFrame(QWidget *frame);
    void setEqualiserFrame(QWidget *frame);
    void setPlayFrame(QWidget *frame);

public slots:
    void onAppEvent(KVApp::Event event) override;

private:
    QWidget *placeholder(const QString &name, quint32 color);
    void replace(QWidget *&area, QWidget *frame);
    void applySizes();

    bool _fullScreen = false;
    QVBoxLayout *_layout = nullptr;
    QVBoxLayout *_panelLayout = nullptr;
    QWidget *_video = nullptr;
    QWidget *_slider = nullptr;
    QWidget *_panel = nullptr;
    QWidget *_graph = nullptr;
    QWidget *_equaliser = nullptr;
    QWidget *_play = nullptr;
};
