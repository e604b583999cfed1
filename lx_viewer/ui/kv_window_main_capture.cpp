// WindowMain: still capture and the accident report.

#include "kv_window_main.h"

void WindowMain::wireCapture()
{
}

void WindowMain::onStartReport()
{
}

void WindowMain::onStartCapture()
{
}

void WindowMain::onRequestVideoCaptureDone(QList<QString> *)
{
}
