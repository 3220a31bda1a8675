#include "builder/package/package_writer.h"

#include "app/install_script.h"
#include "app/package_container.h"
#include "engine/byte_sink.h"

#include <stdio.h>
#include <string.h>

namespace {

bool assemble(const Bytes& stubImage, uint32_t magic, const Bytes* parts[], int partCount, bool padToEight,
              Bytes& out)
{
    uint64_t body = 0;
    for (int i = 0; i < partCount; ++i)
        body += parts[i]->size();
    uint64_t unpadded = stubImage.size() + 4 + body + 4;
    uint64_t filler = padToEight ? (8 - unpadded % 8) % 8 : 0;
    uint64_t length = 4 + body + filler;  // L: magic to trailer
    uint64_t total = unpadded + filler;
    if (length > UINT32_MAX || total - 4 > UINT32_MAX || !out.allocate(size_t(total)))
        return false;
    uint8_t* p = out.data();
    memcpy(p, stubImage.data(), stubImage.size());
    p += stubImage.size();
    storeU32(p, magic);
    p += 4;
    for (int i = 0; i < partCount; ++i) {
        memcpy(p, parts[i]->data(), parts[i]->size());
        p += parts[i]->size();
    }
    memset(p, 0, size_t(filler));
    p += filler;
    storeU32(p, uint32_t(length));
    return true;
}

}  // namespace

bool assembleInstallPackage(const Bytes& stubImage, const Bytes& framedBlock0, const Bytes& framedBlock1, Bytes& out)
{
    const Bytes* parts[] = {&framedBlock0, &framedBlock1};
    return assemble(stubImage, kInstallMagic, parts, 2, true, out);
}

bool assembleUninstallPackage(const Bytes& stubImage, const Bytes& body, Bytes& out)
{
    const Bytes* parts[] = {&body};
    return assemble(stubImage, kUninstallMagic, parts, 1, false, out);
}

bool buildInstallPackage(const Bytes& stubImage, const InstallScript& script, const Bytes& decodedBlock1,
                         const CompressionOptions& options, Bytes& out)
{
    ByteSink sink;
    Bytes block0, framed0, framed1;
    if (!serializeInstallScript(script, sink) || !sink.flatten(block0))
        return false;
    if (!compressBlock(block0.data(), block0.size(), options, framed0) ||
        !compressBlock(decodedBlock1.data(), decodedBlock1.size(), options, framed1))
        return false;
    return assembleInstallPackage(stubImage, framed0, framed1, out);
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
    FILE* file = fopen(path, "rb");
    if (!file)
        return false;
    bool ok = fseek(file, 0, SEEK_END) == 0;
    long length = ok ? ftell(file) : -1;
    ok = length >= 0 && fseek(file, 0, SEEK_SET) == 0 && out.allocate(size_t(length)) &&
         (length == 0 || fread(out.data(), 1, size_t(length), file) == size_t(length));
    fclose(file);
    if (!ok)
        out.reset();
    return ok;
}
