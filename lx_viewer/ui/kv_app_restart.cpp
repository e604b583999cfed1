#include "kv_app_restart.h"

#include "app/kv_app.h"
#include "app/kv_application.h"
#include "data/kv_video_file_list.h"
#include "ui/kv_window_main.h"

#include <QCoreApplication>
#include <QDebug>
#include <QProcess>
#include <QThread>

namespace KVAppRestart
{

namespace
{
Launcher &launcher()
{
    static Launcher current;
    return current;
}
} // namespace

void setLauncher(const Launcher &l)
{
    launcher() = l;
}

bool restart()
{
    QCoreApplication::processEvents();
    QThread::msleep(100);
    KVApplication *app = KVApplication::instance();
    if (app)
        app->releaseInstance();
    const QString program = QCoreApplication::applicationFilePath();
    // The new viewer opens the folder whose recordings are listed here, so
    // the switch does not cost the user the card they were looking at.
    const KVVideoFileList *catalogue = KVVideoFileList::instance();
    QStringList arguments;
    if (!catalogue->allItems().isEmpty() && !catalogue->folder().isEmpty())
        arguments << catalogue->folder();
    const bool started
        = launcher() ? launcher()(program, arguments) : QProcess::startDetached(program, arguments);
    if (!started) {
        qWarning() << "restart: cannot start" << program << "- staying open"
                   << "[" << Q_FUNC_INFO << __LINE__ << "]";
        if (app)
            app->acquireInstance();
        return false;
    }
    if (auto *window = qobject_cast<WindowMain *>(KVApp::instance()->mainWindow()))
        window->onCloseApplication();
    else
        QCoreApplication::quit();
    return true;
}

} // namespace KVAppRestart
