#pragma once
// A playback clock. Value in seconds:
//   running: base + (now - start) * speed
//   paused, stopped or held by a seek: base
// where now is kvm::nowNs(), one monotonic source for the whole process.
// Two clocks given the same value at the same moment (updateExternalClock)
// and the same speed therefore read the same time for as long as they run.
//
// Every player owns one clock (AVPlayer::masterClock()) and presents the
// frame whose time has come on it. The layer always schedules on this
// external time base; the clock type is recorded for callers that set it
// (audio follows the clock instead of driving it).
//
// Seek hold: while a player seeks it holds its clock at the target
// (holdForSeek) and lets it run again from the target when the target frame
// is shown (releaseSeekHold; a secondary player keeps holding until a value
// comes from outside, see AVPlayer). An updateExternalClock during the seek
// cancels the hold: the value given from outside wins.
//
// Thread: every member may be called from any thread (guarded by a mutex);
// the signals are emitted on the thread that made the change, so callers on
// other threads should connect queued. In the viewer the GUI thread drives
// the clocks and the presenter threads only read them.

#include <QObject>

#include <mutex>

namespace kvm
{

class AVClock : public QObject
{
    Q_OBJECT
public:
    enum ClockType { AudioClock = 0, ExternalClock = 1, VideoClock = 2 };
    Q_ENUM(ClockType)

    explicit AVClock(QObject *parent = nullptr);
    explicit AVClock(ClockType type, QObject *parent = nullptr);

    void setClockType(ClockType type);
    ClockType clockType() const;
    // Whether the owner may choose the type by itself; recorded only.
    void setClockAuto(bool automatic);
    bool isClockAuto() const;

    // Value in seconds / milliseconds.
    double value() const;
    qint64 valueMs() const;

    // Starts running from the current base (does not change the value).
    void start();
    // Pauses (keeps the value) or resumes from the value.
    void pause(bool p);
    // Base 0, stopped (value 0 until start()).
    void reset();
    bool isActive() const; // started and not paused
    bool isPaused() const;

    // Speed factor; the value stays continuous across the change.
    void setSpeed(qreal speed);
    qreal speed() const;

    // Sets the value to ms milliseconds now; running state unchanged.
    void updateExternalClock(qint64 ms);
    // Takes the other clock's value (read now) and speed; this clock's own
    // running or paused state is kept. Two running clocks are identical
    // afterwards (apart from offsetSeconds, added to the value taken).
    void updateExternalClock(const AVClock &other, double offsetSeconds = 0.0);

    // --- used by the owning player
    void holdForSeek(double seconds, int serial);
    // Releases a hold made for this serial; returns true when it did.
    bool releaseSeekHold(int serial);
    bool isHeld() const;

signals:
    void started();
    void paused(bool p);
    void resetDone();

private:
    double valueLocked(qint64 now) const;
    void rebaseLocked(qint64 now);

    // --- guarded by _mutex
    mutable std::mutex _mutex;
    ClockType _type = ExternalClock;
    bool _auto = true;
    bool _started = false;
    bool _paused = false;
    bool _held = false;
    int _holdSerial = -1;
    double _base = 0.0; // seconds
    qint64 _startNs = 0; // time line point where _base was valid
    double _speed = 1.0;
};

} // namespace kvm
