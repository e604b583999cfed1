#include "kv_window_main.h"

#include "app/kv_app.h"

WindowMain *WindowMain::s_instance = nullptr;

WindowMain *WindowMain::instance()
{
    if (!s_instance)
        s_instance = new WindowMain();
    return s_instance;
}

WindowMain::WindowMain(QWidget *parent) : QWidget(parent, Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("window_main"));
    setWindowTitle(QStringLiteral("Korvid"));
    setFixedSize(kWidth, kHeight);
    KVApp *hub = KVApp::instance();
    hub->setMainWindow(this);
    hub->createShortcuts();
}

WindowMain::~WindowMain()
{
    if (s_instance == this)
        s_instance = nullptr;
}
