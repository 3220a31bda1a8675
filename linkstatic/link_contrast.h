// The colour a link is drawn in, kept readable on the background it is
// drawn on. Links take the system's hot-tracking colour, which some colour
// schemes set close to the dialog colour (Wine's own scheme: a light grey on
// a light grey page). Portable: colours are COLORREF values, 0x00BBGGRR.
#pragma once

#include <stdint.h>

// The standard link blues that stand in for an unreadable colour: one for
// light backgrounds, one for dark ones.
constexpr uint32_t kLinkBlueOnLight = 0x00CC6600;  // RGB(0, 102, 204)
constexpr uint32_t kLinkBlueOnDark = 0x00FFB266;   // RGB(102, 178, 255)

// True when `foreground` stands out from `background` by a contrast ratio of
// at least 3:1, the least that text in a user interface is given.
bool isReadableOn(uint32_t foreground, uint32_t background);

// `link` where it is readable on `background`; otherwise whichever of the
// two link blues stands out more from it.
uint32_t readableLinkColour(uint32_t link, uint32_t background);
