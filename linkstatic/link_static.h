// The formatted text control, registered as the program's own "Static" class
// so that every static control of the wizard's dialogs is one.
#pragma once

#include <windows.h>

LRESULT CALLBACK linkStaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
