#pragma once
// The sound stream of one running player: a PortAudio output stream fed from
// a ring of decoded, time-stamped PCM (stereo float, 48 kHz). The callback
// follows the player's clock (a mirror the presenter thread keeps fresh):
// sound more than 40 ms behind the clock is dropped, silence is played while
// the next sound lies more than 40 ms ahead, and nothing but silence is
// played while paused, muted or away from 1x speed. Internal.
//
// Sound belongs to a seek serial. A seek flushes the sink with its new
// serial at once (from the thread that seeks): what is buffered goes, and a
// write of an older serial, waiting for room or not, is dropped. Otherwise
// a seek back left a full buffer of sound from ahead of the clock, which is
// never played, so the decoder waited for room for ever and stayed silent.
//
// Thread: write() on the audio decoder thread, flush() there and on the
// thread that seeks, setClock() on the presenter thread, the callback on
// PortAudio's thread; all guarded by _mutex. open()/close() on the thread
// that owns the session.

#include "audiooutput.h"

#include <QtGlobal>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace kvm
{

class AudioSink
{
public:
    static constexpr int kRate = 48000;
    static constexpr int kChannels = 2;

    explicit AudioSink(std::shared_ptr<AudioOutput::Levels> levels);
    ~AudioSink();

    bool open();
    void close();

    // Appends interleaved samples of seek serial `serial` starting at pts
    // seconds; waits while more than a second is buffered. Sound of an
    // older serial than the last flush is dropped. False when aborted.
    bool write(int serial, double pts, const float *samples, int frames);
    // Drops what is buffered and wakes a waiting write; from now on only
    // sound of serial (or a later one) is taken. A flush of an older serial
    // than the last one does nothing.
    void flush(int serial);
    int serial() const;
    size_t bufferedFrames() const;
    void abort();
    void setClock(double value, qint64 atNs, double speed, bool running);

    // The PortAudio callback's work (public for the C callback).
    void fill(float *out, unsigned long frames);

private:
    struct Chunk {
        double pts = 0;
        std::vector<float> samples;
        size_t offset = 0; // in frames
    };

    std::shared_ptr<AudioOutput::Levels> _levels;
    void *_stream = nullptr;

    // --- guarded by _mutex
    mutable std::mutex _mutex;
    std::condition_variable _space;
    std::deque<Chunk> _chunks;
    size_t _bufferedFrames = 0;
    bool _aborted = false;
    double _clock = 0;
    qint64 _clockNs = 0;
    double _speed = 1;
    bool _running = false;
    int _serial = -1;
};

} // namespace kvm
