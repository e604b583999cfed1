#include "kv_application.h"

#include "kv_single_instance.h"

#include <QWidget>

KVApplication *KVApplication::s_instance = nullptr;

KVApplication::KVApplication(int &argc, char **argv)
    : QApplication(argc, argv),
      _instanceGuard(new KVSingleInstance(QString::fromLatin1(kInstanceKey), this))
{
    s_instance = this;
    connect(_instanceGuard, &KVSingleInstance::raiseRequested, this,
            &KVApplication::raiseRequested);
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
    if (!_instanceGuard->notifyRunning())
        qInfo() << "the running viewer did not answer" << "[" << Q_FUNC_INFO << __LINE__ << "]";
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
