#include "test_packages.h"

#include "engine/byte_sink.h"

#include <stdio.h>
#include <string.h>

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

InstallScript sampleInstallScript()
{
    InstallScript s;
    setText(s.title, "Sample Product Setup");
    // A 2 x 2, 24-bit banner: 40-byte header, rows padded to 8 bytes.
    std::string info(40, '\0');
    put32(info, 0, 40);
    put32(info, 4, 2);
    put32(info, 8, 2);
    info[12] = 1;
    info[14] = 24;
    s.bannerInfo = bytesOf(info);
    s.bannerBits = bytesOf(std::string(16, '\x7f'));
    setText(s.backText, "< &Back");
    setText(s.nextText, "&Next >");
    setText(s.installText, "&Install");
    setText(s.removeText, "&Remove");
    setText(s.finishText, "&Finish");
    setText(s.cancelText, "Cancel");
    setText(s.componentsLabel, "Choose components:");
    setText(s.programGroupLabel, "Start menu group:");
    setText(s.defaultProgramGroup, "Sample Product");
    setText(s.folderLabel, "Install folder:");
    setText(s.defaultFolder, "Sample Product");
    setText(s.browseText, "B&rowse...");
    setText(s.welcomeText, "Welcome to the Sample Product setup.");
    setText(s.hintText, "Press Next to continue.");
    setText(s.licenseText, "");
    setText(s.licenseHint, "Please read the licence.");
    s.infoSwitches = bytesOf(std::string("-version\0" "2026-12-07\0" "-subject\0" "Sample Product\0" "\0", 41));
    return s;
}

Bytes emptyActionBlock()
{
    ByteSink sink;
    sink.appendU32(0);  // pageFlags of the main list
    sink.appendU32(0);  // no actions
    sink.appendU32(0);  // no components
    for (int i = 0; i < 17; ++i)
        sink.addText("");
    Bytes block;
    sink.flatten(block);
    return block;
}

Bytes buildSamplePackage(const InstallScript& script)
{
    Bytes file;
    CompressionOptions options;
    options.preset = 1;
    options.extreme = false;
    if (!buildInstallPackage(sampleStubImage(), script, emptyActionBlock(), options, file))
        file.reset();
    return file;
}

PackageKind openFromMemory(const Bytes& file, OpenedPackage& out)
{
    FILE* stream = tmpfile();
    if (!stream)
        return PackageKind::None;
    if (file.size())
        fwrite(file.data(), 1, file.size(), stream);
    fflush(stream);
    openPackage(stream, out);
    fclose(stream);
    return out.kind;
}
