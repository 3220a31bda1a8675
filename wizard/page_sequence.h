// The install sequence's rules: which pages are skipped, what Next is called
// and what the hint line says.
#pragma once

#include "wizard/page_descriptor.h"

#include <windows.h>

bool isPageSkipped(const PageDescriptor* page);
// The first page from `from` on that is not skipped, with the Next caption
// (and, when asked, the hint line) set for it.
const PageDescriptor* nextPage(HWND page, const PageDescriptor* from, bool updateHint);
// The nearest page at or before `from` that may be returned to; the removal
// page never is (going back would start the earlier uninstaller again).
const PageDescriptor* previousPage(const PageDescriptor* from);
// The OR of the page flags of the main list and of every component that is
// placed on a page or selected.
uint32_t computeActivePageFlags();
