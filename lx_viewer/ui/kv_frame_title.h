#pragma once
// The title bar of the main window and of the windows built on KVWindowBase:
// logo or title text at the left, the picture buttons at the right (report,
// capture, settings, info, language, minimise, close; report, settings and
// language stay hidden) and the application-wide shortcuts F3 (report), F5
// (capture), F6 (no action) and F7 (information). It hides itself while the
// window is in full screen.
//
// Report and capture start disabled and are enabled while a recording is
// loaded (setMediaActionsEnabled). The bar itself does not act: it emits
// reportRequested, captureRequested and infoRequested for the window.
//
// Thread: GUI thread only.

#include "core/kv_player_base.h"
#include "kv_widget_base.h"

class LXButton;
class QHBoxLayout;
class QLabel;
class KVShortcut;

class LXFrameTitle : public KVWidgetBase
{
    Q_OBJECT
public:
    static constexpr int kHeight = 43;

    LXFrameTitle(QWidget *parent, const QString &logo, const QString &title);

    LXButton *reportButton() const { return _reportButton; }
    LXButton *captureButton() const { return _captureButton; }
    LXButton *settingsButton() const { return _settingsButton; }
    LXButton *infoButton() const { return _infoButton; }
    LXButton *languageButton() const { return _languageButton; }
    LXButton *minimizeButton() const { return _minimizeButton; }
    LXButton *closeButton() const { return _closeButton; }
    KVShortcut *reportShortcut() const { return _shortcutF3; }
    KVShortcut *captureShortcut() const { return _shortcutF5; }
    KVShortcut *infoShortcut() const { return _shortcutF7; }
    QLabel *logoLabel() const { return _logoLabel; }

    // Report and capture (buttons and F3/F5): on while a recording is loaded.
    void setMediaActionsEnabled(bool enabled);

signals:
    void reportRequested();
    void captureRequested();
    void infoRequested();

public slots:
    void onAppEvent(KVApp::Event event) override;
    // Report and capture follow the player: on at PLAY_LOADED, off at a
    // user stop and at a stop with nothing to follow.
    void onPlayEvent(PLAY_EVENT event, KVVideoItem *item);

private:
    LXButton *addButton(const QString &name, const QString &toolTip, const QString &english);
    KVShortcut *addShortcut(Qt::Key key);

    LXButton *_reportButton = nullptr;
    LXButton *_captureButton = nullptr;
    LXButton *_settingsButton = nullptr;
    LXButton *_infoButton = nullptr;
    LXButton *_languageButton = nullptr;
    LXButton *_minimizeButton = nullptr;
    LXButton *_closeButton = nullptr;
    KVShortcut *_shortcutF3 = nullptr;
    KVShortcut *_shortcutF6 = nullptr;
    KVShortcut *_shortcutF7 = nullptr;
    KVShortcut *_shortcutF5 = nullptr;
    QHBoxLayout *_layout = nullptr;
    QHBoxLayout *_buttonLayout = nullptr;
    QLabel *_logoLabel = nullptr;
};
