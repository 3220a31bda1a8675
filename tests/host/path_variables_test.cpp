// Path variables and registry look-ups, expanded against a machine with fixed
// folders and registry values.
#include "format/path_variables.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string.h>
#include <string>
#include <tuple>
#include <vector>

namespace {

using RegistryName = std::tuple<uint32_t, std::string, std::string>;  // root, key path, value name

class FixedMachine final : public PathVariableSource {
public:
    std::string system = "C:\\Windows\\system32";
    std::string windows = "C:\\Windows";
    std::map<int, std::string> shell = {
        {kCsidlPrograms, "C:\\Users\\me\\Start Menu\\Programs"},
        {kCsidlStartup, "C:\\Users\\me\\Start Menu\\Programs\\Startup"},
        {kCsidlStartMenu, "C:\\Users\\me\\Start Menu"},
        {kCsidlDesktopDirectory, "C:\\Users\\me\\Desktop"},
        {kCsidlCommonStartMenu, "C:\\All\\Start Menu"},
        {kCsidlCommonPrograms, "C:\\All\\Start Menu\\Programs"},
        {kCsidlCommonStartup, "C:\\All\\Start Menu\\Programs\\Startup"},
        {kCsidlCommonDesktopDirectory, "C:\\All\\Desktop"},
        {kCsidlAppData, "C:\\Users\\me\\AppData\\Roaming"},
        {kCsidlLocalAppData, "C:\\Users\\me\\AppData\\Local"},
        {kCsidlCommonAppData, "C:\\ProgramData"},
        {kCsidlProgramFilesCommon, "C:\\Program Files\\Common Files"},
    };
    std::string programFiles = "C:\\Program Files";
    std::string install = "C:\\Apps\\Tool";
    std::string group = "Tool";
    std::map<RegistryName, std::string> registry;
    // A faulty platform answer: claims success but fills the space without a NUL.
    bool registryForgetsTheNul = false;

    mutable std::vector<int> locatedFolders;
    mutable std::vector<RegistryName> lookUps;

    void systemFolder(char* buffer, size_t size) const override { answer(system, buffer, size); }
    void windowsFolder(char* buffer, size_t size) const override { answer(windows, buffer, size); }
    void shellFolder(int csidl, char* buffer, size_t size) const override
    {
        locatedFolders.push_back(csidl);
        auto found = shell.find(csidl);
        answer(found == shell.end() ? "" : found->second, buffer, size);
    }
    void shellFolderWithFallback(int csidl, int fallbackCsidl, char* buffer, size_t size) const override
    {
        locatedFolders.push_back(csidl);
        if (shell.count(csidl))
            return answer(shell.at(csidl), buffer, size);
        shellFolder(fallbackCsidl, buffer, size);
    }
    const char* programFilesFolder() const override { return programFiles.c_str(); }
    const char* installFolder() const override { return install.c_str(); }
    const char* programGroup() const override { return group.c_str(); }
    bool readRegistryValue(uint32_t root, const char* keyPath, const char* valueName, char* out,
                           size_t outSize) const override
    {
        lookUps.emplace_back(root, keyPath, valueName);
        auto found = registry.find(RegistryName(root, keyPath, valueName));
        if (registryForgetsTheNul) {
            memset(out, 'x', outSize);
            return true;
        }
        if (found == registry.end() || found->second.size() + 1 > outSize)
            return false;
        memcpy(out, found->second.c_str(), found->second.size() + 1);
        return true;
    }

private:
    static void answer(const std::string& folder, char* buffer, size_t size)
    {
        ASSERT_LT(folder.size(), size) << "a platform folder never exceeds its buffer";
        memcpy(buffer, folder.c_str(), folder.size() + 1);
    }
};

struct Expansion {
    bool expanded;
    std::string text;
};

// Expands into a heap buffer of exactly outputSize bytes, so AddressSanitizer
// reports any write past it.
Expansion expand(const FixedMachine& machine, const char* source, size_t outputSize = 4096)
{
    std::unique_ptr<char[]> output(new char[outputSize]);
    memset(output.get(), '#', outputSize);
    bool expanded = expandWithSource(machine, source, output.get(), outputSize);
    EXPECT_NE(memchr(output.get(), 0, outputSize), nullptr) << "output not terminated for " << source;
    return {expanded, std::string(output.get(), strnlen(output.get(), outputSize))};
}

std::string repeated(char c, size_t count)
{
    return std::string(count, c);
}

}  // namespace

// ----------------------------------------------------------------- literal text

TEST(PathVariables, LiteralTextAndDollarSigns)
{
    FixedMachine machine;
    struct Case {
        const char* source;
        bool expanded;
        const char* text;
    } cases[] = {
        {"", true, ""},
        {"plain text, no tokens", true, "plain text, no tokens"},
        {"Costs $$5", true, "Costs $5"},
        {"$$", true, "$"},
        {"$$$$", true, "$$"},
        {"$$$", false, "$"},
        {"100%", true, "100%"},
        // "$$" wins over an empty token, so the name after it is plain text.
        {"$$PROGRAMS$$", true, "$PROGRAMS$"},
        {"$$PROGRAMS$", false, "$PROGRAMS"},
    };
    for (const Case& c : cases) {
        Expansion result = expand(machine, c.source);
        EXPECT_EQ(result.expanded, c.expanded) << c.source;
        EXPECT_EQ(result.text, c.text) << c.source;
    }
}

// --------------------------------------------------------------- path variables

TEST(PathVariables, EveryNameGivesItsFolder)
{
    FixedMachine machine;
    struct Case {
        const char* token;
        std::string folder;
    } cases[] = {
        {"$SYSTEM$", machine.system},
        {"$WINDOWS$", machine.windows},
        {"$STARTUP$", machine.shell[kCsidlStartup]},
        {"$APPDATA$", machine.shell[kCsidlAppData]},
        {"$PROGRAMS$", machine.shell[kCsidlPrograms]},
        {"$STARTMENU$", machine.shell[kCsidlStartMenu]},
        {"$PROGRAMFILES$", machine.programFiles},
        {"$LOCALAPPDATA$", machine.shell[kCsidlLocalAppData]},
        {"$COMMONSTARTUP$", machine.shell[kCsidlCommonStartup]},
        {"$COMMONAPPDATA$", machine.shell[kCsidlCommonAppData]},
        {"$PROGRAMSFOLDER$", machine.shell[kCsidlPrograms] + "\\Tool"},
        {"$COMMONPROGRAMS$", machine.shell[kCsidlCommonPrograms]},
        {"$COMMONSTARTMENU$", machine.shell[kCsidlCommonStartMenu]},
        {"$DESKTOPDIRECTORY$", machine.shell[kCsidlDesktopDirectory]},
        {"$PROGRAMFILESFOLDER$", machine.install},
        {"$PROGRAMFILESCOMMON$", machine.shell[kCsidlProgramFilesCommon]},
        {"$COMMONPROGRAMSFOLDER$", machine.shell[kCsidlCommonPrograms] + "\\Tool"},
        {"$COMMONDESKTOPDIRECTORY$", machine.shell[kCsidlCommonDesktopDirectory]},
    };
    std::set<std::string> distinct;
    for (const Case& c : cases) {
        Expansion result = expand(machine, c.token);
        EXPECT_TRUE(result.expanded) << c.token;
        EXPECT_EQ(result.text, c.folder) << c.token;
        distinct.insert(result.text);
    }
    EXPECT_EQ(distinct.size(), 18u) << "each name has a folder of its own";
}

TEST(PathVariables, TokensSitInsideText)
{
    FixedMachine machine;
    Expansion result = expand(machine, "$PROGRAMFILESFOLDER$\\app.exe");
    EXPECT_TRUE(result.expanded);
    EXPECT_EQ(result.text, "C:\\Apps\\Tool\\app.exe");

    result = expand(machine, "\"$PROGRAMFILES$\\x\" /from $WINDOWS$ to $SYSTEM$.");
    EXPECT_TRUE(result.expanded);
    EXPECT_EQ(result.text, "\"C:\\Program Files\\x\" /from C:\\Windows to C:\\Windows\\system32.");
}

TEST(PathVariables, RunStateChangesShowInTheNextExpansion)
{
    FixedMachine machine;
    EXPECT_EQ(expand(machine, "$PROGRAMFILESFOLDER$\\app.exe").text, "C:\\Apps\\Tool\\app.exe");
    machine.install = "D:\\Elsewhere";
    EXPECT_EQ(expand(machine, "$PROGRAMFILESFOLDER$\\app.exe").text, "D:\\Elsewhere\\app.exe");
    machine.group = "Other Group";
    EXPECT_EQ(expand(machine, "$PROGRAMSFOLDER$").text, machine.shell[kCsidlPrograms] + "\\Other Group");
}

TEST(PathVariables, RunStateFolderIsBoundedTo260Characters)
{
    FixedMachine machine;
    machine.install = repeated('i', 300);
    Expansion result = expand(machine, "$PROGRAMFILESFOLDER$");
    EXPECT_TRUE(result.expanded);
    EXPECT_EQ(result.text, repeated('i', 260));
}

TEST(PathVariables, UnknownNamesFailAfterTheTextBeforeThem)
{
    FixedMachine machine;
    const char* unknown[] = {
        "$programs$",  // names are case-sensitive
        "$TEMP$",      // no environment variables
        "$Programs$",
        "$PROGRAMS $",  // exact length
        "$PROGRAM$",    // no prefixes of names
        "$PROGRAMSX$",
        "$ PROGRAMS$",
        "$hklm:Software\\x$",  // registry prefixes are case-sensitive too
        "$HKLM$",              // a prefix needs its colon
        "$HKU:x\\y$",
    };
    for (const char* token : unknown) {
        std::string source = std::string("before ") + token + " after";
        Expansion result = expand(machine, source.c_str());
        EXPECT_FALSE(result.expanded) << token;
        EXPECT_EQ(result.text, "before ") << token;
    }
}

TEST(PathVariables, UnterminatedTokenFailsBeforeItsDollarSign)
{
    FixedMachine machine;
    Expansion result = expand(machine, "Run $PROGRAMS");
    EXPECT_FALSE(result.expanded);
    EXPECT_EQ(result.text, "Run ");

    result = expand(machine, "$WINDOWS$ and $");
    EXPECT_FALSE(result.expanded);
    EXPECT_EQ(result.text, "C:\\Windows and ");

    result = expand(machine, "$HKLM:Software\\Key\\Value:fallback");
    EXPECT_FALSE(result.expanded);
    EXPECT_EQ(result.text, "");
}

TEST(PathVariables, ShellFolderThatCannotBeLocatedAddsNothing)
{
    FixedMachine machine;
    machine.shell.erase(kCsidlStartup);
    Expansion result = expand(machine, "[$STARTUP$\\x]");
    EXPECT_TRUE(result.expanded);
    EXPECT_EQ(result.text, "[\\x]");

    // Even with no space left for anything else.
    result = expand(machine, "$STARTUP$", 1);
    EXPECT_TRUE(result.expanded);
    EXPECT_EQ(result.text, "");
}

TEST(PathVariables, ProgramGroupJoinsItsFolder)
{
    FixedMachine machine;
    machine.shell[kCsidlPrograms] = "C:\\Programs";
    EXPECT_EQ(expand(machine, "$PROGRAMSFOLDER$").text, "C:\\Programs\\Tool");

    machine.shell[kCsidlPrograms] = "C:\\";  // no second backslash
    EXPECT_EQ(expand(machine, "$PROGRAMSFOLDER$").text, "C:\\Tool");

    machine.shell[kCsidlCommonPrograms] = "D:\\All\\";
    EXPECT_EQ(expand(machine, "$COMMONPROGRAMSFOLDER$").text, "D:\\All\\Tool");

    // An empty group still gets its backslash.
    machine.group = "";
    machine.shell[kCsidlPrograms] = "C:\\Programs";
    EXPECT_EQ(expand(machine, "$PROGRAMSFOLDER$").text, "C:\\Programs\\");
}

TEST(PathVariables, JoinedProgramGroupIsCutAt260Characters)
{
    FixedMachine machine;
    machine.shell[kCsidlPrograms] = repeated('p', 250);
    machine.group = repeated('g', 20);
    Expansion result = expand(machine, "$PROGRAMSFOLDER$");
    EXPECT_TRUE(result.expanded);
    EXPECT_EQ(result.text, repeated('p', 250) + "\\" + repeated('g', 9));

    machine.shell[kCsidlPrograms] = repeated('p', 259);
    EXPECT_EQ(expand(machine, "$PROGRAMSFOLDER$").text, repeated('p', 259) + "\\");

    machine.shell[kCsidlPrograms] = repeated('p', 260);
    EXPECT_EQ(expand(machine, "$PROGRAMSFOLDER$").text, repeated('p', 260));

    machine.shell[kCsidlPrograms] = "C:\\Programs";
    machine.group = repeated('g', 260);
    EXPECT_EQ(expand(machine, "$PROGRAMSFOLDER$").text, "C:\\Programs\\" + repeated('g', 260 - 12));
}

TEST(PathVariables, CommonFoldersFallBackToTheUsersOwn)
{
    FixedMachine machine;
    machine.shell.erase(kCsidlCommonPrograms);
    machine.shell.erase(kCsidlCommonDesktopDirectory);
    EXPECT_EQ(expand(machine, "$COMMONPROGRAMS$").text, machine.shell[kCsidlPrograms]);
    EXPECT_EQ(expand(machine, "$COMMONPROGRAMSFOLDER$").text, machine.shell[kCsidlPrograms] + "\\Tool");
    EXPECT_EQ(expand(machine, "$COMMONDESKTOPDIRECTORY$").text, machine.shell[kCsidlDesktopDirectory]);

    // The other common folders have no fallback.
    machine.shell.erase(kCsidlCommonStartMenu);
    EXPECT_EQ(expand(machine, "$COMMONSTARTMENU$").text, "");
}

TEST(PathVariables, FallbackIsAskedForOnlyWhenNeeded)
{
    FixedMachine machine;
    machine.locatedFolders.clear();
    expand(machine, "$COMMONPROGRAMS$");
    EXPECT_EQ(machine.locatedFolders, std::vector<int>{kCsidlCommonPrograms});
}

// ------------------------------------------------------------------ output space

TEST(PathVariables, OutputOfOneByteHoldsOnlyTheNul)
{
    FixedMachine machine;
    for (const char* source : {"a", "$$", "$WINDOWS$", "x$WINDOWS$"}) {
        Expansion result = expand(machine, source, 1);
        EXPECT_FALSE(result.expanded) << source;
        EXPECT_EQ(result.text, "") << source;
    }
    Expansion empty = expand(machine, "", 1);
    EXPECT_TRUE(empty.expanded);
}

TEST(PathVariables, NoOutputSpaceAtAllWritesNothing)
{
    FixedMachine machine;
    char guard = '#';
    EXPECT_FALSE(expandWithSource(machine, "", &guard, 0));
    EXPECT_EQ(guard, '#');
}

TEST(PathVariables, LiteralCharactersStopWhereTheSpaceEnds)
{
    FixedMachine machine;
    EXPECT_TRUE(expand(machine, "abc", 4).expanded);
    Expansion result = expand(machine, "abc", 3);
    EXPECT_FALSE(result.expanded);
    EXPECT_EQ(result.text, "ab");
    result = expand(machine, "ab$$", 3);
    EXPECT_FALSE(result.expanded);
    EXPECT_EQ(result.text, "ab");
}

TEST(PathVariables, FolderThatDoesNotFitIsDroppedWhole)
{
    FixedMachine machine;  // install folder C:\Apps\Tool, 12 characters
    const char* source = "ab$PROGRAMFILESFOLDER$cd";
    Expansion exact = expand(machine, source, 2 + 12 + 2 + 1);
    EXPECT_TRUE(exact.expanded);
    EXPECT_EQ(exact.text, "abC:\\Apps\\Toolcd");

    Expansion tight = expand(machine, source, 2 + 12 + 1);
    EXPECT_FALSE(tight.expanded);
    EXPECT_EQ(tight.text, "abC:\\Apps\\Tool");

    Expansion short_ = expand(machine, source, 2 + 12);
    EXPECT_FALSE(short_.expanded);
    EXPECT_EQ(short_.text, "ab");
}

// ------------------------------------------------------------- registry look-ups

TEST(RegistryLookUps, SplitIntoKeyValueAndFallback)
{
    struct Case {
        const char* token;
        uint32_t root;
        const char* keyPath;
        const char* valueName;
        const char* fallback;
    } cases[] = {
        {"$HKLM:Software\\Vendor\\Product\\InstallDir:C:\\Default$", kLocalMachine, "Software\\Vendor\\Product",
         "InstallDir", "C:\\Default"},
        {"$HKCU:Software\\Vendor\\Product\\InstallDir$", kCurrentUser, "Software\\Vendor\\Product", "InstallDir", ""},
        {"$HKCR:.txt\\:none$", kClassesRoot, ".txt", "", "none"},  // empty name: the default value
        {"$HKLM:Software\\Vendor\\$", kLocalMachine, "Software\\Vendor", "", ""},
        {"$HKCU:Name:fb$", kCurrentUser, "", "Name", "fb"},  // no backslash: the root key itself
        {"$HKCU:$", kCurrentUser, "", "", ""},
        {"$HKCU::only a fallback$", kCurrentUser, "", "", "only a fallback"},
        {"$HKLM:Key\\Value:C:\\Dir:more$", kLocalMachine, "Key", "Value", "C:\\Dir:more"},  // only the first colon
        {"$HKLM:Soft:ware\\Value$", kLocalMachine, "", "Soft", "ware\\Value"},
        {"$HKLM:A\\B\\C\\D:x\\y$", kLocalMachine, "A\\B\\C", "D", "x\\y"},  // backslashes after the colon are fallback
        {"$HKLM:\\Value$", kLocalMachine, "", "Value", ""},
    };
    for (const Case& c : cases) {
        FixedMachine machine;
        Expansion missing = expand(machine, c.token);
        EXPECT_TRUE(missing.expanded) << c.token;
        EXPECT_EQ(missing.text, c.fallback) << c.token;
        ASSERT_EQ(machine.lookUps.size(), 1u) << c.token;
        EXPECT_EQ(machine.lookUps[0], RegistryName(c.root, c.keyPath, c.valueName)) << c.token;

        machine.registry[RegistryName(c.root, c.keyPath, c.valueName)] = "found";
        Expansion found = expand(machine, c.token);
        EXPECT_TRUE(found.expanded) << c.token;
        EXPECT_EQ(found.text, "found") << c.token;
    }
}

TEST(RegistryLookUps, ValueSitsInsideText)
{
    FixedMachine machine;
    machine.registry[RegistryName(kLocalMachine, "Software\\Vendor", "Dir")] = "E:\\Vendor";
    Expansion result = expand(machine, "\"$HKLM:Software\\Vendor\\Dir:C:\\x$\\bin\\$PROGRAMFILES$\"");
    EXPECT_TRUE(result.expanded);
    EXPECT_EQ(result.text, "\"E:\\Vendor\\bin\\C:\\Program Files\"");
}

TEST(RegistryLookUps, ValueIsNotExpandedAgain)
{
    FixedMachine machine;
    machine.registry[RegistryName(kCurrentUser, "K", "V")] = "$PROGRAMS$ and $$";
    Expansion result = expand(machine, "$HKCU:K\\V$");
    EXPECT_TRUE(result.expanded);
    EXPECT_EQ(result.text, "$PROGRAMS$ and $$");
}

TEST(RegistryLookUps, ValueLargerThanTheSpaceYieldsTheFallbackCut)
{
    FixedMachine machine;
    machine.registry[RegistryName(kCurrentUser, "K", "V")] = "value";
    const char* source = "ab$HKCU:K\\V:fallback$";

    Expansion fits = expand(machine, source, 2 + 5 + 1);
    EXPECT_TRUE(fits.expanded);
    EXPECT_EQ(fits.text, "abvalue");

    Expansion cut = expand(machine, source, 2 + 5);
    EXPECT_TRUE(cut.expanded) << "a look-up never fails";
    EXPECT_EQ(cut.text, "abfall");

    Expansion none = expand(machine, source, 3);
    EXPECT_TRUE(none.expanded);
    EXPECT_EQ(none.text, "ab");
}

TEST(RegistryLookUps, TextAfterALookUpStillNeedsSpace)
{
    FixedMachine machine;
    Expansion result = expand(machine, "$HKCU:K\\V:12345$6", 6);
    EXPECT_FALSE(result.expanded);
    EXPECT_EQ(result.text, "12345");
}

TEST(RegistryLookUps, AnswerWithoutItsNulYieldsTheFallback)
{
    FixedMachine machine;
    machine.registryForgetsTheNul = true;
    Expansion result = expand(machine, "a$HKCU:K\\V:fb$b", 16);
    EXPECT_TRUE(result.expanded);
    EXPECT_EQ(result.text, "afbb");
}

// --------------------------------------------------------------- builder check

TEST(CheckPathVariables, AcceptsWhatTheStubExpands)
{
    for (const char* text :
         {"", "plain", "Costs $$5", "$$$$", "$PROGRAMFILESFOLDER$\\app.exe", "$COMMONDESKTOPDIRECTORY$$SYSTEM$",
          "$HKLM:Software\\X\\Y:C:\\Default$", "$HKCU:$", "$HKCR:.txt\\$"}) {
        size_t offset = 99;
        const char* reason = nullptr;
        EXPECT_TRUE(checkPathVariables(text, &offset, &reason)) << text;
        EXPECT_EQ(offset, 99u) << text;
    }
}

TEST(CheckPathVariables, PointsAtTheOffendingDollarSign)
{
    struct Case {
        const char* text;
        size_t offset;
        bool unterminated;
    } cases[] = {
        {"abc $TEMP$", 4, false}, {"$programs$", 0, false},          {"$WINDOWS$\\$PROGRAMS", 10, true},
        {"$$$", 2, true},         {"x $hkcu:Key\\Value$", 2, false}, {"$$ $PROGRAMS$ $HKLM:a$ $NOPE$ $", 23, false},
    };
    std::set<std::string> reasons;
    for (const Case& c : cases) {
        size_t offset = 0;
        const char* reason = nullptr;
        EXPECT_FALSE(checkPathVariables(c.text, &offset, &reason)) << c.text;
        EXPECT_EQ(offset, c.offset) << c.text;
        ASSERT_NE(reason, nullptr) << c.text;
        reasons.insert(reason);
        EXPECT_EQ(std::string(reason).find("closing") != std::string::npos, c.unterminated) << c.text;
    }
    EXPECT_EQ(reasons.size(), 2u);
}

TEST(CheckPathVariables, AgreesWithTheExpander)
{
    FixedMachine machine;
    for (const char* text : {"$TEMP$", "$PROGRAMS", "$HKLM:a$", "$$", "$$$", "a$WINDOWS$b", "$ $", "$HKLM$"}) {
        size_t offset = 0;
        const char* reason = nullptr;
        EXPECT_EQ(checkPathVariables(text, &offset, &reason), expand(machine, text).expanded) << text;
    }
}

// ------------------------------------------------------------ expandToNewString

namespace {

FixedMachine machineForNewStrings;

bool expandOnFixedMachine(const char* source, char* output, size_t outputSize)
{
    return expandWithSource(machineForNewStrings, source, output, outputSize);
}

}  // namespace

TEST(ExpandToNewString, CopiesExactlyTheExpandedText)
{
    Bytes result = expandToNewString("$PROGRAMFILESFOLDER$\\app.exe", expandOnFixedMachine);
    ASSERT_FALSE(result.isNull());
    EXPECT_STREQ(result.text(), "C:\\Apps\\Tool\\app.exe");
    EXPECT_EQ(result.size(), strlen("C:\\Apps\\Tool\\app.exe") + 1);

    Bytes empty = expandToNewString("", expandOnFixedMachine);
    ASSERT_FALSE(empty.isNull());
    EXPECT_EQ(empty.size(), 1u);
}

TEST(ExpandToNewString, KeepsWhatAFailedExpansionProduced)
{
    Bytes result = expandToNewString("before $TEMP$ after", expandOnFixedMachine);
    EXPECT_STREQ(result.text(), "before ");
}

TEST(ExpandToNewString, HoldsAtMost32767Characters)
{
    std::string longText = repeated('a', 40000);
    Bytes result = expandToNewString(longText.c_str(), expandOnFixedMachine);
    ASSERT_FALSE(result.isNull());
    EXPECT_EQ(result.size(), 32768u);
    EXPECT_EQ(strlen(result.text()), 32767u);

    std::string fits = repeated('b', 32767);
    EXPECT_EQ(std::string(expandToNewString(fits.c_str(), expandOnFixedMachine).text()), fits);
}
