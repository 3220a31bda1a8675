// Shortcuts made through the shell's link object under Wine and read back
// through IShellLinkA, with the folders they needed and their undo entries.
#include "support/file_steps.h"

#include "engine/passes.h"
#include "engine/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

const uint16_t kCtrlAltX = (HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | 'X';
const uint32_t kNoIcon = 0xFFFFFFFF;

std::unique_ptr<ShortcutAction> shortcutAction(const std::string& target, const std::string& path,
                                               const std::string& arguments = "", const std::string& description = "",
                                               const std::string& icon = "", uint32_t iconIndex = kNoIcon,
                                               uint16_t hotKey = 0)
{
    auto action = std::make_unique<ShortcutAction>();
    action->target.assignText(target.c_str());
    action->shortcutPath.assignText(path.c_str());
    action->arguments.assignText(arguments.c_str());
    action->description.assignText(description.c_str());
    action->iconPath.assignText(icon.c_str());
    action->iconIndex = iconIndex;
    action->hotKey = hotKey;
    return action;
}

// What a saved shortcut holds, read back through the shell's ANSI interface.
struct LinkContents {
    bool loaded = false;
    std::string target, arguments, description, icon;
    int iconIndex = -1;
    WORD hotKey = 0;
};

template <typename Interface>
struct Released {
    Interface* pointer = nullptr;
    ~Released()
    {
        if (pointer)
            pointer->Release();
    }
};

LinkContents readLink(const std::string& path)
{
    LinkContents contents;
    Released<IShellLinkA> link;
    Released<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link.pointer))) ||
        FAILED(link.pointer->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.pointer))))
        return contents;
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (FAILED(file.pointer->Load(wide, STGM_READ)))
        return contents;
    contents.loaded = true;
    char text[INFOTIPSIZE];
    if (SUCCEEDED(link.pointer->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)))
        contents.target = text;
    if (SUCCEEDED(link.pointer->GetArguments(text, sizeof text)))
        contents.arguments = text;
    if (SUCCEEDED(link.pointer->GetDescription(text, sizeof text)))
        contents.description = text;
    if (SUCCEEDED(link.pointer->GetIconLocation(text, MAX_PATH, &contents.iconIndex)))
        contents.icon = text;
    link.pointer->GetHotkey(&contents.hotKey);
    return contents;
}

uint32_t sizeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}

class ShortcutActionTest : public FileStepTest {
protected:
    void SetUp() override
    {
        FileStepTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ASSERT_TRUE(writeFile(at("app.exe"), "not really a program"));
    }
    void TearDown() override
    {
        CoUninitialize();
        FileStepTest::TearDown();
    }

    // On a worker that has initialised COM for itself, as the install and
    // uninstall threads do; a prompt fails the test.
    bool executeWithCom(Action& action)
    {
        bool result = false;
        runQuietly([&] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            result = execute(action);
            CoUninitialize();
        });
        return result;
    }
    uint32_t reverseWithCom()
    {
        uint32_t result = 99;
        runQuietly([&] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            result = runReversals(target.undoLog, context);
            CoUninitialize();
        });
        return result;
    }
};

TEST_F(ShortcutActionTest, LinkHoldsEveryAttributeAndItsNewFoldersAreRecorded)
{
    auto action = shortcutAction("$DIR$\\app.exe", "$DIR$\\Start Menu\\Group\\App.lnk", "/a \"b c\"", "Say hello",
                                 "$DIR$\\app.exe", 2, kCtrlAltX);
    EXPECT_TRUE(executeWithCom(*action));

    LinkContents link = readLink(at("Start Menu\\Group\\App.lnk"));
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(link.target, at("app.exe"));
    EXPECT_EQ(link.arguments, "/a \"b c\"");
    EXPECT_EQ(link.description, "Say hello");
    EXPECT_EQ(link.icon, at("app.exe"));
    EXPECT_EQ(link.iconIndex, 2);
    EXPECT_EQ(link.hotKey, kCtrlAltX);

    EXPECT_NE(context.bytesInstalled, 0u);
    EXPECT_EQ(context.bytesInstalled, sizeOf(at("Start Menu\\Group\\App.lnk")));
    EXPECT_EQ(recordedEntries(target.undoLog), (std::vector<RecordedEntry>{
                                                   {DeleteShortcutUndo::kKind, "<other kind>", 0},
                                                   folderEntry(at("Start Menu\\Group")),
                                                   folderEntry(at("Start Menu")),
                                               }));
    auto* undo = static_cast<DeleteShortcutUndo*>(target.undoLog.first());
    EXPECT_STREQ(undo->path.text(), at("Start Menu\\Group\\App.lnk").c_str());

    // The uninstaller's reversal pass: the link, then its group, then the
    // folder above it, each once it is empty.
    EXPECT_EQ(reverseWithCom(), 0u);
    EXPECT_FALSE(fileExists(at("Start Menu")));
    EXPECT_TRUE(fileExists(at("app.exe")));
}

TEST_F(ShortcutActionTest, EmptyTextsAndAnIconWithoutIndexAreLeftUnset)
{
    auto action = shortcutAction("$DIR$\\app.exe", "$DIR$\\Plain.lnk", "", "", "$DIR$\\app.exe", kNoIcon, 0);
    EXPECT_TRUE(executeWithCom(*action));
    LinkContents link = readLink(at("Plain.lnk"));
    ASSERT_TRUE(link.loaded);
    EXPECT_EQ(link.target, at("app.exe"));
    EXPECT_EQ(link.arguments, "");
    EXPECT_EQ(link.description, "");
    EXPECT_EQ(link.icon, "");
    EXPECT_EQ(link.hotKey, 0);
    // A link in a folder that exists creates no folder.
    EXPECT_EQ(target.undoLog.count(), 1u);
}

TEST_F(ShortcutActionTest, TargetThatDoesNotExistYetStillMakesTheLink)
{
    // The shell may answer S_FALSE here: a success all the same.
    auto action = shortcutAction("$DIR$\\later.exe", "$DIR$\\Later.lnk");
    EXPECT_TRUE(executeWithCom(*action));
    EXPECT_EQ(readLink(at("Later.lnk")).target, at("later.exe"));
}

TEST_F(ShortcutActionTest, ClearingAHotKeyKeepsEverythingElse)
{
    auto first = shortcutAction("$DIR$\\app.exe", "$DIR$\\Keyed.lnk", "/first", "", "", kNoIcon, kCtrlAltX);
    ASSERT_TRUE(executeWithCom(*first));
    ASSERT_EQ(readLink(at("Keyed.lnk")).hotKey, kCtrlAltX);

    EXPECT_TRUE(clearShortcutHotkey(at("Keyed.lnk").c_str()));
    LinkContents cleared = readLink(at("Keyed.lnk"));
    EXPECT_EQ(cleared.hotKey, 0);
    EXPECT_EQ(cleared.target, at("app.exe"));
    EXPECT_EQ(cleared.arguments, "/first");

    // Nothing to clear: true, and the file is not written again. The file
    // is dated far back first, so a write shows whatever the file system's
    // time stamps resolve.
    {
        HANDLE file = CreateFileA(at("Keyed.lnk").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SYSTEMTIME longAgo = {2001, 1, 0, 1, 12, 0, 0, 0};
        FILETIME stamp;
        SystemTimeToFileTime(&longAgo, &stamp);
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &stamp));
        CloseHandle(file);
    }
    uint64_t written = lastWriteTime(at("Keyed.lnk"));
    EXPECT_TRUE(clearShortcutHotkey(at("Keyed.lnk").c_str()));
    EXPECT_EQ(lastWriteTime(at("Keyed.lnk")), written);
    EXPECT_FALSE(clearShortcutHotkey(at("missing.lnk").c_str()));
}

TEST_F(ShortcutActionTest, ReplacedLinkTakesTheSameHotKeyAndTheNewTarget)
{
    ASSERT_TRUE(writeFile(at("other.exe"), "another program"));
    auto first = shortcutAction("$DIR$\\app.exe", "$DIR$\\Keyed.lnk", "", "", "", kNoIcon, kCtrlAltX);
    ASSERT_TRUE(executeWithCom(*first));
    auto second = shortcutAction("$DIR$\\other.exe", "$DIR$\\Keyed.lnk", "/second", "", "", kNoIcon, kCtrlAltX);
    EXPECT_TRUE(executeWithCom(*second));
    LinkContents link = readLink(at("Keyed.lnk"));
    EXPECT_EQ(link.target, at("other.exe"));
    EXPECT_EQ(link.arguments, "/second");
    EXPECT_EQ(link.hotKey, kCtrlAltX);
}

TEST_F(ShortcutActionTest, LinkThatCannotBeSavedFailsSilentlyAndItsFoldersRollBack)
{
    // "New" is made on the way; a name no file may have cannot be saved.
    auto action = shortcutAction("$DIR$\\app.exe", "$DIR$\\New\\bad|name.lnk");
    EXPECT_FALSE(executeWithCom(*action));
    EXPECT_EQ(context.bytesInstalled, 0u);
    EXPECT_EQ(recordedEntries(target.undoLog), (std::vector<RecordedEntry>{folderEntry(at("New"))}));
    EXPECT_EQ(reverseWithCom(), 0u);
    EXPECT_FALSE(fileExists(at("New")));
}

TEST_F(ShortcutActionTest, FieldsThatDoNotExpandWholeMakeNoLink)
{
    std::unique_ptr<ShortcutAction> failing[] = {
        shortcutAction("$FAIL$\\app.exe", "$DIR$\\A.lnk"),
        shortcutAction("$DIR$\\app.exe", "$DIR$\\$FAIL$.lnk"),
        shortcutAction("$DIR$\\app.exe", "$DIR$\\" + std::string(300, 'l') + ".lnk"),
        shortcutAction("$DIR$\\app.exe", "$DIR$\\A.lnk", std::string(2100, 'a')),
        shortcutAction("$DIR$\\app.exe", "$DIR$\\A.lnk", "", "$FAIL$"),
        shortcutAction("$DIR$\\app.exe", "$DIR$\\A.lnk", "", "", "$FAIL$", 0),
    };
    for (auto& action : failing)
        EXPECT_FALSE(executeWithCom(*action));
    EXPECT_FALSE(fileExists(at("A.lnk")));
    EXPECT_EQ(target.undoLog.count(), 0u);
}

// ------------------------------------------------------------------ undo

class DeleteShortcutTest : public ShortcutActionTest {
protected:
    void SetUp() override
    {
        ShortcutActionTest::SetUp();
        auto action = shortcutAction("$DIR$\\app.exe", "$DIR$\\Held.lnk", "", "", "", kNoIcon, kCtrlAltX);
        ASSERT_TRUE(executeWithCom(*action));
        undo = static_cast<DeleteShortcutUndo*>(target.undoLog.first());
        held = std::make_unique<HeldFile>(at("Held.lnk"));
        ASSERT_TRUE(held->held());
    }

    // Undoes on a COM worker and answers the "Cannot delete" prompt.
    uint32_t undoAnswering(int button)
    {
        uint32_t result = 99;
        WorkerRun worker([&] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            result = undo->undo(context);
            CoUninitialize();
        });
        Prompt prompt = worker.nextPrompt();
        EXPECT_NE(prompt.box, nullptr) << "no prompt";
        EXPECT_EQ(prompt.text, promptText("Cannot delete file \"" + at("Held.lnk") + "\"", ERROR_SHARING_VIOLATION));
        EXPECT_EQ(prompt.caption, "Error");
        // Owned by the page, so by the frame it belongs to.
        EXPECT_EQ(prompt.owner, window.frame());
        if (button == IDRETRY)
            held->release();
        EXPECT_TRUE(worker.answer(prompt, button));
        Prompt another = worker.nextPrompt();
        EXPECT_EQ(another.box, nullptr) << "a second prompt: " << another.text;
        EXPECT_TRUE(worker.finish());
        return result;
    }

    DeleteShortcutUndo* undo = nullptr;
    std::unique_ptr<HeldFile> held;
};

TEST_F(DeleteShortcutTest, RetryDeletesTheLinkOnceItIsFree)
{
    EXPECT_EQ(undoAnswering(IDRETRY), 0u);
    EXPECT_FALSE(fileExists(at("Held.lnk")));
}

TEST_F(DeleteShortcutTest, IgnoreGoesOnAndKeepsTheLink)
{
    EXPECT_EQ(undoAnswering(IDIGNORE), 0u);
    held->release();
    EXPECT_TRUE(fileExists(at("Held.lnk")));
}

TEST_F(DeleteShortcutTest, AbortStopsTheUndoPass)
{
    EXPECT_EQ(undoAnswering(IDABORT), 1u);
    held->release();
    EXPECT_TRUE(fileExists(at("Held.lnk")));
}

TEST_F(ShortcutActionTest, UndoOfALinkThatIsGoneGoesOn)
{
    auto action = shortcutAction("$DIR$\\app.exe", "$DIR$\\Gone.lnk");
    ASSERT_TRUE(executeWithCom(*action));
    ASSERT_TRUE(DeleteFileA(at("Gone.lnk").c_str()));
    EXPECT_EQ(reverseWithCom(), 0u);
}

}  // namespace
