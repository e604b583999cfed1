// WindowMain: the graph strip, the position frame and the map.

#include "kv_window_main.h"

#include "kv_dialog_map.h"
#include "kv_frame_gps.h"
#include "kv_frame_graph.h"
#include "kv_frame_left.h"
#include "kv_frame_right.h"

void WindowMain::buildSensorFrames()
{
    _leftFrame->setGraphFrame(new KVFrameGraph(_leftFrame));
    _rightFrame->setPositionFrame(new LXFrameGPS(_rightFrame));
}

void WindowMain::createMapDialog()
{
    // The map lives in the right column's place-holder. Its web view starts
    // once the window has painted, so the window never waits for it.
    KVDialogMap::instance(_rightFrame->mapAnchor());
}

void WindowMain::placeMapDialog()
{
    KVDialogMap *map = KVDialogMap::instance(_rightFrame->mapAnchor());
    // First show: the map comes out of its start-up state and shows; later
    // calls (window moves) only place it.
    if (map->isStarting() && map->prepareShow())
        map->show();
    map->snapTo(_rightFrame->mapAnchor());
}
