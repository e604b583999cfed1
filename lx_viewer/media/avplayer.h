#pragma once
// One media player: plays the video (and sound) of one file on its own
// clock and hands the frames whose time has come to its renderers.
//
// Threads (see docs/architecture.md, "Playback layer"):
// - GUI thread: every public member below, and every signal is emitted on
//   it (worker threads hand over through queued calls).
// - loader thread (during load()): opens and probes the file.
// - per running player: a demux thread, a video decoder thread (one FFmpeg
//   thread; filters run here), an audio decoder thread (only when a sound
//   device exists) and a presenter thread that shows frames on the clock.
//
// Guarantees the player core above relies on:
// - load() returns at once; completion is mediaStatusChanged(LoadedMedia)
//   or mediaStatusChanged(InvalidMedia) preceded by error().
// - play() starts at once; the first decoded frame is shown as soon as it
//   exists, whatever the clock says, then firstFrameNotify(pts) (once per
//   load). The clock is held at the start until that frame is shown.
// - pause(true) has taken effect when it returns: no further frame is
//   presented (except seek targets) and the clock stands still.
// - seek()/setPosition(): every frame and packet from before the seek is
//   dropped on sight (serial numbers); with AccurateSeek the frame shown is
//   the one at the target (not the keyframe before it), also while paused;
//   seekFinished(pos) is emitted only after that frame was handed to the
//   renderers. The player's clock is held at the target until then (see
//   AVClock); a clock value given from outside during the seek wins.
//   A secondary player's clock stays held after its target is shown, until
//   a value comes from outside (the main player's seekFinished aligns every
//   clock) or, failing that, for one second: so the secondary does not run
//   ahead of a main player that is still decoding towards the target.
// - positionChanged(ms) at most once per presented frame.
// - At the end (last frame, or the fixed duration) the player waits until
//   its clock reaches mediaStopPosition(), reports that position, then
//   mediaStatusChanged(EndOfMedia). It does not stop by itself; stop()
//   ends it and stopped() follows (queued, once per stop of a started
//   player).
// - stop() never waits for decoding: the threads are told to finish and
//   are joined elsewhere; no frame reaches a renderer after stop() returns.
//   The same holds for removeVideoRenderer().

#include "avclock.h"
#include "averror.h"
#include "types.h"
#include "videoframe.h"

#include <QList>
#include <QObject>
#include <QSize>
#include <QString>

#include <memory>

namespace kvm
{

class AudioOutput;
class LibAVFilterVideo;
class MediaSource;
class VideoCapture;
class VideoRenderer;

class AVPlayer : public QObject
{
    Q_OBJECT
public:
    enum State { StoppedState = 0, PlayingState = 1, PausedState = 2 };
    Q_ENUM(State)

    struct Statistics {
        qint64 decoded = 0; // frames out of the video decoder
        qint64 presented = 0; // frames handed to the renderers (or, without
                              // renderers, that reached their time)
        qint64 late = 0; // frames dropped because their time had passed
        qint64 skipped = 0; // frames left out by the frame skip
    };

    explicit AVPlayer(QObject *parent = nullptr);
    ~AVPlayer() override;

    // --- media
    // A new path unloads the current media (mediaStatus NoMedia).
    void setFile(const QString &path);
    QString file() const;
    // Opens the file off the GUI thread; false when no file is set.
    bool load();
    bool isLoaded() const;
    MediaStatus mediaStatus() const;

    // --- transport
    // Starts playback of the loaded media (loads first when needed);
    // resumes when paused.
    void play();
    void pause(bool p = true);
    void togglePause();
    void stop();
    State state() const;
    bool isPlaying() const; // started: playing or paused
    bool isPaused() const;
    // Between seek() and its seekFinished (the target not on screen yet).
    bool isSeeking() const;

    void seek(qint64 ms);
    void setPosition(qint64 ms); // same as seek()
    void setSeekType(SeekType type);
    SeekType seekType() const;

    void setSpeed(qreal speed);
    qreal speed() const;

    void setMediaEndAction(MediaEndAction action);
    MediaEndAction mediaEndAction() const;

    // true (the default): positions count from the file's start time;
    // false: positions are the stream's own time stamps.
    void setRelativeTimeMode(bool relative);
    bool relativeTimeMode() const;

    // Milliseconds: the last presented frame (the target while a seek runs).
    qint64 position() const;
    // The file's duration, or the fixed duration when that is shorter.
    qint64 duration() const;
    qint64 mediaStartPosition() const;
    qint64 mediaStopPosition() const;

    // --- the four additions
    // Frames at or after ms are not presented; reaching it is the end of
    // media. 0 removes the limit.
    void setFixedDuration(quint64 ms);
    quint64 fixedDuration() const;
    static void setFrameSkip(int n) { kvm::setFrameSkip(n); }
    static int frameSkip() { return kvm::frameSkip(); }
    // A secondary player decodes and filters in step like any other (so a
    // renderer attached at a swap gets a picture as its filters make it),
    // and nothing converts it for display while no renderer is attached;
    // its clock waits at a seek target for the main player's clock value
    // (see above).
    void setSecondary(bool secondary);
    bool isSecondary() const;

    // --- clock and sound
    // The clock counts on the stream's own time line. alignClock sets it
    // from a clock that counts in this player's positions (from the file's
    // start in relative time mode), so players whose files start at
    // different time stamps show the same moment.
    AVClock *masterClock() const;
    void alignClock(const AVClock &positions);
    AudioOutput *audio() const;

    // --- video outputs (a renderer is fed by at most one player: adding it
    // here removes it from any other player)
    void setRenderer(VideoRenderer *renderer); // replaces every output
    VideoRenderer *renderer() const; // the first output
    void addVideoRenderer(VideoRenderer *renderer);
    void removeVideoRenderer(VideoRenderer *renderer);
    void clearVideoRenderers();
    QList<VideoRenderer *> videoOutputs() const;

    VideoCapture *videoCapture() const;
    QList<LibAVFilterVideo *> videoFilters() const;

    // --- information
    QSize videoSize() const;
    double frameRate() const;
    bool hasAudio() const;
    // The frame last presented (also without renderers).
    VideoFrame presentedFrame() const;
    Statistics statistics() const;

signals:
    void mediaStatusChanged(kvm::MediaStatus status);
    void stateChanged(kvm::AVPlayer::State state);
    void loaded();
    void started();
    void stopped();
    void paused(bool p);
    void positionChanged(qint64 position);
    void durationChanged(qint64 duration);
    void seekFinished(qint64 position);
    void firstFrameNotify(qreal pts);
    void error(const kvm::AVError &error);

private:
    friend class LibAVFilterVideo;
    friend class VideoRenderer;
    void installFilter(LibAVFilterVideo *filter);
    void uninstallFilter(LibAVFilterVideo *filter);
    void filterOptionsChanged();
    void syncFilters();
    void forgetPicture(); // drops the last presented frame
    void detachRenderer(VideoRenderer *renderer);
    // --- GUI thread, reached through queued calls from the worker threads
    void loadDone(quint64 generation, std::shared_ptr<MediaSource> media, const AVError &error);
    void sessionEvent(quint64 session, int kind, qint64 value, const AVError &error);
    void reapSessions();
    void setStatus(MediaStatus status);
    void setState(State state);
    qint64 stopAbsMs() const;
    double stopSeconds() const; // 0: no stop
    qint64 toReported(qint64 absMs) const;

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace kvm

Q_DECLARE_METATYPE(kvm::AVPlayer::State)
