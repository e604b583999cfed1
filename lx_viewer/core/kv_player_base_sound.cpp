// KVPlayerBase: speed, volume and mute. Only the main player is heard.

#include "kv_player_base.h"

#include "media/audiooutput.h"
#include "media/avplayer.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QTimer>

#include <cmath>

using kvm::AVPlayer;

double KVPlayerBase::volumeForSlider(int v)
{
    if (v < 1)
        return 0.0;
    const double volume = (10.0 + 0.9 * v) * 0.1 * 0.09;
    return volume < 0.1 ? 0.0 : volume;
}

bool KVPlayerBase::muteButtonChecked() const
{
    return _muteButton && _muteButton->isChecked();
}

void KVPlayerBase::setPlaySpeed(double s)
{
    // 1.
    const double old = _playerF->speed();
    // 2. 2.0 shows one frame of eight
    AVPlayer::setFrameSkip(s >= 1.01 ? 4 * int(s) : 0);
    // 3.
    _playerF->setSpeed(s);
    _playerR->setSpeed(s);
    _clock->setSpeed(s);
    // 4. sound only at normal speed
    if (s > 1.01 || s < 0.99) {
        _playerF->audio()->setMute(true);
        return;
    }
    if (!muteButtonChecked() && !_tempMuted) {
        _playerF->audio()->setMute(false);
        onSetVolume();
    }
    if (std::abs(old - s) > 0.5 && _playerF->isLoaded())
        seek(_playerF->position(), true);
}

void KVPlayerBase::onSetVolume()
{
    // Without a volume slider the sound plays as with the slider at 100.
    const int v = _volumeSlider ? _volumeSlider->value() : 100;
    const double volume = volumeForSlider(v);
    // Set whenever it differs (the level shown and the level heard agree
    // for every slider value).
    if (std::abs(volume - _playerF->audio()->volume()) > 1e-9)
        _playerF->audio()->setVolume(volume);
}

void KVPlayerBase::onMute()
{
    const bool checked = muteButtonChecked();
    if (!checked) {
        const double s = _playerF->speed();
        if (0.75 < s && s < 1.5) {
            _playerF->audio()->setMute(false);
            onSetVolume();
        }
    } else {
        _playerF->audio()->setMute(true);
    }
    emit playEvent(checked ? PLAY_MUTED : PLAY_UNMUTED, nullptr);
}

void KVPlayerBase::muteTemporarily(int ms)
{
    if (_tempMuted)
        return;
    _tempMuted = true;
    _playerF->audio()->setVolume(0.0);
    if (ms > 0)
        QTimer::singleShot(ms, this, &KVPlayerBase::onUnMuteIfRequired);
}

void KVPlayerBase::onUnMuteIfRequired()
{
    _tempMuted = false;
    if (0.99 < _speed && _speed < 1.01 && !muteButtonChecked())
        onSetVolume();
}

void KVPlayerBase::handSoundToMain()
{
    // Sound follows the picture: the new main player is heard as the old
    // one was (mute button, speed, volume), the other is silent.
    kvm::AudioOutput *main = _playerF->audio();
    kvm::AudioOutput *other = _playerR->audio();
    main->setVolume(other->volume());
    main->setMute(other->isMute());
    other->setMute(true);
}
