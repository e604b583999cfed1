#pragma once
// KVPlayer: the one player of the program (KVPlayer::instance(), created on
// first use, never destroyed). On top of KVPlayerZoom and KVPlayerBase it
// adds what the user drives: the seek that moves both players together
// (never into the last two seconds), the position slider's press, drag and
// release, the speed table, stop and restart, the front/rear swap (locked
// for 200 ms against repeats), and the capture of the main picture as a
// JPEG file in the backup folder.
//
// Window hook-up (the main window): put renderer()->widget() into
// the video frame; hand in the position slider (setPositionSlider), the mute
// button, the volume slider and the speed label; connect the play button to
// onPlayOrPause, the stop button to onUserStop, the speed slider's
// sliderMoved(int)/sliderReleased() to onSpeedSliderMoved/
// onSpeedSliderReleased, the swap button to toggleSwap(), the flip buttons
// and the brightness/contrast sliders to KVPlayerZoom's slots, Backspace to
// SLOT(onPlayRestart()); write setDisplayPosition on every position report;
// open the capture dialog on videoCaptureDone and warn on videoCaptureFailed.
//
// Thread: GUI thread only.

#include "kv_player_zoom.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QTimer;

class KVPlayer : public KVPlayerZoom
{
    Q_OBJECT
public:
    static constexpr int kSpeedCount = 4;
    static constexpr int kDefaultSpeedIndex = 2;
    // A seek never lands in the last this many milliseconds.
    static constexpr qint64 kSeekEndMargin = 2000;
    static constexpr int kSwapLockMs = 200;
    static constexpr int kCaptureFailMs = 2000;
    static constexpr int kCaptureReadyPollMs = 500;
    static constexpr int kCaptureDelayMs = 100;

    static KVPlayer *instance();

    // The speed table (index = speed slider value 0..3); 1.0 / "" outside.
    static double speedForIndex(int index);
    static QString speedLabelForIndex(int index);

    // Stores the position slider and connects it: sliderPressedWithKnob(bool)
    // (or, on a plain slider, sliderPressed()) to the press, sliderMoved(int)
    // to the drag, mouseReleased() (or sliderReleased()) to the release.
    void setPositionSlider(QAbstractSlider *slider);

    // The position in the recording's own time, written by the play slider
    // on every position report; it names captures.
    void setDisplayPosition(qint64 ms) { _displayPosition = ms; }
    qint64 displayPosition() const { return _displayPosition; }

    // The entry of the capture sequence (capture button and shortcut, only
    // while no tracked key is held): false while a capture runs, with
    // nothing loaded or at position 0.
    bool startCapture();
    bool isCaptureRunning() const { return _captureFailTimer != nullptr; }
    QString captureDir() const { return _captureDir; }

    bool isSwapLocked() const { return _blockEvents; }
    bool isPausedBySlider() const { return _pausedBySlider; }

    void seek(qint64 position, bool quiet) override;
    void refreshPicture() override;
    void closeMedia() override;

signals:
    // The files of the capture just made (owned by the player, replaced at
    // the next capture).
    void videoCaptureDone(QList<QString> *list);
    // The capture under way could not write its picture (the backup folder
    // cannot be made or written, the disk is full, no picture is shown);
    // the cursor is back. A capture that is only late ends silently.
    void videoCaptureFailed(const QString &folder);

public slots:
    void onPlayOrPause();
    void onUserStop();
    void onSliderPress(bool bKnob);
    void onSliderMove(int value);
    void onSliderRelease();
    void onSpeedSliderMoved(int position);
    void onSpeedSliderReleased();
    void toggleSwap(bool forceEmit);
    void toggleSwap() { toggleSwap(false); }
    bool prepareForCapture();
    void requestVideoCaptureProcess();
    void onCaptureSavedFront(const QString &path);

private slots:
    void onReleaseBlockEvent();
    void onReadyForCapture();
    void onFailToCapture();
    void onCaptureError(const QString &path);
    void onPlayRestart();
    void onSliderPressedPlain();

private:
    explicit KVPlayer(QObject *parent = nullptr);
    void sliderPress(QAbstractSlider *slider);
    // Whether a saved or failed report of path is the running capture's.
    bool isOwnCapture(const QString &path) const;
    void setSpeedIndex(int index);

    // --- GUI thread only
    QTimer *_blockTimer = nullptr;
    bool _blockEvents = false;
    bool _pausedBySlider = false;
    QTimer *_readyTimer = nullptr;
    QTimer *_captureFailTimer = nullptr;
    qint64 _displayPosition = 0;
    QString _captureDir;
    // The running capture's file name start: "..._CH1_" for the front
    // camera's picture, "..._CH2_" for the rear camera's.
    QString _captureName;
    std::unique_ptr<QStringList> _captures;
};
