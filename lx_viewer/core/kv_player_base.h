#pragma once
// KVPlayerBase: plays one recording (KVVideoItem) as two players of the
// playback layer that show the same moment: the main player (_playerF: its
// picture is in the video frame, its sound is heard, its position drives
// everything and its end ends the recording) and the secondary player
// (_playerR: the other camera, running in step behind it so that a swap
// shows the other camera at once). A third clock of its own re-aligns the
// two players' clocks after every seek of the main player.
//
// It tells the rest of the program what happens through playEvent and
// positionChanged (the main player's position in ms), owns the renderer of
// the main picture, the volume and mute state and the playback speed.
// KVPlayerZoom (zoom, flips, filters) derives from it, and KVPlayer (seek,
// sliders, speed table, swap, capture) from that; the one instance is
// KVPlayer::instance().
//
// Where the players' own work runs late (a load, a stop, a seek) this class
// never blocks the GUI thread: it relies on the playback layer's guarantees
// (load() completes with LoadedMedia; pause() has taken effect when it
// returns; a seek holds the player's clock at the target until the target
// frame is on screen; stop() never waits and stopped() follows) and
// continues on the layer's signals.
//
// Thread: GUI thread only. The layer's signals arrive on the GUI thread.

#include "data/kv_video_file_list_builder.h"
#include "data/kv_video_item.h"
#include "media/avclock.h"
#include "media/averror.h"
#include "media/types.h"

#include <QMetaObject>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QAbstractButton;
class QAbstractSlider;
class QLabel;
class QWidget;

namespace kvm
{
class AVPlayer;
class VideoRenderer;
} // namespace kvm

// What the player tells the program (playEvent). 0, 6 and 7 are not used.
enum PLAY_EVENT {
    PLAY_LOADING = 1, // files handed to the players; the recording
    PLAY_LOADED = 2, // load completed, playback started; the recording
    PLAY_PLAYING = 3, // now playing; the current recording
    PLAY_PAUSED = 4, // now paused; the current recording
    PLAY_STOPPED = 5, // players stopped; the next recording after an end, else null
    PLAY_SWAPPED = 8, // rear picture now main
    PLAY_UNSWAPPED = 9, // front picture now main
    PLAY_USER_STOP = 10, // after a stop asked by the user
    PLAY_NO_MEDIA = 11, // nothing loaded (play asked, or a load that cannot play)
    PLAY_MUTED = 12,
    PLAY_UNMUTED = 13,
    PLAY_FIRST_FRAME = 14, // the first frame of a load is on screen; the recording
};
Q_DECLARE_METATYPE(PLAY_EVENT)

class KVPlayerBase : public QObject
{
    Q_OBJECT
public:
    // Renderer kinds (rendererKind()).
    enum { RENDERER_NONE = 0, RENDERER_OPENGL = 1, RENDERER_WIDGET = 2 };

    ~KVPlayerBase() override;

    // --- for the window
    // The main picture's renderer; its widget() goes into the video frame.
    kvm::VideoRenderer *renderer() const { return _renderer; }
    QWidget *rendererWidget() const;
    QString rendererId() const { return _rendererId; }
    int rendererKind() const { return _rendererKind; }
    // The widgets the player reads and moves; each may be null. The setters
    // make the connections: the volume slider's valueChanged to onSetVolume,
    // the mute button's toggled to onMute. The position slider and the speed
    // slider are connected by KVPlayer's setters.
    void setMuteButton(QAbstractButton *button);
    void setVolumeSlider(QAbstractSlider *slider);
    void setSpeedLabel(QLabel *label);

    // --- state (read by the window and the tests)
    KVVideoItem *item() const { return _item; }
    kvm::AVPlayer *mainPlayer() const { return _playerF; }
    kvm::AVPlayer *secondaryPlayer() const { return _playerR; }
    kvm::AVPlayer *frontPlayer() const { return _front; }
    kvm::AVPlayer *rearPlayer() const { return _rear; }
    bool isSwapped() const { return _swapped; }
    bool isStopped() const { return _stopped; }
    bool isPaused() const { return _paused; }
    // A recording is on its way: chosen and waiting for the last one to
    // stop, or its files opening. Play and pause presses meanwhile only
    // decide whether it comes up playing or paused.
    bool isLoading() const;
    // True when a recording plays, or will play once its load is complete;
    // a pop-up that wants the picture still pauses when this holds.
    bool isRunning() const;
    // Pauses (or asks for a paused start) when isRunning(): before a pop-up,
    // a report or a backup that wants the picture to stand still.
    void pauseIfRunning();
    bool isEndOfMedia() const { return _endOfMedia; }
    double speed() const { return _speed; }
    qint64 lastPosition() const { return _lastPosition; }
    qint64 savedPosition() const { return _savedPosition; }
    bool isTempMuted() const { return _tempMuted; }
    int pendingStops() const { return _pendingStops; }

    // Operations used by the play controls, zoom and capture.
    // bStart: the start after a load (true) or the Play button (false).
    void playOrPause(bool bStart);
    // Pauses (true) or resumes (false) both players; bWait checks that the
    // main player took the new state; position: where the pause shows
    // (-1: the main player's position).
    void _pause(bool bPause, bool bWait, qint64 position);
    void setPlaySpeed(double s);
    // Silences the main sound; ms > 0 restores it after ms, -1 leaves that
    // to onUnMuteIfRequired().
    void muteTemporarily(int ms);

    // The renderer ids tried at construction, in order: "OpenGLWidget"
    // unless OpenGL is forbidden at start-up or no context can be made, then
    // "Widget".
    static QStringList rendererCandidates();
    // Tests only: the player made after this call uses a renderer of this id
    // (for example "Null") instead of the candidates above.
    static void forceRendererForTests(const QString &id);

signals:
    void playEvent(PLAY_EVENT event, KVVideoItem *item);
    void positionChanged(qint64 current, qint64 total);

public slots:
    void onLoad(KVVideoItem *item);
    void onPlayerF(const kvm::AVError &error);
    void onPlayerR(const kvm::AVError &error);

protected slots:
    void onMediaChangedF(kvm::MediaStatus status);
    void onMediaChangedR(kvm::MediaStatus status);
    void onPositionChanged(qint64 value);
    void onSeekFinishedF(qint64 pos);
    void onSeekFinishedR(qint64 pos);
    void onStoppedF();
    void onStoppedR();
    void onFirstFrame(qreal pts);
    void changeClockType();
    void updateSlider();
    void onSetVolume();
    void onMute();
    void onUnMuteIfRequired();

public:
    virtual void closeMedia();
    // Moves both players together (KVPlayer); empty here.
    virtual void seek(qint64 position, bool quiet);

protected:
    explicit KVPlayerBase(QObject *parent = nullptr);

    // The main and secondary roles: rearIsMain puts the rear player's
    // picture in the main frame. Moves the position report with the role.
    void assignRoles(bool rearIsMain);
    // After a swap (roles already exchanged): the new main player is heard
    // as the old one was, the other is silent.
    void handSoundToMain();
    bool muteButtonChecked() const;
    // The roles for a recording: the user's swap choice, or the one camera
    // of a recording that has only one.
    bool swapFor(const KVVideoItem &item) const;
    // Main player's load done (and the secondary's, when it has a file):
    // start both, report PLAY_LOADED.
    void finishLoad();
    // A load that cannot play: back to closed, PLAY_NO_MEDIA.
    void failLoad(const QString &why);
    void seekFinished(kvm::AVPlayer *player, qint64 pos);
    void stoppedOne(bool front);
    static double volumeForSlider(int v);

    // --- GUI thread only (the fields in the order the player keeps them)
    kvm::VideoRenderer *_renderer = nullptr;
    QString _rendererId;
    kvm::AVPlayer *_playerF = nullptr; // main role
    kvm::AVPlayer *_playerR = nullptr; // secondary role
    kvm::VideoRenderer *_zoomRenderer = nullptr;
    kvm::AVClock *_clock = nullptr;
    qint64 _lastPosition = 0;
    // The last position sent by positionChanged (-1: none since the load).
    qint64 _reportedPosition = -1;
    int _rendererKind = RENDERER_NONE;
    bool _quietSeek = false;
    qint64 _savedPosition = 1;
    QPointer<QAbstractSlider> _positionSlider;
    QPointer<QAbstractButton> _muteButton;
    QPointer<QAbstractSlider> _volumeSlider;
    QPointer<QLabel> _speedLabel;
    bool _stopped = true;
    bool _paused = false;
    bool _endOfMedia = false; // the main picture reached its end
    bool _endStopIssued = false; // the players were stopped at the end
    bool _sliderPressed = false;
    double _speed = 1.0;
    bool _tempMuted = false;
    KVVideoItem *_item = nullptr;
    bool _swapped = false;
    int _pendingStops = 0;
    // The user's swap choice, kept over recordings of one camera (they
    // show that camera's own player whatever the choice).
    bool _swapWanted = false;
    // The roles the frame last heard of (PLAY_SWAPPED / PLAY_UNSWAPPED).
    bool _swapAnnounced = false;

    // The two players as created: the front file's and the rear file's.
    kvm::AVPlayer *_front = nullptr;
    kvm::AVPlayer *_rear = nullptr;
    // Keeps the recording being played alive while the catalogue rebuilds.
    KVVideoItemRef _itemRef;
    // The closed recording, kept until PLAY_STOPPED is out: until then the
    // sensor displays still point into its data.
    KVVideoItemRef _closingRef;
    // Between onLoad and the end of the load (PLAY_LOADED or PLAY_NO_MEDIA).
    bool _loading = false;
    // A play or pause press during a load asked for a paused start.
    bool _pauseAfterLoad = false;
    QMetaObject::Connection _positionConnection;
};
