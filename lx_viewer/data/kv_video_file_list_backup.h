#pragma once
// KVVideoFileListBackup: copies the front and rear files of the recordings
// it was given into a target folder, on the global thread pool. File names
// are upper-cased (the folder is left as it is). Each copy is verified and
// takes its final name only when complete (KVVerifiedCopy). When a target
// exists the worker asks the GUI thread through KVBackupHandover and waits.
// It reports through the catalogue's signals: backupStarted, updateProgress
// (0..364), backupPaused(true/false) around a question and backupEnd with
// the files it could not copy.
//
// Thread: constructed on the GUI thread (it takes a copy of the paths, so it
// never reads the catalogue's items); run() on a pool thread. Auto-deleted.

#include "kv_video_file_list.h"

#include <QList>
#include <QRunnable>
#include <QString>

class KVVideoFileListBackup : public QRunnable
{
public:
    struct Recording {
        QString frontPath;
        QString rearPath;
    };

    // Call KVBackupHandover::instance().begin() before starting the worker
    // (KVVideoFileList::startBackup does).
    KVVideoFileListBackup(const QString &targetFolder, const QList<Recording> &recordings);
    void run() override;

    // The target of a source file: the folder, then the file name upper-cased.
    static QString targetPath(const QString &targetFolder, const QString &source);
    // The name the question shows: NORM201221-102047F.MP4.
    static QString conflictName(const QString &target);

private:
    // Copies one file, asking first when the target exists.
    void copyOne(const QString &target, const QString &source, int remaining);
    void fail(const QString &source, const QString &target, int reason, const QString &detail);

    const QString _targetFolder;
    const QList<Recording> _recordings;
    // --- pool thread only
    KVBackupFailureList _failures;
};
