#include "kv_frame_eq.h"

#include "app/kv_language.h"
#include "core/kv_player.h"
#include "kv_layout.h"
#include "kv_lx_button.h"
#include "kv_slider.h"
#include "kv_style.h"

#include <QHBoxLayout>
#include <QLabel>

namespace
{
constexpr int kButtonSize = 30;
}

KVFrameEQ::KVFrameEQ(QWidget *parent) : KVWidgetBase(parent, false)
{
    applyBackgroundStyle(this, QStringLiteral("eq_frame"), 0x3A3A3A);
    _layout = new QHBoxLayout(this);
    _layout->setContentsMargins(0, 0, 0, 0);
    _layout->setSpacing(0);
    _layout->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    KVLayout::addSpacer(_layout, 4, 0);
    _contrastButton = addButton("v_constrast", "contrast", "Contrast", false);
    _contrastSlider = new KVSlider(this);
    addSlider(_contrastSlider, 100, kDefaultValue);
    KVLayout::addSpacer(_layout, 20, 0);
    _brightnessButton = addButton("v_brightness", "brightness", "Brightness", false);
    _brightnessSlider = new KVSlider(this);
    addSlider(_brightnessSlider, 100, kDefaultValue);
    KVLayout::addSpacer(_layout, 20, 0);
    _muteButton = addButton("v_volume", "volume_mute", "Volume", true);
    _volumeSlider = new KVSlider(this);
    addSlider(_volumeSlider, 100, kDefaultValue);
    KVLayout::addSpacer(_layout, 20, 0);
    _speedButton = addButton("v_speed", "play_speed", "Play Speed", false);
    _speedSlider = new KVReleasedSlider(this);
    _speedSlider->setTickInterval(1);
    addSlider(_speedSlider, KVPlayer::kSpeedCount - 1, KVPlayer::kDefaultSpeedIndex);
    KVLayout::addSpacer(_layout, 5, 0);
    _speedLabel = new QLabel(QStringLiteral("1x"), this);
    applyLabelStyle(
        _speedLabel, QStringLiteral("speed_label"), QStringLiteral("Arial"), 0xF5F5F5, 11, false);
    _speedLabel->setFixedSize(25, 16);
    _layout->addWidget(_speedLabel);
    _layout->addStretch(1);

    KVPlayer *player = KVPlayer::instance();
    connect(_contrastButton, &QPushButton::clicked, this, &KVFrameEQ::onDefaultContrast);
    connect(_brightnessButton, &QPushButton::clicked, this, &KVFrameEQ::onDefaultBrightness);
    connect(_speedButton, &QPushButton::clicked, this, &KVFrameEQ::onDefaultSpeed);
    // The player's filter slots read the value of the sending slider.
    connect(_brightnessSlider, &QSlider::sliderPressed, player, &KVPlayerZoom::onSetBrightness);
    connect(_brightnessSlider, &QSlider::valueChanged, player, &KVPlayerZoom::onSetBrightness);
    connect(_contrastSlider, &QSlider::sliderPressed, player, &KVPlayerZoom::onSetContrast);
    connect(_contrastSlider, &QSlider::valueChanged, player, &KVPlayerZoom::onSetContrast);
    // The player connects the volume slider's valueChanged and the mute
    // button's toggled itself.
    player->setVolumeSlider(_volumeSlider);
    player->setMuteButton(_muteButton);
    player->setSpeedLabel(_speedLabel);
    connect(_speedSlider, &KVSlider::mouseReleased, player, &KVPlayer::onSpeedSliderReleased);
    connect(_speedSlider, &QSlider::sliderMoved, player, &KVPlayer::onSpeedSliderMoved);
    connect(player, &KVPlayerBase::playEvent, this, &KVFrameEQ::onPlayEvent);
    // The start volume is the slider's.
    QMetaObject::invokeMethod(player, "onSetVolume", Qt::DirectConnection);
}

LXButton *KVFrameEQ::addButton(const char *image, const char *key, const char *english, bool toggle)
{
    const QString name = QLatin1String(image);
    const QString tip = KVLanguage::lookupJapanese(QLatin1String(key));
    const QSize size(kButtonSize, kButtonSize);
    LXButton *button = toggle ? LXButton::createToggleButton(this, _layout, name, tip, size)
                              : LXButton::createImageButton(this, _layout, name, tip, size);
    // An English user gets no Japanese tool tip on this bar.
    KVLanguage::instance()->registerText(
        KVLanguage::LANGUAGE_ENGLISH, KVLanguage::TOOLTIP, button, QLatin1String(english));
    return button;
}

void KVFrameEQ::addSlider(KVSlider *slider, int maximum, int value)
{
    applySliderStyle(slider, QStringLiteral("small_slider"), 0xCC9933, 0x666666, true);
    slider->setRange(0, maximum);
    slider->setValue(value);
    slider->setFixedWidth(kSliderWidth);
    _layout->addWidget(slider);
}

void KVFrameEQ::onDefaultContrast()
{
    _contrastSlider->setValue(kDefaultValue);
}

void KVFrameEQ::onDefaultBrightness()
{
    _brightnessSlider->setValue(kDefaultValue);
}

void KVFrameEQ::onDefaultSpeed()
{
    _speedSlider->setValue(KVPlayer::kDefaultSpeedIndex);
    // The player applies the speed of the slider's value, as on a release.
    emit _speedSlider->mouseReleased();
    _speedLabel->setText(QStringLiteral("1 x"));
}

void KVFrameEQ::onPlayEvent(PLAY_EVENT event, KVVideoItem *)
{
    if (event != PLAY_MUTED && event != PLAY_UNMUTED)
        return;
    const bool muted = event == PLAY_MUTED;
    if (KVLanguage::isJapanese())
        _muteButton->setToolTip(KVLanguage::lookupJapanese(
            muted ? QStringLiteral("volume_un_mute") : QStringLiteral("volume_mute")));
    else
        _muteButton->setToolTip(muted ? QStringLiteral("Unmute") : QStringLiteral("Volume"));
    _volumeSlider->setEnabled(!muted);
    const bool blocked = _muteButton->blockSignals(true);
    _muteButton->setChecked(muted);
    _muteButton->blockSignals(blocked);
}
