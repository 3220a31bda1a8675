// The bytes of every record, written out by hand: one record of each action
// and undo kind, and the field order of the three scripts. A field list that
// changes order, or a field that changes its kind, shows here.
#include "test_packages.h"

#include "format/byte_cursor.h"
#include "format/action_script.h"
#include "format/byte_sink.h"
#include "format/undo_entry.h"
#include "format/uninstall_script.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

// A text as a pool item: its bytes and its NUL.
std::string t(const std::string& text)
{
    return text + '\0';
}

std::string u32(uint32_t value)
{
    std::string out(4, '\0');
    storeU32(reinterpret_cast<uint8_t*>(&out[0]), value);
    return out;
}

// A flattened block: u32 stream length, the stream, then each pool item as
// u32 length and bytes, in the order the stream first names them.
std::string blockOf(const std::vector<uint32_t>& stream, const std::vector<std::string>& pool)
{
    std::string out = u32(uint32_t(4 * stream.size()));
    for (uint32_t value : stream)
        out += u32(value);
    for (const std::string& item : pool)
        out += u32(uint32_t(item.size())) + item;
    return out;
}

template <typename Record>
std::string bytesWritten(const Record& record)
{
    ByteSink sink;
    Bytes block;
    EXPECT_TRUE(record.serialize(sink));
    EXPECT_TRUE(sink.flatten(block));
    return asString(block);
}

// Reads the record back from hand-written bytes (behind its kind code) and
// writes it again.
template <typename Record, typename Create>
std::string bytesReadAndWritten(const std::string& block, Create create)
{
    auto cursor = std::make_unique<ByteCursor>();
    if (!cursor->attach(reinterpret_cast<const uint8_t*>(block.data()), block.size()))
        return "attach failed";
    std::unique_ptr<Record> record(create(cursor->readU32()));
    if (!record || !record->read(*cursor))
        return "read failed";
    return bytesWritten(*record);
}

struct RecordCase {
    const char* name;
    std::function<Action*()> action;  // or
    std::function<UndoEntry*()> undo;
    std::vector<uint32_t> stream;
    std::vector<std::string> pool;
};

std::ostream& operator<<(std::ostream& out, const RecordCase& c)
{
    return out << c.name;
}

template <typename Record, typename Fill>
std::function<Action*()> action(Fill fill)
{
    return [fill] {
        Record* record = new Record;
        fill(*record);
        return record;
    };
}

template <typename Record, typename Fill>
std::function<UndoEntry*()> undo(Fill fill)
{
    return [fill] {
        Record* record = new Record;
        fill(*record);
        return record;
    };
}

template <typename Record>
void registryValue(Record& r)
{
    r.root = 0x80000002;
    setText(r.subKey, "Software\\Sample");
    setText(r.valueName, "Version");
}

template <typename Record>
void programStep(Record& r)
{
    setText(r.stepCaption, "Configuring");
    setText(r.commandLine, "setup.exe /q");
    setText(r.workingFolder, "C:\\Sample");
    r.show = 7;
}

template <typename Record>
void libraryStep(Record& r)
{
    setText(r.stepCaption, "Registering");
    setText(r.library, "sample.dll");
    setText(r.entryName, "DllRegisterServer");
    setText(r.argument, "/all");
}

template <typename Record>
void startProgram(Record& r)
{
    setText(r.commandLine, "app.exe");
    setText(r.workingFolder, "C:\\App");
    r.show = 3;
}

const std::vector<std::string> kRegistryPool = {t("Software\\Sample"), t("Version")};
const std::vector<std::string> kProgramPool = {t("Configuring"), t("setup.exe /q"), t("C:\\Sample")};
const std::vector<std::string> kLibraryPool = {t("Registering"), t("sample.dll"), t("DllRegisterServer"), t("/all")};

std::vector<std::string> plus(std::vector<std::string> pool, const std::string& item)
{
    pool.push_back(item);
    return pool;
}

// clang-format off
const RecordCase kRecordCases[] = {
    {"WriteFileAction",
     action<WriteFileAction>([](WriteFileAction& r) {
         setText(r.path, "C:\\a.txt");
         r.data = bytesOf(std::string("d\0x", 3));
         r.timeLow = 0x11111111;
         r.timeHigh = 0x22222222;
         r.versionHigh = 0x00010002;
         r.versionLow = 0x00030004;
     }),
     nullptr, {1, 0, 1, 0x11111111, 0x22222222, 0x00010002, 0x00030004}, {t("C:\\a.txt"), std::string("d\0x", 3)}},
    {"CopyFileAction",
     action<CopyFileAction>([](CopyFileAction& r) {
         setText(r.source, "from");
         setText(r.destination, "to");
     }),
     nullptr, {2, 0, 1}, {t("from"), t("to")}},
    {"DeleteFilesAction",
     action<DeleteFilesAction>([](DeleteFilesAction& r) {
         setText(r.pathPattern, "C:\\*.tmp");
         r.recurse = 1;
     }),
     nullptr, {3, 0, 1}, {t("C:\\*.tmp")}},
    {"RemoveOnUninstallAction", action<RemoveOnUninstallAction>([](RemoveOnUninstallAction& r) { setText(r.path, "log"); }),
     nullptr, {4, 0}, {t("log")}},
    {"ShortcutAction",
     action<ShortcutAction>([](ShortcutAction& r) {
         setText(r.target, "app.exe");
         setText(r.shortcutPath, "App.lnk");
         setText(r.arguments, "-x");
         setText(r.description, "The app");
         setText(r.iconPath, "app.ico");
         r.iconIndex = 2;
         r.hotKey = 0x0641;
     }),
     nullptr, {5, 0, 1, 2, 3, 4, 2, 0x0641}, {t("app.exe"), t("App.lnk"), t("-x"), t("The app"), t("app.ico")}},
    {"SetRegStringAction",
     action<SetRegStringAction>([](SetRegStringAction& r) {
         registryValue(r);
         setText(r.data, "1.0");
     }),
     nullptr, {6, 0x80000002, 0, 1, 2}, plus(kRegistryPool, t("1.0"))},
    {"SetRegDwordAction",
     action<SetRegDwordAction>([](SetRegDwordAction& r) {
         registryValue(r);
         r.data = 42;
     }),
     nullptr, {7, 0x80000002, 0, 1, 42}, kRegistryPool},
    {"DeleteRegValueAction", action<DeleteRegValueAction>([](DeleteRegValueAction& r) { registryValue(r); }), nullptr,
     {8, 0x80000002, 0, 1}, kRegistryPool},
    {"RunAction", action<RunAction>([](RunAction& r) { startProgram(r); }), nullptr, {9, 0, 1, 3},
     {t("app.exe"), t("C:\\App")}},
    {"RunAtFinishAction", action<RunAtFinishAction>([](RunAtFinishAction& r) { startProgram(r); }), nullptr,
     {10, 0, 1, 3}, {t("app.exe"), t("C:\\App")}},
    {"RunAndWaitAction", action<RunAndWaitAction>([](RunAndWaitAction& r) { programStep(r); }), nullptr,
     {11, 0, 1, 2, 7}, kProgramPool},
    {"RunOnUninstallAction", action<RunOnUninstallAction>([](RunOnUninstallAction& r) { programStep(r); }), nullptr,
     {12, 0, 1, 2, 7}, kProgramPool},
    {"CallLibraryAction", action<CallLibraryAction>([](CallLibraryAction& r) { libraryStep(r); }), nullptr,
     {13, 0, 1, 2, 3}, kLibraryPool},
    {"CallLibraryOnUninstallAction",
     action<CallLibraryOnUninstallAction>([](CallLibraryOnUninstallAction& r) { libraryStep(r); }), nullptr,
     {14, 0, 1, 2, 3}, kLibraryPool},

    {"RemoveFolderUndo", nullptr, undo<RemoveFolderUndo>([](RemoveFolderUndo& r) { setText(r.path, "C:\\App"); }),
     {1, 0}, {t("C:\\App")}},
    {"DeleteFileUndo", nullptr,
     undo<DeleteFileUndo>([](DeleteFileUndo& r) {
         setText(r.path, "C:\\App\\a.txt");
         r.reportFailure = 1;
     }),
     {2, 0, 1}, {t("C:\\App\\a.txt")}},
    {"DeleteShortcutUndo", nullptr, undo<DeleteShortcutUndo>([](DeleteShortcutUndo& r) { setText(r.path, "App.lnk"); }),
     {3, 0}, {t("App.lnk")}},
    {"DeleteRegValueUndo", nullptr, undo<DeleteRegValueUndo>([](DeleteRegValueUndo& r) { registryValue(r); }),
     {4, 0x80000002, 0, 1}, kRegistryPool},
    {"RunProgramUndo", nullptr, undo<RunProgramUndo>([](RunProgramUndo& r) { programStep(r); }), {5, 0, 1, 2, 7},
     kProgramPool},
    {"CallLibraryUndo", nullptr, undo<CallLibraryUndo>([](CallLibraryUndo& r) { libraryStep(r); }), {6, 0, 1, 2, 3},
     kLibraryPool},
};
// clang-format on

class RecordBytes : public testing::TestWithParam<RecordCase> {};

TEST_P(RecordBytes, WritesItsKindThenItsFieldsInStreamOrderAndReadsThemBack)
{
    const RecordCase& c = GetParam();
    std::string expected = blockOf(c.stream, c.pool);
    if (c.action) {
        std::unique_ptr<Action> record(c.action());
        EXPECT_STREQ(record->className(), c.name);
        EXPECT_EQ(bytesWritten(*record), expected);
        EXPECT_EQ(bytesReadAndWritten<Action>(expected, createAction), expected);
    } else {
        std::unique_ptr<UndoEntry> record(c.undo());
        EXPECT_STREQ(record->className(), c.name);
        EXPECT_EQ(bytesWritten(*record), expected);
        EXPECT_EQ(bytesReadAndWritten<UndoEntry>(expected, createUndoEntry), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, RecordBytes, testing::ValuesIn(kRecordCases),
                         [](const testing::TestParamInfo<RecordCase>& info) { return std::string(info.param.name); });

// 0, 1, ..., count - 1: a stream whose fields each name a new item.
std::vector<uint32_t> indices(uint32_t count)
{
    std::vector<uint32_t> out;
    for (uint32_t i = 0; i < count; ++i)
        out.push_back(i);
    return out;
}

template <typename Script, typename Write>
std::string scriptBytes(const Script& script, Write write)
{
    return asString(flattenedWith(script, write));
}

// Gives every item its own name as its value (a banner "info" and "bits"),
// so the bytes show the order the field list writes them in.
template <typename Script>
void nameEveryItem(Script& s)
{
    forEachByteField(s, [](const char* name, Bytes& item) { setText(item, name); });
    s.bannerInfo = bytesOf("info");
    s.bannerBits = bytesOf("bits");
}

void nameTexts(ActionScriptTexts& s)
{
    forEachByteField(s, [](const char* name, Bytes& item) { setText(item, name); });
    s.uninstallKeyName = bytesOf(std::string("Key\0\0", 5));
    s.uninstallValues = bytesOf(std::string("DisplayName\0Sample\0\0", 20));
}

const std::vector<std::string> kActionTextItems = {
    t("previousVersionText"),
    t("removingPreviousText"),
    t("progressHint"),
    t("readyToInstallHint"),
    t("readyToRemoveHint"),
    t("successText"),
    t("failureText"),
    t("finishHint"),
    t("filesStepCaption"),
    std::string("Key\0\0", 5),
    std::string("DisplayName\0Sample\0\0", 20),
    t("uninstallerPath"),
    t("uninstallTitle"),
    t("uninstallWelcomeText"),
    t("uninstallSuccessText"),
    t("removeFilesStepCaption"),
    t("uninstallFailureText"),
};

TEST(ScriptBytes, InstallScriptHoldsItsTwentyItemsInStreamOrder)
{
    InstallScript s;
    nameEveryItem(s);
    s.infoSwitches =
        bytesOf(std::string("-version\0"
                            "1.0\0\0",
                            14));
    std::string expected = blockOf(indices(20), {t("title"),
                                                 "info",
                                                 "bits",
                                                 t("backText"),
                                                 t("nextText"),
                                                 t("installText"),
                                                 t("removeText"),
                                                 t("finishText"),
                                                 t("cancelText"),
                                                 t("componentsLabel"),
                                                 t("programGroupLabel"),
                                                 t("defaultProgramGroup"),
                                                 t("folderLabel"),
                                                 t("defaultFolder"),
                                                 t("browseText"),
                                                 t("welcomeText"),
                                                 t("hintText"),
                                                 t("licenseText"),
                                                 t("licenseHint"),
                                                 std::string("-version\0"
                                                             "1.0\0\0",
                                                             14)});
    EXPECT_EQ(scriptBytes(s, serializeInstallScript), expected);
}

TEST(ScriptBytes, ActionScriptHoldsListComponentsTextsThenUpgradeRules)
{
    ActionScript s;
    s.mainActions.pageFlags = 3;
    RemoveOnUninstallAction* log = new RemoveOnUninstallAction;
    setText(log->path, "app.log");
    s.mainActions.actions.push(log);
    Component* c = new Component;
    c->placement = kPlacementFinishPage;
    c->offeredMask[0] = 0x10;
    c->changeableMask[0] = 0x20;
    c->defaultMask[0] = 0x30;
    c->offeredMask[1] = 0x40;
    c->changeableMask[1] = 0x50;
    c->defaultMask[1] = 0x60;
    setText(c->name, "Docs");
    setText(c->description, "Manuals");
    c->actions.pageFlags = 2;
    s.components.push(c);
    nameTexts(s);
    s.upgradeRules = kUpgradeAllowDowngrade;

    std::vector<uint32_t> stream = {
        3, 1, 4,    0,    0,                       // main list: flags, one RemoveOnUninstallAction, end
        1, 2, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60,  // a component: placement, 32-bit then 64-bit masks
        1, 2,                                      // its name and description
        2, 0,                                      // its empty list
        0,                                         // end of components
    };
    for (uint32_t i = 3; i < 3 + 17; ++i)
        stream.push_back(i);
    stream.push_back(kUpgradeAllowDowngrade);  // in the stream behind the texts' indices
    std::vector<std::string> pool = {t("app.log"), t("Docs"), t("Manuals")};
    pool.insert(pool.end(), kActionTextItems.begin(), kActionTextItems.end());
    EXPECT_EQ(scriptBytes(s, serializeActionScript), blockOf(stream, pool));
}

TEST(ScriptBytes, UninstallScriptHoldsItsEighteenItemsThenItsEntries)
{
    UninstallScript s;
    nameEveryItem(s);
    RemoveFolderUndo* folder = new RemoveFolderUndo;
    setText(folder->path, "C:\\App");
    s.undoLog.push(folder);

    std::vector<uint32_t> stream = indices(18);
    for (uint32_t value : {1u, 1u, 18u, 0u})  // marker, RemoveFolderUndo, its path, end
        stream.push_back(value);
    std::string expected =
        blockOf(stream, {t("title"), "info", "bits", t("backText"), t("nextText"), t("removeText"), t("finishText"),
                         t("cancelText"), t("welcomeText"), t("hintText"), t("removeFilesStepCaption"),
                         t("progressHint"), t("readyToRemoveHint"), t("successText"), t("failureText"), t("finishHint"),
                         t("uninstallKeyName"), t("uninstallerPath"), t("C:\\App")});
    EXPECT_EQ(scriptBytes(s, writeUninstallScript), expected);
}

}  // namespace
