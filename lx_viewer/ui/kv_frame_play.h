#pragma once
// KVFramePlay: the play bar under the equaliser. Previous file, play/pause
// (checked while playing), stop, next file and, at the right, the open
// button; Space plays or pauses and Backspace restarts the recording from
// its start, both application-wide.
//
// The bar drives the player itself (play/pause, stop and the shortcuts).
// The previous, next and open buttons only emit clicked(); the main window
// wires them to the list.
//
// Enabled state: play, previous, next and both shortcuts follow the list
// (enabled exactly when the catalogue shows at least one recording); stop is
// enabled from PLAY_LOADED until the next stop; open is always enabled but
// hidden in full screen.
//
// Thread: GUI thread only.

#include "core/kv_player_base.h"
#include "kv_widget_base.h"

class LXButton;
class QHBoxLayout;
class KVShortcut;

class KVFramePlay : public KVWidgetBase
{
    Q_OBJECT
public:
    static constexpr int kButtonSize = 62;
    static constexpr int kOpenWidth = 121;
    static constexpr int kOpenHeight = 70;

    explicit KVFramePlay(QWidget *parent = nullptr);

    LXButton *previousButton() const { return _previousButton; }
    LXButton *playButton() const { return _playButton; }
    LXButton *stopButton() const { return _stopButton; }
    LXButton *nextButton() const { return _nextButton; }
    LXButton *openButton() const { return _openButton; }
    KVShortcut *playShortcut() const { return _playShortcut; }
    KVShortcut *restartShortcut() const { return _restartShortcut; }

public slots:
    void onAppEvent(KVApp::Event event) override;
    void onPlayEvent(PLAY_EVENT event, KVVideoItem *item);
    // The catalogue finished a scan or a re-filter.
    void onLoadingListEnd(bool bLoading);

private:
    LXButton *addButton(const char *image, const char *key, const QString &english);

    QHBoxLayout *_layout = nullptr;
    LXButton *_playButton = nullptr;
    LXButton *_stopButton = nullptr;
    LXButton *_previousButton = nullptr;
    LXButton *_nextButton = nullptr;
    LXButton *_openButton = nullptr;
    KVShortcut *_playShortcut = nullptr;
    KVShortcut *_restartShortcut = nullptr;
};
