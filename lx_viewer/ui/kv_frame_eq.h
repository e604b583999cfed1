#pragma once
// KVFrameEQ: the row of picture and sound controls under the graph:
// contrast, brightness, volume with mute, and playback speed, each an
// image button followed by a small slider, then the speed label. The
// buttons of contrast, brightness and speed return their control to its
// default; the mute button silences the sound and disables the volume
// slider. The speed slider changes only the label while it is dragged; the
// speed applies when the mouse is released.
//
// The player reads the mute button, the volume slider and the speed label
// directly (KVPlayerBase::setMuteButton, setVolumeSlider, setSpeedLabel).
//
// Thread: GUI thread only.

#include "core/kv_player_base.h"
#include "kv_widget_base.h"

class KVReleasedSlider;
class KVSlider;
class LXButton;
class QHBoxLayout;
class QLabel;

class KVFrameEQ : public KVWidgetBase
{
    Q_OBJECT
public:
    static constexpr int kSliderWidth = 114;
    static constexpr int kDefaultValue = 50;

    explicit KVFrameEQ(QWidget *parent = nullptr);

    LXButton *contrastButton() const { return _contrastButton; }
    KVSlider *contrastSlider() const { return _contrastSlider; }
    LXButton *brightnessButton() const { return _brightnessButton; }
    KVSlider *brightnessSlider() const { return _brightnessSlider; }
    LXButton *muteButton() const { return _muteButton; }
    KVSlider *volumeSlider() const { return _volumeSlider; }
    LXButton *speedButton() const { return _speedButton; }
    KVReleasedSlider *speedSlider() const { return _speedSlider; }
    QLabel *speedLabel() const { return _speedLabel; }

public slots:
    void onPlayEvent(PLAY_EVENT event, KVVideoItem *item);
    void onDefaultSpeed();
    void onDefaultBrightness();
    void onDefaultContrast();

private:
    LXButton *addButton(const char *image, const char *key, const char *english, bool toggle);
    void addSlider(KVSlider *slider, int maximum, int value);

    QHBoxLayout *_layout = nullptr;
    LXButton *_contrastButton = nullptr;
    KVSlider *_contrastSlider = nullptr;
    LXButton *_brightnessButton = nullptr;
    KVSlider *_brightnessSlider = nullptr;
    LXButton *_muteButton = nullptr;
    KVSlider *_volumeSlider = nullptr;
    LXButton *_speedButton = nullptr;
    KVReleasedSlider *_speedSlider = nullptr;
    QLabel *_speedLabel = nullptr;
};
