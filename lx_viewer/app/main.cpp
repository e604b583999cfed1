#include "app/kv_startup.h"
#include "ui/kv_window_main.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    return KVStartup::run(argc, argv, [] {
        WindowMain *window = WindowMain::instance();
        // "korvid FOLDER" opens that folder as if it had been picked.
        window->openFromCommandLine(QCoreApplication::arguments());
        return static_cast<QWidget *>(window);
    });
}
