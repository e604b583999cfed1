// WindowMain: the graph strip, the position frame and the map.

#include "kv_window_main.h"

void WindowMain::buildSensorFrames()
{
}

void WindowMain::createMapDialog()
{
}

void WindowMain::placeMapDialog()
{
}
