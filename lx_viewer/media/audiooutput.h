#pragma once
// The sound of one player, played through PortAudio.
//
// The player's audio decoder writes PCM (stereo float at the output rate)
// with its time stamps into a ring buffer; the PortAudio callback pulls it,
// following the player's clock: samples more than 40 ms behind the clock are
// dropped, and silence is played while the next samples lie more than 40 ms
// ahead. Away from 1x speed, while paused and when muted it plays silence
// (the player above mutes at other speeds, so no time-stretching is done).
//
// With no sound device (a headless box, CI) the layer says so once in the
// log and plays silently; the clock is not affected (audio never drives it),
// and the players do not decode sound at all.
//
// Thread: setVolume/volume/setMute/isMute from the GUI thread (atomics, so
// the callback reads them safely); the ring buffer is written by the audio
// decoder thread and read by the PortAudio callback.

#include <QObject>

#include <atomic>
#include <memory>

namespace kvm
{

class AudioOutput : public QObject
{
    Q_OBJECT
public:
    explicit AudioOutput(QObject *parent = nullptr);
    ~AudioOutput() override;

    // 0..1 (values above 1 amplify, clipped at full scale).
    void setVolume(qreal volume);
    qreal volume() const;
    void setMute(bool mute);
    bool isMute() const;

    // True when the process has a sound device that PortAudio can open.
    // The first call probes (with ALSA's and JACK's chatter kept off the
    // log) and logs once when there is none. Any thread.
    static bool deviceAvailable();
    // Tests: pretend there is no device (before the first probe).
    static void forceNoDeviceForTests();

    // --- used by the player's sound path (any thread): the levels outlive
    // this object while a sound stream still runs.
    struct Levels {
        std::atomic<double> volume{1.0};
        std::atomic<bool> mute{false};
    };
    std::shared_ptr<Levels> levels() const { return _levels; }

signals:
    void volumeChanged(qreal volume);
    void muteChanged(bool mute);

private:
    std::shared_ptr<Levels> _levels;
};

} // namespace kvm
