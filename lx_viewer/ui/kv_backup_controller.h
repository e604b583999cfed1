#pragma once
// KVBackupController: the GUI side of a backup. It follows the catalogue's
// backup signals: backupStarted shows the progress pop-up ("バックアップ中" /
// "Backup files...") fed by updateProgress; backupPaused(true) hides it and
// asks KVDialogOverwrite, then hands the answer to the waiting worker (a
// rejected question cancels); backupPaused(false) shows the pop-up again;
// backupEnd takes back the wait cursor, removes the pop-up and, when files
// were not copied, names them and the reason in a message. A backup that
// copied everything (or was skipped or cancelled by the user) ends silently.
//
// Dialogs are parented to the main window (KVApp::mainWindow).
//
// Thread: GUI thread only; the catalogue's signals arrive queued from the
// backup worker.

#include "data/kv_video_file_list.h"

#include <QObject>

class KVPopupMessage;

class KVBackupController : public QObject
{
    Q_OBJECT
public:
    explicit KVBackupController(QObject *parent = nullptr);

    // The message of a backup that ended with failures (not shown).
    static KVPopupMessage *createFailureMessage(
        QWidget *parent, const KVBackupFailureList &failures);
    // One line per failure: the target's file name and why it was not copied.
    static QString failureText(const KVBackupFailureList &failures);
    static QString reasonText(int reason);

public slots:
    void onBackupStarted();
    void onBackupPaused(bool paused);
    void onBackupEnded(const KVBackupFailureList &failures);
    // updateProgress goes to the pop-up of the backup running.
    void onUpdateProgress(int value);

private:
    bool _active = false; // between backupStarted and backupEnd
};
