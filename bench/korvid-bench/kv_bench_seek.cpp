// korvid-bench seek FRONT REAR --count N [--seed S] [--playing]
// Exact seeks of both players of a recording (set up as the dual player
// does) to N random targets (fixed seed), paused unless --playing. Each
// time runs from the two seek calls until both players have reported
// seekFinished, which they do once the target frame is shown; the frame
// numbers read from the strips of both target frames must equal the frame
// at the target. Prints {"p50_ms","p95_ms","max_ms","count","mismatches",
// "timeouts"}; exit status 1 when a seek failed or showed another frame.

#include "kv_bench_commands.h"
#include "kv_bench_measure.h"
#include "kv_bench_pair.h"

#include "media/audiooutput.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cstdio>

int kvBenchSeek(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    KVBench::Args args;
    QString why;
    bool ok = args.parse(app.arguments().mid(1), {QStringLiteral("count"), QStringLiteral("seed")},
                  {QStringLiteral("playing")}, &why)
        && args.positional.size() == 2;
    const int count = int(args.number(QStringLiteral("count"), 20, &ok));
    const quint32 seed = quint32(args.number(QStringLiteral("seed"), 4711, &ok));
    if (!ok || count < 1) {
        std::fprintf(stderr,
            "%s%susage: korvid-bench seek FRONT REAR --count N [--seed S] [--playing]\n",
            qPrintable(why), why.isEmpty() ? "" : "\n");
        return 2;
    }
    kvm::AudioOutput::forceNoDeviceForTests();
    const bool playing = args.has(QStringLiteral("playing"));
    KVBench::Pair pair;
    if (!pair.load(args.positional.at(0), args.positional.at(1), &why) || !pair.start(1.0, &why)) {
        std::fprintf(stderr, "korvid-bench seek: %s\n", qPrintable(why));
        return 1;
    }
    if (!playing)
        pair.pauseBoth(true);
    const qint64 frameMs = qint64(1000.0 / pair.fps()) + 1;
    const qint64 span = std::max<qint64>(1, pair.commonDurationMs() - frameMs);
    QRandomGenerator random(seed);
    QList<double> times;
    int mismatches = 0;
    int timeouts = 0;
    for (int i = 0; i < count; ++i) {
        const qint64 target = pair.startMs() + qint64(random.bounded(quint32(span)));
        const int expected = pair.frameAt(target);
        const int fromF = pair.frontOut.count();
        const int fromR = pair.rearOut.count();
        double ms = 0;
        if (!pair.seekBoth(target, &ms)) {
            ++timeouts;
            std::fprintf(
                stderr, "seek to %lld ms did not finish\n", static_cast<long long>(target));
            continue;
        }
        times << ms;
        const int shownF = KVBench::targetFrameSince(pair.frontOut, fromF);
        const int shownR = KVBench::targetFrameSince(pair.rearOut, fromR);
        if (shownF != expected || shownR != expected) {
            ++mismatches;
            std::fprintf(stderr, "seek to %lld ms: frame %d expected, front %d, rear %d\n",
                static_cast<long long>(target), expected, shownF, shownR);
        }
        if (playing)
            KVBench::Pair::runFor(200 + int(random.bounded(400)));
    }
    pair.stopBoth();
    std::printf("{\"p50_ms\":%.1f,\"p95_ms\":%.1f,\"max_ms\":%.1f,\"count\":%d,\"mismatches\":%d,"
                "\"timeouts\":%d,\"playing\":%s}\n",
        KVBench::percentile(times, 50), KVBench::percentile(times, 95),
        KVBench::percentile(times, 100), count, mismatches, timeouts, playing ? "true" : "false");
    return mismatches == 0 && timeouts == 0 ? 0 : 1;
}
