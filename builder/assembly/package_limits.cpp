#include "builder/assembly/package_limits.h"

#include "format/package_container.h"

#include <stdio.h>

namespace {

std::string mebibytes(uint64_t bytes)
{
    char text[32];
    snprintf(text, sizeof text, "%.1f MiB", double(bytes) / (1024.0 * 1024.0));
    return text;
}

const char kBlockLimit[] = "4 GiB - 1 byte (4,294,967,295 bytes)";

}  // namespace

std::string fileSizeProblem(const std::string& shownPath, uint64_t size)
{
    if (size + kPayloadItemOverhead <= kMaxBlockSize)
        return std::string();
    return "the file " + shownPath + " holds " + mebibytes(size) + ", and a package's block of files holds at most " +
           kBlockLimit + " decoded; split the file or ship it beside the installer";
}

std::string block1SizeProblem(uint64_t decodedSize, uint64_t payloadBytes, uint32_t files)
{
    if (decodedSize <= kMaxBlockSize)
        return std::string();
    return "the package is too large: its block of files would decode to " + mebibytes(decodedSize) + " (" +
           std::to_string(files) + " files, " + mebibytes(payloadBytes) +
           " of distinct contents), and a block holds at most " + kBlockLimit +
           " decoded; split the product into several installers";
}

std::string packageLengthProblem(uint64_t stubSize, uint64_t bodySize)
{
    PackageFrame frame;
    if (framePackage(kInstallMagic, stubSize, bodySize, frame))
        return std::string();
    return "the package is too large: compressed, it takes " + mebibytes(stubSize + bodySize) +
           ", and an installer's package ends at most 4 GiB - 1 byte into its file (its trailer is a u32); split "
           "the product into several installers";
}
