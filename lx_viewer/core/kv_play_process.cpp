#include "kv_play_process.h"

#include "core/kv_player.h"
#include "data/kv_video_file_list.h"

#include <QTimer>
#include <QtDebug>

KVPlayProcess *KVPlayProcess::instance()
{
    static KVPlayProcess *s_instance = nullptr;
    if (!s_instance)
        s_instance = new KVPlayProcess();
    return s_instance;
}

KVPlayProcess::KVPlayProcess(QObject *parent) : QObject(parent)
{
}

bool KVPlayProcess::loadInProgress()
{
    return KVVideoFileList::loadInProgress();
}

void KVPlayProcess::init(QObject *list)
{
    if (_initialised)
        return;
    _initialised = true;
    if (list && list->metaObject()->indexOfSignal("listSelected(KVVideoItem*)") >= 0)
        connect(list, SIGNAL(listSelected(KVVideoItem *)), this,
            SLOT(onVideoLoadingStart(KVVideoItem *)));
    else
        qWarning() << "no list to take recordings from" << list << "[" << Q_FUNC_INFO << __LINE__
                   << "]";
    connect(KVPlayer::instance(), &KVPlayerBase::playEvent, this, &KVPlayProcess::onPlayEvent);
    _pendingItem = nullptr;
    _pendingRef.reset();
}

void KVPlayProcess::onVideoLoadingStart(KVVideoItem *item)
{
    // 1. The stop event follows at once when nothing plays, else when both
    // players have stopped.
    KVVideoFileList::setLoadInProgress(true);
    _pendingItem = item;
    _pendingRef = item ? item->sharedFromThis() : KVVideoItemRef();
    KVPlayer::instance()->closeMedia();
}

void KVPlayProcess::onPlayEvent(PLAY_EVENT event, KVVideoItem *)
{
    // 2.
    if (event == PLAY_LOADED || event == PLAY_NO_MEDIA) {
        KVVideoFileList::setLoadInProgress(false);
    } else if (event == PLAY_USER_STOP) {
        // A stop ends a load under way (the player dropped its files, so
        // neither PLAY_LOADED nor PLAY_NO_MEDIA follows) and a recording
        // still waiting for the last one to stop.
        KVVideoFileList::setLoadInProgress(false);
        _pendingItem = nullptr;
        _pendingRef.reset();
    } else if (event == PLAY_STOPPED && _pendingItem)
        QTimer::singleShot(1, this, &KVPlayProcess::onStartNext);
}

void KVPlayProcess::onStartNext()
{
    // 3. No pause before the load: the players' stop never waits, and a
    // stopped player takes a new file at once.
    KVVideoItem *item = _pendingItem;
    const KVVideoItemRef ref = _pendingRef;
    _pendingItem = nullptr;
    _pendingRef.reset();
    if (item)
        KVPlayer::instance()->onLoad(item);
}
