#pragma once
// The capture dialog: after a still capture the user names the picture and
// picks its folder. The capture wrote temporary JPEG files into the backup
// folder (KVPlayer's capture sequence); on Save (or Return) they are moved to
// <folder>/<name>_<camera word>.jpg, where the camera word is "前方" for a
// file taken from the front camera (its file name contains "CH1") and "後方"
// otherwise. The folder is the backup folder of the settings; another folder
// the user picks is stored there once a save into it succeeded.
//
// The caller runs the dialog modally; when it is accepted it calls save(),
// and when save() fails (the warning was shown) it may run the dialog again
// so the user can pick another folder. After a cancel the caller removes
// the temporary files (removeTemporaryFiles()).
//
// Thread: GUI thread only.

#include "kv_popup.h"

#include <QStringList>

class KVButton;
class QLabel;
class QLineEdit;

class KVPopupCapture : public KVPopup
{
    Q_OBJECT
public:
    static constexpr int kWidth = 482;
    static constexpr int kHeight = 277;

    // captures: the temporary files of the capture (not owned; must outlive
    // the dialog).
    KVPopupCapture(QWidget *parent, QStringList *captures);

    // Moves the temporary files to their final names, replacing files of
    // those names; moved files leave the capture list. After all files, one
    // warning when any move failed: the folder could not take the file (with
    // the system's reason), or the captured picture itself is gone. The
    // temporary file of a failed move stays (in the list). True when all
    // were moved; only then is the folder stored as the backup folder.
    bool save();

    // Removes the listed temporary files, read-only ones included.
    static void removeTemporaryFiles(const QStringList &files);

    // The base name proposed for a capture file: its name up to the first
    // ".", split at "_", parts 0 and 1 joined with "_".
    static QString proposedBaseName(const QString &capturePath);
    // "前方" for a front capture (its file name contains "CH1"), else "後方".
    static QString cameraWord(const QString &capturePath);
    // folder + separator + base + "_" + camera word + ".jpg", cleaned.
    static QString finalPath(
        const QString &folder, const QString &base, const QString &capturePath);
    // Whether the name can be a file name in the chosen folder: not empty and
    // no folder separators, "." or "..".
    static bool isUsableName(const QString &base);

    QLineEdit *nameEdit() const { return _nameEdit; }
    QLineEdit *folderEdit() const { return _folderEdit; }
    KVButton *folderButton() const { return _folderButton; }
    KVButton *saveButton() const { return _saveButton; }
    KVButton *cancelButton() const { return _cancelButton; }
    QLabel *headerLabel() const { return _headerLabel; }
    // The final files save() would write, in the order of the captures.
    QStringList finalPaths() const;

public slots:
    void onChangeFolder();
    void onOK();

private:
    void warn(const QString &text);

    QStringList *_captures = nullptr;
    QLineEdit *_nameEdit = nullptr;
    QLineEdit *_folderEdit = nullptr;
    QLabel *_headerLabel = nullptr;
    KVButton *_folderButton = nullptr;
    KVButton *_saveButton = nullptr;
    KVButton *_cancelButton = nullptr;
};
