#include "sample_package.h"

#include "builder/package/package_writer.h"
#include "format/byte_sink.h"

#include <string.h>

namespace {

const int kBannerWidth = 64;
const int kBannerHeight = 16;
const int kBannerColours = 256;

void setText(Bytes& field, const char* text)
{
    field.assignText(text);
}

// A 64 x 16 banner, 8 bits per pixel with a full grey-blue colour table: the
// layout a package generator writes for the usual 500 x 60 banner.
void setSampleBanner(InstallScript& script)
{
    const size_t infoSize = 40 + kBannerColours * 4;
    if (!script.bannerInfo.allocate(infoSize))
        return;
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
    if (!script.bannerBits.allocate(stride * kBannerHeight))
        return;
    for (int y = 0; y < kBannerHeight; ++y)
        for (int x = 0; x < kBannerWidth; ++x)
            script.bannerBits.data()[y * stride + x] = uint8_t(x * 4);
}

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
    bytes.assign(table.data(), table.size());
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
    sink.appendU32(0);  // page flags of the main list
    sink.appendU32(0);  // end of the main list: no actions
    sink.appendU32(0);  // end of the components: none
    for (int i = 0; i < 17; ++i)
        sink.addText("");
    sink.appendU32(0);  // upgrade rules: none
    Bytes block;
    if (!sink.flatten(block))
        block.reset();
    return block;
}

Bytes buildPackageOver(const Bytes& stubImage, const InstallScript& script, const Bytes& actionBlock, int preset)
{
    Bytes file;
    CompressionOptions options;
    options.preset = preset;
    options.extreme = false;
    if (!buildInstallPackage(stubImage, script, actionBlock, options, file))
        file.reset();
    return file;
}
