// Every named time limit of the Windows-side tests is written for Wine at
// the machine's own speed. The build setting SLIPWAY_WINE_TIME_SCALE (1 by
// default) stretches all of them at once, for slow runs such as the 32-bit
// side under emulation (tests/windows/emulation/run-suite.sh uses 10).
// Poll intervals are not limits and stay as they are.
#pragma once

#include <windows.h>

#ifndef SLIPWAY_WINE_TIME_SCALE
#define SLIPWAY_WINE_TIME_SCALE 1
#endif

constexpr DWORD timeLimitMs(DWORD nativeMs)
{
    return nativeMs * DWORD(SLIPWAY_WINE_TIME_SCALE);
}
