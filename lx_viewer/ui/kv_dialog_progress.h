#pragma once
// The progress pop-up of a backup ("バックアップ中" / "Backup files...") and
// of opening a card ("ファイルOPEN" / "Open files..."): a bar from 0 to 364
// without text and a Cancel button. It is shown modeless; at most one exists
// at a time (open() replaces the one before, close() removes it).
//
// Cancel (the button, Escape or the title bar's close button) asks a running
// backup to stop after the file being copied and shows the wait cursor until
// the backup has ended (restoreCursor); with no backup running it does
// nothing.
//
// Thread: GUI thread only.

#include "kv_popup.h"

class KVButton;
class QProgressBar;

class KVDialogProgress : public KVPopup
{
    Q_OBJECT
public:
    static constexpr int kMaximum = 364;

    KVDialogProgress(QWidget *parent, const QString &title);

    // Hides and deletes the pop-up shown before, then shows a new one with
    // that parent and title (modeless).
    static KVDialogProgress *open(QWidget *parent, const QString &title);
    // The pop-up shown now, or nullptr.
    static KVDialogProgress *current();
    // Hides and deletes the current pop-up.
    static void close();
    // Takes back the wait cursor a cancel has set (once per cancel).
    static void restoreCursor();

    QProgressBar *progressBar() const { return _bar; }
    KVButton *cancelButton() const { return _cancelButton; }

public slots:
    void onUpdateValue(int value);
    void onCancel();
    void reject() override;

private:
    QProgressBar *_bar = nullptr;
    KVButton *_cancelButton = nullptr;
};
