#pragma once
// The JSON lines korvid-probe prints: one object for a recording file (as a
// recording item whose display file it is would read it) and one for a
// catalogue. Keys keep their documented order; numbers are printed with the
// shortest text that reads back to the same double.
//
// Thread: the caller's (korvid-probe's main thread).

#include <QByteArray>
#include <QList>

class KVVideoItem;

namespace KVProbeJson
{

// {"path","type","start","duration_ms","has_position","positions","samples"}
QByteArray fileLine(const QString &path, int type, const KVVideoItem &item);
// {"items":[{"front","rear","type","start","duration_ms"},...]}
QByteArray catalogueLine(const QList<KVVideoItem *> &items);

} // namespace KVProbeJson
