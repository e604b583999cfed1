#include "kv_startup.h"

#include "kv_app.h"
#include "kv_application.h"
#include "kv_graphics.h"
#include "kv_settings.h"

#include <QWidget>

#include <unistd.h>

namespace KVStartup {

int run(int &argc, char **argv, const std::function<QWidget *()> &createMainWindow)
{
    // 1. Renderer choice, before the application object exists. The web view
    //    of the map and the GL video renderers share one process.
    const bool forbidden = KVGraphics::decideOpenGLForbidden(KVSettings::instance()->hwAccelOff(),
                                                             KVGraphics::displayAdapterNames());
    qInfo() << "video renderer:" << (forbidden ? "widget" : "OpenGL") << "[" << Q_FUNC_INFO
            << __LINE__ << "]";
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The map's web engine refuses to start as root unless its sandbox is off.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        qInfo() << "running as root: the web engine's sandbox is off" << "[" << Q_FUNC_INFO
                << __LINE__ << "]";
    }

    // 2. The application object.
    KVApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Korvid"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QGuiApplication::setDesktopFileName(QStringLiteral("korvid"));

    // 3.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);

    // 4. One viewer at a time.
    if (!app.acquireInstance()) {
        app.raiseRunningInstance();
        return kExitAlreadyRunning;
    }

    // 5. The hub's one-time set-up.
    KVApp::instance()->initApplication(&app);

    // 6. The main window.
    QWidget *window = createMainWindow();
    QObject::connect(&app, &KVApplication::raiseRequested, window,
                     [window] { KVApplication::bringToFront(window); });
    // A later start with a folder ("Open with" in a file manager) opens it
    // here; the window's slot takes a command line.
    QObject::connect(&app, &KVApplication::openRequested, window,
                     [window](const QStringList &arguments) {
                         if (window->metaObject()->indexOfSlot(
                                 "openFromCommandLine(QStringList)") >= 0)
                             QMetaObject::invokeMethod(window, "openFromCommandLine",
                                                       Q_ARG(QStringList, arguments));
                     });
    window->show();

    // 7.
    const int code = app.exec();
    delete window;
    return code;
}

} // namespace KVStartup
