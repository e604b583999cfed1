#pragma once
// KVPlayProcess: the load sequence. A recording chosen in the list (by the
// user or by the automatic advance) is not loaded at once: the current
// playback is closed first, and only when the player reports PLAY_STOPPED
// is the recording handed to the player's onLoad. With the player's end of
// recording (PLAY_STOPPED carrying the next recording, the catalogue asked
// for the next one) this makes the automatic advance.
//
// The process-wide loadInProgress flag (kept by the catalogue, which reads
// it in its next/previous search) is set when a chosen recording starts on
// its way and cleared when the player reports PLAY_LOADED, or PLAY_NO_MEDIA
// for a load that cannot play.
//
// Thread: GUI thread only (a lazily created singleton, never deleted).

#include "kv_player_base.h"

#include <QObject>

class KVPlayProcess : public QObject
{
    Q_OBJECT
public:
    static KVPlayProcess *instance();

    // Called once by the main window with the recording list view: connects
    // its listSelected(KVVideoItem*) and the player's playEvent. Later calls
    // do nothing.
    void init(QObject *list);

    KVVideoItem *pendingItem() const { return _pendingItem; }
    static bool loadInProgress();

private slots:
    void onVideoLoadingStart(KVVideoItem *item);
    void onPlayEvent(PLAY_EVENT event, KVVideoItem *item);
    void onStartNext();

private:
    explicit KVPlayProcess(QObject *parent = nullptr);

    // --- GUI thread only
    KVVideoItem *_pendingItem = nullptr;
    KVVideoItemRef _pendingRef; // keeps the chosen recording alive until loaded
    bool _initialised = false;
};
