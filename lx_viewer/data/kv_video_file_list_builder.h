#pragma once
// KVVideoFileListBuilder: one build of the catalogue. It turns recording files
// into items, joins the front and rear file of a recording into one item,
// leaves out recordings of 300 ms or less and sorts the result by start time
// (then type). The builder owns the new list until the catalogue takes it.
//
// Thread: one builder belongs to one build and is used by one thread at a
// time (the loader's pool thread, or the caller of a synchronous build).
// Items are created on that thread and moved to itemThread at once, so that
// they live on the GUI thread after the hand-over.

#include "kv_video_item.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QSharedPointer>
#include <QString>

class QThread;

using KVVideoItemRef = QSharedPointer<KVVideoItem>;

class KVVideoFileListBuilder
{
public:
    explicit KVVideoFileListBuilder(QThread *itemThread);

    // Takes the file into the list or joins it to its partner's item;
    // returns whether it was taken or joined (false for a duplicate, a
    // partner already taken or a file of 300 ms or less).
    bool addFile(const QString &path, const QDateTime &start, int type);
    // Whether an item of this recording exists already.
    bool hasRecording(const QString &path) const;
    // Looks for the other camera's file of the item in the item's folder
    // (letter case ignored, same extension family) and stores its path.
    bool findPartner(KVVideoItem *item);

    // Sorts by start time, equal start times by type code.
    void sort();
    int count() const { return int(_items.size()); }
    QList<KVVideoItemRef> takeItems();

    // The key two files of one recording share: the base name without a
    // trailing camera letter (F or R, any case), upper-cased.
    static QString matchKey(const QString &path);
    // Shared pointer that deletes the item on its own thread.
    static KVVideoItemRef makeRef(KVVideoItem *item);

private:
    // File names of a folder by upper-cased name, listed once per build.
    const QHash<QString, QString> &folderIndex(const QString &folder);

    QThread *_itemThread = nullptr;
    QList<KVVideoItemRef> _items;
    QSet<QString> _keys;
    QHash<QString, QHash<QString, QString>> _folders;
};
