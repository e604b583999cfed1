#pragma once
// Fixtures for the dual player tests: demo cards and recordings made on
// disk, recording items, and waits on the player's playEvent.

#include "core/kv_player_base.h"
#include "data/kv_video_file_list_builder.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>

class KVPlayer;

namespace KVPlayerFixture
{

// A demo card (korvid-mkcard, frame-number strips) of recordings of the
// given length, front 320x180 and rear 160x90; returns the front files.
QStringList makeCard(const QString &folder, int seconds, int recordings, QString *error);
// A recording file of ms milliseconds (testsrc2, 30 fps) at path.
QString makeClip(const QString &path, int ms, QSize size = QSize(160, 90));

// A recording item held by a strong reference, as the catalogue makes them.
// front or rear may be empty.
KVVideoItemRef makeItem(const QString &front, const QString &rear);

// Records every playEvent of the player in order.
class EventLog : public QObject
{
    Q_OBJECT
public:
    explicit EventLog(KVPlayerBase *player);
    QList<QPair<PLAY_EVENT, KVVideoItem *>> events;
    QList<PLAY_EVENT> kinds() const;
    int count(PLAY_EVENT event) const;
    // Waits until event has been logged at least n times; false on timeout.
    bool waitFor(PLAY_EVENT event, int timeoutMs, int n = 1);
    void clear() { events.clear(); }
};

// The player singleton with the "Null" renderer (call before anything
// else makes the player).
KVPlayer *nullPlayer();
// Closes whatever plays and brings the player back to its first state:
// not swapped, speed 1.0, no zoom; waits for the stop to be reported.
void resetPlayer(KVPlayer *player);
// Loads item and waits for its first frame; false on timeout.
bool loadAndWait(KVPlayer *player, KVVideoItem *item, int timeoutMs = 10000);
// Waits until the player's seekFinished has come (count grows); false on
// timeout.
bool waitSeek(QObject *avPlayer, int timeoutMs = 5000);

} // namespace KVPlayerFixture
