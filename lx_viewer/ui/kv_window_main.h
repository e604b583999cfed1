#pragma once
// The viewer's main window: frameless, 1094 x 687, titled "Korvid", with the
// title bar, the left column (video, position bar, graph, equaliser, play
// bar) and the right column (position, map area, list). It owns the
// window-level actions: close (application closing event, then quit),
// minimise, full screen (Return/Enter toggle, Escape leaves; application
// events 1-4) and the information pop-up.
//
// Keys that reach the window go to the key handler (kv_key_forward.h); when
// a modal pop-up blocks the window or it stops being the active window, a
// held key ends there as if released (its release goes to the other window).
//
// The window's code is split by concern, one file each:
//   kv_window_main.cpp          shell: geometry, close, minimise, full screen
//   kv_window_main_player.cpp   video frames, position bar, equaliser, play bar
//   kv_window_main_list.cpp     list frame, folder loading, drag and drop,
//                               the play bar's next, previous and open buttons
//   kv_window_main_sensors.cpp  graph, speed, position frame, map
//   kv_window_main_capture.cpp  still capture and accident report
//
// Thread: GUI thread only.

#include "kv_window_base.h"

class KVFrameLeft;
class KVFramePlay;
class KVFrameEQ;
class KVFrameVideoMain;
class KVPlaySlider;
class KVFrameRight;
class QHBoxLayout;
class KVShortcut;

class WindowMain : public KVWindowBase
{
    Q_OBJECT
public:
    static WindowMain *instance();
    ~WindowMain() override;

    static constexpr int kWidth = 1094;
    static constexpr int kHeight = 687;

    KVFrameLeft *leftFrame() const { return _leftFrame; }
    KVFrameRight *rightFrame() const { return _rightFrame; }
    KVShortcut *escapeShortcut() const { return _shortcutEscape; }
    KVShortcut *returnShortcut() const { return _shortcutReturn; }
    KVShortcut *enterShortcut() const { return _shortcutEnter; }
    // Ctrl+O: the play bar's open button (not in full screen, where the
    // button is hidden too).
    KVShortcut *openShortcut() const { return _shortcutOpen; }

public slots:
    void onCloseApplication();
    void onShowInfo();
    void onMinimize();
    void onFullScreen();
    // The window was dragged: the map dialog follows its place-holder.
    void onWindowMove();

    // --- kv_window_main_list.cpp
    void onLoadingListStart(bool loading);
    void onLoadingListEnd(bool loading);
    // Opens the folder named on the command line (arguments as
    // QCoreApplication::arguments() gives them) once the event loop runs.
    void openFromCommandLine(const QStringList &arguments);

    // --- kv_window_main_capture.cpp
    void onStartReport();
    void onStartCapture();
    void onRequestVideoCaptureDone(QList<QString> *list);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    explicit WindowMain(QWidget *parent = nullptr);

    // Construction steps, in wiring order (see the constructor).
    // --- kv_window_main_player.cpp
    void buildPlayerFrames();

public:
    // The frames of the left column (null until buildPlayerFrames ran).
    KVFramePlay *framePlay() const { return _framePlay; }
    KVFrameVideoMain *frameVideo() const { return _frameVideo; }
    KVPlaySlider *playSlider() const { return _playSlider; }
    KVFrameEQ *frameEQ() const { return _frameEQ; }
    // Tests only: a closed window may close again (several closes in one run).
    void reopenForTest() { _closing = false; }

private:
    KVFramePlay *_framePlay = nullptr;
    KVFrameVideoMain *_frameVideo = nullptr;
    KVPlaySlider *_playSlider = nullptr;
    KVFrameEQ *_frameEQ = nullptr;
    // --- kv_window_main_list.cpp
    void buildListFrame();
    void wireCatalogue();
    void wirePlayBar();
    // A folder, or a recording file meaning its folder, dropped on the window.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    // --- kv_window_main_sensors.cpp
    void buildSensorFrames();
    void createMapDialog();
    void placeMapDialog();
    // --- kv_window_main_capture.cpp
    void wireCapture();
    KVShortcut *addFullScreenShortcut(Qt::Key key);
    // Return and Enter always, Escape in full screen; none while a modal
    // pop-up blocks the window.
    void updateFullScreenShortcuts();
    void setContentSpacing(int pixels);

    static WindowMain *s_instance;
    KVFrameLeft *_leftFrame = nullptr;
    KVFrameRight *_rightFrame = nullptr;
    QHBoxLayout *_contentLayout = nullptr;
    KVShortcut *_shortcutEscape = nullptr;
    KVShortcut *_shortcutReturn = nullptr;
    KVShortcut *_shortcutEnter = nullptr;
    KVShortcut *_shortcutOpen = nullptr;
    bool _firstShow = true;
    bool _closing = false;
};
