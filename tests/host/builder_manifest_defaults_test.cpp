// A minimal manifest gives a complete installer: every text, the folder and
// group, the uninstall entry and the info switches have sensible English
// defaults, escaped for where they are used.
#include "builder_test_support.h"

#include "builder/assembly/path_texts.h"
#include "builder/manifest/text_fields.h"
#include "format/path_variables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string raw(const Bytes& bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::vector<std::string> split(const Bytes& list)
{
    std::vector<std::string> items;
    std::string all = raw(list);
    for (size_t start = 0; start < all.size();) {
        size_t nul = all.find('\0', start);
        if (nul == std::string::npos || nul == start)
            break;
        items.push_back(all.substr(start, nul - start));
        start = nul + 1;
    }
    return items;
}

Manifest read(const std::string& text)
{
    ManifestFolder folder;
    Manifest manifest;
    std::string report;
    EXPECT_TRUE(readManifestFrom(folder, text, manifest, report)) << report;
    return manifest;
}

TEST(BuilderDefaults, MinimalManifestFillsEveryText)
{
    Manifest m = read(productTable());
    const InstallScript& s = m.installScript;
    EXPECT_STREQ(s.title.text(), "Hello 1.0 Setup");
    EXPECT_STREQ(s.nextText.text(), "&Next >");
    EXPECT_STREQ(s.defaultFolder.text(), "Hello");
    EXPECT_STREQ(s.defaultProgramGroup.text(), "Hello");
    EXPECT_NE(std::string(s.welcomeText.text()).find("Hello 1.0"), std::string::npos);
    EXPECT_NE(std::string(s.welcomeText.text()).find("Example Ltd"), std::string::npos);
    EXPECT_STREQ(m.actionTexts.readyToInstallHint.text(), "Click Install to install Hello in $PROGRAMFILESFOLDER$.");
    EXPECT_STREQ(m.actionTexts.uninstallTitle.text(), "Hello 1.0 Uninstall");
    EXPECT_STREQ(m.actionTexts.uninstallerPath.text(), "$PROGRAMFILESFOLDER$\\uninstall.exe");
    EXPECT_FALSE(m.license.given());
    EXPECT_FALSE(m.banner.given());
    EXPECT_EQ(m.codePage, 1252u);

    // Every text is set, ends with its NUL and is one the stub expands.
    for (size_t i = 0; i < kTextFieldCount; ++i) {
        const TextField& f = kTextFields[i];
        const Bytes& text = textOf(f, m.installScript, m.actionTexts);
        ASSERT_GT(text.size(), 1u) << f.key;
        EXPECT_EQ(text.data()[text.size() - 1], 0) << f.key;
        size_t offset;
        const char* reason;
        EXPECT_TRUE(checkPathVariables(text.text(), &offset, &reason)) << f.key;
    }
}

TEST(BuilderDefaults, UninstallEntryAndInfoSwitches)
{
    Manifest m = read(productTable());
    EXPECT_EQ(raw(m.actionTexts.uninstallKeyName), std::string("Hello\0\0", 7));
    std::vector<std::string> values = split(m.actionTexts.uninstallValues);
    std::vector<std::string> expected = {
        "DisplayName", "Hello",       "DisplayVersion", "1.0",
        "Publisher",   "Example Ltd", "DisplayIcon",    "$PROGRAMFILESFOLDER$\\uninstall.exe"};
    EXPECT_EQ(values, expected);
    const char switches[] =
        "-version\0"
        "1.0\0"
        "-subject\0"
        "Hello\0"
        "-uninstallregistrykeyname\0"
        "Hello\0";
    EXPECT_EQ(raw(m.installScript.infoSwitches), std::string(switches, sizeof switches));
}

TEST(BuilderDefaults, ProgramAndUrlAddTheirValues)
{
    Manifest m = read(productTable() + "program = \"bin\\\\hello.exe\"\nurl = \"https://example.org/\"\n");
    std::vector<std::string> values = split(m.actionTexts.uninstallValues);
    ASSERT_EQ(values.size(), 10u);
    EXPECT_EQ(values[6], "DisplayIcon");
    EXPECT_EQ(values[7], "$PROGRAMFILESFOLDER$\\bin\\hello.exe");
    EXPECT_EQ(values[8], "URLInfoAbout");
    std::vector<std::string> switches = split(m.installScript.infoSwitches);
    ASSERT_EQ(switches.size(), 8u);
    EXPECT_EQ(switches[6], "-frontendfilename");
    EXPECT_EQ(switches[7], "hello.exe");
}

TEST(BuilderDefaults, ProductWordsAreEscapedForEachUse)
{
    Manifest m = read("[product]\nname = \"R&D $Tool\"\nversion = \"2\"\npublisher = \"Lab: West\"\n");
    // Every text is expanded, so a dollar sign is doubled; in controls an
    // ampersand is an access key, so it is doubled there too.
    EXPECT_STREQ(m.installScript.title.text(), "R&D $$Tool 2 Setup");
    EXPECT_NE(std::string(m.installScript.welcomeText.text()).find("R&&D $$Tool"), std::string::npos);
    // Used as stored: folder names lose what Windows refuses in names.
    EXPECT_STREQ(m.installScript.defaultFolder.text(), "R&D $Tool");
    std::vector<std::string> switches = split(m.installScript.infoSwitches);
    EXPECT_EQ(switches[3], "R&D $Tool");  // -subject, printed as stored
    EXPECT_EQ(split(m.actionTexts.uninstallValues)[1], "R&D $$Tool");
    EXPECT_EQ(switches[5], "R&D $Tool");  // the key name, shown unescaped
}

TEST(BuilderDefaults, ManifestValuesMergeOverTheDefaults)
{
    Manifest m = read(productTable() +
                      "[uninstall]\nkey = \"HelloApp\"\nearlier_keys = [\"Hello 0.9\"]\nuninstaller = \"\"\n"
                      "[uninstall.values]\nNoModify = \"1\"\ndisplayversion = \"1.0 final\"\nPublisher = false\n"
                      "[info_switches]\n\"-subject\" = \"Hello World\"\n\"-build\" = \"42\"\n");
    EXPECT_EQ(raw(m.actionTexts.uninstallKeyName), std::string("HelloApp\0Hello 0.9\0\0", 20));
    EXPECT_STREQ(m.actionTexts.uninstallerPath.text(), "");
    // Registry value names ignore case: displayversion replaces the default
    // in place; Publisher is dropped; without an uninstaller there is no icon.
    std::vector<std::string> values = split(m.actionTexts.uninstallValues);
    std::vector<std::string> expected = {"DisplayName", "Hello", "DisplayVersion", "1.0 final", "NoModify", "1"};
    EXPECT_EQ(values, expected);
    std::vector<std::string> switches = split(m.installScript.infoSwitches);
    std::vector<std::string> expectedSwitches = {
        "-version", "1.0", "-subject", "Hello World", "-uninstallregistrykeyname", "HelloApp", "-build", "42"};
    EXPECT_EQ(switches, expectedSwitches);
}

TEST(BuilderDefaults, TextsTableReplacesSingleTexts)
{
    Manifest m = read(productTable() +
                      "[texts]\ntitle = \"Setup of $HKLM:Software\\\\X\\\\Name:Hello$\"\n"
                      "success_text = \"Done: $$5 saved.\"\n");
    EXPECT_STREQ(m.installScript.title.text(), "Setup of $HKLM:Software\\X\\Name:Hello$");
    EXPECT_STREQ(m.actionTexts.successText.text(), "Done: $$5 saved.");
    EXPECT_STREQ(m.installScript.backText.text(), "< &Back");
}

TEST(BuilderDefaults, ComponentsTakeReadableNames)
{
    Manifest m = read(productTable() +
                      "[[components]]\nname = \"Docs\"\ndescription = \"Manuals in $PROGRAMFILESFOLDER$\"\n"
                      "placement = \"finish page\"\noffered = [\"xp\", \"vista\", \"win7\"]\nchangeable = false\n"
                      "selected = \"nt\"\nselected_64 = \"none\"\n"
                      "[[components]]\nname = \"Extras\"\n");
    ASSERT_EQ(m.components.size(), 2u);
    const ManifestComponent& docs = m.components[0];
    EXPECT_EQ(docs.placement, 2u);
    EXPECT_EQ(docs.offeredMask[0], 32u | 64u | 128u);
    EXPECT_EQ(docs.offeredMask[1], 32u | 64u | 128u);  // the 64-bit mask follows the 32-bit one
    EXPECT_EQ(docs.changeableMask[0], 0u);
    EXPECT_EQ(docs.defaultMask[0], 0xF8u);
    EXPECT_EQ(docs.defaultMask[1], 0u);
    const ManifestComponent& extras = m.components[1];
    EXPECT_EQ(extras.placement, 0u);
    EXPECT_EQ(extras.offeredMask[0], 0xFFu);
    EXPECT_EQ(extras.defaultMask[1], 0xFFu);
}

TEST(BuilderDefaults, ActionsTakeReadableNames)
{
    Manifest m = read(productTable() +
                      "[[actions]]\nkind = \"set_registry_string\"\nroot = \"HKEY_LOCAL_MACHINE\"\n"
                      "key = \"Software\\\\Hello\"\nname = \"Path\"\nvalue = \"$PROGRAMFILESFOLDER$\"\n"
                      "[[actions]]\nkind = \"shortcut\"\ntarget = \"$PROGRAMFILESFOLDER$\\\\hello.cmd\"\n"
                      "path = \"$PROGRAMSFOLDER$\\\\Hello.lnk\"\nhot_key = \"Ctrl+Alt+H\"\n"
                      "[[actions]]\nkind = \"run at finish\"\ncommand = \"notepad.exe\"\nshow = \"maximized\"\n"
                      "[[actions]]\nkind = \"run_and_wait\"\ncaption = \"Setting up\"\ncommand = \"x.exe\"\n");
    ASSERT_EQ(m.mainList.entries.size(), 4u);
    auto* reg = static_cast<SetRegStringAction*>(m.mainList.entries[0].action.get());
    EXPECT_EQ(reg->kind(), 6u);
    EXPECT_EQ(reg->root, 0x80000002u);
    EXPECT_STREQ(reg->valueName.text(), "Path");
    auto* link = static_cast<ShortcutAction*>(m.mainList.entries[1].action.get());
    EXPECT_EQ(link->kind(), 5u);
    EXPECT_EQ(link->hotKey, 0x0600 | 'H');    // HOTKEYF_CONTROL | HOTKEYF_ALT
    EXPECT_EQ(link->iconIndex, 0xFFFFFFFFu);  // no icon given
    auto* run = static_cast<RunAtFinishAction*>(m.mainList.entries[2].action.get());
    EXPECT_EQ(run->kind(), 10u);
    EXPECT_EQ(run->show, 3u);
    auto* wait = static_cast<RunAndWaitAction*>(m.mainList.entries[3].action.get());
    EXPECT_STREQ(wait->caption(), "Setting up");
    EXPECT_EQ(wait->show, 0xFFFFu);  // the program decides
}

}  // namespace
