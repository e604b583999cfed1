#pragma once
// Opening a file the viewer has just written (the accident report) with the
// desktop's handler. The opener, "xdg-open FILE", is started without waiting
// for it; whether the file was opened is only known when it exits: it reports
// a missing handler or a program that could not start by a status other than
// 0 (having merely started says nothing).
//
// Thread: GUI thread only; done runs on the GUI thread from the event loop,
// never inside open().

#include <QString>

#include <functional>

class QObject;

namespace KVFileOpener
{

// Starts the opener for path. done(true) once it has exited with status 0;
// done(false) when it could not be started, crashed or exited with another
// status. Nothing is called once context is gone.
void open(const QString &path, QObject *context, const std::function<void(bool opened)> &done);

// Replaces the opener's program (tests; it is given the file as its one
// argument); an empty program restores "xdg-open".
void setProgramForTests(const QString &program);

} // namespace KVFileOpener
