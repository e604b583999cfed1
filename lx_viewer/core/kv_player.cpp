#include "kv_player.h"

#include "kv_display_awake.h"

#include "media/audiooutput.h"
#include "media/avplayer.h"
#include "media/videorenderer.h"

#include <QAbstractSlider>
#include <QLabel>
#include <QTimer>
#include <QtDebug>

#include <algorithm>

using kvm::AVPlayer;

namespace
{
constexpr double kSpeeds[KVPlayer::kSpeedCount] = {0.5, 0.8, 1.0, 2.0};
const char *const kSpeedLabels[KVPlayer::kSpeedCount] = {"0.5 x", "0.8 x", "1 x", "2.0 x"};
} // namespace

KVPlayer *KVPlayer::instance()
{
    static KVPlayer *s_instance = nullptr;
    if (!s_instance)
        s_instance = new KVPlayer();
    return s_instance;
}

KVPlayer::KVPlayer(QObject *parent) : KVPlayerZoom(parent)
{
    connect(_front, &AVPlayer::started, this, &KVPlayer::updateSlider);
    new KVDisplayAwake(this);
}

double KVPlayer::speedForIndex(int index)
{
    return index >= 0 && index < kSpeedCount ? kSpeeds[index] : 1.0;
}

QString KVPlayer::speedLabelForIndex(int index)
{
    return index >= 0 && index < kSpeedCount ? QString::fromLatin1(kSpeedLabels[index]) : QString();
}

// ---------------------------------------------------------------- seek

void KVPlayer::seek(qint64 position, bool quiet)
{
    // 1. never into the last two seconds, except for the quiet seeks that
    // keep both players on the frame already shown (pause, swap, a changed
    // picture): moved back, the picture would leave the slider, speed, graph
    // and map at a moment up to two seconds later.
    const qint64 duration = _playerF->duration();
    if (!quiet && position > duration - kSeekEndMargin)
        position = std::max<qint64>(duration - kSeekEndMargin, 0);
    // 2. only while the players' threads run
    if (!_playerF->isPlaying())
        return;
    if (_playerR->isLoaded() && !_playerR->isPlaying())
        return;
    // 3.
    _quietSeek = quiet;
    // 4.
    _playerF->setSeekType(kvm::AccurateSeek);
    _playerF->seek(position);
    // 5.
    if (_playerR->isLoaded()) {
        if (!_paused)
            _playerR->pause(false);
        _playerR->setSeekType(kvm::AccurateSeek);
        _playerR->seek(position);
    }
}

void KVPlayer::refreshPicture()
{
    if (_savedPosition <= 1)
        _savedPosition = 1;
    if (_playerF->isPaused()) {
        _quietSeek = true;
        if (_playerF->isLoaded())
            _playerF->seek(_savedPosition);
    }
}

void KVPlayer::onPlayRestart()
{
    _clock->updateExternalClock(0);
    // A paused picture shown again later (after a filter or flip change)
    // is the start's, not the one before the restart.
    if (_playerF->isPaused())
        _savedPosition = 1;
    seek(0, false);
}

// ---------------------------------------------------------------- buttons

void KVPlayer::onPlayOrPause()
{
    playOrPause(false);
}

void KVPlayer::closeMedia()
{
    // A pause of the slider's that the release never ended is over with
    // its recording: a later press while paused must not resume.
    _pausedBySlider = false;
    // A capture under way belongs to the picture that goes now: taken
    // later it would write the next recording's (or no) picture under a
    // name made from this one. It ends silently; a late file is removed.
    if (_captureFailTimer)
        onFailToCapture();
    KVPlayerZoom::closeMedia();
}

void KVPlayer::onUserStop()
{
    closeMedia();
    emit playEvent(PLAY_USER_STOP, nullptr);
}

// ---------------------------------------------------------------- position slider

void KVPlayer::setPositionSlider(QAbstractSlider *slider)
{
    if (_positionSlider)
        disconnect(_positionSlider, nullptr, this, nullptr);
    _positionSlider = slider;
    if (!slider)
        return;
    const QMetaObject *meta = slider->metaObject();
    if (meta->indexOfSignal("sliderPressedWithKnob(bool)") >= 0)
        connect(slider, SIGNAL(sliderPressedWithKnob(bool)), this, SLOT(onSliderPress(bool)));
    else
        connect(slider, SIGNAL(sliderPressed()), this, SLOT(onSliderPressedPlain()));
    connect(slider, SIGNAL(sliderMoved(int)), this, SLOT(onSliderMove(int)));
    if (meta->indexOfSignal("mouseReleased()") >= 0)
        connect(slider, SIGNAL(mouseReleased()), this, SLOT(onSliderRelease()));
    else
        connect(slider, SIGNAL(sliderReleased()), this, SLOT(onSliderRelease()));
}

void KVPlayer::onSliderPress(bool)
{
    if (auto *slider = qobject_cast<QAbstractSlider *>(sender()))
        sliderPress(slider);
}

void KVPlayer::onSliderPressedPlain()
{
    if (auto *slider = qobject_cast<QAbstractSlider *>(sender()))
        sliderPress(slider);
}

void KVPlayer::sliderPress(QAbstractSlider *slider)
{
    // The pressed position, taken before the pause puts the playing
    // position into the slider.
    const int pressed = slider->value();
    _sliderPressed = true;
    if (!_playerF->isPaused()) {
        _pausedBySlider = true;
        _pause(true, true, -1);
    }
    onSliderMove(pressed);
}

void KVPlayer::onSliderMove(int value)
{
    _quietSeek = false;
    if (!_playerF->isLoaded())
        return;
    _sliderPressed = true;
    const qint64 p = std::max(value, 1);
    muteTemporarily(-1); // the release gives the sound back
    if (_playerF->isPaused()) {
        _clock->updateExternalClock(p);
        _playerF->setPosition(p);
        if (_playerR->isLoaded())
            _playerR->setPosition(p);
    } else {
        seek(p, false);
    }
    _savedPosition = p;
}

void KVPlayer::onSliderRelease()
{
    _sliderPressed = false;
    if (_pausedBySlider) {
        _pause(false, true, -1);
        _pausedBySlider = false;
    }
    onUnMuteIfRequired();
}

// ---------------------------------------------------------------- speed

void KVPlayer::setSpeedIndex(int index)
{
    _speed = kSpeeds[index];
    if (_speedLabel)
        _speedLabel->setText(speedLabelForIndex(index));
}

void KVPlayer::onSpeedSliderMoved(int position)
{
    // While the slider is dragged only the label follows.
    if (!qobject_cast<QAbstractSlider *>(sender()) || position < 0 || position >= kSpeedCount)
        return;
    setSpeedIndex(position);
}

void KVPlayer::onSpeedSliderReleased()
{
    auto *slider = qobject_cast<QAbstractSlider *>(sender());
    if (!slider)
        return;
    const int v = slider->value();
    if (v < 0 || v >= kSpeedCount)
        return;
    setSpeedIndex(v);
    setPlaySpeed(_speed);
}

// ---------------------------------------------------------------- swap

void KVPlayer::toggleSwap(bool forceEmit)
{
    qInfo() << "TOGGLE SWAP:" << !_swapped << "forced" << forceEmit << "locked" << _blockEvents
            << "["
            << "KVPlayer::toggleSwap" << __LINE__ << "]";
    if (_blockEvents)
        return;
    // 1.
    if (_zoomRenderer)
        _playerF->removeVideoRenderer(_zoomRenderer);
    // 2. a short lock against repeated swaps
    if (!forceEmit) {
        _blockEvents = true;
        delete _blockTimer;
        _blockTimer = new QTimer(this);
        _blockTimer->setSingleShot(true);
        connect(_blockTimer, &QTimer::timeout, this, &KVPlayer::onReleaseBlockEvent);
        _blockTimer->start(kSwapLockMs);
    }
    // 3.-4. (assignRoles moves the position report with the main role)
    _swapped = !_swapped;
    _swapWanted = _swapped;
    const bool wasPaused = _playerF->isPaused();
    const qint64 oldPosition = _playerF->position();
    assignRoles(_playerF == _front);
    // 5. the new main picture from one second before; the secondary goes
    // there too, so that both stay at the same moment
    const qint64 target = std::max<qint64>(oldPosition - 1000, 0);
    if (_playerF->isLoaded()) {
        _playerF->setPosition(target);
        if (_playerR->isLoaded())
            _playerR->setPosition(target);
    }
    // 6. the renderer is handed the new main picture at once
    if (_renderer)
        _playerF->setRenderer(_renderer);
    // 7. both players keep the pause state. Their clocks are not set from
    // the player's clock here: both are held at the target of the seeks
    // above until it is on screen, and the main player's seekFinished
    // aligns them on it (a value given now would end that hold and let the
    // players run on from the old moment).
    if (_playerF->isLoaded()) {
        _playerF->pause(wasPaused);
        if (_playerR->isLoaded())
            _playerR->pause(wasPaused);
    }
    // 8.
    if (_zoomRenderer)
        _playerF->addVideoRenderer(_zoomRenderer);
    // 9. sound follows the picture
    handSoundToMain();
    // 10.
    if (_savedPosition <= 1)
        _savedPosition = 1;
    if (_playerF->isPaused())
        seek(_savedPosition, true);
    // 11.
    _swapAnnounced = _swapped;
    emit playEvent(_swapped ? PLAY_SWAPPED : PLAY_UNSWAPPED, nullptr);
}

void KVPlayer::onReleaseBlockEvent()
{
    _blockEvents = false;
    if (_blockTimer) {
        _blockTimer->deleteLater();
        _blockTimer = nullptr;
    }
}
