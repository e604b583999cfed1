#include "kv_app_restart.h"

#include "app/kv_application.h"

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
    if (KVApplication *app = KVApplication::instance())
        app->releaseInstance();
    QCoreApplication::quit();
    const QString program = QCoreApplication::applicationFilePath();
    const bool started
        = launcher() ? launcher()(program, {}) : QProcess::startDetached(program, QStringList());
    if (!started)
        qWarning() << "restart: cannot start" << program << "[" << Q_FUNC_INFO << __LINE__ << "]";
    return started;
}

} // namespace KVAppRestart
