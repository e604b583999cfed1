// WindowMain: video frames, position bar, equaliser and play bar of the left column.

#include "kv_window_main.h"

void WindowMain::buildPlayerFrames()
{
}
