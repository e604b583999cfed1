#pragma once
// KVPlayerZoom: what changes the picture, never its timing. A two-times
// zoom of the main picture (the renderer's region of interest) with an
// overview renderer that shows the whole frame, horizontal and vertical
// flips per camera, and brightness/contrast. Flips and brightness/contrast
// are libavfilter graphs run by LibAVFilterVideo objects on the players;
// after each change a paused picture is shown again (refreshPicture, made
// by KVPlayer).
//
// Filter texts:
//   flips  "format=pix_fmts=rgb24,hflip,vflip" (either part alone)
//   eq     "format=pix_fmts=rgb24,eq=brightness=0.200:contrast=1.500"
//          (either part alone; both off removes the filters)
//
// Thread: GUI thread only.

#include "kv_player_base.h"

#include <QRectF>

namespace kvm
{
class LibAVFilterVideo;
}

class KVPlayerZoom : public KVPlayerBase
{
    Q_OBJECT
public:
    // Equaliser values at or below this are off.
    static constexpr float kEqOff = -1000.0f;

    ~KVPlayerZoom() override;

    // Turns zoom on: the main picture shows the centre half two times
    // larger. With withOverview a second renderer of the main renderer's
    // kind shows the whole frame; its widget is returned (null when there is
    // none, or the main player has no outputs). The widget stays the
    // player's: do not keep it after stopZoom(true), which deletes it.
    QWidget *startZoom(bool withOverview);
    // Turns zoom off; removeOverview also deletes the overview renderer.
    void stopZoom(bool removeOverview);
    // Moves the zoomed part: its top-left corner at (x, y) in frame
    // fractions, each cut to two decimals. False before startZoom.
    bool setZoomCenter(float x, float y, bool isMain);

    // Shows a paused picture again after a filter change (KVPlayer).
    virtual void refreshPicture();

    // --- state
    kvm::VideoRenderer *zoomRenderer() const { return _zoomRenderer; }
    kvm::VideoRenderer *zoomedOutput() const { return _zoomedOutput; }
    bool frontFlipH() const { return _frontFlipH; }
    bool frontFlipV() const { return _frontFlipV; }
    bool rearFlipH() const { return _rearFlipH; }
    bool rearFlipV() const { return _rearFlipV; }
    float brightness() const { return _brightness; }
    float contrast() const { return _contrast; }
    // The filter objects (null when off).
    kvm::LibAVFilterVideo *flipFilterFront() const { return _flipFilterFront; }
    kvm::LibAVFilterVideo *flipFilterRear() const { return _flipFilterRear; }
    kvm::LibAVFilterVideo *eqFilterMain() const { return _eqFilterMain; }
    kvm::LibAVFilterVideo *eqFilterSecondary() const { return _eqFilterSecondary; }

    // The filter texts for the flags and values (also used by the tests).
    static QString flipOptions(bool h, bool v);
    static QString eqOptions(float brightness, float contrast);

public slots:
    // Flip buttons of the video frame: the camera shown in the main frame.
    void onToggleHFlipMain();
    void onToggleVFlipMain();
    // Brightness and contrast sliders (the sender: a slider of range 0..100).
    void onSetBrightness();
    void onSetContrast();

protected:
    explicit KVPlayerZoom(QObject *parent = nullptr);

private:
    void applyFlip(bool front);
    void applyEq();

    // --- GUI thread only
    bool _frontFlipH = false;
    bool _frontFlipV = false;
    bool _rearFlipH = false;
    bool _rearFlipV = false;
    float _brightness = kEqOff;
    float _contrast = kEqOff;
    kvm::LibAVFilterVideo *_eqFilterMain = nullptr;
    kvm::LibAVFilterVideo *_eqFilterSecondary = nullptr;
    kvm::VideoRenderer *_zoomedOutput = nullptr; // not owned
    kvm::LibAVFilterVideo *_flipFilterFront = nullptr;
    kvm::LibAVFilterVideo *_flipFilterRear = nullptr;
};
