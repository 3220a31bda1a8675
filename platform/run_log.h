// The run's log: written only when the /log= switch names a file. Plain
// text, one line per event, appended as the run goes, so a run that ends
// early (or a second process of the same run, the uninstaller's copy) leaves
// what it did behind it.
#pragma once

#include <stdint.h>

// Opens (or creates) the log to append to; false when it cannot be opened,
// and nothing is logged then.
bool openRunLog(const char* path);

// Appends one line: the time and `format` filled with %s and %u arguments
// (unattended_rules.h). Does nothing without an open log.
void runLog(const char* format, ...);

// One action or undo entry of a pass and its result, as the passes report
// it (format/execution_context.h, ReportFn).
void logStep(const char* pass, const char* name, const char* caption, uint32_t result);
