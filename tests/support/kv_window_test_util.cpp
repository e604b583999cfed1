#include "kv_window_test_util.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>

namespace KVTest
{

void sendMouse(QWidget *window, QEvent::Type type, const QPoint &windowPos)
{
    QWidget *target = window->childAt(windowPos);
    if (!target)
        target = window;
    const QPoint local = target->mapFrom(window, windowPos);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons
        = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(
        type, QPointF(local), QPointF(target->mapToGlobal(local)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void dragWindow(QWidget *window, const QPoint &from, const QPoint &to)
{
    sendMouse(window, QEvent::MouseButtonPress, from);
    // Later positions are where the pointer is relative to the window as
    // it moved with it.
    sendMouse(window, QEvent::MouseMove, to);
    sendMouse(window, QEvent::MouseButtonRelease, from);
}

QString saveScreenshot(QWidget *widget, const QString &name)
{
    const QString dir = QStringLiteral(KV_BINARY_DIR "/screenshots");
    if (!QDir().mkpath(dir))
        return QString();
    const QString path = dir + QLatin1Char('/') + name + QStringLiteral(".png");
    return widget->grab().save(path) ? path : QString();
}

void typeFileName(QFileDialog *dialog, const QString &path)
{
    dialog->selectFile(path);
    if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        edit->setText(path);
}

} // namespace KVTest
