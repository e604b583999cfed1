#pragma once
// The running part of one player between play() and stop(): the demux, video
// decoder, audio decoder and presenter threads with their queues. Internal to
// the playback layer; AVPlayer starts one per play() and retires it at
// stop().
//
// Data crosses threads only through the queues and through PlayerLink (the
// player's presentation state, guarded by its mutex). Everything a session
// tells the player goes to the GUI thread as a queued call, and only while
// the session is the player's active one.

#include "audiooutput.h"
#include "blockingqueue.h"
#include "mediasource.h"
#include "types.h"
#include "videoframe.h"

#include <QList>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct AVPacket;

namespace kvm
{

class AVClock;
class AVPlayer;
class AudioSink;
class VideoRenderer;

// What the presenter and the decoder share with the player.
struct PlayerLink {
    struct FilterEntry {
        quint64 id = 0;
        QString options;
    };

    // --- guarded by mutex (the presentation lock)
    std::mutex mutex;
    AVPlayer *player = nullptr; // null once the player is destroyed
    AVClock *clock = nullptr;
    QList<VideoRenderer *> outputs;
    std::vector<FilterEntry> filters; // enabled filters in installation order
    bool paused = false;
    bool secondary = false;
    MediaEndAction endAction = MediaEndAction_Default;
    quint64 activeSession = 0; // the session allowed to present and report
    VideoFrame presented;
    qint64 presentedMs = 0;
    bool positionPosted = false;
    qint64 decoded = 0, presentedCount = 0, late = 0, skipped = 0;
};

// Kinds of reports a session sends to its player (GUI thread).
enum class SessionEvent {
    FramePresented, // value: -
    TargetShown, // value: serial; a seek target (or the first frame) is on screen
    EndReached, // value: -
    Error, // value: 1 when fatal (the session cannot play)
};

class PlaybackSession
{
public:
    struct Setup {
        quint64 id = 0;
        QString path;
        std::shared_ptr<MediaSource> media; // null: the demux thread opens path
        MediaInfo info;
        double stopSeconds = 0; // end of the picture (start + duration)
        double startSeconds = 0;
        bool withAudio = false;
        std::shared_ptr<AudioOutput::Levels> levels;
        std::function<void(quint64 session, SessionEvent, qint64 value, const AVError &)> report;
    };

    PlaybackSession(std::shared_ptr<PlayerLink> link, Setup setup);
    ~PlaybackSession();

    // --- GUI thread
    void start(double targetSeconds, bool accurate);
    // Bumps the serial; returns it. Frames of older serials are dropped.
    int requestSeek(double targetSeconds, bool accurate);
    void setStopSeconds(double seconds);
    double stopSeconds() const { return _stopSeconds.load(); }
    void wake();
    // Tells every thread to finish; never waits.
    void abort();
    bool finished() const { return _running.load() == 0; }
    void join();
    int serial() const { return _serial.load(); }

    // Tests only (set before any session starts, cleared after all end):
    // called by every presenter between its look at the frame queue and
    // taking the link mutex, so a test can hold it there while it seeks.
    static std::function<void()> presenterPausedForTests;

private:
    struct Request {
        int serial = 0;
        double target = 0;
        bool accurate = true;
        bool initial = false;
    };
    struct Packet {
        enum Kind { Data, Flush, Eof };
        std::shared_ptr<AVPacket> packet;
        int serial = 0;
        Kind kind = Data;
    };
    struct Frame {
        VideoFrame frame;
        int serial = 0;
        bool target = false;
        bool eof = false;
    };

    void demuxLoop();
    void videoLoop();
    void audioLoop();
    void presenterLoop();
    Request requestFor(int serial);
    bool takeRequest(int handled, Request *out);
    // Sleeps until wake() (or abort), at most min(seconds, cap).
    void waitWake(quint64 seq, double seconds, double cap);
    void report(SessionEvent kind, qint64 value, const AVError &error = AVError());
    bool isStale(int serial) const { return _aborted.load() || _serial.load() != serial; }
    void updateClockMirror();

    std::shared_ptr<PlayerLink> _link;
    Setup _setup;
    std::atomic<double> _stopSeconds{0};
    std::atomic<int> _serial{0};
    std::atomic<bool> _aborted{false};
    std::atomic<int> _running{0};
    std::atomic<AVStream *> _videoStream{nullptr};
    std::atomic<AVStream *> _audioStream{nullptr};

    // --- guarded by _requestMutex
    std::mutex _requestMutex;
    Request _request;

    // --- guarded by _wakeMutex
    std::mutex _wakeMutex;
    std::condition_variable _wakeCv;
    quint64 _wakeSeq = 0;

    // The demux thread refills the packet queue in batches (from 60 up to
    // 90 packets) rather than waking for every packet the decoder takes.
    BlockingQueue<Packet> _videoPackets{90, 60};
    BlockingQueue<Packet> _audioPackets{400};
    // The decoder also works in bursts: woken when two frames are left, it
    // decodes six in a row. Decoding one frame per wake-up costs far more
    // CPU (cold caches after every sleep); holding many more frames costs
    // memory and cache too (each new frame lands in a cold buffer). Two
    // frames left are 66 ms at 30 fps, against 2 ms to decode one frame of
    // a demo card and about 15 ms for 12 Mbit/s 1080p High profile.
    BlockingQueue<Frame> _frames{8, 2};
    std::unique_ptr<AudioSink> _sink; // only with a sound device
    std::vector<std::thread> _threads;
};

} // namespace kvm
