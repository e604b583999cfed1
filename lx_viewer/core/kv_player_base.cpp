#include "kv_player_base.h"

#include "app/kv_graphics.h"
#include "core/kv_key_event.h"
#include "data/kv_video_file_list.h"
#include "media/audiooutput.h"
#include "media/avplayer.h"
#include "media/render/widgetrenderers.h"
#include "media/videorenderer.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QLabel>
#include <QOpenGLContext>
#include <QWidget>
#include <QtDebug>

#include <algorithm>

using kvm::AVClock;
using kvm::AVPlayer;
using kvm::VideoRenderer;

namespace
{
QString g_forcedRenderer;
const QString kOpenGLId = QStringLiteral("OpenGLWidget");
const QString kWidgetId = QStringLiteral("Widget");
} // namespace

// ---------------------------------------------------------------- construction

QStringList KVPlayerBase::rendererCandidates()
{
    QStringList ids;
    if (!KVGraphics::openGLForbidden()) {
        QOpenGLContext context;
        if (context.create())
            ids << kOpenGLId;
    }
    ids << kWidgetId;
    return ids;
}

void KVPlayerBase::forceRendererForTests(const QString &id)
{
    g_forcedRenderer = id;
}

KVPlayerBase::KVPlayerBase(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<PLAY_EVENT>();
    // 1. the player's own clock
    _clock = new AVClock(this);
    _clock->setClockType(AVClock::ExternalClock);
    // 2. the front player: main at first, with sound
    _front = new AVPlayer(this);
    // Positions count from the file's start: a file whose first time stamp
    // is not 0 still plays from 0 to its duration.
    _front->setRelativeTimeMode(true);
    _front->masterClock()->setClockAuto(true);
    _front->masterClock()->setClockType(AVClock::ExternalClock);
    _front->setSecondary(false);
    _front->setMediaEndAction(kvm::MediaEndAction_KeepDisplay);
    // 3. the rear player: silent
    _rear = new AVPlayer(this);
    _rear->audio()->setMute(true);
    _rear->setRelativeTimeMode(true);
    _rear->masterClock()->setClockAuto(false);
    _rear->masterClock()->setClockType(AVClock::ExternalClock);
    _rear->setSecondary(true);
    // 4.
    _front->setSeekType(kvm::AccurateSeek);
    _rear->setSeekType(kvm::AccurateSeek);

    // 5. renderer: the first candidate that works and has a widget
    if (!VideoRenderer::registeredIds().contains(kWidgetId))
        kvm::registerWidgetRenderers();
    const bool forced = !g_forcedRenderer.isEmpty();
    const QStringList ids = forced ? QStringList{g_forcedRenderer} : rendererCandidates();
    for (const QString &id : ids) {
        VideoRenderer *r = VideoRenderer::create(id);
        if (r && r->isAvailable() && (r->widget() || forced)) {
            _renderer = r;
            _rendererId = id;
            break;
        }
        delete r;
    }
    if (_renderer) {
        _renderer->setOutAspectRatioMode(VideoRenderer::VideoAspectRatio);
        _rendererKind = _rendererId == kOpenGLId ? RENDERER_OPENGL
            : _rendererId == kWidgetId           ? RENDERER_WIDGET
                                                 : RENDERER_NONE;
    } else {
        qWarning() << "no video renderer of" << ids << "works here"
                   << "[" << Q_FUNC_INFO << __LINE__ << "]";
    }

    _playerF = _front;
    _playerR = _rear;
    _playerF->setRenderer(_renderer);

    // 6. connections (they stay with the two objects; only the position
    // report follows the main role, see assignRoles)
    connect(_front, &AVPlayer::mediaStatusChanged, this, &KVPlayerBase::onMediaChangedF);
    connect(_rear, &AVPlayer::mediaStatusChanged, this, &KVPlayerBase::onMediaChangedR);
    connect(_front, &AVPlayer::seekFinished, this, &KVPlayerBase::onSeekFinishedF);
    connect(_rear, &AVPlayer::seekFinished, this, &KVPlayerBase::onSeekFinishedR);
    connect(_front, &AVPlayer::stopped, this, &KVPlayerBase::onStoppedF);
    connect(_rear, &AVPlayer::stopped, this, &KVPlayerBase::onStoppedR);
    connect(_front, &AVPlayer::firstFrameNotify, this, &KVPlayerBase::onFirstFrame);
    connect(_front, &AVPlayer::started, this, &KVPlayerBase::changeClockType);
    connect(_rear, &AVPlayer::started, this, &KVPlayerBase::changeClockType);
    connect(_front, &AVPlayer::started, this, &KVPlayerBase::updateSlider);
    connect(_front, &AVPlayer::error, this, &KVPlayerBase::onPlayerF);
    connect(_rear, &AVPlayer::error, this, &KVPlayerBase::onPlayerR);
    assignRoles(false);
    _swapped = false;
}

KVPlayerBase::~KVPlayerBase()
{
    // The window may have taken the renderer's widget into its layout; then
    // the widget's parent deletes it.
    if (_renderer) {
        _renderer->detachFromPlayer();
        QWidget *w = _renderer->widget();
        if (!w || !w->parent())
            delete _renderer;
    }
}

QWidget *KVPlayerBase::rendererWidget() const
{
    return _renderer ? _renderer->widget() : nullptr;
}

void KVPlayerBase::setMuteButton(QAbstractButton *button)
{
    if (_muteButton)
        disconnect(_muteButton, nullptr, this, nullptr);
    _muteButton = button;
    if (button)
        connect(button, &QAbstractButton::toggled, this, &KVPlayerBase::onMute);
}

void KVPlayerBase::setVolumeSlider(QAbstractSlider *slider)
{
    if (_volumeSlider)
        disconnect(_volumeSlider, nullptr, this, nullptr);
    _volumeSlider = slider;
    if (slider)
        connect(slider, &QAbstractSlider::valueChanged, this, &KVPlayerBase::onSetVolume);
}

void KVPlayerBase::setSpeedLabel(QLabel *label)
{
    _speedLabel = label;
}

void KVPlayerBase::assignRoles(bool rearIsMain)
{
    disconnect(_positionConnection);
    _playerF = rearIsMain ? _rear : _front;
    _playerR = rearIsMain ? _front : _rear;
    // The secondary mark goes with the role: after a swap the front player
    // is the one whose clock waits at a seek target for the main one.
    _playerF->setSecondary(false);
    _playerR->setSecondary(true);
    _positionConnection
        = connect(_playerF, &AVPlayer::positionChanged, this, &KVPlayerBase::onPositionChanged);
}

// ---------------------------------------------------------------- load

void KVPlayerBase::onLoad(KVVideoItem *item)
{
    if (!item)
        return;
    // 1. the front player takes the front file; a swap is made again when
    // the load is complete
    assignRoles(false);
    // 2.
    if (_playerR->isPlaying())
        closeMedia();
    if (_playerF->isPlaying())
        closeMedia();
    // 3.
    if (!item->sensorData())
        item->loadSensorInfo();
    // 4.
    _item = item;
    _itemRef = item->sharedFromThis();
    _loading = true;
    emit playEvent(PLAY_LOADING, item);
    if (_item != item)
        return; // a receiver closed or replaced the load
    // 5. files; a cut made for the previous recording must not stay
    const QString front = item->frontPath();
    const QString rear = item->rearPath();
    _swapped = swapFor(*item);
    _playerF->setFile(front.isEmpty() ? rear : front);
    _playerR->setFile(rear.isEmpty() ? _playerF->file() : rear);
    _playerF->setFixedDuration(0);
    _playerR->setFixedDuration(0);
    // 6. renderers
    if (_swapped) {
        _playerF->removeVideoRenderer(_renderer);
        _playerR->setRenderer(_renderer);
    } else {
        _playerF->setRenderer(_renderer);
        _playerR->removeVideoRenderer(_renderer);
    }
    if (_zoomRenderer)
        (_swapped ? _playerR : _playerF)->addVideoRenderer(_zoomRenderer);
    // 7.
    if (!_playerF->load())
        failLoad(QStringLiteral("NO FILE:"));
}

bool KVPlayerBase::swapFor(const KVVideoItem &item) const
{
    // A recording of one camera plays that camera's file on both players;
    // its picture comes from that camera's own player, with that camera's
    // flips (the other camera's player would show it with the other
    // camera's flips, under buttons that change the other camera).
    const bool hasFront = !item.frontPath().isEmpty();
    const bool hasRear = !item.rearPath().isEmpty();
    if (hasFront != hasRear)
        return hasRear;
    return _swapWanted;
}

void KVPlayerBase::onMediaChangedF(kvm::MediaStatus status)
{
    if (status == kvm::EndOfMedia) {
        // Only the main picture's end is the recording's end.
        if (_front == _playerF)
            _endOfMedia = true;
        return;
    }
    if (!_loading)
        return;
    if (status == kvm::InvalidMedia) {
        failLoad(QStringLiteral("CANNOT LOAD:"));
        return;
    }
    if (status != kvm::LoadedMedia)
        return;
    _stopped = false;
    _endOfMedia = false;
    _endStopIssued = false;
    _front->setFixedDuration(quint64(std::max<qint64>(_front->duration(), 0)));
    _front->setSeekType(kvm::AccurateSeek);
    if (!_rear->file().isEmpty()) {
        _rear->load(); // continues in onMediaChangedR
        return;
    }
    qInfo() << "NO REAR FILE:" << (_item ? _item->displayPath() : QString()) << "[" << Q_FUNC_INFO
            << __LINE__ << "]";
    finishLoad();
}

void KVPlayerBase::onMediaChangedR(kvm::MediaStatus status)
{
    if (status == kvm::EndOfMedia) {
        if (_rear == _playerF)
            _endOfMedia = true;
        return;
    }
    if (!_loading || !_front->isLoaded())
        return;
    if (status == kvm::InvalidMedia) {
        // A rear file that does not play: the rear picture shows the front
        // file, as for a recording without a rear file; failing that, the
        // main player plays alone.
        if (_rear->file() != _front->file()) {
            qInfo() << "REAR FILE UNUSABLE:" << _rear->file() << "[" << Q_FUNC_INFO << __LINE__
                    << "]";
            _rear->setFile(_front->file());
            _rear->setFixedDuration(0);
            _rear->load();
        } else {
            _rear->setFile(QString());
            finishLoad();
        }
        return;
    }
    if (status != kvm::LoadedMedia)
        return;
    // 1.
    if (!_item) {
        _loading = false;
        _front->stop();
        emit playEvent(PLAY_LOADED, nullptr);
        return;
    }
    // 2. both end together: the longer file is cut to the shorter one
    _endOfMedia = false;
    _endStopIssued = false;
    if (_rear->isLoaded()) {
        if (_rear->duration() > _front->duration())
            _rear->setFixedDuration(quint64(std::max<qint64>(_front->duration(), 0)));
        else
            _front->setFixedDuration(quint64(std::max<qint64>(_rear->duration(), 0)));
    }
    // 3.
    finishLoad();
}

void KVPlayerBase::finishLoad()
{
    _loading = false;
    // The swap made again (also when the user swapped during the load).
    if (_item)
        _swapped = swapFor(*_item);
    assignRoles(_swapped);
    if (_renderer && _playerF->renderer() != _renderer)
        _playerF->setRenderer(_renderer);
    if (_zoomRenderer)
        _playerF->addVideoRenderer(_zoomRenderer);
    const bool rolesChanged = _swapped != _swapAnnounced;
    if (rolesChanged)
        handSoundToMain(); // heard as the last recording's main player was
    _playerR->audio()->setMute(true);
    // No pause here: both players are loaded (streams and decoders open) and
    // play() starts at once.
    playOrPause(true);
    if (rolesChanged) {
        // The frame shows the other camera's title and logo now.
        _swapAnnounced = _swapped;
        emit playEvent(_swapped ? PLAY_SWAPPED : PLAY_UNSWAPPED, nullptr);
    }
    emit playEvent(PLAY_LOADED, _item);
    // A paused start (asked for during the load) reports no position until
    // it plays: the speed, graph, coordinates and map show its first moment
    // now.
    if (_paused) {
        _reportedPosition = 0;
        emit positionChanged(0, std::max<qint64>(_playerF->duration(), 0));
    }
}

void KVPlayerBase::failLoad(const QString &why)
{
    qInfo() << why << (_item ? _item->displayPath() : QString()) << "[" << Q_FUNC_INFO << __LINE__
            << "]";
    _loading = false;
    _pauseAfterLoad = false;
    _stopped = true;
    _paused = false;
    _endOfMedia = false;
    _endStopIssued = false;
    _front->stop();
    _rear->stop();
    _front->setFile(QString());
    _rear->setFile(QString());
    _pendingStops = 0;
    _item = nullptr;
    _itemRef.reset();
    emit playEvent(PLAY_NO_MEDIA, nullptr);
}

// ---------------------------------------------------------------- play / pause

bool KVPlayerBase::isLoading() const
{
    return _loading || KVVideoFileList::loadInProgress();
}

bool KVPlayerBase::isRunning() const
{
    if (isLoading())
        return !_pauseAfterLoad;
    return !_stopped && !_paused;
}

void KVPlayerBase::pauseIfRunning()
{
    if (isRunning())
        playOrPause(false);
}

void KVPlayerBase::playOrPause(bool bStart)
{
    // While a recording is on its way the players are left alone (the rear
    // one may not be loaded yet, and a start now would be undone by the one
    // at the end of the load): the press decides how the recording comes up.
    if (!bStart && isLoading()) {
        _pauseAfterLoad = !_pauseAfterLoad;
        emit playEvent(_pauseAfterLoad ? PLAY_PAUSED : PLAY_PLAYING, _item);
        return;
    }
    // 1.
    if (!bStart && !_playerF->isLoaded()) {
        emit playEvent(PLAY_NO_MEDIA, nullptr);
        return;
    }
    if (!_playerF->isPlaying()) {
        // 2. first start after a load
        _lastPosition = 0;
        _reportedPosition = -1;
        _clock->reset();
        _clock->setClockAuto(false);
        setPlaySpeed(_speed);
        muteTemporarily(10);
        if (_positionSlider) {
            _positionSlider->setMaximum(int(_playerF->mediaStopPosition()));
            _positionSlider->setValue(0);
        }
        _playerF->play();
        _pendingStops = 1;
        if (_playerR->isLoaded()) {
            _pendingStops += 1;
            _playerR->play();
            _playerR->setMediaEndAction(kvm::MediaEndAction_KeepDisplay);
        }
        _playerF->setPosition(0);
        if (_playerR->isLoaded())
            _playerR->setPosition(0);
        // The secondary runs with the main player (it is not left paused: a
        // swap must find the other camera at the same moment).
        if (!_paused)
            _clock->start();
        if (bStart && _pauseAfterLoad) {
            // Asked for during the load: both players on the first frame.
            _pauseAfterLoad = false;
            _pause(true, true, 0);
        }
    } else {
        // 3. toggle
        _paused = !_playerF->isPaused();
        if (_playerF->isPaused()) {
            // A resume: back onto the paused frame. No wait: the player's
            // clock is held at the target until that frame is on screen.
            _playerF->setPosition(std::max<qint64>(_playerF->position(), 0));
        }
        _pause(_paused, true, -1);
    }
    // 4.
    emit playEvent(_paused ? PLAY_PAUSED : PLAY_PLAYING, _item);
    KVKeyEvent::instance()->setEnabled(true);
}

void KVPlayerBase::_pause(bool bPause, bool bWait, qint64 position)
{
    // 1. pause() has taken effect when it returns, so one look is enough
    // where the state was polled.
    if (!bWait) {
        if (_playerF->isPaused() == bPause)
            return;
    } else if (_playerF->isLoaded() && _playerF->isPaused() == bPause) {
        _playerF->pause(!bPause);
        if (_playerF->isPaused() == bPause) {
            qInfo() << "FAIL bPause:" << bPause << "main" << _playerF->state() << "secondary"
                    << _playerR->state() << "["
                    << "KVPlayerBase::_pause" << __LINE__ << "]";
            return;
        }
    }
    // 2. both players: the secondary keeps in step with the main one
    muteTemporarily(10);
    _paused = bPause;
    _playerF->pause(bPause);
    if (_playerR->isLoaded())
        _playerR->pause(bPause);
    // 3.
    if (bWait && _playerF->isLoaded() && _playerF->isPaused() != bPause)
        return;
    // 4.
    _clock->pause(bPause);
    muteTemporarily(10);
    if (bPause) {
        // 5. both players go to the same frame
        _savedPosition = position >= 0 ? position : _playerF->position();
        setPlaySpeed(1.0);
        _clock->reset();
        _clock->setClockAuto(false);
        seek(_savedPosition, true);
        if (_positionSlider)
            _positionSlider->setValue(int(_savedPosition));
    } else {
        // 6.
        _savedPosition = 1;
        _clock->start();
        _clock->setClockAuto(true);
        setPlaySpeed(_speed);
    }
}

void KVPlayerBase::seek(qint64, bool)
{
}

// ---------------------------------------------------------------- reports

void KVPlayerBase::onSeekFinishedF(qint64 pos)
{
    seekFinished(_front, pos);
}

void KVPlayerBase::onSeekFinishedR(qint64 pos)
{
    seekFinished(_rear, pos);
}

void KVPlayerBase::seekFinished(AVPlayer *player, qint64 pos)
{
    // The main player's seek re-aligns every clock on its target. The
    // secondary's (which finishes a little earlier or later) must not wind
    // the shared clock back.
    if (player != _playerF)
        return;
    _clock->updateExternalClock(pos);
    _playerF->alignClock(*_clock);
    _playerR->alignClock(*_clock);
}

void KVPlayerBase::onPositionChanged(qint64 value)
{
    const qint64 duration = _playerF->duration();
    // 1. the end of the recording
    if (value >= duration && !_sliderPressed && duration > 1000 && !_playerF->isPaused()) {
        // Once: the end status alone (it may come in a pause, when the end
        // position is not taken) does not count as the stop.
        if (_stopped || _endStopIssued)
            return;
        _endStopIssued = true;
        _endOfMedia = true;
        _playerF->stop();
        if (_playerR->isLoaded())
            _playerR->stop();
        return;
    }
    // 2.
    const qint64 pos = std::min(value, duration);
    if (pos == _lastPosition)
        return;
    // 3. A quiet seek holds back only the moment already shown: one that
    // lands elsewhere (a pause that came before the target of a seek made
    // while playing was on screen) moves the time, the sensor displays and
    // the name of a capture with the picture.
    if (_playerF->state() == AVPlayer::PlayingState || !_quietSeek || pos != _reportedPosition) {
        if (_positionSlider) {
            const bool blocked = _positionSlider->blockSignals(true);
            _positionSlider->setValue(int(pos));
            _positionSlider->blockSignals(blocked);
        }
        _reportedPosition = pos;
        emit positionChanged(pos, duration);
    }
    // 4.
    _lastPosition = pos;
}

void KVPlayerBase::onStoppedF()
{
    _clock->reset();
    _clock->setClockAuto(false);
    stoppedOne(true);
}

void KVPlayerBase::onStoppedR()
{
    stoppedOne(false);
}

void KVPlayerBase::stoppedOne(bool front)
{
    // A stop that was not counted (a stray stopped()) reports nothing.
    if (front ? _pendingStops <= 0 : _pendingStops < 0)
        return;
    if (--_pendingStops != 0)
        return;
    // No pause before the report: stop() never waits for the players'
    // threads and they are joined elsewhere.
    const bool end = _endOfMedia;
    KVVideoItem *next = end ? KVVideoFileList::instance()->nextItem() : nullptr;
    emit playEvent(PLAY_STOPPED, next);
    _closingRef.reset();
    if (!end)
        return;
    KVVideoFileList::instance()->onPlayNextVideo(-1);
    // No recording follows (the last one, or the next one's file has gone):
    // the finished one is closed, so that Play starts the chosen row with
    // its slider and sensor data rather than running the finished files
    // again with neither.
    if (!isLoading() && !_stopped)
        closeMedia();
}

void KVPlayerBase::onFirstFrame(qreal)
{
    emit playEvent(PLAY_FIRST_FRAME, _item);
}

void KVPlayerBase::changeClockType()
{
    auto *player = qobject_cast<AVPlayer *>(sender());
    if (!player)
        return;
    player->masterClock()->setClockAuto(false);
    player->masterClock()->setClockType(AVClock::ExternalClock);
}

void KVPlayerBase::updateSlider()
{
    if (_positionSlider)
        _positionSlider->setValue(int(_playerF->position()));
}

void KVPlayerBase::onPlayerF(const kvm::AVError &error)
{
    qInfo() << error.string() << error.error() << "["
            << "KVPlayerBase::onPlayerF" << __LINE__ << "]";
}

void KVPlayerBase::onPlayerR(const kvm::AVError &error)
{
    qInfo() << error.string() << error.error() << "["
            << "KVPlayerBase::onPlayerR" << __LINE__ << "]";
}

// ---------------------------------------------------------------- close

void KVPlayerBase::closeMedia()
{
    // 1. (A recording that reached its end without being stopped there, a
    // short one, must not start the next one when the user stops it.)
    _stopped = true;
    _paused = false;
    // A drag cut short by the change of recording (the slider is disabled
    // under the pointer and never sees the release) gives the sound back.
    _sliderPressed = false;
    if (_tempMuted)
        onUnMuteIfRequired();
    _endOfMedia = false;
    _endStopIssued = false;
    _loading = false;
    _pauseAfterLoad = false;
    KVKeyEvent::instance()->setEnabled(false);
    // 2.
    _pendingStops = 0;
    for (AVPlayer *p : {_playerF, _playerR}) {
        if (p->isLoaded() && p->isPlaying()) {
            ++_pendingStops;
            p->removeVideoRenderer(_renderer);
            p->stop();
        }
        p->setFile(QString());
    }
    // 3.
    _clock->reset();
    _clock->setClockAuto(false);
    setPlaySpeed(1.0);
    _item = nullptr;
    _closingRef = std::move(_itemRef);
    // 4.
    if (_pendingStops == 0) {
        emit playEvent(PLAY_STOPPED, nullptr);
        _closingRef.reset();
    }
    // 5. The display stays awake while a recording plays (KVDisplayAwake),
    // not from the first stop until the program ends.
}
