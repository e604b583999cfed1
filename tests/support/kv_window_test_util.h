#pragma once
// Helpers of the window tests: mouse events delivered as Qt delivers them
// (to the child under the point, passed up to the window when ignored) and
// the screenshot folder of the build tree.

#include <QEvent>
#include <QPoint>
#include <QString>

class QFileDialog;
class QWidget;

namespace KVTest
{

// Sends a left-button mouse event of that type at a point given in window
// coordinates to the child widget under it (or the window itself).
void sendMouse(QWidget *window, QEvent::Type type, const QPoint &windowPos);

// Press at from, move to to, release there.
void dragWindow(QWidget *window, const QPoint &from, const QPoint &to);

// KV_BINARY_DIR/screenshots/<name>.png (the folder is created); saves a
// grab of the widget there and returns the path, empty on failure.
QString saveScreenshot(QWidget *widget, const QString &name);

// Puts path into a (Qt's own) file dialog's name field, as a user types it.
// selectFile alone leaves the proposed name in place when the field has the
// focus and the file does not exist yet, which depends on window timing.
void typeFileName(QFileDialog *dialog, const QString &path);

} // namespace KVTest
