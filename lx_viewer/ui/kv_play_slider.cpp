#include "kv_play_slider.h"

#include "core/kv_player.h"
#include "data/kv_video_item.h"
#include "kv_layout.h"
#include "kv_slider.h"
#include "kv_style.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStyleOption>
#include <QTimer>

#include <algorithm>

KVPlaySlider::KVPlaySlider(QWidget *parent) : QWidget(parent)
{
    applyBackgroundStyle(this, QStringLiteral("slider_frame"), 0x3A3A3A);
    setFixedHeight(kHeight);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    KVLayout::addSpacer(layout, 10, 0);

    _currentLabel = new QLabel(QStringLiteral("00:00"), this);
    applyLabelStyle(_currentLabel, QStringLiteral("current_time"), QStringLiteral("Arial"),
        0xC59433, 14, false);
    _currentLabel->setFixedWidth(60);
    layout->addWidget(_currentLabel);

    _slider = new KVSlider(this);
    applySliderStyle(_slider, QStringLiteral("play_slider"), 0xCC9933, 0x666666, false);
    _slider->setRange(0, 0);
    _slider->setEnabled(false);
    layout->addWidget(_slider);

    _durationLabel = new QLabel(QStringLiteral("00:00"), this);
    applyLabelStyle(_durationLabel, QStringLiteral("duration_time"), QStringLiteral("Arial"),
        0xF5F5F5, 14, false);
    _durationLabel->setFixedWidth(60);
    _durationLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(_durationLabel);
    KVLayout::addSpacer(layout, 10, 0);

    _enableTimer.setSingleShot(true);
    connect(&_enableTimer, &QTimer::timeout, this, &KVPlaySlider::onEnableSliderDelay);
    KVPlayer *player = KVPlayer::instance();
    player->setPositionSlider(_slider);
    connect(player, &KVPlayerBase::positionChanged, this, &KVPlaySlider::onPositionChanged);
    connect(player, &KVPlayerBase::playEvent, this, &KVPlaySlider::onPlayEvent);
}

void KVPlaySlider::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void KVPlaySlider::setEnabled(bool bEnabled)
{
    _slider->setEnabled(bEnabled);
}

void KVPlaySlider::onEnableSliderDelay()
{
    // A stop that came within the delay keeps the slider off.
    if (!KVPlayer::instance()->isStopped())
        _slider->setEnabled(true);
}

qint64 KVPlaySlider::displayPosition(qint64 position, qint64 total, double itemDuration)
{
    if (total <= 0 || itemDuration <= 0.0)
        return std::max<qint64>(position, 0);
    const qint64 p = std::clamp<qint64>(position, 0, total);
    return qint64(double(p) * itemDuration / double(total));
}

void KVPlaySlider::onPlayEvent(PLAY_EVENT event, KVVideoItem *item)
{
    if (event == PLAY_LOADED) {
        _enableTimer.start(kEnableDelayMs);
        _currentLabel->setText(QStringLiteral("00:00"));
        _itemDuration = item ? double(item->duration()) : 0.0;
        _durationLabel->setText(item ? item->durationText() : QStringLiteral("00:00"));
    } else if (event == PLAY_STOPPED || event == PLAY_USER_STOP || event == PLAY_NO_MEDIA
        || event == PLAY_LOADING) {
        // The user stop and a load that cannot play end like a stop: nothing
        // is left to seek in. A load that follows within the delay (PageDown
        // held) keeps the slider off until it has loaded too: enabled by the
        // earlier recording's delay, a press would pause a player not
        // started yet.
        _enableTimer.stop();
        _slider->setEnabled(false);
        if (event == PLAY_LOADING)
            return;
        _currentLabel->setText(QStringLiteral("00:00"));
        _durationLabel->setText(QStringLiteral("00:00"));
        _slider->setValue(0);
    }
}

void KVPlaySlider::onPositionChanged(qint64 position, qint64 duration)
{
    const qint64 v = displayPosition(position, duration, _itemDuration);
    KVPlayer::instance()->setDisplayPosition(v);
    _currentLabel->setText(KVVideoItem::positionText(v));
}
