#pragma once
// KVVideoFileList: the one catalogue of recordings. It holds the recordings
// found in the folder tree the user opened (sorted by start time), the subset
// that passes the type filter, and the current recording; it answers "next"
// and "previous" for the automatic advance and the play controls, and it
// starts the backup of the current recording.
//
// Threads. The catalogue lives on the GUI thread; every public member is
// called there, except buildList (run by KVVideoFileListLoader on a pool
// thread). A build never touches the catalogue's lists: it builds new ones
// (KVVideoFileListBuilder) and hands them over on the GUI thread by a queued
// call when it ends. Receivers on the GUI thread therefore see, in order:
// listUpdateStarted(true), updateProgress(0..364)..., listUpdateStarted(false),
// listUpdateEnd(false), listUpdateEnd(true); until the last one the previous
// lists stay in place and stay valid.
//
// Item lifetime. The catalogue holds its items by KVVideoItemRef
// (QSharedPointer). The KVVideoItem* it hands out (visibleItems, allItems,
// currentItem, playItemFound) stays valid at least until the GUI thread
// returns to its event loop after the next listUpdateEnd(true): the previous
// build's items, and items unlinked by removeItem, are released then. Whoever
// needs an item longer (the player for the recording it plays, a dialog)
// takes a strong reference, item->sharedFromThis() or ref(item), and keeps
// the item alive until it drops that reference; the item is then deleted
// (deleteLater) once nothing refers to it.

#include "kv_backup_handover.h"
#include "kv_video_file_list_builder.h"
#include "kv_video_item.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QRunnable>
#include <QString>
#include <QStringList>
#include <QUrl>

class QThread;

// One file a backup could not copy, and why.
struct KVBackupFailure {
    QString source;
    QString target;
    int reason = 0; // KVVerifiedCopy::Failure
    QString detail; // the system's error text
};
using KVBackupFailureList = QList<KVBackupFailure>;
Q_DECLARE_METATYPE(KVBackupFailure)
Q_DECLARE_METATYPE(KVBackupFailureList)

class KVVideoFileList : public QObject
{
    Q_OBJECT
public:
    static constexpr int kProgressMaximum = 364;
    static constexpr int kScanDepthLimit = 5;
    static constexpr int kLoaderPriority = 5;

    static KVVideoFileList *instance();

    // The scanner's name filters ("*.MOV", "*.MP4"; letter case ignored).
    static QStringList nameFilters();
    // Appends the recording files below folder (sub-folders first, at most
    // five levels down, hidden folders left out) to urls.
    static void scanFolder(const QString &folder, QList<QUrl> &urls, int depth = 0);

    // Starts the loader on the global thread pool: it scans folder there (a
    // big folder tree would freeze the window), and when recordings are
    // found the folder is stored as the recent one (on the GUI thread) and
    // the build runs. A folder without recording files sends only
    // buildFoundNothing(folder); the lists in place stay.
    void loadFolder(const QString &folder);
    // The build of the loader: builds new lists from urls on the calling
    // thread and hands them over on the catalogue's thread (queued).
    void buildList(const QList<QUrl> &urls);
    // The same build with the hand-over made at once, for command-line tools
    // and tests; call it on the catalogue's thread. Returns the URL count.
    int buildListNow(const QList<QUrl> &urls);
    // scanFolder + buildListNow, without touching the settings.
    int buildFolderNow(const QString &folder);
    // The folder the list was last read from (empty before the first).
    QString folder() const { return _folder; }

    // (Taking a file into a build, addFile, is KVVideoFileListBuilder's.)
    // Whether an item of the same recording (base name without its camera
    // letter, F or R in any case; letter case ignored) exists.
    bool hasRecording(const QString &path) const;
    // Joins the other camera's file (same folder, any letter case, same
    // extension family) to the item.
    static bool findPartner(KVVideoItem *item);

    void applyFilter();
    void setFilter(int bits);
    void setFilterBit(int bit, bool on);
    int filter() const { return _filter; }

    // Unlinks the item (it stays alive until the next hand-over); returns its
    // former visible index or -1.
    int removeItem(KVVideoItem *item);
    int indexOfCurrent() const;
    KVVideoItem *neighbour(bool forward, int fromIndex) const;
    KVVideoItem *nextItem() const { return _currentItem ? neighbour(true, -1) : nullptr; }
    KVVideoItem *previousItem() const { return _currentItem ? neighbour(false, -1) : nullptr; }
    bool hasNext() const { return nextItem() != nullptr; }
    bool hasPrevious() const { return previousItem() != nullptr; }

    QList<KVVideoItem *> visibleItems() const { return _visibleItems; }
    QList<KVVideoItem *> allItems() const;
    KVVideoItem *currentItem() const { return _currentItem; }
    // The list view sets the recording selected for playback (or nullptr).
    void setCurrentItem(KVVideoItem *item);
    // A strong reference to an item of this catalogue (current or dropped
    // but still alive); null for an unknown item.
    KVVideoItemRef ref(KVVideoItem *item) const;

    // The player's load-in-progress flag, read by the automatic advance.
    // Any thread.
    static void setLoadInProgress(bool loading);
    static bool loadInProgress();

    // --- backup (GUI thread)
    // Copies the current recording (when it is visible) into targetFolder on
    // the global thread pool; false when there is nothing to copy or a
    // backup is running already.
    bool startBackup(const QString &targetFolder);
    // Stores the answer word of the overwrite question and wakes the worker.
    static void answerBackup(int word) { KVBackupHandover::instance().answerQuestion(word); }
    // Cancel from the progress pop-up: the file being copied is dropped (no
    // part of it stays in the target) and no further file is copied.
    static void cancelBackup() { KVBackupHandover::instance().cancel(); }
    // The viewer is closing: a running backup is cancelled and waited for
    // (up to timeoutMs; a read stuck on a failing card cannot be cut short),
    // so that no hidden process goes on copying, and no copy is left half
    // done. True when no backup runs any more.
    static bool stopBackupForExit(int timeoutMs = 10000);
    static int backupAnswer() { return KVBackupHandover::instance().answer(); }
    static QString backupConflictName() { return KVBackupHandover::instance().conflictName(); }
    static int backupRemaining() { return KVBackupHandover::instance().remaining(); }
    static bool isBackupRunning() { return KVBackupHandover::instance().isRunning(); }

signals:
    void listUpdateStarted(bool bLoading);
    void listUpdateEnd(bool bLoading);
    // A folder scanned by loadFolder held no recording files, or (after
    // the listUpdateEnd(true) of its build) none of them a usable
    // recording: the previous lists stayed in place.
    void buildFoundNothing(const QString &folder);
    void backupStarted();
    // failures: the files that were not copied (empty when all went well or
    // the user skipped or cancelled).
    void backupEnd(const KVBackupFailureList &failures);
    void backupPaused(bool bPaused);
    void playItemFound(KVVideoItem *item, int old);
    void playNoMoreItem();
    void updateProgress(int value);

public slots:
    void onPlayNextVideo(int fromIndex);
    void onPlayPreviousVideo(int fromIndex);

private:
    explicit KVVideoFileList(QObject *parent = nullptr);
    // Builds new lists from urls on the calling thread.
    QList<KVVideoItemRef> build(const QList<QUrl> &urls);
    // GUI thread: the new lists replace the old ones.
    void adoptBuild(const QList<KVVideoItemRef> &items);

    // --- GUI thread only
    QList<KVVideoItemRef> _allItems;
    QList<KVVideoItem *> _visibleItems;
    // Unlinked by removeItem; kept until the next hand-over.
    QList<KVVideoItemRef> _unlinked;
    int _filter = KVVideoItem::FILTER_NORM | KVVideoItem::FILTER_EVEN;
    QString _folder;
    QString _loadingFolder; // of the build under way
    KVVideoItem *_currentItem = nullptr;
    KVVideoItemRef _currentRef; // keeps the current item alive while set
    int _currentGoneAt = -1; // visible index the current item had when removed
};

// The folder scan and catalogue build on the global thread pool
// (auto-deleted).
class KVVideoFileListLoader : public QRunnable
{
public:
    explicit KVVideoFileListLoader(const QString &folder) : _folder(folder) { }
    void run() override;

private:
    const QString _folder;
};
