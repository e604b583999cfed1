// korvid-bench sync FRONT REAR [--seconds N] [--speed S] [--cycles K] [--seed X]
//     [--dump CSV]
// Plays the two files of a recording as the dual player does, in K cycles
// of N/K seconds of media time each (default N: the shorter file, K: 10).
// Every cycle plays, pauses both and brings both to the main player's
// position (as the player core does on a pause), then seeks both to a
// random target while paused; every other cycle also seeks while playing.
//
// Checked: while playing, for every frame the main player shows, the
// secondary shows a frame at most one number away at that moment
// ("within_one_frame", required 0.999); after every pause and seek both
// show the same frame number, and after a seek the frame at the target;
// after a seek while playing, the frames shown once both players reported
// it differ by at most one ("playing_seek_max_diff").
// The seconds around pauses and seeks (from the call until both players
// reported seekFinished, or were resumed) do not count as playing.
// "pauses_identical_raw" counts pauses where the two pictures were already
// the same before the aligning seek. Exit status 1 when a check failed.
// --dump writes every frame shown as CSV (see KVBench::dumpRecords), and the
// playing spans as lines "span,fromNs,toNs".

#include "kv_bench_commands.h"
#include "kv_bench_measure.h"
#include "kv_bench_pair.h"

#include "media/audiooutput.h"
#include "media/timesource.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>

#include <cstdio>

int kvBenchSync(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    KVBench::Args args;
    QString why;
    bool ok = args.parse(app.arguments().mid(1),
                  {QStringLiteral("seconds"), QStringLiteral("speed"), QStringLiteral("cycles"),
                      QStringLiteral("seed"), QStringLiteral("dump")},
                  {}, &why)
        && args.positional.size() == 2;
    const double seconds = args.number(QStringLiteral("seconds"), 0, &ok);
    const double speed = args.number(QStringLiteral("speed"), 1.0, &ok);
    const int cycles = int(args.number(QStringLiteral("cycles"), 10, &ok));
    const quint32 seed = quint32(args.number(QStringLiteral("seed"), 4711, &ok));
    if (!ok || speed <= 0 || seconds < 0 || cycles < 1) {
        std::fprintf(stderr,
            "%s%susage: korvid-bench sync FRONT REAR [--seconds N] [--speed S] [--cycles K] "
            "[--seed X] [--dump CSV]\n",
            qPrintable(why), why.isEmpty() ? "" : "\n");
        return 2;
    }
    kvm::AudioOutput::forceNoDeviceForTests();
    KVBench::Pair pair;
    if (!pair.load(args.positional.at(0), args.positional.at(1), &why)
        || !pair.start(speed, &why)) {
        std::fprintf(stderr, "korvid-bench sync: %s\n", qPrintable(why));
        return 1;
    }
    const double length = seconds > 0 ? seconds : double(pair.commonDurationMs()) / 1000.0;
    const qint64 cycleMs = qint64(length * 1000.0 / cycles);
    // Targets leave a cycle's worth of media (and a second) before the end.
    const qint64 room = std::max<qint64>(1, pair.commonDurationMs() - cycleMs - 1000);
    QRandomGenerator random(seed);
    QList<KVBench::Span> spans;
    int pauses = 0, pausesIdentical = 0, pausesRaw = 0;
    int seeks = 0, seeksIdentical = 0, seeksAtTarget = 0;
    int playingSeeks = 0, playingSeekMaxDiff = 0;

    // Seeks both to a random target and checks the two target frames.
    auto checkedSeek = [&](bool playing) {
        const qint64 target = pair.startMs() + qint64(random.bounded(quint32(room)));
        const int fromF = pair.frontOut.count();
        const int fromR = pair.rearOut.count();
        ++seeks;
        if (!pair.seekBoth(target))
            return;
        const int f = KVBench::targetFrameSince(pair.frontOut, fromF);
        const int r = KVBench::targetFrameSince(pair.rearOut, fromR);
        const int expected = pair.frameAt(target);
        seeksIdentical += f == r;
        seeksAtTarget += f == expected && r == expected;
        if (playing) {
            // What the two show once both have reported the seek.
            ++playingSeeks;
            const int diff = std::abs(
                pair.frontOut.lastRecord().frameNumber - pair.rearOut.lastRecord().frameNumber);
            playingSeekMaxDiff = std::max(playingSeekMaxDiff, diff);
        }
        if (f != r || f != expected)
            std::fprintf(stderr, "seek to %lld ms: expected %d, front %d, rear %d\n",
                static_cast<long long>(target), expected, f, r);
    };

    KVBench::Span span{kvm::nowNs(), 0};
    for (int i = 0; i < cycles; ++i) {
        KVBench::Pair::runFor(int(double(cycleMs) / speed));
        span.toNs = kvm::nowNs();
        // A pause as the player core makes it: both stop, then both go to
        // the main player's position.
        pair.pauseBoth(true);
        spans << span;
        ++pauses;
        pausesRaw
            += pair.frontOut.lastRecord().frameNumber == pair.rearOut.lastRecord().frameNumber;
        if (pair.seekBoth(pair.front.position())) {
            const int f = pair.frontOut.lastRecord().frameNumber;
            const int r = pair.rearOut.lastRecord().frameNumber;
            pausesIdentical += f == r;
            if (f != r)
                std::fprintf(stderr, "pause %d: front %d, rear %d\n", i, f, r);
        }
        checkedSeek(false);
        pair.pauseBoth(false);
        span.fromNs = kvm::nowNs();
        if (i % 2 == 1) {
            KVBench::Pair::runFor(100 + int(random.bounded(400)));
            span.toNs = kvm::nowNs();
            spans << span;
            checkedSeek(true);
            span.fromNs = kvm::nowNs();
        }
    }
    pair.stopBoth();

    if (args.values.contains(QStringLiteral("dump"))) {
        const QString path = args.values.value(QStringLiteral("dump"));
        bool written = KVBench::dumpRecords(path, pair.frontOut.records(), pair.rearOut.records());
        QFile file(path);
        if (written && file.open(QIODevice::Append)) {
            for (const KVBench::Span &s : std::as_const(spans))
                file.write(QStringLiteral("span,%1,%2\n").arg(s.fromNs).arg(s.toNs).toUtf8());
            written = file.error() == QFile::NoError;
        }
        if (!written)
            std::fputs("korvid-bench sync: cannot write the dump\n", stderr);
    }
    const KVBench::SyncFigures sync
        = KVBench::measureSync(pair.frontOut.records(), pair.rearOut.records(), spans);
    const kvm::AVPlayer::Statistics f = pair.front.statistics();
    const kvm::AVPlayer::Statistics r = pair.rear.statistics();
    const bool pass = sync.shareWithinOne() >= 0.999 && pausesIdentical == pauses
        && seeksIdentical == seeks && seeksAtTarget == seeks && playingSeekMaxDiff <= 1;
    std::printf("{\"speed\":%g,\"seconds\":%.3f,\"compared\":%d,\"within_one_frame\":%.5f,"
                "\"max_frame_diff\":%d,\"p99_skew_ms\":%.2f,\"max_skew_ms\":%.2f,"
                "\"unmatched\":%d,\"pauses\":%d,\"pauses_identical\":%d,"
                "\"pauses_identical_raw\":%d,\"seeks\":%d,\"seeks_identical\":%d,"
                "\"seeks_at_target\":%d,\"playing_seeks\":%d,\"playing_seek_max_diff\":%d,"
                "\"late_frames\":%lld,\"pass\":%s}\n",
        speed, length, sync.compared, sync.shareWithinOne(), sync.maxFrameDiff,
        KVBench::percentile(sync.skewsMs, 99), KVBench::percentile(sync.skewsMs, 100),
        sync.unmatched, pauses, pausesIdentical, pausesRaw, seeks, seeksIdentical, seeksAtTarget,
        playingSeeks, playingSeekMaxDiff, static_cast<long long>(f.late + r.late),
        pass ? "true" : "false");
    return pass ? 0 : 1;
}
