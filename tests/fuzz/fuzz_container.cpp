// The container with block 0: any bytes as a package file.
#include "format/package_container.h"

#include <stdio.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    OpenedPackage package;
    openPackage(file, package);
    if (package.kind == PackageKind::Install) {
        size_t length = 0;
        findInfoSwitch(package.installScript, "-version", &length);
        licenseIsRtf(package.installScript);
        bannerIsComplete(package.installScript.bannerInfo.data(), package.installScript.bannerInfo.size(),
                         package.installScript.bannerBits.size());
    }
    fclose(file);
    return 0;
}
