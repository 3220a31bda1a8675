// Fonts and rows of the two progress pages (install and uninstall).
#pragma once

#include <windows.h>

// The Wingdings mark font and the bold caption font, owned by the progress
// page from its creation to its destruction.
void createProgressFonts(HWND page);
void destroyProgressFonts();
// Fills the first `count` rows (captions as given, not expanded), gives
// their marks the mark font and hides the rows not needed.
void fillStepRows(HWND page, const char* const* captions, int count);
