#pragma once
// The viewer's start-up sequence, in this order: renderer choice, application
// object, single-instance test (a second start raises the first viewer and
// ends with -42), hub initialisation, main window, event loop.
//
// Thread: main thread.

#include <functional>

class QWidget;

namespace KVStartup {

constexpr int kExitAlreadyRunning = -42;

// createMainWindow builds the main window (it lives in a library above this one).
int run(int &argc, char **argv, const std::function<QWidget *()> &createMainWindow);

} // namespace KVStartup
