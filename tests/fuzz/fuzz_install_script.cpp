// Decoded block 0 from arbitrary bytes: the install script, its info-switch
// table and its banner check must stay inside the items they were read from.
#include "format/byte_cursor.h"
#include "format/install_script.h"

#include <initializer_list>
#include <stdlib.h>
#include <string.h>

namespace {

ByteCursor cursor;

void check(bool condition)
{
    if (!condition)
        abort();
}

// Asks the table for a key and checks that the answer lies in the item.
void lookUp(const InstallScript& script, const char* tail)
{
    size_t length = 0;
    const char* text = findInfoSwitch(script, tail, &length);
    if (!text || length == 0)
        return;
    const char* begin = reinterpret_cast<const char*>(script.infoSwitches.data());
    check(text >= begin && text + length <= begin + script.infoSwitches.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    InstallScript script;
    if (!cursor.attach(data, size) || !readInstallScript(cursor, script))
        return 0;
    for (const char* tail : {"", "-version", "-subject", "-version ", "-uninstallregistrykeyname"})
        lookUp(script, tail);
    // The first key of the table, whatever it is, must answer itself.
    if (script.infoSwitches.size() > 1 && script.infoSwitches.data()[0] != 0) {
        const char* firstKey = reinterpret_cast<const char*>(script.infoSwitches.data());
        if (memchr(firstKey, 0, script.infoSwitches.size()))
            check(findInfoSwitch(script, firstKey, nullptr) != nullptr);
    }
    licenseIsRtf(script);
    bannerIsComplete(script.bannerInfo.data(), script.bannerInfo.size(), script.bannerBits.size());
    return 0;
}
