#include "session.h"

#include "audiosink.h"
#include "avclock.h"
#include "filtergraph.h"
#include "timesource.h"
#include "videorenderer.h"

#include <QtDebug>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <thread>

#include <pthread.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace kvm
{

std::function<void()> PlaybackSession::presenterPausedForTests;

namespace
{

constexpr double kEpsilon = 1e-6; // seconds; time stamps are exact to far better
constexpr double kMaxWait = 0.010; // the presenter re-checks at least this often
// ... except while the next frame is not due yet: pause, resume, seeks and
// speed changes through the player wake it, so this only bounds how late a
// frame can be after the clock was set forward from outside.
constexpr double kMaxDueWait = 0.050;
// Waits for something that always comes with a wake-up of its own (a pause
// ending, a seek, a frame, the end of the session) only re-check this often,
// so a paused or finished player does not wake a hundred times a second.
constexpr double kMaxIdleWait = 0.5;
// A seek target shown while playing holds the clock until the decoder is this
// many frames ahead (or at the end), at most kMaxLeadWait: run on at once,
// the frames right after the target would come late on heavy video.
constexpr size_t kLeadFrames = 4;
constexpr double kMaxLeadWait = 0.5;

std::shared_ptr<AVPacket> makePacket()
{
    return std::shared_ptr<AVPacket>(av_packet_alloc(), [](AVPacket *p) { av_packet_free(&p); });
}

struct CodecContext {
    AVCodecContext *ctx = nullptr;
    ~CodecContext() { avcodec_free_context(&ctx); }
};

bool openDecoder(AVStream *stream, CodecContext *out, AVError *error)
{
    const AVCodec *codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        *error = AVError(AVError::OpenCodecError, QStringLiteral("no decoder"));
        return false;
    }
    out->ctx = avcodec_alloc_context3(codec);
    int ret
        = out->ctx ? avcodec_parameters_to_context(out->ctx, stream->codecpar) : AVERROR(ENOMEM);
    if (ret >= 0) {
        // One thread per decoder: two streams already fill two cores, and
        // frame threading would delay exact seeks.
        out->ctx->thread_count = 1;
        out->ctx->pkt_timebase = stream->time_base;
        ret = avcodec_open2(out->ctx, codec, nullptr);
    }
    if (ret < 0) {
        *error = AVError(AVError::OpenCodecError, QString(), ret);
        return false;
    }
    return true;
}

} // namespace

PlaybackSession::PlaybackSession(std::shared_ptr<PlayerLink> link, Setup setup)
    : _link(std::move(link)), _setup(std::move(setup))
{
    _stopSeconds.store(_setup.stopSeconds);
}

PlaybackSession::~PlaybackSession()
{
    abort();
    join();
}

void PlaybackSession::start(double targetSeconds, bool accurate)
{
    {
        std::lock_guard lock(_requestMutex);
        _request = Request{1, targetSeconds, accurate, true};
    }
    _serial.store(1);
    if (_setup.withAudio) {
        _sink = std::make_unique<AudioSink>(_setup.levels);
        if (!_sink->open())
            _sink.reset();
    }
    const int count = _sink ? 4 : 3;
    _running.store(count);
    // Named so that profilers and debuggers tell the threads apart.
    auto named = [](const char *name, auto loop) {
        return [name, loop] {
            pthread_setname_np(pthread_self(), name);
            loop();
        };
    };
    _threads.emplace_back(named("kvm-demux", [this] { demuxLoop(); }));
    _threads.emplace_back(named("kvm-video", [this] { videoLoop(); }));
    _threads.emplace_back(named("kvm-present", [this] { presenterLoop(); }));
    if (_sink)
        _threads.emplace_back(named("kvm-audio", [this] { audioLoop(); }));
}

int PlaybackSession::requestSeek(double targetSeconds, bool accurate)
{
    int serial;
    {
        // Under the link mutex: the presenter looks at the serial of the
        // frame it is about to show (or drop) under the same mutex, so once
        // the queue is cleared here it never acts on a frame from before.
        std::lock_guard link(_link->mutex);
        {
            std::lock_guard lock(_requestMutex);
            serial = _serial.load() + 1;
            _request = Request{serial, targetSeconds, accurate, false};
            _serial.store(serial);
        }
        _frames.removeIf([serial](const Frame &f) { return f.serial != serial; });
    }
    // The sound from before the seek goes now, not when the audio decoder
    // reaches the flush: it may be waiting for room that sound from ahead
    // of the new clock would never make.
    _audioPackets.removeIf([serial](const Packet &p) { return p.serial < serial; });
    if (_sink)
        _sink->flush(serial);
    _videoPackets.wakeProducers();
    wake();
    return serial;
}

void PlaybackSession::setStopSeconds(double seconds)
{
    _stopSeconds.store(seconds);
    wake();
}

void PlaybackSession::wake()
{
    std::lock_guard lock(_wakeMutex);
    ++_wakeSeq;
    _wakeCv.notify_all();
}

void PlaybackSession::abort()
{
    _aborted.store(true);
    _videoPackets.abort();
    _audioPackets.abort();
    _frames.abort();
    if (_sink)
        _sink->abort();
    wake();
}

void PlaybackSession::join()
{
    for (std::thread &t : _threads)
        if (t.joinable())
            t.join();
    _threads.clear();
    if (_sink)
        _sink->close();
}

void PlaybackSession::waitWake(quint64 seq, double seconds, double cap)
{
    std::unique_lock lock(_wakeMutex);
    const auto timeout = std::chrono::microseconds(qint64(std::clamp(seconds, 0.0, cap) * 1e6));
    _wakeCv.wait_for(lock, timeout, [&] { return _wakeSeq != seq || _aborted.load(); });
}

PlaybackSession::Request PlaybackSession::requestFor(int serial)
{
    std::lock_guard lock(_requestMutex);
    Request r = _request;
    if (r.serial != serial)
        r.serial = -1;
    return r;
}

bool PlaybackSession::takeRequest(int handled, Request *out)
{
    std::lock_guard lock(_requestMutex);
    if (_request.serial == handled)
        return false;
    *out = _request;
    return true;
}

void PlaybackSession::report(SessionEvent kind, qint64 value, const AVError &error)
{
    if (_setup.report)
        _setup.report(_setup.id, kind, value, error);
}

// ---------------------------------------------------------------- demux

void PlaybackSession::demuxLoop()
{
    struct Done {
        std::atomic<int> &n;
        ~Done() { --n; }
    } done{_running};

    if (!_setup.media) {
        AVError error;
        _setup.media = MediaSource::open(_setup.path, &error);
        if (!_setup.media) {
            report(SessionEvent::Error, 1, error);
            _videoPackets.abort();
            return;
        }
    }
    MediaSource &media = *_setup.media;
    AVFormatContext *fmt = media.format();
    _videoStream.store(media.videoStream());
    _audioStream.store(_sink ? media.audioStream() : nullptr);
    const int videoIndex = media.videoIndex();
    const int audioIndex = _sink ? media.audioIndex() : -1;
    const AVRational tb = media.videoStream()->time_base;
    // When sound comes faster than it is taken, old sound goes, but never a
    // seek's flush: without it the audio decoder would drop all later sound.
    const auto mayDrop = [](const Packet &p) { return p.kind == Packet::Data; };

    int handled = 0;
    bool eof = false;
    while (!_aborted.load()) {
        Request request;
        if (takeRequest(handled, &request)) {
            const bool atStart
                = request.initial && request.target <= _setup.startSeconds + kEpsilon;
            if (!atStart) {
                const int64_t ts = int64_t(std::floor(request.target / av_q2d(tb)));
                int ret = av_seek_frame(fmt, videoIndex, ts, AVSEEK_FLAG_BACKWARD);
                if (ret < 0)
                    ret = avformat_seek_file(fmt, videoIndex, INT64_MIN, ts, ts, 0);
                if (ret < 0)
                    qWarning() << "seek failed:" << AVError::ffmpegErrorString(ret) << "["
                               << Q_FUNC_INFO << __LINE__ << "]";
            }
            handled = request.serial;
            eof = false;
            _videoPackets.push(Packet{nullptr, handled, Packet::Flush});
            if (audioIndex >= 0)
                _audioPackets.pushDropOldest(Packet{nullptr, handled, Packet::Flush}, mayDrop);
            continue;
        }
        if (eof) {
            quint64 seq;
            {
                std::lock_guard lock(_wakeMutex);
                seq = _wakeSeq;
            }
            if (!takeRequest(handled, &request))
                waitWake(seq, kMaxIdleWait, kMaxIdleWait);
            continue;
        }
        std::shared_ptr<AVPacket> packet = makePacket();
        const int ret = av_read_frame(fmt, packet.get());
        if (ret == AVERROR(EAGAIN)) {
            // Nothing to read yet (a growing file, a slow device): not a
            // reason to spin a core.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (ret < 0) {
            // End of file (or a file cut short): drain the decoders.
            _videoPackets.push(Packet{nullptr, handled, Packet::Eof},
                [this, handled] { return isStale(handled); });
            eof = true;
            continue;
        }
        if (packet->stream_index == videoIndex) {
            _videoPackets.push(Packet{packet, handled, Packet::Data},
                [this, handled] { return isStale(handled); });
        } else if (packet->stream_index == audioIndex) {
            _audioPackets.pushDropOldest(Packet{packet, handled, Packet::Data}, mayDrop);
        }
    }
}

// ---------------------------------------------------------------- video decoder

void PlaybackSession::videoLoop()
{
    struct Done {
        std::atomic<int> &n;
        ~Done() { --n; }
    } done{_running};

    Packet packet;
    // The stream is known once the demux thread has opened the media.
    if (!_videoPackets.pop(&packet))
        return;
    AVStream *stream = _videoStream.load();
    if (!stream)
        return;
    CodecContext codec;
    AVError error;
    if (!openDecoder(stream, &codec, &error)) {
        report(SessionEvent::Error, 1, error);
        return;
    }
    const double tb = av_q2d(stream->time_base);
    const double frameDuration = _setup.info.frameDuration;
    AVFrame *frame = av_frame_alloc();
    AVFrame *lastDropped = av_frame_alloc();
    double lastDroppedPts = 0;
    bool haveDropped = false;
    int serial = -1;
    Request request;
    bool targetPending = false;
    bool ended = false;
    qint64 skipCount = 0;
    double lastPts = _setup.startSeconds - frameDuration;
    std::map<quint64, std::unique_ptr<FilterGraph>> graphs;
    std::map<quint64, QString> reportedFailures;

    auto push = [&](const AVFrame *f, double pts, bool target) {
        std::vector<PlayerLink::FilterEntry> filters;
        {
            // A secondary player filters too, though it shows nothing: a
            // swap hands its picture over at once, and that picture must
            // already be flipped and equalised as its camera is set.
            std::lock_guard lock(_link->mutex);
            filters = _link->filters;
        }
        AVFrame *owned = nullptr;
        const AVFrame *current = f;
        for (const PlayerLink::FilterEntry &entry : filters) {
            std::unique_ptr<FilterGraph> &graph = graphs[entry.id];
            if (!graph)
                graph = std::make_unique<FilterGraph>();
            QString why;
            AVFrame *out = graph->run(entry.options, current, &why);
            if (!why.isEmpty() && reportedFailures[entry.id] != entry.options) {
                reportedFailures[entry.id] = entry.options;
                report(SessionEvent::Error, 0, AVError(AVError::FilterError, why));
            }
            if (out) {
                av_frame_free(&owned);
                owned = out;
                current = out;
            }
        }
        // Graphs of filters no longer installed go.
        for (auto it = graphs.begin(); it != graphs.end();) {
            const bool kept = std::any_of(
                filters.begin(), filters.end(), [&](const auto &s) { return s.id == it->first; });
            it = kept ? std::next(it) : graphs.erase(it);
        }
        Frame item{VideoFrame(current, pts, serial), serial, target, false};
        av_frame_free(&owned);
        _frames.push(std::move(item), [this, serial] { return isStale(serial); });
        // The queue itself wakes a presenter waiting for a frame; one that
        // sleeps until its next frame is due (or paused) only needs waking
        // for a target, which is shown at once.
        if (target)
            wake();
    };
    auto finish = [&]() {
        if (targetPending && haveDropped) {
            push(lastDropped, lastDroppedPts, true);
        } else if (targetPending) {
            // Nothing decoded at or before the end (a seek past the point
            // where a file is cut off): the seek still finishes, on the
            // picture already shown.
            _frames.push(Frame{VideoFrame(), serial, true, false},
                [this, serial] { return isStale(serial); });
        }
        targetPending = false;
        _frames.push(
            Frame{VideoFrame(), serial, false, true}, [this, serial] { return isStale(serial); });
        wake();
        ended = true;
    };
    auto handleFrame = [&](AVFrame *f) {
        {
            std::lock_guard lock(_link->mutex);
            ++_link->decoded;
        }
        const int64_t ts = f->best_effort_timestamp;
        const double pts = ts == AV_NOPTS_VALUE ? lastPts + frameDuration : double(ts) * tb;
        lastPts = pts;
        const double stop = _stopSeconds.load();
        if (stop > 0 && pts >= stop - kEpsilon) {
            finish();
            return;
        }
        bool target = false;
        if (targetPending) {
            // Exact seek: the target is the last frame that starts at or
            // before it, known once the next frame starts after it (or the
            // picture ends). The frame rate may vary, so a frame's own time
            // is not known from the average rate.
            if (request.accurate && pts <= request.target + kEpsilon) {
                av_frame_unref(lastDropped);
                av_frame_ref(lastDropped, f);
                lastDroppedPts = pts;
                haveDropped = true;
                return;
            }
            targetPending = false;
            if (request.accurate && haveDropped)
                push(lastDropped, lastDroppedPts, true); // this frame follows it
            else
                target = true;
        }
        if (!target) {
            const int skip = frameSkip();
            ++skipCount;
            if (skip > 1 && skipCount % skip != 0) {
                std::lock_guard lock(_link->mutex);
                ++_link->skipped;
                return;
            }
        }
        push(f, pts, target);
    };

    bool first = true;
    while (first || _videoPackets.pop(&packet)) {
        first = false;
        if (packet.serial != _serial.load())
            continue;
        if (packet.kind == Packet::Flush) {
            avcodec_flush_buffers(codec.ctx);
            serial = packet.serial;
            request = requestFor(serial);
            targetPending = request.serial == serial;
            ended = false;
            skipCount = 0;
            haveDropped = false;
            av_frame_unref(lastDropped);
            continue;
        }
        if (packet.serial != serial || ended)
            continue;
        int ret = avcodec_send_packet(
            codec.ctx, packet.kind == Packet::Eof ? nullptr : packet.packet.get());
        if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
            continue; // a damaged packet: go on with the next one
        while (!ended && !isStale(serial)) {
            ret = avcodec_receive_frame(codec.ctx, frame);
            if (ret < 0)
                break;
            handleFrame(frame);
            av_frame_unref(frame);
        }
        if (packet.kind == Packet::Eof && !ended && !isStale(serial)) {
            finish();
            avcodec_flush_buffers(codec.ctx);
        }
    }
    av_frame_free(&frame);
    av_frame_free(&lastDropped);
}

// ---------------------------------------------------------------- audio decoder

void PlaybackSession::audioLoop()
{
    struct Done {
        std::atomic<int> &n;
        ~Done() { --n; }
    } done{_running};

    Packet packet;
    CodecContext codec;
    SwrContext *swr = nullptr;
    AVFrame *frame = av_frame_alloc();
    std::vector<float> buffer;
    int serial = -1;
    double tb = 0;
    while (_audioPackets.pop(&packet)) {
        if (packet.serial != _serial.load())
            continue;
        if (!codec.ctx) {
            AVStream *stream = _audioStream.load();
            AVError error;
            if (!stream || !openDecoder(stream, &codec, &error))
                break; // no sound, the picture goes on
            tb = av_q2d(stream->time_base);
            AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
            if (swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_FLT, AudioSink::kRate,
                    &codec.ctx->ch_layout, codec.ctx->sample_fmt, codec.ctx->sample_rate, 0,
                    nullptr)
                    < 0
                || swr_init(swr) < 0)
                break;
        }
        if (packet.kind == Packet::Flush) {
            avcodec_flush_buffers(codec.ctx);
            _sink->flush(packet.serial);
            serial = packet.serial;
            continue;
        }
        if (packet.serial != serial || packet.kind != Packet::Data)
            continue;
        if (avcodec_send_packet(codec.ctx, packet.packet.get()) < 0)
            continue;
        while (avcodec_receive_frame(codec.ctx, frame) >= 0) {
            const double pts = frame->best_effort_timestamp == AV_NOPTS_VALUE
                ? 0
                : double(frame->best_effort_timestamp) * tb;
            const int maxOut = swr_get_out_samples(swr, frame->nb_samples);
            buffer.resize(size_t(std::max(0, maxOut)) * AudioSink::kChannels);
            uint8_t *out[1] = {reinterpret_cast<uint8_t *>(buffer.data())};
            // extended_data: planar sound of more than eight channels has
            // its planes there only.
            const int n = swr_convert(swr, out, maxOut,
                const_cast<const uint8_t **>(frame->extended_data), frame->nb_samples);
            av_frame_unref(frame);
            if (n > 0 && !isStale(serial) && !_sink->write(serial, pts, buffer.data(), n))
                break;
        }
    }
    swr_free(&swr);
    av_frame_free(&frame);
}

// ---------------------------------------------------------------- presenter

void PlaybackSession::updateClockMirror()
{
    // Called with the link mutex held.
    if (!_sink || !_link->clock)
        return;
    const qint64 now = nowNs();
    _sink->setClock(_link->clock->value(), now, _link->clock->speed(),
        _link->clock->isActive() && !_link->paused);
}

void PlaybackSession::presenterLoop()
{
    struct Done {
        std::atomic<int> &n;
        ~Done() { --n; }
    } done{_running};

    const double frameDuration = _setup.info.frameDuration;
    auto present = [&](const VideoFrame &frame) {
        // Link mutex held.
        for (VideoRenderer *r : _link->outputs)
            r->receive(frame);
        _link->presented = frame;
        _link->presentedMs = frame.ptsMs();
        ++_link->presentedCount;
    };

    // The serial of a target on screen whose clock waits for the decoder's
    // lead (-1: none), and since when.
    int leadSerial = -1;
    qint64 leadSinceNs = 0;
    auto haveLead = [&](int serial) {
        size_t ahead = 0;
        Frame f;
        while (ahead < kLeadFrames && _frames.peek(ahead, &f) && f.serial == serial) {
            if (f.eof)
                return true;
            ++ahead;
        }
        return ahead >= kLeadFrames;
    };

    while (!_aborted.load()) {
        quint64 seq;
        {
            std::lock_guard lock(_wakeMutex);
            seq = _wakeSeq;
        }
        if (leadSerial >= 0) {
            std::unique_lock lock(_link->mutex);
            if (!_link->player || _link->activeSession != _setup.id || _aborted.load())
                break;
            if (isStale(leadSerial)) {
                leadSerial = -1; // a newer seek holds the clock afresh
                continue;
            }
            const double waited = double(nowNs() - leadSinceNs) / 1e9;
            if (_link->paused || haveLead(leadSerial) || waited >= kMaxLeadWait) {
                _link->clock->releaseSeekHold(leadSerial);
                lock.unlock();
                report(SessionEvent::TargetShown, leadSerial);
                leadSerial = -1;
                continue;
            }
            lock.unlock();
            waitWake(seq, kMaxWait, kMaxWait);
            continue;
        }
        Frame item;
        if (!_frames.peek(0, &item)) {
            _frames.waitNotEmpty(std::chrono::milliseconds(qint64(kMaxIdleWait * 1000)));
            continue;
        }
        if (item.serial != _serial.load()) {
            // From before a seek. Only older serials go: a newer seek's
            // target may already stand at the front.
            const int current = _serial.load();
            _frames.removeIf([current](const Frame &f) { return f.serial < current; });
            continue;
        }
        if (presenterPausedForTests)
            presenterPausedForTests();
        std::unique_lock lock(_link->mutex);
        if (!_link->player || _link->activeSession != _setup.id || _aborted.load())
            break;
        // A seek between the look at the queue and the lock has cleared the
        // queue: look again.
        if (item.serial != _serial.load())
            continue;
        AVClock *clock = _link->clock;
        updateClockMirror();
        if (item.target) {
            // A seek target (or the first frame): shown at once, paused or not.
            _frames.dropFront();
            if (item.frame.isValid()) // none when the seek went past the last frame there is
                present(item.frame);
            // A secondary player's clock stays at a seek's target until the
            // main player's seekFinished gives every clock the shared value
            // (AVPlayer lets it go later if none comes): run on from its own
            // target, it would be ahead of a main player still decoding
            // towards the same target. Serial 1 is the first frame of play().
            // A main player that seeks while playing lets its clock (and the
            // seekFinished that aligns the others) go once the decoder is
            // ahead again.
            if (!_link->secondary && item.serial > 1 && !_link->paused && !clock->isPaused()) {
                leadSerial = item.serial;
                leadSinceNs = nowNs();
                continue;
            }
            if (!_link->secondary || item.serial == 1)
                clock->releaseSeekHold(item.serial);
            lock.unlock();
            report(SessionEvent::TargetShown, item.serial);
            continue;
        }
        if (_link->paused) {
            lock.unlock();
            waitWake(seq, kMaxIdleWait, kMaxIdleWait);
            continue;
        }
        const double now = clock->value();
        const double speed = std::max(0.01, clock->speed());
        if (item.eof) {
            const double end = _stopSeconds.load();
            if (end > 0 && now + kEpsilon < end && clock->isActive()) {
                lock.unlock();
                waitWake(seq, (end - now) / speed, kMaxWait);
                continue;
            }
            if (end > 0 && now + kEpsilon < end) { // clock stands: wait for it
                lock.unlock();
                waitWake(seq, kMaxWait, kMaxWait);
                continue;
            }
            _frames.dropFront();
            if (_link->endAction == MediaEndAction_Default)
                for (VideoRenderer *r : _link->outputs)
                    r->receive(VideoFrame());
            lock.unlock();
            report(SessionEvent::EndReached, 0);
            continue;
        }
        const double pts = item.frame.pts();
        if (pts > now + kEpsilon) {
            lock.unlock();
            waitWake(seq, (pts - now) / speed, kMaxDueWait);
            continue;
        }
        // Due. Late frames go: when the next one is due too, or when this one's
        // time (one shown frame, longer with the frame skip) has passed.
        Frame next;
        const bool nextDue = _frames.peek(1, &next) && next.serial == item.serial && !next.eof
            && !next.target && next.frame.pts() <= now + kEpsilon;
        const double lateLimit = frameDuration * std::max(1, frameSkip());
        if (nextDue || now - pts > lateLimit) {
            _frames.dropFront();
            ++_link->late;
            continue;
        }
        _frames.dropFront();
        present(item.frame);
        const bool post = !_link->positionPosted;
        _link->positionPosted = true;
        lock.unlock();
        if (post)
            report(SessionEvent::FramePresented, 0);
    }
}

} // namespace kvm
