// The manifest's registry, shortcut, program and library actions: readable
// names for roots, value types, hot keys and moments; command lines made
// from a program and its arguments; and every mistake reported at its place.
#include "builder_test_support.h"

#include "builder/manifest/command_lines.h"
#include "builder/manifest/readable_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The actions of a manifest that holds only `actions` after [product]
// (which takes lines 1 to 4).
Manifest readActions(const std::string& actions)
{
    ManifestFolder folder;
    Manifest manifest;
    std::string report;
    EXPECT_TRUE(readManifestFrom(folder, productTable() + actions, manifest, report)) << report;
    return manifest;
}

template <typename Kind>
const Kind& actionAt(const Manifest& manifest, size_t index)
{
    static Kind missing;
    const ManifestList& list = manifest.mainList;
    if (index >= list.entries.size() || !list.entries[index].action ||
        list.entries[index].action->kind() != Kind::kKind) {
        ADD_FAILURE() << "entry " << index << " is not a " << kActionClassNames[Kind::kKind];
        return missing;
    }
    return static_cast<const Kind&>(*list.entries[index].action);
}

std::string text(const Bytes& bytes)
{
    return bytes.text();
}

// ------------------------------------------------------------------ registry

TEST(BuilderActions, RegistryRootsAndValueTypesAreNamed)
{
    Manifest m = readActions(
        "[[actions]]\nkind = \"set_registry_value\"\ntype = \"string\"\nroot = \"HKU\"\n"
        "key = \"S-1-5-18\\\\Software\\\\X\"\nname = \"Text\"\nvalue = \"$PROGRAMFILESFOLDER$\"\n"
        "[[actions]]\nkind = \"set registry value\"\ntype = \"REG_DWORD\"\nroot = \"HKCC\"\n"
        "key = \"Software\\\\X\"\nvalue = 0xFFFFFFFF\n"
        "[[actions]]\nkind = \"set_registry_value\"\ntype = \"Dword\"\n"
        "root = \"HKEY_CURRENT_CONFIG\"\nkey = \"Software\\\\X\"\nname = \"N\"\nvalue = 7\n"
        "[[actions]]\nkind = \"delete_registry_value\"\nroot = \"hkey_users\"\nkey = \"X\"\n");
    ASSERT_EQ(m.mainList.entries.size(), 4u);
    const auto& string = actionAt<SetRegStringAction>(m, 0);
    EXPECT_EQ(string.root, 0x80000003u);
    EXPECT_EQ(text(string.subKey), "S-1-5-18\\Software\\X");
    EXPECT_EQ(text(string.data), "$PROGRAMFILESFOLDER$");
    const auto& number = actionAt<SetRegDwordAction>(m, 1);
    EXPECT_EQ(number.root, 0x80000005u);
    EXPECT_EQ(text(number.valueName), "");  // the default value
    EXPECT_EQ(number.data, 0xFFFFFFFFu);
    EXPECT_EQ(actionAt<SetRegDwordAction>(m, 2).data, 7u);
    EXPECT_EQ(actionAt<DeleteRegValueAction>(m, 3).root, 0x80000003u);
}

// ------------------------------------------------------------------ shortcuts

TEST(BuilderActions, ShortcutTakesItsIconAndAReadableHotKey)
{
    Manifest m = readActions(
        "[[actions]]\nkind = \"shortcut\"\ntarget = \"$PROGRAMFILESFOLDER$\\\\a.exe\"\n"
        "path = \"$PROGRAMSFOLDER$\\\\A.lnk\"\nicon = \"$PROGRAMFILESFOLDER$\\\\a.ico\"\n"
        "hot_key = \"ctrl + shift + page up\"\n"
        "[[actions]]\nkind = \"shortcut\"\ntarget = \"$PROGRAMFILESFOLDER$\\\\a.exe\"\n"
        "path = \"$DESKTOPDIRECTORY$\\\\A.lnk\"\nicon = \"$SYSTEM$\\\\shell32.dll\"\n"
        "icon_index = 41\nhot_key = \"Alt+Ext+Num5\"\n");
    const auto& first = actionAt<ShortcutAction>(m, 0);
    EXPECT_EQ(text(first.iconPath), "$PROGRAMFILESFOLDER$\\a.ico");
    EXPECT_EQ(first.iconIndex, 0u);  // the first icon of the file given
    EXPECT_EQ(first.hotKey, (0x02 | 0x01) << 8 | 0x21);
    const auto& second = actionAt<ShortcutAction>(m, 1);
    EXPECT_EQ(second.iconIndex, 41u);
    EXPECT_EQ(second.hotKey, (0x04 | 0x08) << 8 | 0x65);
}

TEST(BuilderActions, HotKeysInTheShellsEncoding)
{
    struct {
        const char* text;
        uint16_t key;
    } good[] = {
        {"Ctrl+Alt+X", 0x0658},    {"ctrl+alt+x", 0x0658}, {"Control+7", 0x0237},   {"Alt+Space", 0x0420},
        {"F12", 0x007B},           {"Shift+F24", 0x0187},  {"Ctrl+Delete", 0x022E}, {"Ctrl+Alt+Num0", 0x0660},
        {"Ctrl+PageDown", 0x0222}, {"Alt+Left", 0x0425},
    };
    for (const auto& c : good) {
        uint16_t key = 0;
        std::string problem;
        EXPECT_TRUE(parseHotKey(c.text, key, problem)) << c.text << ": " << problem;
        EXPECT_EQ(key, c.key) << c.text;
    }
    // What a hot key cannot be: a typed character alone or with Shift would
    // be taken from every program.
    const char* bad[] = {"X",          "Shift+X", "Shift+Space", "Ctrl+Esc", "Ctrl+F0",    "Ctrl+F25",
                         "Ctrl+Num10", "Hyper+X", "Ctrl+",       "",         "Ctrl+Alt+XY"};
    for (const char* text : bad) {
        uint16_t key = 0xBEEF;
        std::string problem;
        EXPECT_FALSE(parseHotKey(text, key, problem)) << text;
        EXPECT_FALSE(problem.empty()) << text;
        EXPECT_EQ(key, 0xBEEF) << text;
    }
}

// ------------------------------------------------------------------ programs and libraries

TEST(BuilderActions, MomentsChooseTheKind)
{
    Manifest m = readActions(
        "[[actions]]\nkind = \"run\"\ncommand = \"a.exe\"\n"
        "[[actions]]\nkind = \"run\"\nwhen = \"install and wait\"\ncaption = \"Waiting\"\ncommand = \"b.exe\"\n"
        "[[actions]]\nkind = \"run\"\nwhen = \"finish-page\"\ncommand = \"c.exe\"\n"
        "[[actions]]\nkind = \"run\"\nwhen = \"uninstall\"\ncaption = \"Undoing $PROGRAMFILESFOLDER$\"\n"
        "command = \"d.exe\"\n"
        "[[actions]]\nkind = \"call_library\"\ncaption = \"Calling\"\nlibrary = \"C:\\\\x.dll\"\nentry = \"E\"\n"
        "[[actions]]\nkind = \"call_library\"\nwhen = \"Uninstall\"\nlibrary = \"$SYSTEM$\\\\x.dll\"\n"
        "entry = \"E\"\nargument = \"$PROGRAMFILESFOLDER$\"\n"
        "[[actions]]\nkind = \"run_on_uninstall\"\ncommand = \"e.exe\"\n");
    ASSERT_EQ(m.mainList.entries.size(), 7u);
    EXPECT_EQ(text(actionAt<RunAction>(m, 0).commandLine), "a.exe");
    const auto& waited = actionAt<RunAndWaitAction>(m, 1);
    EXPECT_STREQ(waited.caption(), "Waiting");
    EXPECT_EQ(text(actionAt<RunAtFinishAction>(m, 2).commandLine), "c.exe");
    EXPECT_EQ(text(actionAt<RunOnUninstallAction>(m, 3).stepCaption), "Undoing $PROGRAMFILESFOLDER$");
    const auto& call = actionAt<CallLibraryAction>(m, 4);
    EXPECT_STREQ(call.caption(), "Calling");
    EXPECT_EQ(text(call.library), "C:\\x.dll");
    EXPECT_EQ(text(call.argument), "");
    EXPECT_EQ(text(actionAt<CallLibraryOnUninstallAction>(m, 5).argument), "$PROGRAMFILESFOLDER$");
    EXPECT_EQ(actionAt<RunOnUninstallAction>(m, 6).kind(), 12u);
}

TEST(BuilderActions, ProgramAndArgumentsBecomeOneCommandLine)
{
    Manifest m = readActions(
        "[[actions]]\nkind = \"run\"\nprogram = \"$PROGRAMFILESFOLDER$\\\\tool.exe\"\narguments = \"/s \\\"a b\\\"\"\n"
        "show = \"minimized\"\nfolder = \"$PROGRAMFILESFOLDER$\"\n"
        "[[actions]]\nkind = \"run_and_wait\"\nprogram = \"C:\\\\My Tools\\\\t.exe\"\n"
        "[[actions]]\nkind = \"run_at_finish\"\nprogram = \"C:\\\\Tools\\\\t.exe\"\narguments = \"-x\"\n"
        "[[actions]]\nkind = \"run\"\nwhen = \"uninstall\"\nprogram = \"$$5\\\\t.exe\"\n");
    const auto& run = actionAt<RunAction>(m, 0);
    EXPECT_EQ(text(run.commandLine), "\"$PROGRAMFILESFOLDER$\\tool.exe\" /s \"a b\"");
    EXPECT_EQ(text(run.workingFolder), "$PROGRAMFILESFOLDER$");
    EXPECT_EQ(run.show, 2u);
    EXPECT_EQ(text(actionAt<RunAndWaitAction>(m, 1).commandLine), "\"C:\\My Tools\\t.exe\"");
    EXPECT_EQ(text(actionAt<RunAtFinishAction>(m, 2).commandLine), "C:\\Tools\\t.exe -x");
    // "$$" is a dollar sign, not a variable: nothing that could grow a blank.
    EXPECT_EQ(text(actionAt<RunOnUninstallAction>(m, 3).commandLine), "$$5\\t.exe");
}

TEST(BuilderActions, CommandLineRules)
{
    EXPECT_TRUE(holdsPathVariable("a $SYSTEM$"));
    EXPECT_FALSE(holdsPathVariable("5$$ off"));
    EXPECT_EQ(commandLineOf("$SYSTEM$\\x.exe", ""), "\"$SYSTEM$\\x.exe\"");
    EXPECT_EQ(commandLineOf("x.exe", "-a"), "x.exe -a");
    EXPECT_EQ(commandLineOf("C:\\a b\\x.exe", "-a"), "\"C:\\a b\\x.exe\" -a");

    EXPECT_EQ(unquotedProgramProblem("\"$PROGRAMFILESFOLDER$\\x.exe\" /s"), "");
    EXPECT_EQ(unquotedProgramProblem("notepad.exe $PROGRAMFILESFOLDER$\\readme.txt"), "");
    EXPECT_EQ(unquotedProgramProblem("C:\\Tools\\x.exe"), "");
    EXPECT_NE(unquotedProgramProblem("$PROGRAMFILESFOLDER$\\x.exe /s"), "");
    EXPECT_NE(unquotedProgramProblem("\"$PROGRAMFILESFOLDER$\\x.exe /s"), "");
    EXPECT_NE(unquotedProgramProblem(""), "");
    EXPECT_NE(unquotedProgramProblem(" x.exe"), "");

    EXPECT_TRUE(isAbsolutePathText("$PROGRAMFILESFOLDER$\\x.dll"));
    EXPECT_TRUE(isAbsolutePathText("$HKLM:Software\\X:Dir:C:\\$\\x.dll"));
    EXPECT_TRUE(isAbsolutePathText("D:\\x.dll"));
    EXPECT_FALSE(isAbsolutePathText("x.dll"));
    EXPECT_FALSE(isAbsolutePathText("lib\\x.dll"));
    EXPECT_FALSE(isAbsolutePathText("\\x.dll"));
    EXPECT_FALSE(isAbsolutePathText("C:x.dll"));
    EXPECT_FALSE(isAbsolutePathText("$$x.dll"));
}

TEST(BuilderActions, WholeInstallerCarriesTheActionsAsWritten)
{
    ManifestFolder folder;
    folder.writeManifest(productTable() +
                         "[[actions]]\nkind = \"set_registry_value\"\ntype = \"dword\"\nroot = \"HKLM\"\n"
                         "key = \"Software\\\\Hello\"\nname = \"Installed\"\nvalue = 1\n"
                         "[[actions]]\nkind = \"run\"\nwhen = \"install_and_wait\"\ncaption = \"Setting up\"\n"
                         "program = \"$PROGRAMFILESFOLDER$\\\\setup helper.exe\"\narguments = \"/quiet\"\n"
                         "[[actions]]\nkind = \"call_library\"\nwhen = \"uninstall\"\ncaption = \"Unregistering\"\n"
                         "library = \"$PROGRAMFILESFOLDER$\\\\hello.dll\"\nentry = \"Unregister\"\n");
    BuildOutcome outcome = buildFolder(folder);
    ASSERT_TRUE(outcome.ok) << outcome.report;
    OpenedPackage package;
    ActionScript script;
    ASSERT_TRUE(readBack(outcome.installer, package, script));
    ASSERT_EQ(script.mainActions.actions.count(), 3u);
    Action* number = script.mainActions.actions[0];
    ASSERT_EQ(number->kind(), SetRegDwordAction::kKind);
    EXPECT_EQ(static_cast<SetRegDwordAction*>(number)->root, 0x80000002u);
    Action* waited = script.mainActions.actions[1];
    ASSERT_EQ(waited->kind(), RunAndWaitAction::kKind);
    EXPECT_STREQ(static_cast<RunAndWaitAction*>(waited)->commandLine.text(),
                 "\"$PROGRAMFILESFOLDER$\\setup helper.exe\" /quiet");
    EXPECT_STREQ(waited->caption(), "Setting up");
    Action* call = script.mainActions.actions[2];
    ASSERT_EQ(call->kind(), CallLibraryOnUninstallAction::kKind);
    EXPECT_STREQ(static_cast<CallLibraryOnUninstallAction*>(call)->entryName.text(), "Unregister");
    EXPECT_EQ(script.mainActions.pageFlags, 2u);  // the install folder
}

// ------------------------------------------------------------------ mistakes

struct ActionMistake {
    const char* name;
    std::string actions;  // after [product], so the first line is 5
    std::string place;
    std::string message;
};

void PrintTo(const ActionMistake& c, std::ostream* out)
{
    *out << c.name;
}

const std::string kRun = "[[actions]]\nkind = \"run\"\n";
const std::string kCall = "[[actions]]\nkind = \"call_library\"\n";
const std::string kLink =
    "[[actions]]\nkind = \"shortcut\"\ntarget = \"$PROGRAMFILESFOLDER$\\\\a.exe\"\n"
    "path = \"$PROGRAMSFOLDER$\\\\A.lnk\"\n";
const std::string kValue = "[[actions]]\nkind = \"set_registry_value\"\n";

std::vector<ActionMistake> actionMistakes()
{
    return {
        {"UnknownRunMoment", kRun + "when = \"later\"\ncommand = \"a.exe\"\n", "slipway.toml:7:8",
         "unknown moment to run a program 'later'; expected one of: install, install_and_wait, finish_page, "
         "uninstall"},
        {"CallAtTheFinishPage", kCall + "when = \"finish page\"\nlibrary = \"C:\\\\x.dll\"\nentry = \"E\"\n",
         "slipway.toml:7:8", "unknown moment to call a library 'finish page'; expected one of: install, uninstall"},
        {"MomentOnAKindThatHasOne", "[[actions]]\nkind = \"run_and_wait\"\nwhen = \"install\"\ncommand = \"a.exe\"\n",
         "slipway.toml:7:1", "unknown key 'when'"},
        {"CaptionOfAProgramNotWaitedFor", kRun + "caption = \"Never shown\"\ncommand = \"a.exe\"\n", "slipway.toml:7:1",
         "unknown key 'caption'"},
        {"CommandAndProgram", kRun + "command = \"a.exe\"\nprogram = \"b.exe\"\n", "slipway.toml:8:11",
         "give either 'command' or 'program'"},
        {"ArgumentsWithCommand", kRun + "command = \"a.exe\"\narguments = \"-x\"\n", "slipway.toml:8:13",
         "'arguments' go with 'program'"},
        {"NoProgramAtAll", kRun + "folder = \"C:\\\\\"\n", "slipway.toml:5:1",
         "missing key 'command' in [[actions]] entry 1; expected a command line, or 'program' and 'arguments'"},
        {"UnquotedVariableProgram", kRun + "command = \"$PROGRAMFILESFOLDER$\\\\a.exe /s\"\n", "slipway.toml:7:11",
         "the program path is not quoted"},
        {"UnclosedQuote", kRun + "command = \"\\\"C:\\\\a b\\\\a.exe /s\"\n", "slipway.toml:7:11",
         "the quote before the program path is not closed"},
        {"QuotedProgram", kRun + "program = \"\\\"C:\\\\a.exe\\\"\"\n", "slipway.toml:7:11", "'program' holds a quote"},
        {"EmptyProgram", kRun + "program = \"\"\n", "slipway.toml:7:11", "'program' is empty"},
        {"CommandLineTooLong", kRun + "program = \"C:\\\\a.exe\"\narguments = \"" + std::string(4090, 'x') + "\"\n",
         "slipway.toml:7:11", "command line too long: 4099 characters, at most 4095"},
        {"RelativeLibrary", kCall + "library = \"hello.dll\"\nentry = \"E\"\n", "slipway.toml:7:11",
         "'library' is not a full path"},
        {"LibraryBelowTheCurrentFolder", kCall + "library = \"bin\\\\hello.dll\"\nentry = \"E\"\n", "slipway.toml:7:11",
         "'library' is not a full path"},
        {"MissingEntry", kCall + "library = \"C:\\\\x.dll\"\n", "slipway.toml:5:1", "missing key 'entry'"},
        {"EmptyEntry", kCall + "library = \"C:\\\\x.dll\"\nentry = \"\"\n", "slipway.toml:8:9", "'entry' is empty"},
        {"IconIndexWithoutIcon", kLink + "icon_index = 2\n", "slipway.toml:9:14", "'icon_index' without 'icon'"},
        {"HotKeyTakingATypedKey", kLink + "hot_key = \"Shift+A\"\n", "slipway.toml:9:11", "add Ctrl or Alt"},
        {"HotKeyWithAnUnknownKey", kLink + "hot_key = \"Ctrl+Alt+Esc\"\n", "slipway.toml:9:11", "'esc' is not a key"},
        {"HotKeyAsANumber", kLink + "hot_key = 0x0658\n", "slipway.toml:9:11", "expected a key such as"},
        {"ValueWithoutType", kValue + "root = \"HKCU\"\nkey = \"X\"\nvalue = \"v\"\n", "slipway.toml:5:1",
         "missing key 'type' in [[actions]] entry 1; expected a registry value type (string, dword, REG_SZ, "
         "REG_DWORD)"},
        {"UnknownValueType", kValue + "type = \"binary\"\nroot = \"HKCU\"\nkey = \"X\"\nvalue = \"v\"\n",
         "slipway.toml:7:8", "unknown registry value type 'binary'"},
        {"NumberGivenAsText", kValue + "type = \"dword\"\nroot = \"HKCU\"\nkey = \"X\"\nvalue = \"42\"\n",
         "slipway.toml:10:9", "'value' in [[actions]] entry 1: expected an integer"},
        {"RootThatTakesNoValues",
         kValue + "type = \"string\"\nroot = \"HKEY_PERFORMANCE_DATA\"\nkey = \"X\"\n"
                  "value = \"v\"\n",
         "slipway.toml:8:8",
         "unknown registry root 'HKEY_PERFORMANCE_DATA'; expected one of: HKCR, HKCU, HKLM, HKU, HKCC"},
        {"MissingRoot", "[[actions]]\nkind = \"delete_registry_value\"\nkey = \"X\"\n", "slipway.toml:5:1",
         "missing key 'root' in [[actions]] entry 1; expected a registry root (HKCR, HKCU, HKLM, HKU or HKCC)"},
    };
}

class BuilderActionMistake : public testing::TestWithParam<ActionMistake> {};

TEST_P(BuilderActionMistake, IsReportedAloneAtItsPlace)
{
    const ActionMistake& c = GetParam();
    ManifestFolder folder;
    Manifest manifest;
    std::string report;
    EXPECT_FALSE(readManifestFrom(folder, productTable() + c.actions, manifest, report));
    EXPECT_NE(report.find(c.place + ":"), std::string::npos) << report;
    EXPECT_NE(report.find(c.message), std::string::npos) << report;
    size_t lines = 0;
    for (char ch : report)
        lines += ch == '\n';
    EXPECT_EQ(lines, 1u) << report;
}

INSTANTIATE_TEST_SUITE_P(BuilderActions, BuilderActionMistake, testing::ValuesIn(actionMistakes()),
                         [](const testing::TestParamInfo<ActionMistake>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
