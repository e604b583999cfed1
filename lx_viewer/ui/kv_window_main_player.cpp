// WindowMain: video frames, position bar, equaliser and play bar of the left column.

#include "kv_window_main.h"

#include "kv_frame_left.h"
#include "kv_frame_play.h"

void WindowMain::buildPlayerFrames()
{
    _framePlay = new KVFramePlay(_leftFrame);
    _leftFrame->setPlayFrame(_framePlay);
}
