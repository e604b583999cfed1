#pragma once
// Two players on one clock as the dual player drives them: the front file
// on the main player, the rear file on a secondary player (setSecondary),
// positions in stream time, every master clock re-aligned on one value when
// the main player's seek has finished. Each player feeds a NullRenderer
// that records the frames it shows (time stamp, strip number, arrival
// time); with widgets, each also feeds a "Widget" renderer in a visible
// window. Shared by the playback, seek and sync subcommands.
//
// Thread: GUI thread only (the renderers record on the presenter threads).

#include "media/avclock.h"
#include "media/avplayer.h"
#include "media/nullrenderer.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace KVBench
{

class Pair
{
public:
    // withWidgets: a window with a "Widget" renderer per player (needs a
    // QApplication and a display); false when that renderer is missing.
    explicit Pair(bool withWidgets = false);
    ~Pair();
    bool widgetsReady() const { return _widgetsReady; }

    kvm::AVPlayer front;
    kvm::AVPlayer rear;
    kvm::NullRenderer frontOut;
    kvm::NullRenderer rearOut;
    kvm::AVClock clock{kvm::AVClock::ExternalClock};

    // Loads both files and waits (event loop) until both are loaded.
    bool load(const QString &frontFile, const QString &rearFile, QString *why);
    // Sets the speed of the clock and both players, starts the clock, plays
    // both and seeks both to the start so that the clocks are aligned.
    bool start(double speed, QString *why);
    // Seeks both to ms (stream time) as the player core does and runs the
    // event loop until both have reported seekFinished. elapsedMs (if
    // given): from the seek call to the later of the two reports.
    bool seekBoth(qint64 ms, double *elapsedMs = nullptr, int timeoutMs = 10000);
    void pauseBoth(bool p);
    void stopBoth();

    // Runs the event loop until pred() holds (checked every pollMs) or the
    // time is up; returns pred().
    static bool waitUntil(const std::function<bool()> &pred, int timeoutMs, int pollMs = 1);
    // Runs the event loop for ms milliseconds.
    static void runFor(int ms);

    double fps() const;
    qint64 startMs() const { return front.mediaStartPosition(); }
    // The shorter of the two files, in ms.
    qint64 commonDurationMs() const;
    // The frame number shown for an exact seek to ms (stream time).
    int frameAt(qint64 ms) const;

private:
    int _frontSeeks = 0;
    int _rearSeeks = 0;
    qint64 _frontSeekNs = 0;
    qint64 _rearSeekNs = 0;
    bool _widgetsReady = false;
    std::unique_ptr<QWidget> _window; // owns the widget renderers
};

// A stretch of steady playback: both players running on aligned clocks.
struct Span {
    qint64 fromNs = 0;
    qint64 toNs = 0;
};

struct SyncFigures {
    int compared = 0; // main frames inside the spans with a rear frame shown
    int withinOne = 0; // of those, the rear showed a frame at most one away
    int maxFrameDiff = 0;
    QList<double> skewsMs; // |t_rear(n) - t_main(n)| for frame numbers n shown by both
    int unmatched = 0; // main frames whose number the rear did not show
    double shareWithinOne() const { return compared ? double(withinOne) / compared : 0.0; }
};

// For every frame the main player showed inside a span: which frame the
// secondary showed at that moment (its last frame shown at or before it),
// and when the secondary showed the same frame number.
SyncFigures measureSync(const QList<kvm::NullRenderer::Record> &main,
    const QList<kvm::NullRenderer::Record> &secondary, const QList<Span> &spans);

// Writes both record lists as CSV lines "player,atNs,pts,serial,frame"
// (player 0 main, 1 secondary) for a closer look; false when it cannot.
bool dumpRecords(const QString &path, const QList<kvm::NullRenderer::Record> &main,
    const QList<kvm::NullRenderer::Record> &secondary);

// The first frame number shown under the newest serial from record index
// `from` on (the target of the last seek); -1 when none.
int targetFrameSince(const kvm::NullRenderer &out, int from);

} // namespace KVBench
