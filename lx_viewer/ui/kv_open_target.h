#pragma once
// What a folder given to the viewer from outside means: a folder named on
// the command line ("korvid FOLDER", as a file manager's "Open with" starts
// it) or dropped on the main window. A folder opens itself; a recording file
// (MP4/MOV) opens the folder it lies in.
//
// Thread: any (pure functions of paths and the file system).

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

class QMimeData;

namespace KVOpenTarget
{

// The folder to open for a local path: the path itself for a folder, the
// folder of a recording file, otherwise an empty text.
QString folderForPath(const QString &path);

// The folder named by the command line (the program name first, Qt's own
// options already taken out): the first argument that is not an option,
// as a local path or a file URL, made absolute. A recording file stands for
// its folder; any other text is returned as it is (the caller's checks
// refuse it and tell the user). Empty when no such argument is given.
QString folderFromArguments(const QStringList &arguments);

// The folder a drag of these URLs would open: the first local URL that is
// a folder or a recording file; empty when none is.
QString folderFromUrls(const QList<QUrl> &urls);
QString folderFromMimeData(const QMimeData *data);

} // namespace KVOpenTarget
