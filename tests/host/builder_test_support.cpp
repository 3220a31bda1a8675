#include "builder_test_support.h"

#include "format/block_reader.h"
#include "format/byte_cursor.h"
#include "builder/assembly/installer_builder.h"
#include "builder/package/package_writer.h"

#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <utime.h>

#include <memory>

void ManifestFolder::write(const std::string& relative, const std::string& bytes) const
{
    for (size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1))
        mkdir(path(relative.substr(0, slash)).c_str(), 0755);
    FILE* file = fopen(path(relative).c_str(), "wb");
    if (!file)
        return;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

void ManifestFolder::setTime(const std::string& relative, int64_t seconds) const
{
    struct utimbuf times;
    times.actime = time_t(seconds);
    times.modtime = time_t(seconds);
    utime(path(relative).c_str(), &times);
}

std::string productTable()
{
    return "[product]\n"
           "name = \"Hello\"\n"
           "version = \"1.0\"\n"
           "publisher = \"Example Ltd\"\n";
}

BuildOutcome buildFolder(const ManifestFolder& folder)
{
    BuildOutcome outcome;
    Diagnostics diagnostics;
    Manifest manifest;
    CompressionOptions quick;
    quick.preset = 1;
    quick.extreme = false;
    // The installer goes to a folder of its own, never into a source.
    TemporaryFolder output;
    std::string installer = output.file("setup.exe");
    if (readManifest(folder.manifestPath(), manifest, diagnostics)) {
        outcome.ok = buildInstaller(manifest, sampleStubImage(), quick, false, installer, diagnostics);
        if (outcome.ok && !readWholeFile(installer.c_str(), outcome.installer))
            outcome.ok = false;
    } else
        checkNamedFiles(manifest, diagnostics);
    outcome.report = diagnostics.report();
    outcome.warnings = diagnostics.warningReport();
    return outcome;
}

bool readManifestFrom(const ManifestFolder& folder, const std::string& text, Manifest& manifest, std::string& report)
{
    Diagnostics diagnostics;
    bool ok = readManifestText(folder.manifestPath(), text, manifest, diagnostics);
    report = diagnostics.report();
    return ok;
}

bool readBack(const Bytes& installer, OpenedPackage& package, ActionScript& script)
{
    FileHandle file = fileWith(installer);
    if (!file)
        return false;
    openPackage(file.get(), package);
    if (package.kind != PackageKind::Install)
        return false;
    Bytes block1;
    if (readBlock(file.get(), package.remainingAfterBlock0, block1) != BlockResult::Ok)
        return false;
    auto cursor = std::make_unique<ByteCursor>();
    return cursor->attach(block1.data(), block1.size()) && readActionScript(*cursor, script) && cursor->atStreamEnd();
}

namespace {

void put16(std::string& s, size_t offset, uint32_t v)
{
    s[offset] = char(v);
    s[offset + 1] = char(v >> 8);
}

void put32(std::string& s, size_t offset, uint32_t v)
{
    put16(s, offset, v & 0xFFFF);
    put16(s, offset + 2, v >> 16);
}

}  // namespace

std::string peImageWithVersion(uint16_t major, uint16_t minor, uint16_t build, uint16_t revision)
{
    // Headers in the first 0x200 bytes, one section ".rsrc" at RVA 0x1000
    // and file offset 0x200 holding the resource tree and VS_VERSIONINFO.
    std::string image(0x400, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    put32(image, 0x3C, 0x80);
    memcpy(&image[0x80], "PE\0\0", 4);
    const size_t coff = 0x84, optional = coff + 20;
    put16(image, coff, 0x14C);      // i386
    put16(image, coff + 2, 1);      // one section
    put16(image, coff + 16, 0xE0);  // optional header size of PE32
    put16(image, optional, 0x10B);
    put32(image, optional + 92, 16);              // data directories
    put32(image, optional + 96 + 2 * 8, 0x1000);  // resource directory RVA
    put32(image, optional + 96 + 2 * 8 + 4, 0x100);
    const size_t section = optional + 0xE0;
    memcpy(&image[section], ".rsrc", 5);
    put32(image, section + 8, 0x200);    // virtual size
    put32(image, section + 12, 0x1000);  // virtual address
    put32(image, section + 16, 0x200);   // raw size
    put32(image, section + 20, 0x200);   // raw offset

    const size_t rsrc = 0x200;
    // Root: one id entry, RT_VERSION -> directory at 0x18.
    put16(image, rsrc + 14, 1);
    put32(image, rsrc + 16, 16);
    put32(image, rsrc + 20, 0x80000018);
    // Name level: id 1 -> directory at 0x30.
    put16(image, rsrc + 0x18 + 14, 1);
    put32(image, rsrc + 0x18 + 16, 1);
    put32(image, rsrc + 0x18 + 20, 0x80000030);
    // Language level: 0x409 -> data entry at 0x48.
    put16(image, rsrc + 0x30 + 14, 1);
    put32(image, rsrc + 0x30 + 16, 0x409);
    put32(image, rsrc + 0x30 + 20, 0x48);
    // Data entry: RVA and size of VS_VERSIONINFO at section offset 0x60.
    put32(image, rsrc + 0x48, 0x1000 + 0x60);
    put32(image, rsrc + 0x48 + 4, 92);
    const size_t info = rsrc + 0x60;
    put16(image, info, 92);
    put16(image, info + 2, 52);
    const char key[] = "VS_VERSION_INFO";
    for (size_t i = 0; i < sizeof key; ++i)
        put16(image, info + 6 + i * 2, uint8_t(key[i]));
    put32(image, info + 40, 0xFEEF04BD);
    put32(image, info + 44, 0x00010000);
    put32(image, info + 48, uint32_t(major) << 16 | minor);
    put32(image, info + 52, uint32_t(build) << 16 | revision);
    return image;
}

uint64_t fileTimeOf(int64_t unixSeconds)
{
    return uint64_t(unixSeconds + 11644473600ll) * 10000000ull;
}
