// The banner across the top of the frame.
#pragma once

#include "format/bytes.h"

#include <windows.h>

// Fills the frame's banner control once from a BITMAPINFO and its bits (a
// pair that is not complete is never handed to the system) and stretches
// the control to the frame's width, down to the upper separator line.
void showBanner(HWND frame, const Bytes& info, const Bytes& bits);
