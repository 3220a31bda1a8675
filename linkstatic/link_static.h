// The formatted text control, registered as the program's own "Static" class
// so that every static control of the wizard's dialogs is one.
#pragma once

#include <windows.h>

LRESULT CALLBACK linkStaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the formatted text control for this module under `className`.
void registerStaticClass(HINSTANCE instance, const char* className);

// Message numbers registered by registerStaticClass, and the system "Static"
// procedure that the formatted text control hands on to.
extern UINT calculateHeightMessage;
extern UINT calculateMinimumSizeMessage;
extern WNDPROC savedStaticProcedure;
