// Path variables against the real machine: shell and system folders, the run
// state, registry values of every awkward kind, and a control's text.
#include "state/run_state.h"
#include "format/path_variables.h"
#include "uninstall/path_variables_win32.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shlwapi.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

std::string expanded(const std::string& source, size_t outputSize = 4096, bool* result = nullptr)
{
    std::vector<char> output(outputSize, '#');
    bool ok = expandPathVariables(source.c_str(), output.data(), outputSize);
    if (result)
        *result = ok;
    return output.data();
}

// The shell's own answer, for comparison: empty when it has none.
std::string shellAnswer(int csidl)
{
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return "";
    return path;
}

std::string shellFolder(int csidl)
{
    char buffer[kFolderBufferSize];
    memset(buffer, '#', sizeof buffer);
    return shellFolderPath(csidl, buffer);
}

// A key of its own under HKEY_CURRENT_USER for one test, removed with its
// values and subkeys when the test ends.
class TestKey {
public:
    TestKey()
    {
        path_ = "Software\\Slipway Tests\\PathVariables-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(counter_++);
        EXPECT_EQ(
            RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
            ERROR_SUCCESS);
    }
    ~TestKey()
    {
        RegCloseKey(key_);
        SHDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
        SHDeleteEmptyKeyA(HKEY_CURRENT_USER, "Software\\Slipway Tests");
    }
    TestKey(const TestKey&) = delete;
    TestKey& operator=(const TestKey&) = delete;

    const std::string& path() const { return path_; }
    // A look-up token for a value of this key ("" names the default value).
    std::string token(const std::string& valueName, const char* fallback = nullptr) const
    {
        std::string token = "$HKCU:" + path_ + "\\" + valueName;
        if (fallback)
            token += std::string(":") + fallback;
        return token + "$";
    }

    void set(const char* name, DWORD type, const void* data, DWORD size, const char* subKey = nullptr)
    {
        HKEY target = key_;
        if (subKey)
            ASSERT_EQ(RegCreateKeyExA(key_, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &target, nullptr),
                      ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(target, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        if (subKey)
            RegCloseKey(target);
    }
    // A text stored the proper way, with its NUL.
    void setText(const char* name, const std::string& text, DWORD type = REG_SZ)
    {
        set(name, type, text.c_str(), DWORD(text.size() + 1));
    }

private:
    static int counter_;
    std::string path_;
    HKEY key_ = nullptr;
};
int TestKey::counter_ = 0;

}  // namespace

// ------------------------------------------------------------------ shell folders

TEST(ShellFolders, AgreeWithTheShell)
{
    const int folders[] = {
        kCsidlPrograms,        kCsidlStartup,        kCsidlStartMenu,     kCsidlDesktopDirectory,
        kCsidlCommonStartMenu, kCsidlCommonPrograms, kCsidlCommonStartup, kCsidlCommonDesktopDirectory,
        kCsidlAppData,         kCsidlLocalAppData,   kCsidlCommonAppData, kCsidlProgramFilesCommon};
    for (int csidl : folders)
        EXPECT_EQ(shellFolder(csidl), shellAnswer(csidl)) << "CSIDL " << csidl;
    EXPECT_NE(shellFolder(kCsidlPrograms), "");
    EXPECT_NE(shellFolder(kCsidlAppData), "");
}

TEST(ShellFolders, ReturnTheirBuffer)
{
    char buffer[kFolderBufferSize];
    EXPECT_EQ(shellFolderPath(kCsidlPrograms, buffer), buffer);
    EXPECT_EQ(shellFolderPathWithFallback(0xFF, kCsidlPrograms, buffer), buffer);
}

TEST(ShellFolders, UnknownFolderIsEmpty)
{
    EXPECT_EQ(shellFolder(0xFF), "");
    char buffer[kFolderBufferSize];
    memset(buffer, '#', sizeof buffer);
    EXPECT_STREQ(shellFolderPathWithFallback(0xFF, 0xFE, buffer), "");
}

TEST(ShellFolders, FallbackIsUsedOnlyWhenTheFirstCannotBeLocated)
{
    char buffer[kFolderBufferSize];
    EXPECT_EQ(std::string(shellFolderPathWithFallback(0xFF, kCsidlPrograms, buffer)), shellAnswer(kCsidlPrograms));
    EXPECT_EQ(std::string(shellFolderPathWithFallback(kCsidlCommonPrograms, kCsidlPrograms, buffer)),
              shellAnswer(kCsidlCommonPrograms));
    // "My Computer" is located but has no path: no fallback for that.
    memset(buffer, '#', sizeof buffer);
    EXPECT_STREQ(shellFolderPathWithFallback(CSIDL_DRIVES, kCsidlPrograms, buffer), "");
}

// --------------------------------------------------------------- path variables

TEST(PathVariablesOnWindows, EveryNameGivesTheMachinesFolder)
{
    char system[MAX_PATH + 1], windows[MAX_PATH + 1];
    ASSERT_NE(GetSystemDirectoryA(system, sizeof system), 0u);
    ASSERT_NE(GetWindowsDirectoryA(windows, sizeof windows), 0u);
    copyTruncated(runState.programFilesFolder, kPathBufferSize, "C:\\Program Files");
    copyTruncated(runState.installFolder, kPathBufferSize, "C:\\Program Files\\Slipway Test");
    copyTruncated(runState.programGroup, kPathBufferSize, "Slipway Test");
    struct Case {
        const char* token;
        std::string folder;
    } cases[] = {
        {"$SYSTEM$", system},
        {"$WINDOWS$", windows},
        {"$STARTUP$", shellAnswer(kCsidlStartup)},
        {"$APPDATA$", shellAnswer(kCsidlAppData)},
        {"$PROGRAMS$", shellAnswer(kCsidlPrograms)},
        {"$STARTMENU$", shellAnswer(kCsidlStartMenu)},
        {"$PROGRAMFILES$", "C:\\Program Files"},
        {"$LOCALAPPDATA$", shellAnswer(kCsidlLocalAppData)},
        {"$COMMONSTARTUP$", shellAnswer(kCsidlCommonStartup)},
        {"$COMMONAPPDATA$", shellAnswer(kCsidlCommonAppData)},
        {"$PROGRAMSFOLDER$", shellAnswer(kCsidlPrograms) + "\\Slipway Test"},
        {"$COMMONPROGRAMS$", shellAnswer(kCsidlCommonPrograms)},
        {"$COMMONSTARTMENU$", shellAnswer(kCsidlCommonStartMenu)},
        {"$DESKTOPDIRECTORY$", shellAnswer(kCsidlDesktopDirectory)},
        {"$PROGRAMFILESFOLDER$", "C:\\Program Files\\Slipway Test"},
        {"$PROGRAMFILESCOMMON$", shellAnswer(kCsidlProgramFilesCommon)},
        {"$COMMONPROGRAMSFOLDER$", shellAnswer(kCsidlCommonPrograms) + "\\Slipway Test"},
        {"$COMMONDESKTOPDIRECTORY$", shellAnswer(kCsidlCommonDesktopDirectory)},
    };
    for (const Case& c : cases) {
        bool ok = false;
        EXPECT_EQ(expanded(c.token, 4096, &ok), c.folder) << c.token;
        EXPECT_TRUE(ok) << c.token;
    }
}

TEST(PathVariablesOnWindows, FolderPageChangesShowInTheNextExpansion)
{
    copyTruncated(runState.installFolder, kPathBufferSize, "C:\\Apps\\Tool");
    EXPECT_EQ(expanded("$PROGRAMFILESFOLDER$\\app.exe"), "C:\\Apps\\Tool\\app.exe");
    copyTruncated(runState.installFolder, kPathBufferSize, "D:\\Chosen");
    EXPECT_EQ(expanded("$PROGRAMFILESFOLDER$\\app.exe"), "D:\\Chosen\\app.exe");
}

TEST(PathVariablesOnWindows, FailuresKeepTheTextBefore)
{
    bool ok = true;
    EXPECT_EQ(expanded("a $TEMP$ b", 4096, &ok), "a ");
    EXPECT_FALSE(ok);
    EXPECT_EQ(expanded("a $WINDOWS", 4096, &ok), "a ");
    EXPECT_FALSE(ok);
    EXPECT_EQ(expanded("a$WINDOWS$", 4, &ok), "a");
    EXPECT_FALSE(ok);
}

// ----------------------------------------------------------------- the registry

TEST(RegistryLookUpsOnWindows, StringValueIsRead)
{
    TestKey key;
    key.setText("InstallDir", "E:\\Vendor\\Product");
    EXPECT_EQ(expanded("\"" + key.token("InstallDir", "C:\\Default") + "\\bin\""), "\"E:\\Vendor\\Product\\bin\"");
    EXPECT_EQ(expanded(key.token("InstallDir")), "E:\\Vendor\\Product");
}

TEST(RegistryLookUpsOnWindows, MissingKeyOrValueYieldsTheFallback)
{
    TestKey key;
    EXPECT_EQ(expanded(key.token("Missing", "none")), "none");
    EXPECT_EQ(expanded(key.token("Missing")), "");
    EXPECT_EQ(expanded("$HKCU:Software\\Slipway Tests\\No Such Key\\Value:C:\\Dir:x$"), "C:\\Dir:x");
}

TEST(RegistryLookUpsOnWindows, ValuesInDeeperKeys)
{
    TestKey key;
    key.set("Name", REG_SZ, "deep", 5, "Sub\\Deeper");
    EXPECT_EQ(expanded("$HKCU:" + key.path() + "\\Sub\\Deeper\\Name:none$"), "deep");
}

TEST(RegistryLookUpsOnWindows, KeyDefaultValue)
{
    TestKey key;
    EXPECT_EQ(expanded(key.token("", "no default")), "no default");
    key.setText(nullptr, "the default");
    EXPECT_EQ(expanded(key.token("", "no default")), "the default");
}

TEST(RegistryLookUpsOnWindows, ValueLargerThanTheSpaceLeftYieldsTheFallback)
{
    TestKey key;
    key.setText("Ten", "0123456789");
    std::string source = "ab" + key.token("Ten", "fallback");

    bool ok = false;
    EXPECT_EQ(expanded(source, 2 + 10 + 1, &ok), "ab0123456789");
    EXPECT_TRUE(ok);
    EXPECT_EQ(expanded(source, 2 + 10, &ok), "abfallback");
    EXPECT_TRUE(ok);
    EXPECT_EQ(expanded(source, 2 + 4, &ok), "abfal");
    EXPECT_TRUE(ok);
}

TEST(RegistryLookUpsOnWindows, NonTextValuesYieldTheFallback)
{
    TestKey key;
    DWORD number = 0x00636261;  // "abc" and a NUL when read as bytes
    key.set("Dword", REG_DWORD, &number, sizeof number);
    key.set("Binary", REG_BINARY, "abc", 4);
    key.set("Multi", REG_MULTI_SZ, "one\0two\0", 9);
    EXPECT_EQ(expanded(key.token("Dword", "fb")), "fb");
    EXPECT_EQ(expanded(key.token("Binary", "fb")), "fb");
    EXPECT_EQ(expanded(key.token("Multi", "fb")), "fb");
}

TEST(RegistryLookUpsOnWindows, ExpandableTextIsTakenAsStored)
{
    TestKey key;
    key.setText("Expand", "%WINDIR%\\x $PROGRAMS$", REG_EXPAND_SZ);
    EXPECT_EQ(expanded(key.token("Expand", "fb")), "%WINDIR%\\x $PROGRAMS$");
}

TEST(RegistryLookUpsOnWindows, EmptyTextIsAValue)
{
    TestKey key;
    key.setText("Empty", "");
    EXPECT_EQ(expanded("[" + key.token("Empty", "fb") + "]"), "[]");
}

TEST(RegistryLookUpsOnWindows, TextStoredWithoutItsNulIsNeverReadPast)
{
    // Stored as exactly its six characters. The system may terminate such a
    // text itself when the buffer has room; whatever it does, the text is
    // either read whole and terminated within the space, or not at all.
    TestKey key;
    key.set("NoNul", REG_SZ, "abcdef", 6);
    for (size_t size : {3u, 6u, 7u, 8u, 64u}) {
        std::vector<char> buffer(size + 16, '#');
        bool read = readRegistryString(HKEY_CURRENT_USER, key.path().c_str(), "NoNul", buffer.data(), size);
        if (size <= 6)
            EXPECT_FALSE(read) << "size " << size << ": no room for the NUL";
        if (read)
            EXPECT_STREQ(buffer.data(), "abcdef") << "size " << size;
        for (size_t i = size; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], '#') << "size " << size << ", byte " << i;
    }
    std::string result = expanded(key.token("NoNul", "fb"));
    EXPECT_TRUE(result == "abcdef" || result == "fb") << result;
    EXPECT_EQ(expanded("ab" + key.token("NoNul", "fb"), 2 + 6 + 1 - 1), "abfb") << "never cut";

    // Nothing stored at all: the empty text, or the fallback.
    key.set("Nothing", REG_SZ, "", 0);
    result = expanded(key.token("Nothing", "fb"));
    EXPECT_TRUE(result == "" || result == "fb") << result;
}

TEST(RegistryLookUpsOnWindows, ReadsStayWithinTheirSpace)
{
    TestKey key;
    key.setText("Long", std::string(300, 'v'));
    for (size_t size : {1u, 2u, 100u, 300u}) {
        std::vector<char> buffer(size + 16, '#');
        EXPECT_FALSE(readRegistryString(HKEY_CURRENT_USER, key.path().c_str(), "Long", buffer.data(), size));
        for (size_t i = size; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], '#') << "size " << size << ", byte " << i;
    }
    std::vector<char> buffer(301);
    EXPECT_TRUE(readRegistryString(HKEY_CURRENT_USER, key.path().c_str(), "Long", buffer.data(), 301));
    EXPECT_EQ(std::string(buffer.data()), std::string(300, 'v'));
}

TEST(RegistryLookUpsOnWindows, OtherRootsAreRead)
{
    // What the machine itself holds, read directly for comparison.
    char direct[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    LONG status = RegQueryValueExA(key, "ProgramFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(direct), &size);
    RegCloseKey(key);
    ASSERT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(expanded("$HKLM:Software\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir:none$"), direct);

    char classes[MAX_PATH + 1] = {};
    LONG length = sizeof classes;
    bool hasTxt = RegQueryValueA(HKEY_CLASSES_ROOT, ".txt", classes, &length) == ERROR_SUCCESS;
    EXPECT_EQ(expanded("$HKCR:.txt\\:none$"), hasTxt ? classes : "none");
}

// ------------------------------------------------------------- a control's text

class DialogItemText : public testing::Test {
protected:
    static constexpr int kItem = 1001;

    void SetUp() override
    {
        window_ = CreateWindowExA(0, "STATIC", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr) << "no window could be created: is the Xvfb display running?";
        HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 200, 20, window_,
                                    reinterpret_cast<HMENU>(kItem), GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(edit, nullptr);
        SendMessageA(edit, EM_LIMITTEXT, 0, 0);
        copyTruncated(runState.installFolder, kPathBufferSize, "C:\\Apps\\Tool");
    }
    void TearDown() override
    {
        if (window_)
            DestroyWindow(window_);
    }

    std::string itemText() const
    {
        std::vector<char> text(65536);
        GetDlgItemTextA(window_, kItem, text.data(), int(text.size()));
        return text.data();
    }

    HWND window_ = nullptr;
};

TEST_F(DialogItemText, ShowsTheExpandedText)
{
    setDlgItemTextExpanded(window_, kItem, "Install into $PROGRAMFILESFOLDER$ for $$5");
    EXPECT_EQ(itemText(), "Install into C:\\Apps\\Tool for $5");
    setDlgItemTextExpanded(window_, kItem, "Kept $TEMP$ dropped");
    EXPECT_EQ(itemText(), "Kept ");
}

TEST_F(DialogItemText, LongTextsKeepEverything)
{
    std::string text = std::string(6000, 't') + "$PROGRAMFILESFOLDER$";
    setDlgItemTextExpanded(window_, kItem, text.c_str());
    EXPECT_EQ(itemText(), std::string(6000, 't') + "C:\\Apps\\Tool");
}

TEST_F(DialogItemText, WorkSpaceIsTheTextAnd4096Bytes)
{
    // A look-up token's own length counts towards the space its value gets:
    // a value of 4200 characters fits behind a token of 300 characters, not
    // behind one of 60.
    TestKey key;
    key.setText("Big", std::string(4200, 'b'));
    std::string shortToken = key.token("Big", "small");
    ASSERT_LT(shortToken.size() + 4097, 4201u);
    setDlgItemTextExpanded(window_, kItem, ("[" + shortToken + "]").c_str());
    EXPECT_EQ(itemText(), "[small]");

    std::string longToken = key.token("Big", std::string(300 - shortToken.size(), 'f').c_str());
    setDlgItemTextExpanded(window_, kItem, ("[" + longToken + "]").c_str());
    EXPECT_EQ(itemText(), "[" + std::string(4200, 'b') + "]");
}
