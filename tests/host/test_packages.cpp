#include "test_packages.h"

#include "format/byte_sink.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>

namespace {

void put32(std::string& s, size_t offset, uint32_t v)
{
    storeU32(reinterpret_cast<uint8_t*>(&s[offset]), v);
}

}  // namespace

Bytes bytesOf(const std::string& raw)
{
    Bytes b;
    b.assign(raw.data(), raw.size());
    return b;
}

void setText(Bytes& field, const std::string& text)
{
    field.assign(text.c_str(), text.size() + 1);
}

Bytes sampleStubImage()
{
    // DOS header with e_lfanew = 0x80, then "PE\0\0" and zeroed NT headers
    // with 16 data directories, padded to 1 KiB like a section-aligned image.
    std::string image(1024, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    put32(image, 0x3C, 0x80);
    memcpy(&image[0x80], "PE\0\0", 4);
    put32(image, 0x80 + 0x74, 16);
    return bytesOf(image);
}

Bytes buildSamplePackage(const InstallScript& script)
{
    return buildPackageOver(sampleStubImage(), script, emptyActionBlock(), 1);
}

PackageKind openFromMemory(const Bytes& file, OpenedPackage& out)
{
    FileHandle stream = fileWith(file);
    if (!stream)
        return PackageKind::None;
    openPackage(stream.get(), out);
    return out.kind;
}

std::string asString(const Bytes& bytes)
{
    return bytes.isNull() ? std::string() : std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

Bytes framedBlock(const Bytes& decoded)
{
    CompressionOptions options;
    options.preset = 1;
    options.extreme = false;
    Bytes framed;
    if (!compressBlock(decoded.data(), decoded.size(), options, framed))
        framed.reset();
    return framed;
}

Bytes realStubImage()
{
    Bytes stub;
    readWholeFile(SLIPWAY_STUB_PATH, stub);
    return stub;
}

FileHandle fileWith(const Bytes& bytes)
{
    FileHandle file(tmpfile());
    if (file) {
        if (bytes.size())
            fwrite(bytes.data(), 1, bytes.size(), file.get());
        fflush(file.get());
        rewind(file.get());
    }
    return file;
}

TemporaryFolder::TemporaryFolder()
{
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/slipway-test-XXXXXX";
    if (mkdtemp(&pattern[0]))
        path_ = pattern;
}

TemporaryFolder::~TemporaryFolder()
{
    if (!path_.empty())
        runCommand("rm -rf '" + path_ + "'");
}

bool hostToolExists(const char* name)
{
    return runCommand(std::string("command -v ") + name) == 0;
}

int runCommand(const std::string& command, std::string* output)
{
    FILE* pipe = popen(("(" + command + ") 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    char chunk[512];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) {
        if (output)
            output->append(chunk, got);
    }
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Bytes fannedOutBlock1(uint32_t kind, uint32_t actions, uint32_t itemSize)
{
    ByteSink sink;
    sink.appendU32(0);  // page flags
    for (uint32_t i = 0; i < actions; ++i) {
        sink.appendU32(1);
        sink.appendU32(kind);
        if (kind == 1) {
            sink.appendU32(0);  // path: item 0
            sink.appendU32(1);  // data: item 1
            for (int field = 0; field < 4; ++field)
                sink.appendU32(0);
        } else {
            sink.appendU32(1);
        }
    }
    sink.appendU32(0);  // end of the main list
    sink.appendU32(0);  // no components
    for (int text = 0; text < 17; ++text)
        sink.appendU32(0);
    sink.appendU32(0);  // upgrade rules
    // The pool: item 0 a short name, item 1 the fanned-out one.
    ByteSink pool;
    pool.addText("f");
    std::string item(itemSize, 'x');
    pool.addString(item.data(), item.size());
    Bytes stream, items;
    Bytes block;
    if (!sink.flatten(stream) || !pool.flatten(items))
        return block;
    // The record stream of `sink` followed by the pool of `pool`.
    uint32_t streamLength = loadU32(stream.data());
    size_t poolBytes = items.size() - 4 - loadU32(items.data());
    if (!block.allocate(4 + streamLength + poolBytes))
        return block;
    memcpy(block.data(), stream.data(), 4 + streamLength);
    memcpy(block.data() + 4 + streamLength, items.data() + items.size() - poolBytes, poolBytes);
    return block;
}

Bytes fannedOutPackage(uint32_t kind, uint32_t actions, uint32_t itemSize)
{
    CompressionOptions options;
    options.preset = 6;
    options.extreme = false;
    Bytes file;
    if (!buildInstallPackage(sampleStubImage(), sampleInstallScript(), fannedOutBlock1(kind, actions, itemSize),
                             options, file))
        file.reset();
    return file;
}
