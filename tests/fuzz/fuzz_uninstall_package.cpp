// The uninstall package: any bytes as the body behind the magic, read and
// written round.
#include "round_trip.h"
#include "format/uninstall_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    checkRoundTrip<UninstallScript>(data, size, readUninstallScript, writeUninstallScript,
                                    [](const UninstallScript& script) { return script.undoLog.count(); });
    return 0;
}
