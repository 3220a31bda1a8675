// Fonts and rows of the two progress pages (install and uninstall).
#pragma once

#include <windows.h>

// Creates the Wingdings mark font and the bold caption font, owned by the
// progress page from its creation to its destruction, fills the first
// `count` rows (captions as given, not expanded), gives their marks the mark
// font and hides the rows not needed.
void showStepRows(HWND page, const char* const* captions, int count);
void destroyProgressFonts();
