#include "audiosink.h"

#include "timesource.h"

#include <QtDebug>

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

namespace kvm
{

namespace
{

int paCallback(const void *, void *output, unsigned long frames, const PaStreamCallbackTimeInfo *,
    PaStreamCallbackFlags, void *user)
{
    static_cast<AudioSink *>(user)->fill(static_cast<float *>(output), frames);
    return paContinue;
}

constexpr double kTolerance = 0.040; // seconds

} // namespace

AudioSink::AudioSink(std::shared_ptr<AudioOutput::Levels> levels) : _levels(std::move(levels))
{
}

AudioSink::~AudioSink()
{
    close();
}

bool AudioSink::open()
{
    if (!AudioOutput::deviceAvailable())
        return false;
    PaStream *stream = nullptr;
    // Keep ALSA's complaints about unusable devices out of the log.
    fflush(stderr);
    const int saved = dup(2);
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, 2);
        ::close(null);
    }
    PaError err
        = Pa_OpenDefaultStream(&stream, 0, kChannels, paFloat32, kRate, 1024, paCallback, this);
    if (err == paNoError)
        err = Pa_StartStream(stream);
    fflush(stderr);
    if (saved >= 0) {
        dup2(saved, 2);
        ::close(saved);
    }
    if (err != paNoError) {
        qInfo() << "sound output unavailable (" << Pa_GetErrorText(err)
                << "): playing without sound"
                << "[" << Q_FUNC_INFO << __LINE__ << "]";
        if (stream)
            Pa_CloseStream(stream);
        return false;
    }
    _stream = stream;
    return true;
}

void AudioSink::close()
{
    abort();
    if (_stream) {
        Pa_AbortStream(static_cast<PaStream *>(_stream));
        Pa_CloseStream(static_cast<PaStream *>(_stream));
        _stream = nullptr;
    }
}

bool AudioSink::write(int serial, double pts, const float *samples, int frames)
{
    std::unique_lock lock(_mutex);
    _space.wait(lock,
        [this, serial] { return _aborted || serial < _serial || _bufferedFrames < size_t(kRate); });
    if (_aborted)
        return false;
    if (serial < _serial)
        return true; // from before the last seek: not to be heard
    Chunk c;
    c.pts = pts;
    c.samples.assign(samples, samples + size_t(frames) * kChannels);
    _chunks.push_back(std::move(c));
    _bufferedFrames += size_t(frames);
    return true;
}

void AudioSink::flush(int serial)
{
    std::lock_guard lock(_mutex);
    if (serial < _serial)
        return;
    _serial = serial;
    _chunks.clear();
    _bufferedFrames = 0;
    _space.notify_all();
}

int AudioSink::serial() const
{
    std::lock_guard lock(_mutex);
    return _serial;
}

size_t AudioSink::bufferedFrames() const
{
    std::lock_guard lock(_mutex);
    return _bufferedFrames;
}

void AudioSink::abort()
{
    std::lock_guard lock(_mutex);
    _aborted = true;
    _chunks.clear();
    _bufferedFrames = 0;
    _space.notify_all();
}

void AudioSink::setClock(double value, qint64 atNs, double speed, bool running)
{
    std::lock_guard lock(_mutex);
    _clock = value;
    _clockNs = atNs;
    _speed = speed;
    _running = running;
}

void AudioSink::fill(float *out, unsigned long frames)
{
    std::memset(out, 0, frames * kChannels * sizeof(float));
    const double volume = _levels ? _levels->volume.load() : 1.0;
    const bool mute = _levels ? _levels->mute.load() : false;
    std::lock_guard lock(_mutex);
    const double now = _running ? _clock + double(nowNs() - _clockNs) * 1e-9 * _speed : _clock;
    const bool audible = _running && !mute && std::abs(_speed - 1.0) < 0.01;
    unsigned long done = 0;
    while (!_chunks.empty() && done < frames) {
        Chunk &c = _chunks.front();
        const size_t total = c.samples.size() / kChannels;
        const double headPts = c.pts + double(c.offset) / kRate;
        const double want = now + double(done) / kRate;
        if (headPts < want - kTolerance || !audible) {
            // Behind the clock (or not to be heard): drop up to the clock.
            size_t drop = total - c.offset;
            if (audible || headPts < want) {
                const double behind = want - headPts;
                drop = std::min(drop, size_t(std::max(1.0, behind * kRate)));
            } else {
                break; // ahead of a silent clock: keep for later
            }
            c.offset += drop;
            _bufferedFrames -= drop;
        } else if (headPts > want + kTolerance) {
            break; // ahead: silence until the clock gets there
        } else {
            const size_t n = std::min(total - c.offset, size_t(frames - done));
            const float *src = c.samples.data() + c.offset * kChannels;
            float *dst = out + done * kChannels;
            for (size_t i = 0; i < n * kChannels; ++i)
                dst[i] = std::clamp(float(src[i] * volume), -1.0f, 1.0f);
            c.offset += n;
            done += n;
            _bufferedFrames -= n;
        }
        if (c.offset >= total)
            _chunks.pop_front();
    }
    _space.notify_all();
}

} // namespace kvm
