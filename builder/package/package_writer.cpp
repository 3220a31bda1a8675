#include "builder/package/package_writer.h"

#include "builder/package/block_encoder.h"

#include "format/file_io.h"
#include "format/install_script.h"
#include "format/package_container.h"
#include "format/pe_image.h"
#include "format/unique_resource.h"
#include "format/byte_sink.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <memory>

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

namespace {

std::string writeProblem()
{
    return std::string("cannot write the installer: ") + strerror(errno);
}

// The image's checksum field, for the file that now holds it: computed
// over the image (its checksum zeroed) and every byte behind it, read back
// from the file, and written into the file's header. An image without a PE
// header (a test's stand-in) is left as it is.
bool sealWrittenImage(FILE* file, Bytes& image, std::string& problem)
{
    PeHeaderFields fields;
    if (!findPeHeaderFields(image.data(), image.size(), fields))
        return true;
    PeChecksum checksum;
    checksum.add(image.data(), image.size());
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[kEncoderBuffer]);
    if (fflush(file) != 0 || !seekTo(file, image.size())) {
        problem = writeProblem();
        return false;
    }
    for (;;) {
        size_t got = fread(chunk.get(), 1, kEncoderBuffer, file);
        checksum.add(chunk.get(), got);
        if (got < kEncoderBuffer)
            break;
    }
    if (ferror(file)) {
        problem = std::string("cannot read the installer back: ") + strerror(errno);
        return false;
    }
    uint8_t raw[4];
    storeU32(raw, checksum.value());
    if (!seekTo(file, fields.checksum) || fwrite(raw, 1, 4, file) != 4 || fflush(file) != 0) {
        problem = writeProblem();
        return false;
    }
    return true;
}

}  // namespace

bool writeInstallPackage(FILE* file, const Bytes& stubImage, const InstallScript& script, uint64_t block1Size,
                         const std::function<bool(BlockEncoder&, std::string&)>& feedBlock1,
                         const CompressionOptions& options, const CompressionProgress* progress,
                         const std::function<std::string(uint64_t stubSize, uint64_t bodySize)>& bodyProblem,
                         uint64_t& fileSize, std::string& problem)
{
    ByteSink sink;
    Bytes block0, framed0, image;
    if (!serializeInstallScript(script, sink) || !sink.flatten(block0) ||
        !compressBlock(block0.data(), block0.size(), options, framed0) ||
        !image.assign(stubImage.data(), stubImage.size())) {
        problem = "writing block 0 failed (out of memory?)";
        return false;
    }
    // The header as it will be sealed: no certificate table, checksum zero
    // until the file is whole.
    PeHeaderFields fields;
    if (findPeHeaderFields(image.data(), image.size(), fields)) {
        if (fields.hasCertificateEntry)
            memset(image.data() + fields.certificateEntry, 0, 8);
        memset(image.data() + fields.checksum, 0, 4);
    }
    uint8_t magic[4];
    storeU32(magic, kInstallMagic);
    if (!seekTo(file, 0) || fwrite(image.data(), 1, image.size(), file) != image.size() ||
        fwrite(magic, 1, 4, file) != 4 || fwrite(framed0.data(), 1, framed0.size(), file) != framed0.size()) {
        problem = writeProblem();
        return false;
    }
    BlockEncoder encoder;
    uint64_t framed1 = 0;
    if (!encoder.begin(file, block1Size, options, progress, problem) || !feedBlock1(encoder, problem) ||
        !encoder.finish(framed1, problem))
        return false;
    uint64_t bodySize = framed0.size() + framed1;
    if (bodyProblem) {
        problem = bodyProblem(image.size(), bodySize);
        if (!problem.empty())
            return false;
    }
    PackageFrame frame;
    if (!framePackage(kInstallMagic, image.size(), bodySize, frame)) {
        problem = "the package is too large to frame";
        return false;
    }
    static const uint8_t kZeros[8] = {};
    if (fwrite(kZeros, 1, frame.fillerSize, file) != frame.fillerSize || fwrite(frame.trailer, 1, 4, file) != 4) {
        problem = writeProblem();
        return false;
    }
    fileSize = image.size() + 4 + bodySize + frame.fillerSize + 4;
    return sealWrittenImage(file, image, problem);
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
