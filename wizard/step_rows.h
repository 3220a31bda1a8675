// The step rows of the progress pages: nine (mark, caption) pairs of static
// controls, marked as the worker threads finish their steps.
#pragma once

#include "engine/page_link.h"

#include <windows.h>

constexpr int kStepRowCount = 9;
extern const int kStepMarkIds[kStepRowCount];
extern const int kStepCaptionIds[kStepRowCount];

// The bold font of the running row's caption, owned by the progress page.
void setStepRowBoldFont(HFONT boldFont);

// beginStep and endStep (engine/page_link.h) mark the rows as the worker
// threads run their steps.
