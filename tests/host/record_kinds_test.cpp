// The lists of format/record_kinds.h against what is made from them: the
// factories, the class names, the builder's manifest names, and the field
// limits the builder holds a manifest to.
#include "builder_test_support.h"

#include "builder/manifest/readable_names.h"
#include "format/action.h"
#include "format/field_limits.h"
#include "format/host/record_only.h"
#include "format/undo_entry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

struct ListedAction {
    uint32_t code;
    const char* className;
    const char* manifestName;
    uint8_t stage;
    uint8_t captionRule;
};

#define SLIPWAY_LISTED(code, Class, name, stage, caption) {code, #Class, name, stage, caption},
const ListedAction kListedActions[] = {SLIPWAY_ACTION_KINDS(SLIPWAY_LISTED)};
#undef SLIPWAY_LISTED

// Every manifest name reads as the kind whose class the list names, and the
// factory makes that class with the listed stage.
TEST(RecordKinds, EveryManifestNameMakesTheListedClass)
{
    ASSERT_EQ(sizeof kListedActions / sizeof kListedActions[0], 14u);
    for (const ListedAction& listed : kListedActions) {
        uint32_t code = 0;
        ASSERT_TRUE(lookupName(kActionKindNames, listed.manifestName, code)) << listed.manifestName;
        EXPECT_EQ(code, listed.code) << listed.manifestName;
        std::unique_ptr<Action> action = createAction(code);
        ASSERT_NE(action, nullptr) << listed.className;
        EXPECT_STREQ(action->className(), listed.className);
        EXPECT_EQ(action->kind(), listed.code);
        EXPECT_EQ(action->stage(), listed.stage) << listed.className;
    }
    EXPECT_EQ(createAction(kActionKindCount + 1), nullptr);
}

// A caption read from a manifest is kept as written for the install's own
// step row, and checked against the uninstaller's buffer for an uninstall
// step, which expands it there.
TEST(RecordKinds, CaptionRuleDecidesHowTheManifestCaptionIsRead)
{
    const std::string longCaption(kUndoCaptionSize, 'c');  // one past the uninstaller's buffer
    for (const char* kind : {"run_and_wait", "run_on_uninstall"}) {
        ManifestFolder folder;
        Manifest manifest;
        std::string report;
        bool read = readManifestFrom(folder,
                                     productTable() + "[[actions]]\nkind = \"" + kind +
                                         "\"\ncommand = \"\\\"C:\\\\a.exe\\\"\"\ncaption = \"" + longCaption + "\"\n",
                                     manifest, report);
        uint32_t code = 0;
        ASSERT_TRUE(lookupName(kActionKindNames, kind, code));
        EXPECT_EQ(read, kActionCaptionRules[code] == kInstallStepCaption) << kind << ": " << report;
    }
}

// Rollback-only kinds have a class name and are never made from a code; the
// stored kinds are.
TEST(RecordKinds, OnlyStoredUndoKindsAreMadeFromACode)
{
    for (uint32_t code = 1; code <= kUndoKindCount; ++code) {
        std::unique_ptr<UndoEntry> entry(createUndoEntry(code));
        bool stored = (kStoredUndoKinds >> code & 1) != 0;
        EXPECT_EQ(entry != nullptr, stored) << kUndoClassNames[code];
        if (entry) {
            EXPECT_EQ(entry->kind(), code);
            EXPECT_FALSE(entry->isRollbackOnly());
        }
    }
    RegistryRollback registry;
    RestoreFileRollback file;
    EXPECT_STREQ(registry.className(), "RegistryRollback");
    EXPECT_STREQ(file.className(), "RestoreFileRollback");
    EXPECT_TRUE(registry.isRollbackOnly() && file.isRollbackOnly());
    EXPECT_TRUE(registry.isReversal() && file.isReversal());
    EXPECT_EQ(createUndoEntry(registry.kind()), nullptr);
    EXPECT_EQ(createUndoEntry(0), nullptr);
}

// Nothing about a kind is virtual: its execute, undo and commit are reached
// by its code. Every kind reaches its own class's code with the record
// itself (the host's code hands it to the stand-in), and an owner of the
// base deletes rollback-only entries as their own class too (the leak check
// sees a field left behind).
TEST(RecordKinds, EveryKindIsCarriedOutAndDeletedAsItsOwnClass)
{
    static std::vector<std::pair<const void*, uint32_t>> reached;
    static const RecordStandIn kSeen = {
        [](Action& action, ExecutionContext&) {
            reached.emplace_back(&action, action.kind());
            return true;
        },
        [](UndoEntry& entry, ExecutionContext&) {
            reached.emplace_back(&entry, entry.kind());
            return uint32_t(kUndoContinue);
        },
        [](UndoEntry& entry) { reached.emplace_back(&entry, entry.kind() + 100); },
    };
    recordStandIn = &kSeen;
    ExecutionContext context;
    for (uint32_t code = 1; code <= kActionKindCount; ++code) {
        std::unique_ptr<Action> action = createAction(code);
        reached.clear();
        EXPECT_TRUE(action->execute(context));
        EXPECT_EQ(reached, (decltype(reached){{action.get(), code}})) << kActionClassNames[code];
    }
    UndoLog log;
    RestoreFileRollback* file = log.pushNew<RestoreFileRollback>();
    RegistryRollback* registry = log.pushNew<RegistryRollback>();
    ASSERT_TRUE(file && registry);
    EXPECT_TRUE(file->path.assignText("C:\\App\\settings.ini") && file->keptCopy.assignText("C:\\App\\kept.ini"));
    EXPECT_TRUE(registry->subKey.assignText("Software\\Vendor") && registry->data.assignText("old value"));
    for (uint32_t code = 1; code <= kUndoKindCount; ++code)
        if (UndoEntry* entry = createUndoEntry(code))
            log.append(entry);
    for (UndoEntry* entry = log.first(); entry; entry = entry->next) {
        reached.clear();
        EXPECT_EQ(entry->undo(context), uint32_t(kUndoContinue));
        entry->commit();
        // Only the kept file has anything to let go of at the end.
        decltype(reached) expected{{entry, entry->kind()}};
        if (entry == file)
            expected.emplace_back(entry, entry->kind() + 100);
        EXPECT_EQ(reached, expected) << entry->className();
    }
    recordStandIn = nullptr;
    // Without the stand-in the host refuses every kind.
    EXPECT_FALSE(createAction(1)->execute(context));
    EXPECT_EQ(log.first()->undo(context), uint32_t(kUndoFailed));
    log.clear();
}

// The builder lets through exactly what the stub's buffer holds.
TEST(FieldLimits, RegistryTextFillsTheStubsBufferAndNoMore)
{
    for (size_t length : {kRegistryDataSize - 1, kRegistryDataSize}) {
        ManifestFolder folder;
        Manifest manifest;
        std::string report;
        bool read = readManifestFrom(folder,
                                     productTable() +
                                         "[[actions]]\nkind = \"set_registry_value\"\ntype = \"string\"\n"
                                         "root = \"HKCU\"\nkey = \"Software\\\\Slipway\"\nvalue = \"" +
                                         std::string(length, 'v') + "\"\n",
                                     manifest, report);
        EXPECT_EQ(read, length < kRegistryDataSize) << length << ": " << report;
    }
}

}  // namespace
