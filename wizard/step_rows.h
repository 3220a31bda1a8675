// The step rows of the progress pages: nine (mark, caption) pairs of static
// controls, marked as the worker threads finish their steps.
#pragma once

#include "engine/page_link.h"
#include "resources/resource_ids.h"

#include <windows.h>

constexpr int kStepRowCount = 9;
constexpr int stepMarkId(int row) { return IDC_STEP_MARK_1 + row; }
constexpr int stepCaptionId(int row) { return IDC_STEP_CAPTION_1 + row; }

// The bold font of the running row's caption, owned by the progress page,
// which sets it when it makes its rows: the rows start over at the first.
void setStepRowBoldFont(HFONT boldFont);

// beginStep and endStep (engine/page_link.h) mark the rows as the worker
// threads run their steps.
