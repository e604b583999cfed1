#include "kv_application.h"

#include "kv_single_instance.h"

#include <QFileInfo>
#include <QWidget>

#include <clocale>

KVApplication *KVApplication::s_instance = nullptr;

KVApplication::KVApplication(int &argc, char **argv)
    : QApplication(argc, argv),
      _instanceGuard(new KVSingleInstance(QString::fromLatin1(kInstanceKey), this))
{
    s_instance = this;
    // QApplication has set the C library to the user's locale. The
    // libraries below us (FFmpeg's option parser, the workbook writer) read
    // and write numbers with it and need "0.5", not the "0,5" of a German
    // locale. Qt's own number texts follow QLocale and are not affected.
    std::setlocale(LC_NUMERIC, "C");
    connect(
        _instanceGuard, &KVSingleInstance::raiseRequested, this, &KVApplication::raiseRequested);
    connect(_instanceGuard, &KVSingleInstance::openRequested, this,
        [this](const QStringList &arguments) {
            emit openRequested(QStringList{applicationFilePath()} + arguments);
        });
}

KVApplication::~KVApplication()
{
    releaseInstance();
    if (s_instance == this)
        s_instance = nullptr;
}

bool KVApplication::acquireInstance()
{
    return _instanceGuard->acquire();
}

void KVApplication::raiseRunningInstance()
{
    // The running viewer has another working folder: relative paths are
    // made absolute here. Options and URLs go as they are.
    QStringList arguments = QCoreApplication::arguments().mid(1);
    for (QString &argument : arguments) {
        if (!argument.isEmpty() && !argument.startsWith(QLatin1Char('-'))
            && !argument.contains(QLatin1String(":/")))
            argument = QFileInfo(argument).absoluteFilePath();
    }
    if (!_instanceGuard->notifyRunning(arguments))
        qInfo() << "the running viewer did not answer"
                << "[" << Q_FUNC_INFO << __LINE__ << "]";
}

void KVApplication::releaseInstance()
{
    _instanceGuard->release();
}

void KVApplication::bringToFront(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}
