#include "builder/package/package_writer.h"

#include "format/file_io.h"
#include "format/install_script.h"
#include "format/package_container.h"
#include "format/pe_image.h"
#include "format/unique_resource.h"
#include "format/byte_sink.h"

#include <stdio.h>
#include <string.h>

bool assemblePackageFile(const Bytes& stubImage, uint32_t magic, std::initializer_list<const Bytes*> body, Bytes& out)
{
    uint64_t bodySize = 0;
    for (const Bytes* part : body)
        bodySize += part->size();
    PackageFrame frame;
    if (!framePackage(magic, stubImage.size(), bodySize, frame))
        return false;
    uint64_t total = stubImage.size() + 4 + bodySize + frame.fillerSize + 4;
    if (total > SIZE_MAX || !out.allocate(size_t(total)))
        return false;
    uint8_t* p = out.data();
    memcpy(p, stubImage.data(), stubImage.size());
    p += stubImage.size();
    memcpy(p, frame.magic, 4);
    p += 4;
    for (const Bytes* part : body) {
        memcpy(p, part->data(), part->size());
        p += part->size();
    }
    memset(p, 0, frame.fillerSize);
    p += frame.fillerSize;
    memcpy(p, frame.trailer, 4);
    // The image's header now belongs to this file: its checksum is the
    // file's, as a loader or a signing tool computes it. An image that is no
    // PE file (a test's stand-in) is left as it is.
    BytePiece rest{out.data() + stubImage.size(), size_t(total) - stubImage.size()};
    sealImageFor(out.data(), stubImage.size(), &rest, 1);
    return true;
}

bool buildInstallPackage(const Bytes& stubImage, const InstallScript& script, const Bytes& decodedBlock1,
                         const CompressionOptions& options, Bytes& out, const CompressionProgress* progress)
{
    ByteSink sink;
    Bytes block0, framed0, framed1;
    if (!serializeInstallScript(script, sink) || !sink.flatten(block0))
        return false;
    if (!compressBlock(block0.data(), block0.size(), options, framed0) ||
        !compressBlock(decodedBlock1.data(), decodedBlock1.size(), options, framed1, progress))
        return false;
    return assemblePackageFile(stubImage, kInstallMagic, {&framed0, &framed1}, out);
}

bool writeWholeFile(const char* path, const Bytes& bytes)
{
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    bool ok = bytes.size() == 0 || fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = fclose(file) == 0 && ok;
    return ok;
}

bool readWholeFile(const char* path, Bytes& out)
{
    out.reset();
    UniqueFile file(fopen(path, "rb"));
    int64_t length = file ? fileLength(file.get()) : -1;
    bool ok = length >= 0 && uint64_t(length) <= SIZE_MAX && out.allocate(size_t(length)) &&
              (length == 0 || readExactly(file.get(), out.data(), size_t(length)));
    if (!ok)
        out.reset();
    return ok;
}
