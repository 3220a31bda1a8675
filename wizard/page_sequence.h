// The install sequence's rules (wizard/page_rules.h) applied to this run,
// and their answers shown on the frame.
#pragma once

#include "wizard/page_descriptor.h"
#include "wizard/page_rules.h"

#include <windows.h>

// The rules' answer for Next from `from` on in this run. Touches no window;
// it searches the registry for an earlier installation when the rules ask.
NextPageChoice nextPageInThisRun(InstallPage from);

// Whether showing a Next answer also sets the hint line (and, when the
// wizard ends next, lets only the close box end it) or leaves the page's own.
enum class HintLine : uint8_t { Keep, Update };

// Shows the answer on the frame: Next's caption, expanded, and with
// HintLine::Update the hint line. Next's target is the caller's to set.
void showNextPageChoice(HWND page, const NextPageChoice& choice, HintLine hintLine);

// What most pages do once made: choose Next's page from `from` on, show the
// choice and make its page Next's target.
void offerNextPage(HWND page, InstallPage from, HintLine hintLine);
// Makes the page Back leads to from `current` Back's target.
void offerBackPage(HWND page, InstallPage current);

// The active page flags of this run's action script and selection.
uint32_t computeActivePageFlags();
