// The banner the builder takes from a BMP file named by the manifest.
#include "builder/assembly/banner.h"

#include "format/install_script.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Bytes file;
    if (!file.assign(data, size))
        return 0;
    Banner banner;
    std::string problem;
    if (bannerFromBmp(file, banner, problem))
        bannerIsComplete(banner.info.data(), banner.info.size(), banner.bits.size());
    return 0;
}
