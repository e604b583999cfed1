#include "kv_frame_play.h"

#include "app/kv_language.h"
#include "app/kv_shortcut.h"
#include "core/kv_play_process.h"
#include "core/kv_player.h"
#include "data/kv_video_file_list.h"
#include "kv_layout.h"
#include "kv_lx_button.h"

#include <QHBoxLayout>

KVFramePlay::KVFramePlay(QWidget *parent) : KVWidgetBase(parent, true)
{
    setObjectName(QStringLiteral("play_frame"));
    setStyleSheet(QStringLiteral(
        "KVFramePlay{border-image: url(:/image/play_bg.png) 0 0 0 0 repeat stretch;}"));

    _layout = new QHBoxLayout(this);
    _layout->setContentsMargins(0, 1, 0, 0);
    _layout->setAlignment(Qt::AlignVCenter);
    _layout->setSpacing(10);
    KVLayout::addSpacer(_layout, 17, 0);

    const QSize size(kButtonSize, kButtonSize);
    auto ja = [](const char *key) { return KVLanguage::lookupJapanese(QLatin1String(key)); };
    _previousButton
        = addButton("play_backward", "play_file_previous", QStringLiteral("Move to previous file"));
    _playButton = LXButton::createToggleButton(
        this, _layout, QStringLiteral("play_play"), ja("play_play"), size);
    KVLanguage::instance()->registerText(
        KVLanguage::LANGUAGE_ENGLISH, KVLanguage::TOOLTIP, _playButton, QStringLiteral("Play"));
    _stopButton = addButton("play_stop", "play_stop", QStringLiteral("Stop"));
    _nextButton = addButton("play_forward", "play_file_next", QStringLiteral("Move to next file"));
    _layout->addStretch(1);
    _openButton = LXButton::createImageButton(
        this, nullptr, QStringLiteral("open"), ja("open"), QSize(kOpenWidth, kOpenHeight));
    _layout->addWidget(_openButton, 0, Qt::AlignRight | Qt::AlignVCenter);
    // An English user gets no Japanese tool tip on this bar.
    KVLanguage::instance()->registerText(
        KVLanguage::LANGUAGE_ENGLISH, KVLanguage::TOOLTIP, _openButton, QStringLiteral("Open"));

    KVPlayer *player = KVPlayer::instance();
    connect(_playButton, &QPushButton::released, player, &KVPlayer::onPlayOrPause);
    connect(_stopButton, &QPushButton::clicked, player, &KVPlayer::onUserStop);

    _playShortcut = new KVShortcut(QKeySequence(Qt::Key_Space), this);
    connect(_playShortcut, &QShortcut::activated, player, &KVPlayer::onPlayOrPause);
    _restartShortcut = new KVShortcut(QKeySequence(Qt::Key_Backspace), this);
    // onPlayRestart is a private slot of the player: reached by name.
    connect(_restartShortcut, SIGNAL(activated()), player, SLOT(onPlayRestart()));

    _previousButton->setEnabled(false);
    _playButton->setEnabled(false);
    _stopButton->setEnabled(false);
    _nextButton->setEnabled(false);
    _playShortcut->setWanted(false);
    _restartShortcut->setWanted(false);

    connect(player, &KVPlayerBase::playEvent, this, &KVFramePlay::onPlayEvent);
    connect(KVVideoFileList::instance(), &KVVideoFileList::listUpdateEnd, this,
        &KVFramePlay::onLoadingListEnd);
}

LXButton *KVFramePlay::addButton(const char *image, const char *key, const QString &english)
{
    LXButton *button = LXButton::createImageButton(this, _layout, QLatin1String(image),
        KVLanguage::lookupJapanese(QLatin1String(key)), QSize(kButtonSize, kButtonSize));
    KVLanguage::instance()->registerText(
        KVLanguage::LANGUAGE_ENGLISH, KVLanguage::TOOLTIP, button, english);
    return button;
}

void KVFramePlay::onLoadingListEnd(bool)
{
    const bool any = !KVVideoFileList::instance()->visibleItems().isEmpty();
    _playButton->setEnabled(any);
    _previousButton->setEnabled(any);
    _nextButton->setEnabled(any);
    _playShortcut->setWanted(any);
    _restartShortcut->setWanted(any);
}

void KVFramePlay::onPlayEvent(PLAY_EVENT event, KVVideoItem *item)
{
    if (event == PLAY_PLAYING || event == PLAY_PAUSED || event == PLAY_STOPPED
        || event == PLAY_NO_MEDIA) {
        // The button toggles itself on a click; the player's answer decides.
        // (Play with nothing loaded answers PLAY_NO_MEDIA: not playing.)
        const bool playing = event == PLAY_PLAYING;
        _playButton->setChecked(playing);
        if (KVLanguage::isJapanese())
            _playButton->setToolTip(KVLanguage::lookupJapanese(
                playing ? QStringLiteral("play_pause") : QStringLiteral("play_play")));
        else
            _playButton->setToolTip(playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
        // (No media also ends a load that could not play: nothing to stop.)
        if ((event != PLAY_STOPPED && event != PLAY_NO_MEDIA) || item
            || KVPlayProcess::instance()->pendingItem())
            return;
    }
    if (event == PLAY_LOADED)
        _stopButton->setEnabled(true);
    else if (event == PLAY_STOPPED || event == PLAY_USER_STOP || event == PLAY_NO_MEDIA)
        _stopButton->setEnabled(false);
}

void KVFramePlay::onAppEvent(KVApp::Event event)
{
    if (event == KVApp::EVENT_FULLSCREEN_ENTERING)
        _openButton->hide();
    else if (event == KVApp::EVENT_FULLSCREEN_LEAVING)
        _openButton->show();
}
