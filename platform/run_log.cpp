#include "platform/run_log.h"

#include "format/unattended_rules.h"
#include "platform/win32_handles.h"

#include <stdarg.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(GetLocalTime, 4);

namespace {

UniqueHandle logFile;

}  // namespace

bool openRunLog(const char* path)
{
    // Shared, so the uninstaller's copy appends to the file its launcher
    // holds, and a reader may look while the run goes on.
    logFile.reset(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    return bool(logFile);
}

void runLog(const char* format, ...)
{
    if (!logFile)
        return;
    // Taken first: a caller may log the last error after this line.
    DWORD error = GetLastError();
    SYSTEMTIME now;
    GetLocalTimeSlot(&now);
    char line[2400];
    va_list args;
    va_start(args, format);
    size_t length = formatLogLine(line, sizeof line, now.wHour, now.wMinute, now.wSecond, format, args);
    va_end(args);
    // At the end of whatever the other process of the run wrote meanwhile.
    SetFilePointer(logFile.get(), 0, nullptr, FILE_END);
    DWORD written;
    WriteFile(logFile.get(), line, DWORD(length), &written, nullptr);
    SetLastError(error);
}

void logStep(const char* pass, const char* name, const char* caption, uint32_t result)
{
    runLog("%s %s%s%s: %s", pass, name, caption ? " " : "", caption ? caption : "", result ? "failed" : "done");
}
