#include "support/test_packages.h"

#include "support/test_environment.h"

#include "builder/package/package_writer.h"
#include "engine/byte_sink.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

namespace {

const int kBannerWidth = 64;
const int kBannerHeight = 16;
const int kBannerColours = 256;

void setText(Bytes& field, const char* text)
{
    EXPECT_TRUE(field.assignText(text));
}

// A 64 x 16 banner, 8 bits per pixel with a full grey-blue colour table: the
// layout a package generator writes for the usual 500 x 60 banner.
void setSampleBanner(InstallScript& script)
{
    const size_t infoSize = 40 + kBannerColours * 4;
    ASSERT_TRUE(script.bannerInfo.allocate(infoSize));
    uint8_t* info = script.bannerInfo.data();
    memset(info, 0, infoSize);
    storeU32(info, 40);
    storeU32(info + 4, kBannerWidth);
    storeU32(info + 8, kBannerHeight);
    info[12] = 1;  // planes
    info[14] = 8;  // bits per pixel
    for (int i = 0; i < kBannerColours; ++i) {
        uint8_t* entry = info + 40 + i * 4;  // blue, green, red, reserved
        entry[0] = 255;
        entry[1] = uint8_t(i);
        entry[2] = uint8_t(i / 2);
    }
    const size_t stride = (kBannerWidth + 3) & ~size_t(3);
    ASSERT_TRUE(script.bannerBits.allocate(stride * kBannerHeight));
    for (int y = 0; y < kBannerHeight; ++y)
        for (int x = 0; x < kBannerWidth; ++x)
            script.bannerBits.data()[y * stride + x] = uint8_t(x * 4);
    EXPECT_TRUE(bannerIsComplete(info, infoSize, script.bannerBits.size()));
}

int fileCounter = 0;

}  // namespace

std::vector<InfoSwitch> sampleInfoSwitches()
{
    return {
        {"-version", "2026-12-07"},
        {"-uninstallregistrykeyname", "SlipwayTestProduct"},
        {"-frontendfilename", "setup.exe"},
        {"-subject", "Slipway Test Product"},
    };
}

Bytes infoSwitchTable(const std::vector<InfoSwitch>& switches)
{
    std::string table;
    for (const InfoSwitch& pair : switches) {
        table += pair.key;
        table += '\0';
        table += pair.text;
        table += '\0';
    }
    table += '\0';
    Bytes bytes;
    EXPECT_TRUE(bytes.assign(table.data(), table.size()));
    return bytes;
}

InstallScript sampleInstallScript(const std::vector<InfoSwitch>& switches)
{
    InstallScript script;
    setText(script.title, "Slipway Test Product Setup");
    setSampleBanner(script);
    setText(script.backText, "< &Back");
    setText(script.nextText, "&Next >");
    setText(script.installText, "&Install");
    setText(script.removeText, "&Remove");
    setText(script.finishText, "&Finish");
    setText(script.cancelText, "Cancel");
    setText(script.componentsLabel, "Choose the parts to install:");
    setText(script.programGroupLabel, "Start menu group:");
    setText(script.defaultProgramGroup, "Slipway Test Product");
    setText(script.folderLabel, "Install folder:");
    setText(script.defaultFolder, "Slipway Test Product");
    setText(script.browseText, "B&rowse...");
    setText(script.welcomeText, "Welcome to the Slipway Test Product setup.");
    setText(script.hintText, "Press Next to continue.");
    setText(script.licenseText, "");
    setText(script.licenseHint, "Read the licence, then press Next.");
    script.infoSwitches = infoSwitchTable(switches);
    return script;
}

Bytes emptyActionBlock()
{
    ByteSink sink;
    sink.appendU32(0);  // page flags
    sink.appendU32(0);  // actions
    sink.appendU32(0);  // components
    for (int i = 0; i < 17; ++i)
        sink.addText("");
    Bytes block;
    EXPECT_TRUE(sink.flatten(block));
    return block;
}

Bytes stubImageBytes()
{
    Bytes stub;
    EXPECT_TRUE(readWholeFile(stubPath().c_str(), stub)) << "cannot read the stub " << stubPath();
    return stub;
}

Bytes buildSamplePackage(const InstallScript& script)
{
    Bytes package;
    CompressionOptions options;
    options.preset = 6;
    options.extreme = false;
    EXPECT_TRUE(buildInstallPackage(stubImageBytes(), script, emptyActionBlock(), options, package));
    return package;
}

PackageOffsets packageOffsets(const Bytes& package)
{
    PackageOffsets offsets;
    if (package.size() < 8)
        return offsets;
    offsets.trailer = uint32_t(package.size() - 4);
    offsets.start = offsets.trailer - loadU32(package.data() + offsets.trailer);
    // magic, then block 0: csize, usize, five properties bytes, the stream
    offsets.block0Stream = offsets.start + 4 + 8 + 5;
    return offsets;
}

Bytes copyBytes(const Bytes& bytes)
{
    Bytes copy;
    EXPECT_TRUE(copy.assign(bytes.data(), bytes.size()));
    return copy;
}

namespace {

// Removes the folder at the end of the program; every file in it belongs to
// a TestFile that has deleted it by then.
struct PackageFolder {
    std::string path = makeTestFolder("packages");
    ~PackageFolder() { RemoveDirectoryA(path.c_str()); }
};

}  // namespace

std::string packageFolder()
{
    static const PackageFolder folder;
    return folder.path;
}

TestFile::TestFile(const std::string& folder, const std::string& stem, const std::string& extension)
    : path_(folder + "\\" + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++fileCounter) + extension)
{
}

TestFile::~TestFile()
{
    DeleteFileA(path_.c_str());
}

std::string TestFile::name() const
{
    size_t slash = path_.find_last_of('\\');
    return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

bool TestFile::write(const Bytes& bytes) const
{
    return writeWholeFile(path_.c_str(), bytes);
}
