#include "avplayer.h"

#include "audiooutput.h"
#include "avfilter.h"
#include "mediasource.h"
#include "session.h"
#include "videocapture.h"
#include "videorenderer.h"

#include <QMetaObject>
#include <QTimer>
#include <QtDebug>

#include <algorithm>
#include <cmath>
#include <thread>

namespace kvm
{

namespace
{
// How long a secondary player's clock waits at a seek target for the
// clock value of the main player's seekFinished.
constexpr int kSecondaryHoldMs = 1000;
} // namespace

struct AVPlayer::Private {
    std::shared_ptr<PlayerLink> link = std::make_shared<PlayerLink>();

    // --- GUI thread only
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
    QList<LibAVFilterVideo *> filters;

    bool loaded = false;
    MediaInfo info;
    std::shared_ptr<MediaSource> media; // opened by load(), used by the next play()
    quint64 loadGeneration = 0;
    bool playOnLoad = false;

    std::shared_ptr<PlaybackSession> session;
    quint64 nextSessionId = 1;
    std::vector<std::shared_ptr<PlaybackSession>> retired;
    QTimer *reaper = nullptr;

    qint64 positionMs = 0; // absolute (stream time)
    bool seeking = false;
    int seekSerial = 0;
    qint64 seekTargetMs = 0;
    bool firstFrameSent = false;
};

AVPlayer::AVPlayer(QObject *parent) : QObject(parent), d(std::make_unique<Private>())
{
    qRegisterMetaType<kvm::MediaStatus>();
    qRegisterMetaType<kvm::AVError>();
    qRegisterMetaType<kvm::AVPlayer::State>();
    d->clock = new AVClock(AVClock::ExternalClock, this);
    d->audio = new AudioOutput(this);
    d->capture = new VideoCapture(this);
    d->reaper = new QTimer(this);
    d->reaper->setInterval(50);
    connect(d->reaper, &QTimer::timeout, this, &AVPlayer::reapSessions);
    std::lock_guard lock(d->link->mutex);
    d->link->player = this;
    d->link->clock = d->clock;
}

AVPlayer::~AVPlayer()
{
    stop();
    {
        std::lock_guard lock(d->link->mutex);
        d->link->player = nullptr;
        d->link->clock = nullptr;
        for (VideoRenderer *r : std::as_const(d->link->outputs))
            r->setPlayer(nullptr);
        d->link->outputs.clear();
    }
    const QList<LibAVFilterVideo *> filters = d->filters;
    for (LibAVFilterVideo *f : filters)
        f->uninstall();
    // The threads were told to finish at stop(); they do within a frame.
    for (auto &s : d->retired)
        s->join();
    d->retired.clear();
}

// ---------------------------------------------------------------- media

void AVPlayer::setFile(const QString &path)
{
    if (path == d->file)
        return;
    stop();
    d->file = path;
    d->loaded = false;
    d->media.reset();
    d->info = MediaInfo();
    ++d->loadGeneration; // a load still running for the old path is ignored
    d->playOnLoad = false;
    d->positionMs = 0;
    forgetPicture();
    setStatus(NoMedia);
}

void AVPlayer::forgetPicture()
{
    // The last file's picture is not this file's: a renderer attached now
    // (a swap, or the role change of the next recording) or a capture must
    // not be given it.
    std::lock_guard lock(d->link->mutex);
    d->link->presented = VideoFrame();
    d->link->presentedMs = 0;
}

QString AVPlayer::file() const
{
    return d->file;
}

bool AVPlayer::load()
{
    if (d->file.isEmpty()) {
        setStatus(NoMedia);
        return false;
    }
    stop();
    d->loaded = false;
    d->media.reset();
    d->firstFrameSent = false;
    d->positionMs = 0;
    forgetPicture();
    const quint64 generation = ++d->loadGeneration;
    setStatus(LoadingMedia);
    std::shared_ptr<PlayerLink> link = d->link;
    const QString path = d->file;
    std::thread([link, generation, path] {
        AVError error;
        std::shared_ptr<MediaSource> media(MediaSource::open(path, &error).release());
        // Probe the sound device here, off the GUI thread (ALSA takes its time).
        if (media && media->info().hasAudio)
            AudioOutput::deviceAvailable();
        std::lock_guard lock(link->mutex);
        if (AVPlayer *p = link->player)
            QMetaObject::invokeMethod(
                p, [p, generation, media, error] { p->loadDone(generation, media, error); },
                Qt::QueuedConnection);
    }).detach();
    return true;
}

void AVPlayer::loadDone(
    quint64 generation, std::shared_ptr<MediaSource> media, const AVError &error)
{
    if (generation != d->loadGeneration)
        return;
    if (!media) {
        qWarning() << "cannot load" << d->file << error.string() << "[" << Q_FUNC_INFO << __LINE__
                   << "]";
        d->playOnLoad = false;
        emit this->error(error);
        setStatus(InvalidMedia);
        return;
    }
    d->media = media;
    d->info = media->info();
    d->loaded = true;
    d->positionMs = d->info.startMs;
    emit durationChanged(duration());
    setStatus(LoadedMedia);
    emit loaded();
    if (d->playOnLoad && generation == d->loadGeneration) {
        d->playOnLoad = false;
        play();
    }
}

bool AVPlayer::isLoaded() const
{
    return d->loaded;
}

MediaStatus AVPlayer::mediaStatus() const
{
    return d->status;
}

void AVPlayer::setStatus(MediaStatus status)
{
    if (status == d->status)
        return;
    d->status = status;
    emit mediaStatusChanged(status);
}

void AVPlayer::setState(State state)
{
    if (state == d->state)
        return;
    d->state = state;
    emit stateChanged(state);
}

// ---------------------------------------------------------------- transport

void AVPlayer::play()
{
    if (d->state == PausedState) {
        pause(false);
        return;
    }
    if (d->state == PlayingState)
        return;
    if (!d->loaded) {
        if (d->file.isEmpty())
            return;
        // After load(), which stops (and so forgets a pending play) first.
        if (d->status != LoadingMedia)
            load();
        d->playOnLoad = true;
        return;
    }
    const quint64 id = d->nextSessionId++;
    PlaybackSession::Setup setup;
    setup.id = id;
    setup.path = d->file;
    setup.media = std::move(d->media);
    setup.info = d->info;
    setup.startSeconds = double(d->info.startMs) / 1000.0;
    setup.stopSeconds = stopSeconds();
    setup.withAudio = d->info.hasAudio && AudioOutput::deviceAvailable();
    setup.levels = d->audio->levels();
    std::shared_ptr<PlayerLink> link = d->link;
    setup.report = [link](quint64 session, SessionEvent kind, qint64 value, const AVError &e) {
        std::lock_guard lock(link->mutex);
        AVPlayer *p = link->player;
        if (!p || link->activeSession != session)
            return;
        QMetaObject::invokeMethod(
            p, [p, session, kind, value, e] { p->sessionEvent(session, int(kind), value, e); },
            Qt::QueuedConnection);
    };
    {
        std::lock_guard lock(d->link->mutex);
        d->link->activeSession = id;
        d->link->paused = false;
        d->link->positionPosted = false;
        d->link->secondary = d->secondary;
        d->link->endAction = d->endAction;
    }
    d->session = std::make_shared<PlaybackSession>(d->link, std::move(setup));
    d->seeking = false;
    d->positionMs = d->info.startMs;
    d->clock->reset();
    d->clock->setSpeed(d->speed);
    d->clock->holdForSeek(double(d->info.startMs) / 1000.0, 1);
    d->clock->start();
    d->session->start(double(d->info.startMs) / 1000.0, true);
    setState(PlayingState);
    setStatus(BufferingMedia);
    emit started();
}

void AVPlayer::pause(bool p)
{
    if (d->state == StoppedState || p == (d->state == PausedState))
        return;
    {
        // Taken while the presenter is not presenting: once this returns no
        // further frame is shown until the pause ends (seek targets apart).
        std::lock_guard lock(d->link->mutex);
        d->link->paused = p;
        // The position is that of the frame on screen, even when the report
        // of its presentation is still on its way: the core seeks to the
        // position on a pause, which must not step back a frame.
        if (p && !d->seeking && d->firstFrameSent && d->link->presented.isValid())
            d->positionMs = d->link->presentedMs;
    }
    d->clock->pause(p);
    d->session->wake();
    setState(p ? PausedState : PlayingState);
    emit paused(p);
}

void AVPlayer::togglePause()
{
    pause(!isPaused());
}

void AVPlayer::stop()
{
    d->playOnLoad = false;
    if (d->state == StoppedState)
        return;
    {
        std::lock_guard lock(d->link->mutex);
        d->link->activeSession = 0;
        d->link->paused = false;
    }
    d->session->abort();
    d->retired.push_back(std::move(d->session));
    d->session.reset();
    d->reaper->start();
    d->clock->reset();
    d->seeking = false;
    setState(StoppedState);
    // Queued, as it would come from the finishing threads.
    QTimer::singleShot(0, this, [this] { emit stopped(); });
}

void AVPlayer::reapSessions()
{
    // Sessions still running first, the finished ones (intact) behind them.
    auto done = std::stable_partition(
        d->retired.begin(), d->retired.end(), [](const auto &s) { return !s->finished(); });
    std::vector<std::shared_ptr<PlaybackSession>> finished(
        std::make_move_iterator(done), std::make_move_iterator(d->retired.end()));
    d->retired.erase(done, d->retired.end());
    for (auto &s : finished)
        s->join(); // already finished: returns at once
    if (d->retired.empty())
        d->reaper->stop();
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

void AVPlayer::seek(qint64 ms)
{
    if (d->state == StoppedState || !d->session) {
        qInfo() << "seek ignored: not playing" << d->file << "[" << Q_FUNC_INFO << __LINE__ << "]";
        return;
    }
    qint64 target = d->relative ? ms + d->info.startMs : ms;
    const qint64 stop = stopAbsMs();
    target = std::max(target, d->info.startMs);
    if (stop > d->info.startMs)
        target = std::min(target, stop - 1);
    const int serial = d->session->serial() + 1;
    d->clock->holdForSeek(double(target) / 1000.0, serial);
    d->session->requestSeek(double(target) / 1000.0, d->seekType == AccurateSeek);
    d->seeking = true;
    d->seekSerial = serial;
    d->seekTargetMs = target;
    d->positionMs = target;
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
    if (!(speed > 0))
        return;
    d->speed = speed;
    d->clock->setSpeed(speed);
    if (d->session)
        d->session->wake();
}

qreal AVPlayer::speed() const
{
    return d->speed;
}

void AVPlayer::setMediaEndAction(MediaEndAction action)
{
    d->endAction = action;
    std::lock_guard lock(d->link->mutex);
    d->link->endAction = action;
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

qint64 AVPlayer::toReported(qint64 absMs) const
{
    return d->relative ? absMs - d->info.startMs : absMs;
}

bool AVPlayer::isSeeking() const
{
    return d->seeking;
}

qint64 AVPlayer::position() const
{
    return toReported(d->positionMs);
}

qint64 AVPlayer::duration() const
{
    const qint64 file = d->info.durationMs;
    if (d->fixed > 0 && (file <= 0 || qint64(d->fixed) < file))
        return qint64(d->fixed);
    return file;
}

double AVPlayer::stopSeconds() const
{
    // Without a length (a stream that does not say) there is no stop: the
    // start time alone would end a file that starts after 0 at its first
    // frame.
    return duration() > 0 ? double(stopAbsMs()) / 1000.0 : 0.0;
}

qint64 AVPlayer::stopAbsMs() const
{
    return d->info.startMs + duration();
}

qint64 AVPlayer::mediaStartPosition() const
{
    return toReported(d->info.startMs);
}

qint64 AVPlayer::mediaStopPosition() const
{
    return toReported(stopAbsMs());
}

// ---------------------------------------------------------------- additions

void AVPlayer::setFixedDuration(quint64 ms)
{
    if (ms == d->fixed)
        return;
    d->fixed = ms;
    if (d->session)
        d->session->setStopSeconds(stopSeconds());
    emit durationChanged(duration());
}

quint64 AVPlayer::fixedDuration() const
{
    return d->fixed;
}

void AVPlayer::setSecondary(bool secondary)
{
    d->secondary = secondary;
    std::lock_guard lock(d->link->mutex);
    d->link->secondary = secondary;
}

bool AVPlayer::isSecondary() const
{
    return d->secondary;
}

AVClock *AVPlayer::masterClock() const
{
    return d->clock;
}

void AVPlayer::alignClock(const AVClock &positions)
{
    d->clock->updateExternalClock(positions, d->relative ? double(d->info.startMs) / 1000.0 : 0.0);
}

AudioOutput *AVPlayer::audio() const
{
    return d->audio;
}

// ---------------------------------------------------------------- outputs

void AVPlayer::setRenderer(VideoRenderer *renderer)
{
    clearVideoRenderers();
    addVideoRenderer(renderer);
}

VideoRenderer *AVPlayer::renderer() const
{
    std::lock_guard lock(d->link->mutex);
    return d->link->outputs.value(0);
}

void AVPlayer::addVideoRenderer(VideoRenderer *renderer)
{
    if (!renderer)
        return;
    AVPlayer *other = renderer->player();
    if (other == this)
        return;
    if (other)
        other->detachRenderer(renderer);
    std::lock_guard lock(d->link->mutex);
    d->link->outputs.append(renderer);
    renderer->setPlayer(this);
    // The picture on show goes to the new output at once.
    if (d->link->presented.isValid())
        renderer->receive(d->link->presented);
}

void AVPlayer::removeVideoRenderer(VideoRenderer *renderer)
{
    detachRenderer(renderer);
}

void AVPlayer::detachRenderer(VideoRenderer *renderer)
{
    std::lock_guard lock(d->link->mutex);
    if (d->link->outputs.removeAll(renderer) > 0)
        renderer->setPlayer(nullptr);
}

void AVPlayer::clearVideoRenderers()
{
    std::lock_guard lock(d->link->mutex);
    for (VideoRenderer *r : std::as_const(d->link->outputs))
        r->setPlayer(nullptr);
    d->link->outputs.clear();
}

QList<VideoRenderer *> AVPlayer::videoOutputs() const
{
    std::lock_guard lock(d->link->mutex);
    return d->link->outputs;
}

VideoCapture *AVPlayer::videoCapture() const
{
    return d->capture;
}

QList<LibAVFilterVideo *> AVPlayer::videoFilters() const
{
    return d->filters;
}

void AVPlayer::installFilter(LibAVFilterVideo *filter)
{
    if (!d->filters.contains(filter))
        d->filters.append(filter);
    syncFilters();
}

void AVPlayer::uninstallFilter(LibAVFilterVideo *filter)
{
    d->filters.removeAll(filter);
    syncFilters();
}

void AVPlayer::filterOptionsChanged()
{
    syncFilters();
}

void AVPlayer::syncFilters()
{
    std::vector<PlayerLink::FilterEntry> entries;
    for (LibAVFilterVideo *f : std::as_const(d->filters))
        if (f->isEnabled() && !f->options().trimmed().isEmpty())
            entries.push_back(PlayerLink::FilterEntry{f->filterId(), f->options()});
    std::lock_guard lock(d->link->mutex);
    d->link->filters = std::move(entries);
}

// ---------------------------------------------------------------- information

QSize AVPlayer::videoSize() const
{
    return d->info.size;
}

double AVPlayer::frameRate() const
{
    return d->info.fps;
}

bool AVPlayer::hasAudio() const
{
    return d->info.hasAudio;
}

VideoFrame AVPlayer::presentedFrame() const
{
    std::lock_guard lock(d->link->mutex);
    return d->link->presented;
}

AVPlayer::Statistics AVPlayer::statistics() const
{
    std::lock_guard lock(d->link->mutex);
    Statistics s;
    s.decoded = d->link->decoded;
    s.presented = d->link->presentedCount;
    s.late = d->link->late;
    s.skipped = d->link->skipped;
    return s;
}

// ---------------------------------------------------------------- reports

void AVPlayer::sessionEvent(quint64 session, int kind, qint64 value, const AVError &err)
{
    if (!d->session || quint64(session) != d->link->activeSession)
        return;
    qint64 presentedMs;
    {
        std::lock_guard lock(d->link->mutex);
        if (d->link->activeSession != session)
            return;
        presentedMs = d->link->presentedMs;
        if (SessionEvent(kind) == SessionEvent::FramePresented)
            d->link->positionPosted = false;
    }
    switch (SessionEvent(kind)) {
    case SessionEvent::FramePresented:
        if (d->seeking)
            return; // the target of the running seek reports the position
        d->positionMs = presentedMs;
        emit positionChanged(toReported(presentedMs));
        return;
    case SessionEvent::TargetShown: {
        const bool seekDone = d->seeking && value == d->seekSerial;
        if (d->seeking && !seekDone)
            return; // an older seek's target; the newer one follows
        d->seeking = false;
        d->positionMs = seekDone ? d->seekTargetMs : presentedMs;
        setStatus(BufferedMedia);
        emit positionChanged(toReported(d->positionMs));
        if (!d->firstFrameSent) {
            d->firstFrameSent = true;
            emit firstFrameNotify(double(presentedMs) / 1000.0);
        }
        if (seekDone && d->clock->isHeld()) {
            // A secondary player waits for the clock value from outside;
            // should none come, it runs on from its target after a while.
            const int serial = int(value);
            QTimer::singleShot(kSecondaryHoldMs, this, [this, session, serial] {
                bool current;
                {
                    std::lock_guard lock(d->link->mutex);
                    current = d->link->activeSession == session;
                }
                if (current)
                    d->clock->releaseSeekHold(serial);
            });
        }
        if (seekDone)
            emit seekFinished(toReported(d->seekTargetMs));
        return;
    }
    case SessionEvent::EndReached:
        if (d->seeking)
            return;
        d->positionMs = stopAbsMs();
        emit positionChanged(toReported(d->positionMs));
        setStatus(EndOfMedia);
        if (d->endAction == MediaEndAction_Pause)
            pause(true);
        return;
    case SessionEvent::Error:
        qWarning() << "player error" << d->file << err.string() << "[" << Q_FUNC_INFO << __LINE__
                   << "]";
        emit error(err);
        if (value == 1) {
            stop();
            d->loaded = false;
            setStatus(InvalidMedia);
        }
        return;
    }
}

} // namespace kvm
