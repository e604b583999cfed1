#pragma once
// KVFrameList: the recording list frame at the foot of the right column. A
// header row (the list picture, the backup button at the right), a row of
// five type filter buttons and the recording table.
//
// Type buttons carry the catalogue's filter mask: all 15, continuous 1,
// event 2, manual 8, parking 4. They start disabled; after a scan they are
// enabled exactly when the catalogue holds a recording, with "all" checked.
// A click filters the catalogue with the button's mask and checks only that
// button.
//
// Opening a card: onOpen asks for a folder in the hub's folder picker;
// openFolder (also used for a folder given on the command line or dropped on
// the main window) refuses folders that are missing, unreadable or not
// ready, and tells the user when a folder holds no recordings (the list in
// place stays). While a scan runs no second folder is opened.
//
// Backup: onBackup (with a current recording and no seek key held) pauses
// playback, asks for the target folder (starting at the document folder's
// backup folder, new folders allowed) and starts the catalogue's backup; the
// frame's KVBackupController shows progress, questions and failures.
//
// A single instance (instance()); the main window puts it into its right
// column and reaches onOpen through it.
//
// Thread: GUI thread only.

#include "app/kv_language.h"
#include "kv_widget_base.h"

#include <QList>

class KVBackupController;
class KVWidgetVideoList;
class LXButton;
class QLabel;

class KVFrameList : public KVWidgetBase
{
    Q_OBJECT
public:
    static constexpr int kHeaderHeight = 26;
    static constexpr int kTypeRowHeight = 28;
    static constexpr int kTypeButtonWidth = 78;
    static constexpr int kBackupWidth = 44;
    static constexpr int kBackupHeight = 24;

    enum TypeMask {
        MASK_ALL = 15,
        MASK_NORMAL = 1,
        MASK_EVENT = 2,
        MASK_MANUAL = 8,
        MASK_PARK = 4,
    };

    static KVFrameList *instance();

    QLabel *headerLabel() const { return _headerLabel; }
    LXButton *backupButton() const { return _backupButton; }
    // In the order all, continuous, event, manual, parking.
    QList<LXButton *> typeButtons() const { return _typeButtons; }
    LXButton *typeAllButton() const { return _typeAll; }
    KVWidgetVideoList *table() const { return _table; }
    KVBackupController *backupController() const { return _backup; }

    // The picture name of a type button ("type_all", ...), without suffix.
    static QString typeName(int index);
    static int typeMask(int index);
    // The caption of the folder picker for opening and for backups.
    static QString openCaption();
    static QString backupCaption();

    // Opens folder as if it had been picked: checks it, then starts the
    // catalogue's scan. False (with a message to the user) when the folder
    // cannot be used. While a scan or backup runs it is kept (the last one
    // asked for) and opened when that has ended; false then too. A folder
    // without recordings is said once its scan has ended.
    bool openFolder(const QString &folder);
    // True between the start of a scan this frame asked for and its end.
    bool isScanning() const { return _scanning; }
    // Whether a folder may be opened now (no scan and no backup running).
    bool canOpen() const;

public slots:
    void onToggleGroup();
    void onOpen();
    void onBackup();
    void onListUpdate(bool loading);
    void onLanguageChange(KVLanguage::LANGUAGE_TYPE language);

private:
    explicit KVFrameList(QWidget *parent = nullptr);
    void applyTypePicture(LXButton *button, int index);
    void showMessage(const QString &text);
    void showNoRecordings(const QString &folder);
    // Opens the folder asked for while busy, once nothing runs any more.
    void openPendingFolder();

    QLabel *_headerLabel = nullptr;
    LXButton *_backupButton = nullptr;
    QList<LXButton *> _typeButtons;
    LXButton *_typeAll = nullptr;
    KVWidgetVideoList *_table = nullptr;
    KVBackupController *_backup = nullptr;
    bool _scanning = false;
    QString _pendingFolder; // asked for while busy
};
