// The manifest reader over any text: the shape check, the TOML parser and
// every table and action reader behind it.
#include "builder/manifest/manifest.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Manifest manifest;
    Diagnostics diagnostics;
    readManifestText("/nonexistent/slipway.toml", std::string(reinterpret_cast<const char*>(data), size), manifest,
                     diagnostics);
    diagnostics.report();
    return 0;
}
