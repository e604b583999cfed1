#pragma once
// The video frame: a title bar (the camera's title picture, then the flip,
// swap and full-screen buttons) over the main player's picture, or over the
// camera's logo while nothing is shown.
//
// It also owns the zoom interaction: a double click below the title bar
// zooms the picture two times (KVPlayerZoom::startZoom), dragging pans the
// zoomed part (at most one pan step per 50 ms), and the inset box in a top
// corner shows the whole picture with the zoomed part outlined
// (KVWidgetZoomPos). F9 moves the inset box between the left and the right
// corner, F10 hides and shows it (the hub's shortcuts). Entering or leaving
// full screen turns the zoom off; in full screen the inset is 480 x 270, 50
// px from the side and 44 px from the top. A capture hides the inset and
// ends the zoom (hub's hidePIPForCapture).
//
// KVFrameVideoMain is the main frame: it shows the player's renderer widget.
//
// Thread: GUI thread only.

#include "app/kv_language.h"
#include "core/kv_player_base.h"
#include "kv_widget_base.h"

#include <QPoint>
#include <QRect>

class KVWidgetZoomPos;
class LXButton;
class LXLogoWidget;
class QHBoxLayout;
class QLabel;
class QTimer;
class QVBoxLayout;

class KVFrameVideoBase : public KVWidgetBase
{
    Q_OBJECT
public:
    static constexpr int kTitleHeight = 26;
    static constexpr int kPanStepMs = 50;
    static constexpr int kRetryMs = 10;
    static constexpr QSize kFullScreenInset{480, 270};
    static constexpr int kFullScreenInsetTop = 44;
    static constexpr int kFullScreenInsetSide = 50;

    KVFrameVideoBase(QWidget *parent, bool isMain);

    bool isMain() const { return _isMain; }
    bool showsFront() const { return _showsFront; }
    bool isZoomOn() const { return _zoomOn; }
    bool isInsetOnRight() const { return _insetOnRight; }
    bool isShowingVideo() const;
    QWidget *videoWidget() const { return _videoWidget; }
    QWidget *titleBar() const { return _titleBar; }
    QLabel *titleLabel() const { return _titleLabel; }
    LXButton *flipHButton() const { return _flipHButton; }
    LXButton *flipVButton() const { return _flipVButton; }
    LXButton *swapButton() const { return _swapButton; }
    LXButton *fullScreenButton() const { return _fullScreenButton; }
    LXLogoWidget *logoWidget() const { return _logoWidget; }
    QWidget *insetBox() const { return _insetBox; }
    KVWidgetZoomPos *zoomPosition() const { return _zoomPosition; }
    QWidget *overviewWidget() const { return _overviewWidget; }
    // The resource name of the title picture shown now.
    QString titleImage() const { return _titleImage; }

    // Size and margins of the inset box in the normal window (left, top
    // are the margins from the corner).
    void setInsetRect(const QRect &rect) { _insetRect = rect; }

public slots:
    virtual void onPlayEvent(PLAY_EVENT event, KVVideoItem *item);
    void onAppEvent(KVApp::Event event) override;
    void onUpdateZoom();
    void onForceUpdateZoom();
    void onToggleZoom();
    void onTogglePIPLocation();
    void onToggleShowHidePIP();
    void onHidePIPForCapture(bool hide);
    void onLanguageChange(KVLanguage::LANGUAGE_TYPE language);

protected:
    void setVideoWidget(QWidget *widget);
    void setTitleImage(bool invert);
    void showVideo(bool video);
    void layoutInset();
    // Whether the player of the picture this frame shows has a recording.
    bool frameSideLoaded() const;

    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    LXButton *addTitleButton(
        QHBoxLayout *layout, const char *image, const char *key, const char *english);
    void repaintZoomPosition();
    bool panning() const;

    bool _isMain = false;
    bool _showsFront = false;
    QWidget *_videoWidget = nullptr;
    QWidget *_titleBar = nullptr;
    QLabel *_titleLabel = nullptr;
    LXButton *_flipHButton = nullptr;
    LXButton *_flipVButton = nullptr;
    LXButton *_swapButton = nullptr;
    LXButton *_fullScreenButton = nullptr;
    QVBoxLayout *_layout = nullptr;
    LXLogoWidget *_logoWidget = nullptr;
    bool _fullScreen = false;
    QWidget *_insetBox = nullptr;
    QHBoxLayout *_videoLayout = nullptr;
    QVBoxLayout *_insetLayout = nullptr;
    KVWidgetZoomPos *_zoomPosition = nullptr;
    QWidget *_overviewWidget = nullptr;
    QPoint _currentPos;
    QPoint _pressPos;
    QTimer *_updateTimer = nullptr;
    bool _insetOnRight = false;
    bool _zoomOn = false;
    bool _insetWasHidden = false;
    QRect _insetRect;
    bool _dragging = false;
    QString _titleImage;
};

class KVFrameVideoMain : public KVFrameVideoBase
{
    Q_OBJECT
public:
    // The inset box in the normal window: 166 x 94, 18 px from the side and
    // 17 px from the top.
    static constexpr QRect kInsetRect{18, 17, 166, 94};

    explicit KVFrameVideoMain(QWidget *parent = nullptr);
};
