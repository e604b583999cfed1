#include "kv_window_main.h"

#include "app/kv_app.h"
#include "app/kv_language.h"
#include "app/kv_shortcut.h"
#include "core/kv_player.h"
#include "data/kv_video_file_list.h"
#include "kv_frame_left.h"
#include "kv_frame_list.h"
#include "kv_frame_right.h"
#include "kv_frame_title.h"
#include "kv_key_forward.h"
#include "kv_lx_button.h"
#include "kv_popup_info.h"
#include "kv_widget_drag.h"
#include "kv_widget_video_list.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QTimer>

WindowMain *WindowMain::s_instance = nullptr;

WindowMain *WindowMain::instance()
{
    if (!s_instance)
        s_instance = new WindowMain();
    return s_instance;
}

WindowMain::WindowMain(QWidget *parent)
    : KVWindowBase(parent, QStringLiteral("title_logo.png"), QString(), false)
{
    setObjectName(QStringLiteral("window_main"));
    KVApp *hub = KVApp::instance();
    hub->setMainWindow(this);
    hub->createShortcuts();

    setWindowTitle(QStringLiteral("Korvid"));
    setFixedSize(kWidth, kHeight);

    LXFrameTitle *title = titleBar();
    connect(title->closeButton(), &QPushButton::clicked, this, &WindowMain::onCloseApplication);
    connect(title->minimizeButton(), &QPushButton::clicked, this, &WindowMain::onMinimize);
    connect(dragFilter(), &KVWidgetDrag::onWindowMove, this, &WindowMain::onWindowMove);
    connect(title, &LXFrameTitle::infoRequested, this, &WindowMain::onShowInfo);

    _shortcutEscape = addFullScreenShortcut(Qt::Key_Escape);
    _shortcutReturn = addFullScreenShortcut(Qt::Key_Return);
    _shortcutEnter = addFullScreenShortcut(Qt::Key_Enter);
    updateFullScreenShortcuts();

    _contentLayout = new QHBoxLayout(contentWidget());
    setContentSpacing(4);
    _leftFrame = new KVFrameLeft(contentWidget());
    _rightFrame = new KVFrameRight(contentWidget());
    _contentLayout->addWidget(_leftFrame);
    _contentLayout->addWidget(_rightFrame);
    buildPlayerFrames();
    buildSensorFrames();
    buildListFrame();

    wireCatalogue(); // catalogue signals, automatic advance on the list table
    createMapDialog();
    wireCapture(); // capture and report actions, capture results
    wirePlayBar(); // play bar's next, previous and open buttons

    // A shortcut answers only while the widget it belongs to is shown. Full
    // screen hides the list and the title bar: their keys (PageDown,
    // PageUp, F3, F5, F7) belong to the window instead, which is always
    // shown, so they go on working there.
    KVWidgetVideoList *table = KVFrameList::instance()->table();
    for (KVShortcut *shortcut : {table->nextShortcut(), table->previousShortcut(),
             title->reportShortcut(), title->captureShortcut(), title->infoShortcut()})
        shortcut->setParent(this);
}

WindowMain::~WindowMain()
{
    if (s_instance == this)
        s_instance = nullptr;
}

KVShortcut *WindowMain::addFullScreenShortcut(Qt::Key key)
{
    auto *shortcut = new KVShortcut(QKeySequence(key), this);
    connect(shortcut, &QShortcut::activated, this, &WindowMain::onFullScreen);
    return shortcut;
}

void WindowMain::updateFullScreenShortcuts()
{
    _shortcutEscape->setWanted(isFullScreen());
    if (_shortcutOpen)
        _shortcutOpen->setWanted(!isFullScreen());
}

void WindowMain::setContentSpacing(int pixels)
{
    _contentLayout->setContentsMargins(pixels, pixels, pixels, pixels);
    _contentLayout->setSpacing(pixels);
}

void WindowMain::onCloseApplication()
{
    if (_closing)
        return;
    _closing = true;
    // The progress pop-up is not modal, so a backup may still be copying.
    KVVideoFileList::stopBackupForExit();
    emit KVApp::instance()->appEvent(KVApp::EVENT_APP_CLOSING);
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void WindowMain::closeEvent(QCloseEvent *event)
{
    // A close from outside (the desktop's close) ends the program the same
    // way as the close button.
    if (!_closing)
        onCloseApplication();
    event->accept();
}

void WindowMain::onShowInfo()
{
    KVPlayer::instance()->pauseIfRunning();
    auto *popup = new KVPopupInfo(this, QString(), QString());
    popup->exec();
    delete popup;
}

void WindowMain::onMinimize()
{
    showMinimized();
}

void WindowMain::onFullScreen()
{
    if (KVKeyForward::isKeyHeld())
        return;
    const bool entering = !isFullScreen();
    KVApp *hub = KVApp::instance();
    hide();
    emit hub->appEvent(
        entering ? KVApp::EVENT_FULLSCREEN_ENTERING : KVApp::EVENT_FULLSCREEN_LEAVING);
    if (entering) {
        setContentSpacing(0);
        // The fixed window size would keep the window from filling the screen.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        showFullScreen();
    } else {
        setContentSpacing(4);
        showNormal();
        setFixedSize(kWidth, kHeight);
        QTimer::singleShot(10, this, [this] { setFocus(Qt::OtherFocusReason); });
    }
    updateFullScreenShortcuts(); // Escape only in full screen
    emit hub->appEvent(entering ? KVApp::EVENT_FULLSCREEN_ENTERED : KVApp::EVENT_FULLSCREEN_LEFT);
    show();
}

void WindowMain::onWindowMove()
{
    placeMapDialog();
}

bool WindowMain::event(QEvent *event)
{
    // The release of a key held now would reach the pop-up or the other
    // window, never this one.
    if (event->type() == QEvent::WindowBlocked || event->type() == QEvent::WindowDeactivate)
        KVKeyForward::releaseHeldKey();
    return KVWindowBase::event(event);
}

void WindowMain::keyPressEvent(QKeyEvent *event)
{
    KVKeyForward::keyPress(event);
}

void WindowMain::keyReleaseEvent(QKeyEvent *event)
{
    KVKeyForward::keyRelease(event);
}

void WindowMain::showEvent(QShowEvent *event)
{
    KVWindowBase::showEvent(event);
    if (!_firstShow)
        return;
    _firstShow = false;
    placeMapDialog();
    // Widgets are built with their Japanese tool tips; English replaces them
    // once. (Applying again on later shows would overwrite tool tips that
    // frames have since changed, such as the play button's "Pause".)
    if (!KVLanguage::isJapanese())
        KVLanguage::instance()->apply();
}
