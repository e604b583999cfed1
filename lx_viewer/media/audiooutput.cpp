#include "audiooutput.h"

#include <QtDebug>

#include <mutex>

#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

namespace kvm
{

namespace
{

std::once_flag g_probeOnce;
bool g_available = false;
bool g_forceNone = false;

// ALSA and JACK print dozens of lines on stderr while PortAudio looks for
// devices: keep them out of the viewer's log.
class StderrSilencer
{
public:
    StderrSilencer()
    {
        fflush(stderr);
        _saved = dup(2);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 2);
            close(null);
        }
    }
    ~StderrSilencer()
    {
        fflush(stderr);
        if (_saved >= 0) {
            dup2(_saved, 2);
            close(_saved);
        }
    }

private:
    int _saved = -1;
};

void probe()
{
    if (g_forceNone) {
        qInfo() << "no sound device: playing without sound"
                << "[" << Q_FUNC_INFO << __LINE__ << "]";
        return;
    }
    PaError err;
    int devices = 0;
    PaDeviceIndex output = paNoDevice;
    {
        StderrSilencer quiet;
        setenv("JACK_NO_START_SERVER", "1", 0);
        err = Pa_Initialize();
        if (err == paNoError) {
            devices = Pa_GetDeviceCount();
            output = Pa_GetDefaultOutputDevice();
        }
    }
    if (err != paNoError) {
        qInfo() << "no sound device (" << Pa_GetErrorText(err) << "): playing without sound"
                << "[" << Q_FUNC_INFO << __LINE__ << "]";
        return;
    }
    if (devices <= 0 || output == paNoDevice) {
        qInfo() << "no sound device: playing without sound"
                << "[" << Q_FUNC_INFO << __LINE__ << "]";
        return;
    }
    g_available = true;
}

} // namespace

AudioOutput::AudioOutput(QObject *parent) : QObject(parent), _levels(std::make_shared<Levels>())
{
}

AudioOutput::~AudioOutput() = default;

void AudioOutput::setVolume(qreal volume)
{
    if (volume < 0)
        volume = 0;
    if (_levels->volume.exchange(volume) != volume)
        emit volumeChanged(volume);
}

qreal AudioOutput::volume() const
{
    return _levels->volume.load();
}

void AudioOutput::setMute(bool mute)
{
    if (_levels->mute.exchange(mute) != mute)
        emit muteChanged(mute);
}

bool AudioOutput::isMute() const
{
    return _levels->mute.load();
}

bool AudioOutput::deviceAvailable()
{
    std::call_once(g_probeOnce, probe);
    return g_available;
}

void AudioOutput::forceNoDeviceForTests()
{
    g_forceNone = true;
}

} // namespace kvm
