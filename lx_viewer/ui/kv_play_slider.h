#pragma once
// KVPlaySlider: the position bar between the video and the bottom panel:
// the current time (amber), the position slider and the recording's
// duration. The player moves the slider (its range is the played length)
// and takes its press, drag and release (setPositionSlider); this bar turns
// the player's position reports into the recording's own time for the
// labels and for the names of captures (KVPlayer::setDisplayPosition).
//
// The slider is enabled 200 ms after PLAY_LOADED and disabled on
// PLAY_STOPPED, when both labels return to "00:00", and on PLAY_LOADING.
//
// Thread: GUI thread only.

#include "core/kv_player_base.h"

#include <QTimer>
#include <QWidget>

class KVSlider;
class QLabel;

class KVPlaySlider : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kHeight = 18;
    static constexpr int kEnableDelayMs = 200;

    explicit KVPlaySlider(QWidget *parent = nullptr);

    KVSlider *slider() const { return _slider; }
    QLabel *currentLabel() const { return _currentLabel; }
    QLabel *durationLabel() const { return _durationLabel; }
    double itemDuration() const { return _itemDuration; }

    // The recording's own time for a player position: position (cut to the
    // total) scaled from the player's total to the recording's duration. A
    // total of 0 or an unknown duration gives the position itself.
    static qint64 displayPosition(qint64 position, qint64 total, double itemDuration);

public slots:
    void setEnabled(bool bEnabled);
    void onPlayEvent(PLAY_EVENT event, KVVideoItem *item);
    void onPositionChanged(qint64 position, qint64 duration);
    void onEnableSliderDelay();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    KVSlider *_slider = nullptr;
    QLabel *_currentLabel = nullptr;
    QLabel *_durationLabel = nullptr;
    double _itemDuration = 0.0;
    QTimer _enableTimer; // the delay after PLAY_LOADED
};
