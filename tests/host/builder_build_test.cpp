// Whole builds: the installer the builder writes is read back with the
// stub's own readers, and the builder keeps the package's limits.
#include "builder_test_support.h"

#include "builder/assembly/banner.h"
#include "builder/assembly/package_limits.h"
#include "builder/commands.h"
#include "builder/package/block_compressor.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

std::string raw(const Bytes& bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A product with files, a licence, two components and a few actions.
void layOutProduct(const ManifestFolder& folder)
{
    folder.write("files/readme.txt", "Read me.\n");
    folder.write("files/bin/tool.exe", peImageWithVersion(2, 5, 1024, 7));
    folder.write("files/bin/tool.ini", "[tool]\n");
    folder.write("docs/manual.txt", "The manual.\n");
    folder.write("LICENSE.txt", "Free to use.\nNo warranty.\n");
    folder.setTime("files/readme.txt", 1700000000);
    folder.writeManifest(
        productTable() +
        "[wizard]\nlicense = \"LICENSE.txt\"\n"
        "[[files]]\nsource = \"files\"\nexclude = [\"*.ini\"]\n"
        "[[actions]]\nkind = \"remove_on_uninstall\"\npath = \"$PROGRAMFILESFOLDER$\\\\tool.log\"\n"
        "[[components]]\nname = \"Documentation\"\ndescription = \"The manual\"\n"
        "[[components.files]]\nsource = \"docs/*.txt\"\ndestination = \"$PROGRAMFILESFOLDER$\\\\docs\"\n"
        "[[components]]\nname = \"Start menu entry\"\nplacement = \"folder_page\"\n"
        "[[components.actions]]\nkind = \"shortcut\"\n"
        "target = \"$PROGRAMFILESFOLDER$\\\\bin\\\\tool.exe\"\npath = \"$PROGRAMSFOLDER$\\\\Tool.lnk\"\n"
        "[[components.actions]]\nkind = \"set_registry_dword\"\nroot = \"HKCU\"\n"
        "key = \"Software\\\\Hello\"\nname = \"Installed\"\nvalue = 1\n");
}

TEST(BuilderBuild, InstallerReadsBackAsTheManifestSays)
{
    ManifestFolder folder;
    layOutProduct(folder);
    BuildOutcome outcome = buildFolder(folder);
    ASSERT_TRUE(outcome.ok) << outcome.report;
    EXPECT_EQ(outcome.installer.size() % 8, 0u);

    OpenedPackage package;
    ActionScript script;
    ASSERT_TRUE(readBack(outcome.installer, package, script));
    EXPECT_STREQ(package.installScript.title.text(), "Hello 1.0 Setup");
    EXPECT_STREQ(package.installScript.licenseText.text(), "Free to use.\r\nNo warranty.\r\n");
    EXPECT_TRUE(bannerIsComplete(package.installScript.bannerInfo.data(), package.installScript.bannerInfo.size(),
                                 package.installScript.bannerBits.size()));

    // Main list: the files in path order (the .ini excluded), then the action.
    const ActionList& main = script.mainActions;
    ASSERT_EQ(main.actions.count(), 3u);
    auto* tool = static_cast<WriteFileAction*>(main.actions[0]);
    auto* readme = static_cast<WriteFileAction*>(main.actions[1]);
    ASSERT_EQ(tool->kind(), 1u);
    EXPECT_STREQ(tool->path.text(), "$PROGRAMFILESFOLDER$\\bin\\tool.exe");
    EXPECT_EQ(tool->versionHigh, 2u << 16 | 5u);
    EXPECT_EQ(tool->versionLow, 1024u << 16 | 7u);
    EXPECT_STREQ(readme->path.text(), "$PROGRAMFILESFOLDER$\\readme.txt");
    EXPECT_EQ(raw(readme->data), "Read me.\n");
    EXPECT_EQ(uint64_t(readme->timeHigh) << 32 | readme->timeLow, fileTimeOf(1700000000));
    EXPECT_EQ(readme->versionHigh | readme->versionLow, 0u);
    EXPECT_EQ(main.actions[2]->kind(), 4u);
    EXPECT_EQ(main.pageFlags, 2u);

    ASSERT_EQ(script.components.count(), 2u);
    const Component& docs = *script.components[0];
    EXPECT_STREQ(docs.name.text(), "Documentation");
    EXPECT_EQ(docs.placement, 0u);
    EXPECT_EQ(docs.defaultMask[0], 0xFFu);
    ASSERT_EQ(docs.actions.actions.count(), 1u);
    EXPECT_STREQ(static_cast<WriteFileAction*>(docs.actions.actions[0])->path.text(),
                 "$PROGRAMFILESFOLDER$\\docs\\manual.txt");
    const Component& menu = *script.components[1];
    EXPECT_EQ(menu.placement, 1u);
    ASSERT_EQ(menu.actions.actions.count(), 2u);
    EXPECT_EQ(menu.actions.actions[0]->kind(), 5u);
    auto* dword = static_cast<SetRegDwordAction*>(menu.actions.actions[1]);
    EXPECT_EQ(dword->root, 0x80000001u);
    EXPECT_EQ(dword->data, 1u);
    EXPECT_EQ(menu.actions.pageFlags, 3u);  // the shortcut names both the group and the folder

    EXPECT_STREQ(script.uninstallerPath.text(), "$PROGRAMFILESFOLDER$\\uninstall.exe");
    EXPECT_STREQ(script.filesStepCaption.text(), "Installing files");
    EXPECT_EQ(script.upgradeRules, 0u) << "no downgrade without allow_downgrade";
}

TEST(BuilderBuild, AllowDowngradeSetsTheUpgradeRule)
{
    for (const char* value : {"true", "false"}) {
        ManifestFolder folder;
        folder.writeManifest(productTable() + "[install]\nallow_downgrade = " + value + "\n");
        BuildOutcome outcome = buildFolder(folder);
        ASSERT_TRUE(outcome.ok) << outcome.report;
        OpenedPackage package;
        ActionScript script;
        ASSERT_TRUE(readBack(outcome.installer, package, script));
        EXPECT_EQ(script.upgradeRules, std::string(value) == "true" ? kUpgradeAllowDowngrade : 0u) << value;
    }
}

TEST(BuilderBuild, SameInputsGiveTheSameBytes)
{
    ManifestFolder folder;
    layOutProduct(folder);
    BuildOutcome first = buildFolder(folder);
    BuildOutcome second = buildFolder(folder);
    ASSERT_TRUE(first.ok && second.ok) << first.report << second.report;
    EXPECT_EQ(raw(first.installer), raw(second.installer));
}

TEST(BuilderBuild, PageFlagsFollowTheTextsUnlessGiven)
{
    ManifestFolder folder;
    folder.write("a.txt", "a");
    folder.writeManifest(productTable() +
                         "[[files]]\nsource = \"a.txt\"\ndestination = \"$APPDATA$\\\\Hello\"\n"
                         "[[components]]\nname = \"Folder\"\n"
                         "[[components.actions]]\nkind = \"copy_file\"\nsource = \"extra.dat\"\n"
                         "destination = \"$PROGRAMFILESFOLDER$\\\\extra.dat\"\n"
                         "[[components]]\nname = \"Group\"\n"
                         "[[components.actions]]\nkind = \"run_on_uninstall\"\n"
                         "program = \"$COMMONPROGRAMSFOLDER$\\\\x.exe\"\n"
                         "[[components]]\nname = \"Told\"\npage_flags = [\"program_group\"]\n"
                         "[[components.actions]]\nkind = \"delete_files\"\npath = \"$PROGRAMFILESFOLDER$\\\\*.tmp\"\n"
                         "[[components]]\nname = \"None\"\npage_flags = []\n"
                         "[[components.actions]]\nkind = \"delete_files\"\npath = \"$PROGRAMFILESFOLDER$\\\\*.tmp\"\n");
    BuildOutcome outcome = buildFolder(folder);
    ASSERT_TRUE(outcome.ok) << outcome.report;
    OpenedPackage package;
    ActionScript script;
    ASSERT_TRUE(readBack(outcome.installer, package, script));
    EXPECT_EQ(script.mainActions.pageFlags, 0u);  // $APPDATA$ needs no wizard field
    ASSERT_EQ(script.components.count(), 4u);
    EXPECT_EQ(script.components[0]->actions.pageFlags, 2u);
    EXPECT_EQ(script.components[1]->actions.pageFlags, 1u);
    EXPECT_EQ(script.components[2]->actions.pageFlags, 1u);
    EXPECT_EQ(script.components[3]->actions.pageFlags, 0u);
}

TEST(BuilderBuild, FilesBeyondWhatAPoolOnceHeldBuildAndReadBack)
{
    ManifestFolder folder;
    const int files = 8200;
    for (int i = 0; i < files; ++i)
        folder.write("many/f" + std::to_string(i), std::to_string(i));
    folder.writeManifest(productTable() + "[[files]]\nsource = \"many\"\n");
    BuildOutcome outcome = buildFolder(folder);
    ASSERT_TRUE(outcome.ok) << outcome.report;
    OpenedPackage package;
    ActionScript script;
    ASSERT_TRUE(readBack(outcome.installer, package, script));
    ASSERT_EQ(script.mainActions.actions.count(), uint32_t(files));
    for (Action* action : script.mainActions.actions) {
        auto* write = static_cast<WriteFileAction*>(action);
        std::string path = write->path.text();
        ASSERT_EQ("$PROGRAMFILESFOLDER$\\f" + raw(write->data), path);
    }
}

TEST(BuilderBuild, ComponentsBeyondWhatAPoolOnceHeldBuild)
{
    ManifestFolder folder;
    const int components = 17000;
    std::string manifest = productTable();
    for (int i = 0; i < components; ++i)
        manifest += "[[components]]\nname = \"c" + std::to_string(i) + "\"\n";
    folder.writeManifest(manifest);
    BuildOutcome outcome = buildFolder(folder);
    ASSERT_TRUE(outcome.ok) << outcome.report;
    OpenedPackage package;
    ActionScript script;
    ASSERT_TRUE(readBack(outcome.installer, package, script));
    ASSERT_EQ(script.components.count(), uint32_t(components));
    EXPECT_STREQ(script.components[components - 1]->name.text(), "c16999");
}

TEST(BuilderBuild, BannerComesFromAnEightBitOrTwentyFourBitBmp)
{
    // A 3 x 2 BMP of 24 bits with a BITMAPV5 header, and one of 8 bits.
    auto bmp = [](uint16_t bits, uint32_t headerSize) {
        uint32_t stride = (3 * bits + 31) / 32 * 4;
        uint32_t palette = bits == 8 ? 256 * 4 : 0;
        uint32_t offset = 14 + headerSize + palette;
        std::string file(offset + stride * 2, '\0');
        auto put = [&](size_t at, uint32_t v) { storeU32(reinterpret_cast<uint8_t*>(&file[at]), v); };
        file[0] = 'B';
        file[1] = 'M';
        put(2, uint32_t(file.size()));
        put(10, offset);
        put(14, headerSize);
        put(18, 3);
        put(22, 2);
        file[26] = 1;
        file[28] = char(bits);
        for (size_t i = offset; i < file.size(); ++i)
            file[i] = char(i);
        return file;
    };
    Banner banner;
    std::string problem;
    ASSERT_TRUE(bannerFromBmp(bytesOf(bmp(24, 124)), banner, problem)) << problem;
    EXPECT_EQ(banner.info.size(), 40u);  // cut down to BITMAPINFOHEADER
    EXPECT_EQ(loadU32(banner.info.data()), 40u);
    EXPECT_EQ(banner.bits.size(), 24u);
    ASSERT_TRUE(bannerFromBmp(bytesOf(bmp(8, 40)), banner, problem)) << problem;
    EXPECT_EQ(banner.info.size(), 40u + 1024u);
    EXPECT_EQ(banner.bits.size(), 8u);

    std::string truncated = bmp(24, 40);
    truncated.resize(truncated.size() - 1);
    EXPECT_FALSE(bannerFromBmp(bytesOf(truncated), banner, problem));
    EXPECT_NE(problem.find("past the end"), std::string::npos);
    std::string fourBits = bmp(24, 40);
    fourBits[28] = 4;
    EXPECT_FALSE(bannerFromBmp(bytesOf(fourBits), banner, problem));

    Banner drawn = defaultBanner();
    EXPECT_TRUE(bannerIsComplete(drawn.info.data(), drawn.info.size(), drawn.bits.size()));
    EXPECT_EQ(loadU32(drawn.info.data() + 4), 500u);
    EXPECT_EQ(loadU32(drawn.info.data() + 8), 60u);
}

TEST(BuilderBuild, RtfLicenceIsKeptAsItIs)
{
    ManifestFolder folder;
    folder.write("LICENSE.rtf", "{\\rtf1\\ansi Free\\par}");
    folder.writeManifest(productTable() + "[wizard]\nlicense = \"LICENSE.rtf\"\n");
    BuildOutcome outcome = buildFolder(folder);
    ASSERT_TRUE(outcome.ok) << outcome.report;
    OpenedPackage package;
    ActionScript script;
    ASSERT_TRUE(readBack(outcome.installer, package, script));
    EXPECT_STREQ(package.installScript.licenseText.text(), "{\\rtf1\\ansi Free\\par}");
    EXPECT_TRUE(licenseIsRtf(package.installScript));
}

TEST(BuilderBuild, LinksOutOfASourceFolderWarnOrAreRefusedAsTheManifestSays)
{
    ManifestFolder folder;
    folder.write("elsewhere/key.pem", "private");
    folder.write("files/readme.txt", "hello");
    ASSERT_EQ(symlink("../elsewhere/key.pem", folder.path("files/key.pem").c_str()), 0);
    folder.writeManifest(productTable() + "[[files]]\nsource = \"files\"\n");
    BuildOutcome warned = buildFolder(folder);
    EXPECT_TRUE(warned.ok) << warned.report;
    EXPECT_NE(warned.warnings.find("slipway.toml:6:10: warning: 'files': "), std::string::npos) << warned.warnings;
    EXPECT_NE(warned.warnings.find("files/key.pem is a link to "), std::string::npos) << warned.warnings;

    folder.writeManifest("outside_links = \"refuse\"\n" + productTable() + "[[files]]\nsource = \"files\"\n");
    BuildOutcome refused = buildFolder(folder);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.report.find("slipway.toml:7:10: error: 'files': "), std::string::npos) << refused.report;
    EXPECT_NE(refused.report.find("forbids packaging it"), std::string::npos) << refused.report;

    folder.writeManifest("outside_links = \"ignore\"\n" + productTable());
    BuildOutcome unknown = buildFolder(folder);
    EXPECT_FALSE(unknown.ok);
    EXPECT_NE(unknown.report.find("slipway.toml:1:17:"), std::string::npos) << unknown.report;
}

TEST(BuilderBuild, NamesFromTheSourceTreeReachMessagesEscaped)
{
    ManifestFolder folder;
    folder.write("files/a.txt", "a");
    // A broken link (a warning) whose name would retitle the terminal and
    // holds a byte that is not UTF-8, and a source the manifest names with
    // an escape of its own (an error).
    ASSERT_EQ(symlink("nowhere", folder
                                     .path("files/x\x1B]0;owned\x07\xFF"
                                           "end")
                                     .c_str()),
              0);
    folder.writeManifest(productTable() +
                         "[[files]]\nsource = \"files\"\n"
                         "[[files]]\nsource = \"gone\\u001b[2J\\u0007\"\n");
    BuildOutcome outcome = buildFolder(folder);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.warnings.find("files/x\\x1B]0;owned\\x07\\xFFend: it leads to nothing"), std::string::npos)
        << outcome.warnings;
    EXPECT_NE(outcome.report.find("'gone\\x1B[2J\\x07': no file or folder"), std::string::npos) << outcome.report;
    for (const std::string* text : {&outcome.warnings, &outcome.report}) {
        for (char c : *text) {
            unsigned char byte = static_cast<unsigned char>(c);
            EXPECT_TRUE(byte == '\n' || (byte >= 0x20 && byte < 0x7F)) << "byte " << unsigned(byte) << " in " << *text;
        }
    }
}

TEST(BuilderBuild, CommandWritesTheInstallerOrNothing)
{
    ManifestFolder folder;
    folder.write("files/a.txt", "a");
    folder.writeManifest(productTable() + "[[files]]\nsource = \"files\"\n");
    std::string output = folder.path("setup.exe");
    std::string manifest = folder.manifestPath();
    std::string stub = folder.path("stub.exe");
    folder.write("stub.exe", raw(sampleStubImage()));
    auto run = [&](std::vector<std::string> args) {
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(&a[0]);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        int code = runBuildCommand(int(argv.size()), argv.data());
        testing::internal::GetCapturedStdout();
        return std::make_pair(code, testing::internal::GetCapturedStderr());
    };
    auto ok = run({manifest, "-o", output, "--stub", stub, "--fast"});
    EXPECT_EQ(ok.first, 0) << ok.second;
    struct stat st;
    ASSERT_EQ(stat(output.c_str(), &st), 0);
    EXPECT_EQ(st.st_size % 8, 0);

    // A mistake leaves the earlier installer as it was, and no temporary file.
    folder.writeManifest(productTable() + "[[files]]\nsource = \"nothing-here\"\n");
    auto failed = run({manifest, "-o", output, "--stub", stub});
    EXPECT_EQ(failed.first, 1);
    EXPECT_NE(failed.second.find("slipway.toml:6:10: error:"), std::string::npos) << failed.second;
    EXPECT_NE(failed.second.find("nothing written"), std::string::npos);
    struct stat after;
    ASSERT_EQ(stat(output.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, st.st_size);
    std::string listing;
    runCommand("ls '" + folder.path("") + "'", &listing);
    EXPECT_EQ(listing.find(".tmp-"), std::string::npos) << listing;

    EXPECT_EQ(run({}).first, 2);
    EXPECT_EQ(run({manifest, "--bogus"}).first, 2);
}

}  // namespace
