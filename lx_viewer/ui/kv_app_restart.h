#pragma once
// Restarts the viewer (after the hardware-acceleration switch): pending
// events are flushed, the program waits 100 ms, gives up its single-instance
// guard, asks the event loop to quit and starts its own executable again, so
// the new viewer never meets the old one's guard.
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

// Returns whether the new instance could be started (not reported to the
// user: this instance is quitting anyway).
bool restart();

} // namespace KVAppRestart
