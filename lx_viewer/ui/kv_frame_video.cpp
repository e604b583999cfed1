#include "kv_frame_video.h"

#include "core/kv_play_process.h"
#include "core/kv_player.h"
#include "kv_layout.h"
#include "kv_logo_widget.h"
#include "kv_lx_button.h"
#include "kv_style_template.h"
#include "kv_widget_zoom_pos.h"
#include "media/avplayer.h"

#include "app/kv_shortcut.h"
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QVBoxLayout>

KVFrameVideoBase::KVFrameVideoBase(QWidget *parent, bool isMain)
    : KVWidgetBase(parent, true), _isMain(isMain), _showsFront(isMain)
{
    setObjectName(isMain ? QStringLiteral("video_main_frame") : QStringLiteral("video_sub_frame"));
    _layout = new QVBoxLayout(this);
    _layout->setContentsMargins(0, 0, 0, 0);
    _layout->setSpacing(0);

    _titleBar = new QWidget(this);
    _titleBar->setObjectName(QStringLiteral("video_title"));
    _titleBar->setAttribute(Qt::WA_StyledBackground, true);
    _titleBar->setStyleSheet(QStringLiteral("QWidget#video_title{background-color: #595959;}"));
    _titleBar->setFixedHeight(kTitleHeight);
    auto *titleLayout = new QHBoxLayout(_titleBar);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    titleLayout->setSpacing(0);
    _titleLabel = new QLabel(_titleBar);
    titleLayout->addWidget(_titleLabel);
    titleLayout->addStretch(1);
    _flipHButton = addTitleButton(titleLayout, "vt_flip_h", "flip_h", "Flip Horizontal");
    _flipVButton = addTitleButton(titleLayout, "vt_flip_v", "flip_v", "Flip Vertical");
    _swapButton = addTitleButton(titleLayout, "vt_swap", "swap", "Swap Front/Rear");
    _fullScreenButton = addTitleButton(titleLayout, "vt_fullscreen", "fullscreen", "Full Screen");
    _layout->addWidget(_titleBar);

    _logoWidget = new LXLogoWidget(this, isMain);
    _layout->addWidget(_logoWidget, 1);
    setTitleImage(false);

    KVPlayer *player = KVPlayer::instance();
    connect(_swapButton, &QPushButton::clicked, player, qOverload<>(&KVPlayer::toggleSwap));
    connect(_flipHButton, &QPushButton::clicked, player, &KVPlayerZoom::onToggleHFlipMain);
    connect(_flipVButton, &QPushButton::clicked, player, &KVPlayerZoom::onToggleVFlipMain);
    connect(player, &KVPlayerBase::playEvent, this, &KVFrameVideoBase::onPlayEvent);

    KVApp *hub = KVApp::instance();
    if (hub->shortcutF9())
        connect(
            hub->shortcutF9(), &QShortcut::activated, this, &KVFrameVideoBase::onTogglePIPLocation);
    if (hub->shortcutF10())
        connect(hub->shortcutF10(), &QShortcut::activated, this,
            &KVFrameVideoBase::onToggleShowHidePIP);
    connect(hub, &KVApp::hidePIPForCapture, this, &KVFrameVideoBase::onHidePIPForCapture);
    connect(KVLanguage::instance(), &KVLanguage::languageChange, this,
        &KVFrameVideoBase::onLanguageChange);
}

LXButton *KVFrameVideoBase::addTitleButton(
    QHBoxLayout *layout, const char *image, const char *key, const char *english)
{
    LXButton *button = LXButton::createImageButton(_titleBar, layout, QLatin1String(image),
        KVLanguage::lookupJapanese(QLatin1String(key)), QSize(36, kTitleHeight));
    // An English user gets no Japanese tool tip on this bar.
    KVLanguage::instance()->registerText(
        KVLanguage::LANGUAGE_ENGLISH, KVLanguage::TOOLTIP, button, QLatin1String(english));
    KVLayout::addSpacer(layout, 6, 0);
    return button;
}

// ---------------------------------------------------------------- title and picture

void KVFrameVideoBase::setTitleImage(bool invert)
{
    const bool front = _showsFront != invert;
    _titleImage = QStringLiteral(":/image/title_video_%1%2.png")
                      .arg(front ? QLatin1String("front") : QLatin1String("rear"),
                          KVLanguage::isJapanese() ? QString() : QStringLiteral("_en"));
    _titleLabel->setPixmap(QPixmap(_titleImage));
}

bool KVFrameVideoBase::isShowingVideo() const
{
    return _videoWidget && !_videoWidget->isHidden();
}

void KVFrameVideoBase::showVideo(bool video)
{
    setUpdatesEnabled(false);
    if (!video) {
        if (_videoWidget) {
            _layout->removeWidget(_videoWidget);
            _videoWidget->hide();
        }
        if (_layout->indexOf(_logoWidget) < 0)
            _layout->insertWidget(1, _logoWidget, 1);
        _logoWidget->show();
    } else if (_videoWidget && _videoWidget->isHidden()) {
        _layout->removeWidget(_logoWidget);
        _logoWidget->hide();
        _layout->insertWidget(1, _videoWidget, 1);
        _videoWidget->show();
    }
    setUpdatesEnabled(true);
    if (video && _zoomOn)
        QTimer::singleShot(kRetryMs, this, &KVFrameVideoBase::onForceUpdateZoom);
}

void KVFrameVideoBase::setVideoWidget(QWidget *widget)
{
    if (!widget)
        return;
    _videoWidget = widget;
    _videoWidget->hide();
    _videoWidget->setParent(this);
    _videoWidget->setMinimumSize(160, 90);
    _videoLayout = new QHBoxLayout(_videoWidget);
    _videoLayout->setContentsMargins(0, 0, 0, 0);
    _videoLayout->setSpacing(0);

    _insetBox = new QWidget(_videoWidget);
    _insetBox->setObjectName(QStringLiteral("test_widget"));
    _insetBox->setAttribute(Qt::WA_StyledBackground, true);
    auto *insetBoxLayout = new QHBoxLayout(_insetBox);
    insetBoxLayout->setContentsMargins(1, 1, 1, 1);
    insetBoxLayout->setSpacing(0);
    _videoLayout->addWidget(_insetBox);
    layoutInset();
    _insetBox->hide();
}

bool KVFrameVideoBase::frameSideLoaded() const
{
    KVPlayer *player = KVPlayer::instance();
    kvm::AVPlayer *side = _isMain ? player->mainPlayer() : player->secondaryPlayer();
    return side && side->isLoaded();
}

// ---------------------------------------------------------------- inset

void KVFrameVideoBase::layoutInset()
{
    if (!_insetBox)
        return;
    const QSize size = _fullScreen ? kFullScreenInset : _insetRect.size();
    const int top = _fullScreen ? kFullScreenInsetTop : _insetRect.top();
    const int side = _fullScreen ? kFullScreenInsetSide : _insetRect.left();
    _insetBox->setFixedSize(size);
    if (_insetOnRight) {
        _videoLayout->setAlignment(_insetBox, Qt::AlignRight | Qt::AlignTop);
        _videoLayout->setContentsMargins(0, top, side, 0);
    } else {
        _videoLayout->setAlignment(_insetBox, Qt::AlignLeft | Qt::AlignTop);
        _videoLayout->setContentsMargins(side, top, 0, 0);
    }
    _videoLayout->activate();
}

void KVFrameVideoBase::onTogglePIPLocation()
{
    _insetOnRight = !_insetOnRight;
    layoutInset();
}

void KVFrameVideoBase::onToggleShowHidePIP()
{
    if (_zoomOn && _insetBox)
        _insetBox->setVisible(_insetBox->isHidden());
}

void KVFrameVideoBase::onHidePIPForCapture(bool hide)
{
    if (!_zoomOn || !_insetBox) {
        // Restoring after a capture that ended the zoom: the box was hidden
        // with the zoom; it comes back with the next zoom.
        return;
    }
    if (hide) {
        _insetWasHidden = _insetBox->isHidden();
        _insetBox->hide();
        onToggleZoom();
    } else if (!_insetWasHidden) {
        _insetBox->show();
    }
}

// ---------------------------------------------------------------- zoom

void KVFrameVideoBase::onToggleZoom()
{
    if (!_insetBox)
        return;
    KVPlayer *player = KVPlayer::instance();
    _zoomOn = !_zoomOn;
    _insetBox->setVisible(_zoomOn);
    if (_zoomOn) {
        _overviewWidget = player->startZoom(true);
        if (!player->zoomedOutput()) {
            // Nothing to zoom (no picture yet): stay as before.
            _zoomOn = false;
            _overviewWidget = nullptr;
            _insetBox->hide();
            return;
        }
        // Without an overview picture (a renderer without a widget) the
        // outline is drawn on the empty box.
        QWidget *host = _overviewWidget ? _overviewWidget : _insetBox;
        _zoomPosition = new KVWidgetZoomPos(host);
        if (_overviewWidget) {
            _insetLayout = new QVBoxLayout(_overviewWidget);
            _insetLayout->setContentsMargins(0, 0, 0, 0);
            _insetLayout->setSpacing(0);
            _insetLayout->addWidget(_zoomPosition);
            _overviewWidget->setParent(_insetBox);
            _insetBox->layout()->addWidget(_overviewWidget);
            _overviewWidget->show();
        } else {
            _insetBox->layout()->addWidget(_zoomPosition);
        }
        _zoomPosition->show();
        onForceUpdateZoom();
    } else {
        delete _updateTimer;
        _updateTimer = nullptr;
        _dragging = false;
        delete _zoomPosition;
        _zoomPosition = nullptr;
        delete _insetLayout;
        _insetLayout = nullptr;
        if (_overviewWidget) {
            // The player deletes the overview renderer with its widget.
            _insetBox->layout()->removeWidget(_overviewWidget);
            _overviewWidget = nullptr;
        }
        player->stopZoom(true);
    }
}

void KVFrameVideoBase::onForceUpdateZoom()
{
    if (!_zoomOn || !_zoomPosition)
        return;
    if (!KVPlayer::instance()->setZoomCenter(
            _zoomPosition->zoomX(), _zoomPosition->zoomY(), _isMain))
        QTimer::singleShot(kRetryMs, this, &KVFrameVideoBase::onForceUpdateZoom);
}

void KVFrameVideoBase::repaintZoomPosition()
{
    if (_zoomOn && _zoomPosition)
        _zoomPosition->update();
}

bool KVFrameVideoBase::panning() const
{
    return _zoomOn && _zoomPosition;
}

void KVFrameVideoBase::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->position().y() > _titleLabel->height() && frameSideLoaded()) {
        onToggleZoom();
        event->accept();
        return;
    }
    KVWidgetBase::mouseDoubleClickEvent(event);
}

void KVFrameVideoBase::mousePressEvent(QMouseEvent *event)
{
    if (!panning() || event->button() != Qt::LeftButton) {
        KVWidgetBase::mousePressEvent(event);
        return;
    }
    _dragging = true;
    _pressPos = event->position().toPoint();
    _currentPos = _pressPos;
    _zoomPosition->beginDrag();
    event->accept();
}

void KVFrameVideoBase::mouseMoveEvent(QMouseEvent *event)
{
    if (!panning() || !_dragging) {
        KVWidgetBase::mouseMoveEvent(event);
        return;
    }
    _currentPos = event->position().toPoint();
    if (!_updateTimer) {
        _updateTimer = new QTimer(this);
        _updateTimer->setSingleShot(true);
        connect(_updateTimer, &QTimer::timeout, this, &KVFrameVideoBase::onUpdateZoom);
        _updateTimer->start(kPanStepMs);
    }
    event->accept();
}

void KVFrameVideoBase::mouseReleaseEvent(QMouseEvent *event)
{
    if (!panning() || !_dragging || event->button() != Qt::LeftButton) {
        KVWidgetBase::mouseReleaseEvent(event);
        return;
    }
    // The last step of the drag is taken at once, so a release within the
    // 50 ms of the last step does not lose the end of the drag.
    _currentPos = event->position().toPoint();
    onUpdateZoom();
    _dragging = false;
    event->accept();
}

void KVFrameVideoBase::onUpdateZoom()
{
    if (_updateTimer) {
        _updateTimer->deleteLater();
        _updateTimer = nullptr;
    }
    if (!_dragging || !_zoomPosition || width() <= 0 || height() <= 0)
        return;
    const float dx = 0.5f * float(_pressPos.x() - _currentPos.x()) / float(width());
    const float dy = 0.5f * float(_pressPos.y() - _currentPos.y()) / float(height());
    _zoomPosition->moveBy(dx, dy);
    KVPlayer::instance()->setZoomCenter(_zoomPosition->zoomX(), _zoomPosition->zoomY(), _isMain);
    _zoomPosition->update();
}

// ---------------------------------------------------------------- events

void KVFrameVideoBase::onPlayEvent(PLAY_EVENT event, KVVideoItem *item)
{
    KVPlayer *player = KVPlayer::instance();
    switch (event) {
    case PLAY_SWAPPED:
    case PLAY_UNSWAPPED:
        _showsFront = _isMain == (event == PLAY_UNSWAPPED);
        setTitleImage(false);
        _logoWidget->setFront(_showsFront);
        showVideo(frameSideLoaded());
        repaintZoomPosition();
        break;
    case PLAY_FIRST_FRAME:
        if (item) {
            showVideo(frameSideLoaded());
            break;
        }
        showVideo(false);
        setTitleImage(false);
        break;
    case PLAY_STOPPED:
    case PLAY_NO_MEDIA: // a load that could not play: nothing is left either
        if (!item && !KVPlayProcess::instance()->pendingItem()) {
            // Nothing left to zoom into: the logo comes back without the
            // inset of the last recording.
            if (_zoomOn)
                onToggleZoom();
            showVideo(false);
            setTitleImage(false);
        }
        break;
    case PLAY_LOADED:
        if (!item)
            break;
        repaintZoomPosition();
        {
            const bool hasFront = !item->frontPath().isEmpty();
            const bool hasRear = !item->rearPath().isEmpty();
            _swapButton->setEnabled(hasFront && hasRear);
            const bool swapped = player->isSwapped();
            setTitleImage((!hasFront && !swapped) || (!hasRear && swapped));
        }
        break;
    default:
        break;
    }
}

void KVFrameVideoBase::onAppEvent(KVApp::Event event)
{
    if (event == KVApp::EVENT_APP_CLOSING && _zoomOn) {
        // The overview renderer is the player's: handed back before the
        // window and its inset box go.
        onToggleZoom();
        return;
    }
    if (event != KVApp::EVENT_FULLSCREEN_ENTERING && event != KVApp::EVENT_FULLSCREEN_LEAVING)
        return;
    if (_zoomOn)
        onToggleZoom();
    _fullScreen = event == KVApp::EVENT_FULLSCREEN_ENTERING;
    _titleLabel->setVisible(!_fullScreen);
    // In full screen the title bar stays, and its button leaves full screen:
    // it shows so.
    _fullScreenButton->setStyleSheet(KVStyleTemplate::imageButton(
        _fullScreen ? QStringLiteral("vt_restore") : QStringLiteral("vt_fullscreen")));
    const bool japanese = KVLanguage::isJapanese();
    _fullScreenButton->setToolTip(_fullScreen
            ? (japanese ? QStringLiteral("元のサイズに戻す") : QStringLiteral("Exit Full Screen"))
            : (japanese ? KVLanguage::lookupJapanese(QStringLiteral("fullscreen"))
                        : QStringLiteral("Full Screen")));
    layoutInset();
}

void KVFrameVideoBase::onLanguageChange(KVLanguage::LANGUAGE_TYPE)
{
    setTitleImage(false);
}

// ---------------------------------------------------------------- main frame

KVFrameVideoMain::KVFrameVideoMain(QWidget *parent) : KVFrameVideoBase(parent, true)
{
    setInsetRect(kInsetRect);
    setVideoWidget(KVPlayer::instance()->rendererWidget());
}
