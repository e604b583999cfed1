// WindowMain: the list frame, the folder loading pop-up, folders opened from the command
// line or dropped on the window, and the play bar's buttons that reach the list.

#include "kv_window_main.h"

void WindowMain::buildListFrame()
{
}

void WindowMain::wireCatalogue()
{
}

void WindowMain::wirePlayBar()
{
}

void WindowMain::onLoadingListStart(bool)
{
}

void WindowMain::onLoadingListEnd(bool)
{
}
