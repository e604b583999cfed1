// korvid-bench playback FRONT REAR [--seconds N] [--speed S]
//     [--renderer null|widget] [--compare-ffmpeg] [--sound] [--dump CSV]
// Plays the two files of a recording as the dual player does (front on the
// main player, rear on a secondary one, clocks aligned on the main player's
// seekFinished) for N seconds of media time (default: the shorter file) at
// speed S, and prints
//   {"cpu_s","wall_s","main_shown","secondary_decoded","p99_skew_ms",
//    "max_skew_ms","late_frames","max_rss_mb",...}
// cpu_s: CPU time of the whole process (all threads) from before the load
// to the stop. Skew: for every frame number shown by both players, the
// difference between the moments the two showed it; below one frame time
// (33 ms at 30 fps) it means the numbers shown at any moment differ by at
// most one, which "within_one_frame" counts directly (share of main frames
// at whose moment the secondary showed a frame at most one number away).
// --compare-ffmpeg adds the CPU time of `ffmpeg -threads 1 -t N -i F -an -f
// null -` over both files and our ratio to it. The reference runs R times
// (--reference-runs, default 2) right before and R times right after the
// playback and the median of those 2R runs counts: the speed of a shared
// machine drifts, and flat-out runs of the same decoding a minute apart
// differ by up to 30 %, so one run on one side of the playback measures the
// drift as much as the player. --compare-paced adds, after the playback, the
// CPU time of the same ffmpeg decoding paced to real time (`-re`, both files
// at once, as the player decodes them) and our ratio to that. Sound is not
// decoded unless --sound is given (the reference decodes no sound either).
// --dump writes every frame shown by the two players as CSV (see
// KVBench::dumpRecords).

#include "kv_bench_commands.h"
#include "kv_bench_measure.h"
#include "kv_bench_pair.h"

#include "media/audiooutput.h"
#include "media/averror.h"
#include "media/mediasource.h"
#include "media/timesource.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

int kvBenchPlayback(int argc, char **argv)
{
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    KVBench::Args args;
    QString why;
    bool ok = args.parse(raw,
                  {QStringLiteral("seconds"), QStringLiteral("speed"), QStringLiteral("renderer"),
                      QStringLiteral("dump"), QStringLiteral("reference-runs")},
                  {QStringLiteral("compare-ffmpeg"), QStringLiteral("compare-paced"),
                      QStringLiteral("sound")},
                  &why)
        && args.positional.size() == 2;
    const double seconds = args.number(QStringLiteral("seconds"), 0, &ok);
    const double speed = args.number(QStringLiteral("speed"), 1.0, &ok);
    const QString renderer = args.values.value(QStringLiteral("renderer"), QStringLiteral("null"));
    const int referenceRuns = int(args.number(QStringLiteral("reference-runs"), 2, &ok));
    if (!ok || speed <= 0 || seconds < 0 || referenceRuns < 1
        || (renderer != QLatin1String("null") && renderer != QLatin1String("widget"))) {
        std::fprintf(stderr,
            "%s%susage: korvid-bench playback FRONT REAR [--seconds N] [--speed S] "
            "[--renderer null|widget] [--compare-ffmpeg [--reference-runs R]] "
            "[--compare-paced] [--sound] [--dump CSV]\n",
            qPrintable(why), why.isEmpty() ? "" : "\n");
        return 2;
    }
    const bool widgets = renderer == QLatin1String("widget");
    std::unique_ptr<QCoreApplication> app(
        widgets ? new QApplication(argc, argv) : new QCoreApplication(argc, argv));
    if (!args.has(QStringLiteral("sound")))
        kvm::AudioOutput::forceNoDeviceForTests();

    const bool compare = args.has(QStringLiteral("compare-ffmpeg"));
    // One side's reference runs; appends each run's CPU time per file.
    QList<double> refFront, refRear, refTotal;
    auto reference = [&](double length) {
        for (int i = 0; i < referenceRuns; ++i) {
            const double front
                = KVBench::ffmpegDecodeCpuSeconds(args.positional.at(0), length, &why);
            const double rear = front < 0
                ? -1
                : KVBench::ffmpegDecodeCpuSeconds(args.positional.at(1), length, &why);
            if (front < 0 || rear < 0) {
                std::fprintf(stderr, "korvid-bench playback: %s\n", qPrintable(why));
                return false;
            }
            refFront << front;
            refRear << rear;
            refTotal << front + rear;
        }
        return true;
    };
    // Without --seconds the length is the shorter file's, read here so that
    // the reference can run before the playback too.
    double length = seconds;
    if (length <= 0) {
        qint64 shorter = -1;
        for (const QString &path : args.positional) {
            kvm::AVError error;
            const auto media = kvm::MediaSource::open(path, &error);
            if (!media) {
                std::fprintf(stderr, "korvid-bench playback: %s: %s\n", qPrintable(path),
                    qPrintable(error.string()));
                return 1;
            }
            const qint64 ms = media->info().durationMs;
            shorter = shorter < 0 ? ms : std::min(shorter, ms);
        }
        length = double(shorter) / 1000.0;
    }
    if (compare && !reference(length))
        return 1;
    const QList<double> totalsBefore = refTotal;

    const double cpu0 = KVBench::cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    KVBench::Pair pair(widgets);
    if (widgets && !pair.widgetsReady()) {
        std::fputs("korvid-bench playback: the \"Widget\" renderer is not available\n", stderr);
        return 1;
    }
    if (!pair.load(args.positional.at(0), args.positional.at(1), &why)) {
        std::fprintf(stderr, "korvid-bench playback: %s\n", qPrintable(why));
        return 1;
    }
    const qint64 endMs = pair.startMs() + qint64(length * 1000.0);
    if (!pair.start(speed, &why)) {
        std::fprintf(stderr, "korvid-bench playback: %s\n", qPrintable(why));
        return 1;
    }
    KVBench::Span span;
    span.fromNs = kvm::nowNs();
    const int limitMs = int(length / speed * 1000.0) + 30000;
    auto atEnd = [&] {
        return pair.front.masterClock()->valueMs() >= endMs
            || pair.front.mediaStatus() == kvm::EndOfMedia;
    };
    // Wait without waking the GUI thread until shortly before the end (a
    // poll every few milliseconds would be counted as the player's CPU).
    KVBench::Pair::waitUntil(atEnd, std::max(0, int(length / speed * 1000.0) - 300), 1000);
    KVBench::Pair::waitUntil(atEnd, limitMs, 5);
    pair.stopBoth();
    span.toNs = kvm::nowNs();
    const double cpu = KVBench::cpuSeconds() - cpu0;
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    const double rss = KVBench::maxRssMb();

    if (args.values.contains(QStringLiteral("dump"))
        && !KVBench::dumpRecords(args.values.value(QStringLiteral("dump")), pair.frontOut.records(),
            pair.rearOut.records()))
        std::fputs("korvid-bench playback: cannot write the dump\n", stderr);
    const KVBench::SyncFigures sync
        = KVBench::measureSync(pair.frontOut.records(), pair.rearOut.records(), {span});
    const kvm::AVPlayer::Statistics f = pair.front.statistics();
    const kvm::AVPlayer::Statistics r = pair.rear.statistics();
    QString json = QStringLiteral("{\"cpu_s\":%1,\"wall_s\":%2,\"main_shown\":%3,"
                                  "\"secondary_decoded\":%4,\"p99_skew_ms\":%5,\"max_skew_ms\":%6,"
                                  "\"late_frames\":%7,\"max_rss_mb\":%8")
                       .arg(cpu, 0, 'f', 3)
                       .arg(wallSeconds, 0, 'f', 3)
                       .arg(f.presented)
                       .arg(r.decoded)
                       .arg(KVBench::percentile(sync.skewsMs, 99), 0, 'f', 2)
                       .arg(KVBench::percentile(sync.skewsMs, 100), 0, 'f', 2)
                       .arg(f.late + r.late)
                       .arg(rss, 0, 'f', 1);
    json += QStringLiteral(",\"seconds\":%1,\"speed\":%2,\"renderer\":\"%3\",\"main_decoded\":%4,"
                           "\"secondary_shown\":%5,\"main_late\":%6,\"secondary_late\":%7,"
                           "\"within_one_frame\":%8,\"max_frame_diff\":%9,\"unmatched\":%10")
                .arg(length, 0, 'f', 3)
                .arg(speed)
                .arg(renderer)
                .arg(f.decoded)
                .arg(r.presented)
                .arg(f.late)
                .arg(r.late)
                .arg(sync.shareWithinOne(), 0, 'f', 5)
                .arg(sync.maxFrameDiff)
                .arg(sync.unmatched);
    if (compare) {
        if (!reference(length))
            return 1;
        const QList<double> totalsAfter = refTotal.mid(totalsBefore.size());
        const double total = KVBench::median(refTotal);
        json += QStringLiteral(",\"ffmpeg_cpu_s\":%1,\"ffmpeg_front_cpu_s\":%2,"
                               "\"ffmpeg_rear_cpu_s\":%3,\"ffmpeg_before_cpu_s\":%4,"
                               "\"ffmpeg_after_cpu_s\":%5,\"ffmpeg_min_cpu_s\":%6,"
                               "\"ffmpeg_max_cpu_s\":%7,\"cpu_ratio\":%8")
                    .arg(total, 0, 'f', 3)
                    .arg(KVBench::median(refFront), 0, 'f', 3)
                    .arg(KVBench::median(refRear), 0, 'f', 3)
                    .arg(KVBench::median(totalsBefore), 0, 'f', 3)
                    .arg(KVBench::median(totalsAfter), 0, 'f', 3)
                    .arg(*std::min_element(refTotal.begin(), refTotal.end()), 0, 'f', 3)
                    .arg(*std::max_element(refTotal.begin(), refTotal.end()), 0, 'f', 3)
                    .arg(cpu / total, 0, 'f', 3);
    }
    if (args.has(QStringLiteral("compare-paced"))) {
        const double paced = KVBench::ffmpegPacedCpuSeconds(args.positional, length, &why);
        if (paced <= 0) {
            std::fprintf(stderr, "korvid-bench playback: %s\n", qPrintable(why));
            return 1;
        }
        json += QStringLiteral(",\"ffmpeg_paced_cpu_s\":%1,\"paced_ratio\":%2")
                    .arg(paced, 0, 'f', 3)
                    .arg(cpu / paced, 0, 'f', 3);
    }
    json += QLatin1Char('}');
    std::printf("%s\n", qPrintable(json));
    return 0;
}
