#include "kv_display_awake.h"

#include "app/kv_app.h"
#include "app/kv_screensaver.h"
#include "core/kv_play_process.h"

KVDisplayAwake::KVDisplayAwake(KVPlayerBase *player) : QObject(player)
{
    connect(player, &KVPlayerBase::playEvent, this, &KVDisplayAwake::onPlayEvent);
}

bool KVDisplayAwake::wantedAfter(PLAY_EVENT event, bool wanted, bool nextOnItsWay)
{
    switch (event) {
    case PLAY_PLAYING:
        return true;
    case PLAY_PAUSED:
    case PLAY_USER_STOP:
        return false;
    case PLAY_STOPPED:
    case PLAY_NO_MEDIA:
        return wanted && nextOnItsWay;
    default:
        return wanted;
    }
}

void KVDisplayAwake::onPlayEvent(PLAY_EVENT event, KVVideoItem *item)
{
    KVApp *hub = KVApp::instance();
    const bool nextOnItsWay = item || KVPlayProcess::instance()->pendingItem();
    const bool wanted = hub->screenSaverInhibitor()->wanted();
    const bool now = wantedAfter(event, wanted, nextOnItsWay);
    if (now != wanted)
        hub->setDisplayRequired(now);
}
