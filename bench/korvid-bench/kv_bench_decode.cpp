// korvid-bench decode FILE... [--seconds N] [--burst B] [--hold H] [--fps F]
// Decodes the video of each FILE on a thread of its own, all at once, with
// plain libavcodec calls (one decoder thread each, as the player does) and
// no player around them, in a chosen pattern:
//   --burst 0   flat out (default);
//   --burst B   B frames in a row, then sleep until the last of them is due
//               at F frames per second (default 30): decoding paced to real
//               time as a player does, B = 1 being one frame per wake-up;
//   --hold H    keep the last H decoded frames referenced (a player's frame
//               queue) instead of freeing each at once.
// Prints {"cpu_s","frames","seconds","burst","hold"}: the CPU the decoding
// cost, to set the player's figure against what decoding alone costs in the
// same pattern.

#include "kv_bench_commands.h"
#include "kv_bench_measure.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <thread>
#include <vector>

namespace
{

struct Pattern {
    double seconds = 15;
    int burst = 0;
    int hold = 0;
    double fps = 30;
};

// Decodes one file; returns the number of frames, -1 when it cannot.
int decodeFile(const QByteArray &path, const Pattern &pattern)
{
    AVFormatContext *fmt = nullptr;
    if (avformat_open_input(&fmt, path.constData(), nullptr, nullptr) < 0)
        return -1;
    int frames = -1;
    AVCodecContext *ctx = nullptr;
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    std::deque<AVFrame *> held;
    const int index = avformat_find_stream_info(fmt, nullptr) < 0
        ? -1
        : av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec *codec
        = index < 0 ? nullptr : avcodec_find_decoder(fmt->streams[index]->codecpar->codec_id);
    if (codec && (ctx = avcodec_alloc_context3(codec))
        && avcodec_parameters_to_context(ctx, fmt->streams[index]->codecpar) >= 0) {
        ctx->thread_count = 1;
        if (avcodec_open2(ctx, codec, nullptr) >= 0)
            frames = 0;
    }
    const int total = int(pattern.seconds * pattern.fps);
    const auto start = std::chrono::steady_clock::now();
    while (frames >= 0 && frames < total && av_read_frame(fmt, packet) >= 0) {
        if (packet->stream_index != index) {
            av_packet_unref(packet);
            continue;
        }
        avcodec_send_packet(ctx, packet);
        av_packet_unref(packet);
        while (frames < total && avcodec_receive_frame(ctx, frame) >= 0) {
            ++frames;
            if (pattern.hold > 0) {
                held.push_back(av_frame_clone(frame));
                if (int(held.size()) > pattern.hold) {
                    av_frame_free(&held.front());
                    held.pop_front();
                }
            }
            av_frame_unref(frame);
            if (pattern.burst > 0 && frames % pattern.burst == 0)
                std::this_thread::sleep_until(
                    start + std::chrono::microseconds(qint64(frames * 1e6 / pattern.fps)));
        }
    }
    for (AVFrame *f : held)
        av_frame_free(&f);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    return frames;
}

} // namespace

int kvBenchDecode(int argc, char **argv)
{
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    KVBench::Args args;
    QString why;
    bool ok = args.parse(raw,
                  {QStringLiteral("seconds"), QStringLiteral("burst"), QStringLiteral("hold"),
                      QStringLiteral("fps")},
                  {}, &why)
        && !args.positional.isEmpty();
    Pattern pattern;
    pattern.seconds = args.number(QStringLiteral("seconds"), 15, &ok);
    pattern.burst = int(args.number(QStringLiteral("burst"), 0, &ok));
    pattern.hold = int(args.number(QStringLiteral("hold"), 0, &ok));
    pattern.fps = args.number(QStringLiteral("fps"), 30, &ok);
    if (!ok || pattern.seconds <= 0 || pattern.burst < 0 || pattern.hold < 0 || pattern.fps <= 0) {
        std::fprintf(stderr,
            "%s%susage: korvid-bench decode FILE... [--seconds N] [--burst B] [--hold H] "
            "[--fps F]\n",
            qPrintable(why), why.isEmpty() ? "" : "\n");
        return 2;
    }
    const double cpu0 = KVBench::cpuSeconds();
    std::vector<std::thread> threads;
    std::vector<int> counts(size_t(args.positional.size()), 0);
    for (qsizetype i = 0; i < args.positional.size(); ++i) {
        const QByteArray path = args.positional.at(i).toLocal8Bit();
        threads.emplace_back(
            [&counts, i, path, pattern] { counts[size_t(i)] = decodeFile(path, pattern); });
    }
    for (std::thread &t : threads)
        t.join();
    const double cpu = KVBench::cpuSeconds() - cpu0;
    int frames = 0;
    for (qsizetype i = 0; i < args.positional.size(); ++i) {
        if (counts[size_t(i)] < 0) {
            std::fprintf(stderr, "korvid-bench decode: cannot decode %s\n",
                qPrintable(args.positional.at(i)));
            return 1;
        }
        frames += counts[size_t(i)];
    }
    std::printf("{\"cpu_s\":%.3f,\"frames\":%d,\"seconds\":%g,\"burst\":%d,\"hold\":%d}\n", cpu,
        frames, pattern.seconds, pattern.burst, pattern.hold);
    return 0;
}
