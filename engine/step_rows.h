// The step rows of the progress pages: nine (mark, caption) pairs of static
// controls, marked as the worker threads finish their steps.
#pragma once

#include <windows.h>

constexpr int kStepRowCount = 9;
extern const int kStepMarkIds[kStepRowCount];
extern const int kStepCaptionIds[kStepRowCount];

// The bold font of the running row's caption, owned by the progress page.
void setStepRowBoldFont(HFONT boldFont);

// The first row whose mark is empty becomes bold; its old font is kept.
void beginStep(HWND page);
// That row gets its font back and a check mark (ok) or a cross.
void endStep(HWND page, bool ok);
