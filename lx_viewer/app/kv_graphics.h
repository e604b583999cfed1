#pragma once
// The video renderer choice made at start-up: OpenGL, unless the display
// adapter is one of the old integrated chipsets whose drivers show video
// badly, or the user switched hardware acceleration off. The player reads the
// choice through openGLForbidden().
//
// Thread: decided on the main thread before the application object exists;
// read on the GUI thread.

#include <QString>
#include <QStringList>

namespace KVGraphics {

// True when any adapter name, with its spaces removed and upper-cased,
// contains one of G41, GM45, G45, GS45, GL40, Q45, Q43, X4500.
bool isOldChipset(const QStringList &adapterNames);

// Names of the machine's display adapters, from the DRM devices in sysfs
// (drmRoot is /sys/class/drm outside tests): a known name for the Intel
// chipsets above, the name from the PCI ID database when one is installed,
// otherwise "vendor:device".
QStringList displayAdapterNames(const QString &drmRoot = QStringLiteral("/sys/class/drm"));

// Runs the test and reads the setting; stores and returns the choice.
bool decideOpenGLForbidden(bool hwAccelOff, const QStringList &adapterNames);

void setOpenGLForbidden(bool forbidden);
bool openGLForbidden();

} // namespace KVGraphics
