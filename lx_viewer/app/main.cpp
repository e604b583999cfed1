#include "app/kv_startup.h"
#include "ui/kv_window_main.h"

int main(int argc, char **argv)
{
    return KVStartup::run(argc, argv, [] { return static_cast<QWidget *>(WindowMain::instance()); });
}
