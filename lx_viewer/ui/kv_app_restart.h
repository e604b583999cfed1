#pragma once
// Restarts the viewer (after the hardware-acceleration switch): pending
// events are flushed, the program waits 100 ms, gives up its single-instance
// guard and starts its own executable again (on the folder whose recordings
// are listed, if any), so the new viewer never meets the old one's guard.
// Only once the new viewer is on its way does this one
// close, the same way as by its close button (a backup under way is
// stopped, the frames hear that the application closes). When the new
// viewer cannot be started, this one takes its guard back and stays open:
// the caller tells the user.
//
// Thread: GUI thread only.

#include <QStringList>

#include <functional>

namespace KVAppRestart
{

// Starts a program detached; true when it started.
using Launcher = std::function<bool(const QString &program, const QStringList &arguments)>;

// Replaces QProcess::startDetached (tests); an empty launcher restores it.
void setLauncher(const Launcher &launcher);

// True when the new instance was started and this one is closing.
bool restart();

} // namespace KVAppRestart
