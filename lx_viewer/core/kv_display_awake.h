#pragma once
// Keeps the display awake while a recording plays, and only then. Playing
// asks the desktop to hold off its screen saver (and its lock); a pause, a
// user's stop, a stop with nothing to follow and a load that cannot play
// let it go. Between two recordings (the automatic advance, or a recording
// chosen while another plays) the request stays, so the screen does not
// blank in the gap.
//
// Thread: GUI thread only; follows the player's playEvent.

#include "kv_player_base.h"

#include <QObject>

class KVDisplayAwake : public QObject
{
    Q_OBJECT
public:
    explicit KVDisplayAwake(KVPlayerBase *player);

    // Whether the display is to stay awake after the event, given whether
    // it was, and whether another recording is on its way (the event's next
    // recording, or one chosen and waiting for the stop).
    static bool wantedAfter(PLAY_EVENT event, bool wanted, bool nextOnItsWay);

private:
    void onPlayEvent(PLAY_EVENT event, KVVideoItem *item);
};
