// The file version the builder reads from every packaged Windows program:
// PE headers, section table and resource tree of any bytes.
#include "builder/assembly/pe_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FileVersion version;
    readPeFileVersion(data, size, version);
    return 0;
}
