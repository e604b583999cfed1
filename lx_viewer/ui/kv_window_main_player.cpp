// WindowMain: video frames, position bar, equaliser and play bar of the left column.

#include "kv_window_main.h"

#include "core/kv_key_event.h"
#include "core/kv_player.h"
#include "kv_frame_eq.h"
#include "kv_frame_left.h"
#include "kv_frame_play.h"
#include "kv_frame_title.h"
#include "kv_frame_video.h"
#include "kv_key_forward.h"
#include "kv_lx_button.h"
#include "kv_play_slider.h"

void WindowMain::buildPlayerFrames()
{
    // Keys of the window go to the application key handler.
    KVKeyForward::setHandler({[](int key) { KVKeyEvent::instance()->keyPressed(key); },
        [](int key) { KVKeyEvent::instance()->keyReleased(key); },
        [] { return KVKeyEvent::instance()->isKeyHeld(); },
        [] { KVKeyEvent::instance()->releaseHeldKey(); }});

    _frameVideo = new KVFrameVideoMain(_leftFrame);
    _leftFrame->setVideoFrame(_frameVideo);
    connect(
        _frameVideo->fullScreenButton(), &QPushButton::clicked, this, &WindowMain::onFullScreen);
    _playSlider = new KVPlaySlider(_leftFrame);
    _leftFrame->setPlaySlider(_playSlider);
    _frameEQ = new KVFrameEQ(_leftFrame);
    _leftFrame->setEqualiserFrame(_frameEQ);
    _framePlay = new KVFramePlay(_leftFrame);
    _leftFrame->setPlayFrame(_framePlay);

    connect(KVPlayer::instance(), &KVPlayerBase::playEvent, titleBar(), &LXFrameTitle::onPlayEvent);
}
