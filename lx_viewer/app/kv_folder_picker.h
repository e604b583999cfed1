#pragma once
// The modal folder choice behind KVApp::browseFolder: Qt's directory dialog
// (the desktop's own where Qt offers it, Qt's widget dialog under tests),
// which refuses folders that are missing, unreadable or on a medium that is
// not ready, says why, and lets the user pick again.
//
// Thread: GUI thread only.

#include <QString>

class QWidget;

class KVFolderPicker
{
public:
    enum Problem { FOLDER_OK, FOLDER_MISSING, FOLDER_NOT_READABLE, FOLDER_NOT_READY };

    // Returns the chosen folder (cleaned) or an empty text when cancelled.
    static QString browse(QWidget *owner, const QString &start, bool allowNewFolder,
                          const QString &title);

    static Problem checkFolder(const QString &path);
    static QString problemText(Problem problem, bool japanese);

    // The instruction shown in the dialog: the title, or "ファイルOPEN" when it
    // is empty.
    static QString instructionText(const QString &title);
    // The window title: the last non-empty title given to any call (the
    // process keeps it), updated by this call.
    static QString takeWindowTitle(const QString &title);

    // The widget dialog instead of the desktop's (tests set this; also on
    // when KORVID_TESTING is set in the environment).
    static void setUseNativeDialog(bool native);
    static bool useNativeDialog();

    // Tests only: the next dialog that is accepted hands this path to the
    // checks instead of its own selection (the widget dialog may swap a
    // typed path of a folder that has just vanished for its current folder).
    static void setNextChoiceForTests(const QString &path);
};
