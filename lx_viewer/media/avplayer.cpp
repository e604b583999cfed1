// Placeholder implementation: the public interface compiles and renderers can
// be attached; playback follows in the next step.
#include "avplayer.h"

#include "audiooutput.h"
#include "avfilter.h"
#include "videocapture.h"
#include "videorenderer.h"

#include <mutex>

namespace kvm
{

struct AVPlayer::Private {
    QString file;
    MediaStatus status = NoMedia;
    State state = StoppedState;
    SeekType seekType = AccurateSeek;
    MediaEndAction endAction = MediaEndAction_Default;
    bool relative = true;
    bool secondary = false;
    quint64 fixed = 0;
    qreal speed = 1.0;
    AVClock *clock = nullptr;
    AudioOutput *audio = nullptr;
    VideoCapture *capture = nullptr;
    std::mutex outputMutex;
    QList<VideoRenderer *> outputs;
    QList<LibAVFilterVideo *> filters;
};

AVPlayer::AVPlayer(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    d->clock = new AVClock(AVClock::ExternalClock, this);
    d->audio = new AudioOutput(this);
    d->capture = new VideoCapture(this);
}

AVPlayer::~AVPlayer()
{
    clearVideoRenderers();
    for (LibAVFilterVideo *f : d->filters)
        f->uninstall();
}

void AVPlayer::setFile(const QString &path)
{
    d->file = path;
}
QString AVPlayer::file() const
{
    return d->file;
}
bool AVPlayer::load()
{
    return false;
}
bool AVPlayer::isLoaded() const
{
    return false;
}
MediaStatus AVPlayer::mediaStatus() const
{
    return d->status;
}
void AVPlayer::play()
{
}
void AVPlayer::pause(bool)
{
}
void AVPlayer::togglePause()
{
}
void AVPlayer::stop()
{
}
AVPlayer::State AVPlayer::state() const
{
    return d->state;
}
bool AVPlayer::isPlaying() const
{
    return d->state != StoppedState;
}
bool AVPlayer::isPaused() const
{
    return d->state == PausedState;
}
void AVPlayer::seek(qint64)
{
}
void AVPlayer::setPosition(qint64 ms)
{
    seek(ms);
}
void AVPlayer::setSeekType(SeekType type)
{
    d->seekType = type;
}
SeekType AVPlayer::seekType() const
{
    return d->seekType;
}
void AVPlayer::setSpeed(qreal speed)
{
    d->speed = speed;
}
qreal AVPlayer::speed() const
{
    return d->speed;
}
void AVPlayer::setMediaEndAction(MediaEndAction action)
{
    d->endAction = action;
}
MediaEndAction AVPlayer::mediaEndAction() const
{
    return d->endAction;
}
void AVPlayer::setRelativeTimeMode(bool relative)
{
    d->relative = relative;
}
bool AVPlayer::relativeTimeMode() const
{
    return d->relative;
}
qint64 AVPlayer::position() const
{
    return 0;
}
qint64 AVPlayer::duration() const
{
    return 0;
}
qint64 AVPlayer::mediaStartPosition() const
{
    return 0;
}
qint64 AVPlayer::mediaStopPosition() const
{
    return 0;
}
void AVPlayer::setFixedDuration(quint64 ms)
{
    d->fixed = ms;
}
quint64 AVPlayer::fixedDuration() const
{
    return d->fixed;
}
void AVPlayer::setSecondary(bool secondary)
{
    d->secondary = secondary;
}
bool AVPlayer::isSecondary() const
{
    return d->secondary;
}
AVClock *AVPlayer::masterClock() const
{
    return d->clock;
}
AudioOutput *AVPlayer::audio() const
{
    return d->audio;
}

void AVPlayer::setRenderer(VideoRenderer *renderer)
{
    clearVideoRenderers();
    addVideoRenderer(renderer);
}

VideoRenderer *AVPlayer::renderer() const
{
    std::lock_guard lock(d->outputMutex);
    return d->outputs.value(0);
}

void AVPlayer::addVideoRenderer(VideoRenderer *renderer)
{
    if (!renderer)
        return;
    if (renderer->player() && renderer->player() != this)
        renderer->detachFromPlayer();
    std::lock_guard lock(d->outputMutex);
    if (!d->outputs.contains(renderer)) {
        d->outputs.append(renderer);
        renderer->setPlayer(this);
    }
}

void AVPlayer::removeVideoRenderer(VideoRenderer *renderer)
{
    std::lock_guard lock(d->outputMutex);
    if (d->outputs.removeAll(renderer) > 0)
        renderer->setPlayer(nullptr);
}

void AVPlayer::clearVideoRenderers()
{
    std::lock_guard lock(d->outputMutex);
    for (VideoRenderer *r : d->outputs)
        r->setPlayer(nullptr);
    d->outputs.clear();
}

QList<VideoRenderer *> AVPlayer::videoOutputs() const
{
    std::lock_guard lock(d->outputMutex);
    return d->outputs;
}

VideoCapture *AVPlayer::videoCapture() const
{
    return d->capture;
}
QList<LibAVFilterVideo *> AVPlayer::videoFilters() const
{
    return d->filters;
}
QSize AVPlayer::videoSize() const
{
    return QSize();
}
double AVPlayer::frameRate() const
{
    return 0;
}
bool AVPlayer::hasAudio() const
{
    return false;
}
VideoFrame AVPlayer::presentedFrame() const
{
    return VideoFrame();
}
AVPlayer::Statistics AVPlayer::statistics() const
{
    return Statistics();
}

void AVPlayer::installFilter(LibAVFilterVideo *filter)
{
    if (!d->filters.contains(filter))
        d->filters.append(filter);
}

void AVPlayer::uninstallFilter(LibAVFilterVideo *filter)
{
    d->filters.removeAll(filter);
}
void AVPlayer::filterOptionsChanged()
{
}
void AVPlayer::detachRenderer(VideoRenderer *renderer)
{
    removeVideoRenderer(renderer);
}

} // namespace kvm
