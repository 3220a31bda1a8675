// Block 1: the action script's reading and writing, kind by kind.
#include "engine_samples.h"
#include "test_packages.h"

#include "format/byte_cursor.h"
#include "format/action_script.h"
#include "format/byte_sink.h"

#include <gtest/gtest.h>

#include <memory>

using samples::fieldsOf;
using samples::stringOf;
using samples::text;

namespace {

// A cursor is too large for the stack of a test thread.
bool readScript(const Bytes& block, ActionScript& out, bool* atStreamEnd = nullptr)
{
    std::unique_ptr<ByteCursor> cursor(new ByteCursor);
    if (!cursor->attach(block.data(), block.size()))
        return false;
    bool ok = readActionScript(*cursor, out);
    if (atStreamEnd)
        *atStreamEnd = cursor->atStreamEnd();
    return ok;
}

bool readList(const Bytes& block, ActionList& out, bool* atStreamEnd = nullptr)
{
    std::unique_ptr<ByteCursor> cursor(new ByteCursor);
    if (!cursor->attach(block.data(), block.size()))
        return false;
    bool ok = readActionList(*cursor, out);
    if (atStreamEnd)
        *atStreamEnd = cursor->atStreamEnd();
    return ok;
}

Bytes flattened(ByteSink& sink)
{
    Bytes block;
    EXPECT_TRUE(sink.flatten(block));
    return block;
}

Bytes serializedList(const ActionList& list)
{
    ByteSink sink;
    EXPECT_TRUE(serializeActionList(list, sink));
    return flattened(sink);
}

void expectSameActions(const ActionList& expected, const ActionList& actual)
{
    EXPECT_EQ(actual.pageFlags, expected.pageFlags);
    ASSERT_EQ(actual.actions.count(), expected.actions.count());
    for (uint32_t i = 0; i < expected.actions.count(); ++i)
        EXPECT_EQ(fieldsOf(*actual.actions[i]), fieldsOf(*expected.actions[i])) << "action " << i;
}

}  // namespace

// ------------------------------------------------------------ whole scripts

TEST(ActionScriptRoundTrip, EveryKindComponentAndTextReadsBack)
{
    ActionScript written;
    samples::fillEveryKind(written);
    Bytes block = samples::serializedActionBlock(written);
    ASSERT_FALSE(block.isNull());

    ActionScript read;
    bool atStreamEnd = false;
    ASSERT_TRUE(readScript(block, read, &atStreamEnd));
    EXPECT_TRUE(atStreamEnd);
    expectSameActions(written.mainActions, read.mainActions);
    ASSERT_EQ(read.components.count(), 2u);
    for (uint32_t c = 0; c < 2; ++c) {
        const Component& expected = *written.components[c];
        const Component& actual = *read.components[c];
        EXPECT_EQ(actual.placement, expected.placement);
        for (int w = 0; w < 2; ++w) {
            EXPECT_EQ(actual.offeredMask[w], expected.offeredMask[w]);
            EXPECT_EQ(actual.changeableMask[w], expected.changeableMask[w]);
            EXPECT_EQ(actual.defaultMask[w], expected.defaultMask[w]);
        }
        EXPECT_EQ(stringOf(actual.name), stringOf(expected.name));
        EXPECT_EQ(stringOf(actual.description), stringOf(expected.description));
        expectSameActions(expected.actions, actual.actions);
    }
    auto readTexts = byteFieldsOf(static_cast<const ActionScriptTexts&>(read));
    auto writtenTexts = byteFieldsOf(static_cast<const ActionScriptTexts&>(written));
    ASSERT_EQ(readTexts.size(), 17u);
    for (size_t i = 0; i < readTexts.size(); ++i)
        EXPECT_EQ(stringOf(*readTexts[i].second), stringOf(*writtenTexts[i].second)) << readTexts[i].first;
    EXPECT_EQ(read.upgradeRules, kUpgradeAllowDowngrade);
}

TEST(ActionScriptRoundTrip, ReserializingGivesTheSameBytes)
{
    ActionScript written;
    samples::fillEveryKind(written);
    Bytes block = samples::serializedActionBlock(written);
    ActionScript read;
    ASSERT_TRUE(readScript(block, read));
    Bytes again = samples::serializedActionBlock(read);
    EXPECT_EQ(stringOf(again), stringOf(block));
}

TEST(ActionScriptRoundTrip, ScriptWithoutActionsOrComponents)
{
    ActionScript written;
    samples::clearTexts(written);
    Bytes block = samples::serializedActionBlock(written);
    // pageFlags, end of list, end of components, 17 indices, all of one
    // empty text, and the upgrade rules.
    EXPECT_EQ(loadU32(block.data()), 4u * (3 + 17 + 1));
    ActionScript read;
    read.upgradeRules = 0xFFFFFFFF;
    ASSERT_TRUE(readScript(block, read));
    EXPECT_EQ(read.mainActions.actions.count(), 0u);
    EXPECT_EQ(read.components.count(), 0u);
    EXPECT_EQ(read.uninstallerPath.size(), 1u);
    EXPECT_EQ(read.upgradeRules, 0u);
}

// ------------------------------------------------------------ each kind

class ActionKind : public ::testing::TestWithParam<uint32_t> {};

TEST_P(ActionKind, ReadsBackByteIdentical)
{
    uint32_t kind = GetParam();
    ActionList written;
    written.pageFlags = 2;
    written.actions.push(samples::filledAction(kind, kind + 20));
    Bytes block = serializedList(written);
    // pageFlags, marker, kind code: the kind's fields follow its code.
    EXPECT_EQ(loadU32(block.data() + 4 + 8), kind);

    ActionList read;
    bool atStreamEnd = false;
    ASSERT_TRUE(readList(block, read, &atStreamEnd));
    EXPECT_TRUE(atStreamEnd);
    ASSERT_EQ(read.actions.count(), 1u);
    EXPECT_EQ(read.actions[0]->kind(), kind);
    EXPECT_EQ(fieldsOf(*read.actions[0]), fieldsOf(*written.actions[0]));
    EXPECT_EQ(stringOf(serializedList(read)), stringOf(block));
}

TEST_P(ActionKind, FactoryMakesTheKindWithItsStage)
{
    // Stage per kind code 1 to 14: files, folders, shortcuts and registry
    // first; programs and libraries after; RunAtFinishAction from the finish page.
    static const uint32_t kStages[15] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 1, 1, 1, 1};
    uint32_t kind = GetParam();
    std::unique_ptr<Action> action(createAction(kind));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->kind(), kind);
    EXPECT_EQ(action->stage(), kStages[kind]);
}

INSTANTIATE_TEST_SUITE_P(AllFourteen, ActionKind, ::testing::Range(1u, 15u));

TEST(ActionKinds, OnlyRunAndWaitAndCallLibraryHaveCaptions)
{
    for (uint32_t kind = 1; kind <= 14; ++kind) {
        std::unique_ptr<Action> action(samples::filledAction(kind, 3));
        bool captioned = kind == RunAndWaitAction::kKind || kind == CallLibraryAction::kKind;
        EXPECT_EQ(action->caption() != nullptr, captioned) << action->className();
    }
    RunAndWaitAction silent;
    silent.stepCaption = text("");
    EXPECT_EQ(silent.caption(), nullptr);
    CallLibraryAction named;
    named.stepCaption = text("Registering");
    EXPECT_STREQ(named.caption(), "Registering");
}

TEST(ActionKinds, CodesOutsideOneToFourteenMakeNothing)
{
    EXPECT_EQ(createAction(0), nullptr);
    EXPECT_EQ(createAction(15), nullptr);
    EXPECT_EQ(createAction(0xFFFFFFFF), nullptr);
}

// ------------------------------------------------------------ the stream

TEST(ActionListStream, UnknownKindCodesAreSkippedWithoutFields)
{
    ByteSink sink;
    sink.appendU32(3);  // pageFlags
    for (uint32_t unknown : {0u, 15u, 0xFFFFFFFFu}) {
        sink.appendU32(1);
        sink.appendU32(unknown);
    }
    sink.appendU32(1);
    sink.appendU32(RemoveOnUninstallAction::kKind);
    sink.addText("kept.txt");
    sink.appendU32(1);
    sink.appendU32(99);
    sink.appendU32(0);
    Bytes block = flattened(sink);

    ActionList list;
    bool atStreamEnd = false;
    ASSERT_TRUE(readList(block, list, &atStreamEnd));
    EXPECT_TRUE(atStreamEnd);
    EXPECT_EQ(list.pageFlags, 3u);
    ASSERT_EQ(list.actions.count(), 1u);
    ASSERT_EQ(list.actions[0]->kind(), RemoveOnUninstallAction::kKind);
    EXPECT_STREQ(static_cast<RemoveOnUninstallAction*>(list.actions[0])->path.text(), "kept.txt");
}

TEST(ActionListStream, ListWithoutActionsKeepsItsPageFlags)
{
    ByteSink sink;
    sink.appendU32(kPageFlagProgramGroup);
    sink.appendU32(0);
    ActionList list;
    ASSERT_TRUE(readList(flattened(sink), list));
    EXPECT_EQ(list.pageFlags, kPageFlagProgramGroup);
    EXPECT_EQ(list.actions.count(), 0u);
}

TEST(ActionListStream, SixteenBitFieldsKeepTheLowHalf)
{
    ByteSink sink;
    sink.appendU32(0);
    sink.appendU32(1);
    sink.appendU32(RunAction::kKind);
    sink.addText("notepad.exe");
    sink.addText("");
    sink.appendU32(0x10005);  // show
    sink.appendU32(0);
    ActionList list;
    ASSERT_TRUE(readList(flattened(sink), list));
    ASSERT_EQ(list.actions.count(), 1u);
    EXPECT_EQ(static_cast<RunAction*>(list.actions[0])->show, 5);
}

TEST(ActionListStream, EqualBlobsShareOnePoolItem)
{
    auto itemsFor = [](const std::string& second) {
        ActionList list;
        list.actions.push(samples::writeFile("a.txt", "same contents"));
        list.actions.push(samples::writeFile("b.txt", second));
        ByteSink sink;
        serializeActionList(list, sink);
        return sink.itemCount();
    };
    EXPECT_EQ(itemsFor("same contents"), 3u);
    EXPECT_EQ(itemsFor("other contents"), 4u);
}

// ------------------------------------------------------------ damage

TEST(ActionScriptDamage, EveryShortenedRecordStreamIsRefused)
{
    ActionScript written;
    samples::fillEveryKind(written);
    ByteSink sink;
    ASSERT_TRUE(serializeActionScript(written, sink));
    Bytes whole = flattened(sink);
    uint32_t streamLength = loadU32(whole.data());
    // Shorten the stream by whole u32 values; the pool stays behind it, so
    // what the reader misses is the end of the stream itself.
    for (uint32_t cut = 4; cut <= streamLength; cut += 4) {
        std::string bytes = stringOf(whole);
        storeU32(reinterpret_cast<uint8_t*>(&bytes[0]), streamLength - cut);
        bytes.erase(4 + streamLength - cut, cut);
        Bytes shortened;
        shortened.assign(bytes.data(), bytes.size());
        ActionScript read;
        EXPECT_FALSE(readScript(shortened, read)) << "stream cut by " << cut << " bytes";
    }
}

TEST(ActionScriptDamage, IndexPastThePoolIsRefused)
{
    for (uint32_t index : {1u, 2u, 16383u, 16384u, 0xFFFFFFFFu}) {
        ByteSink sink;
        sink.appendU32(0);
        sink.appendU32(1);
        sink.appendU32(RemoveOnUninstallAction::kKind);
        sink.appendU32(index);
        sink.appendU32(0);
        sink.addText("the only item");
        ActionList list;
        EXPECT_FALSE(readList(flattened(sink), list)) << "index " << index;
    }
}

TEST(ActionScriptDamage, ItemLengthRunningPastTheBlockIsRefused)
{
    ByteSink sink;
    sink.appendU32(0);
    sink.appendU32(1);
    sink.appendU32(RemoveOnUninstallAction::kKind);
    sink.addText("file.txt");
    sink.appendU32(0);
    Bytes block = flattened(sink);
    // The only item's length field sits right behind the record stream.
    uint8_t* length = block.data() + 4 + loadU32(block.data());
    storeU32(length, loadU32(length) + 1);
    ActionList list;
    EXPECT_FALSE(readList(block, list));
}

TEST(ActionScriptDamage, StreamLengthBeyondTheBlockIsRefused)
{
    Bytes block = samples::literal("\x10\0\0\0\0\0\0\0");
    ActionScript read;
    EXPECT_FALSE(readScript(block, read));
}
