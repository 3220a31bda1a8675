// The component page's list: which components become entries and what they
// carry, what a toggle may change, and where an entry's square and name lie.
#include "wizard/component_entries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr uint32_t kXp = 0x20;
constexpr uint32_t kWin7 = 0x80;

Component* component(uint32_t placement, uint32_t offered32, uint32_t changeable32, const char* description = "")
{
    Component* made = new Component;
    made->placement = placement;
    made->offeredMask[0] = offered32;
    made->changeableMask[0] = changeable32;
    made->description.assignText(description);
    return made;
}

// The item data of every component on one system; kNoEntry for those the
// list leaves out.
constexpr uint32_t kNoEntry = 0xFFFFFFFFu;

std::vector<uint32_t> entries(const ActionScript& script, uint32_t isWow64, uint32_t osClass)
{
    std::vector<uint32_t> out;
    for (uint32_t p = 0; p < script.components.count(); ++p) {
        uint32_t itemData = kNoEntry;
        if (!componentEntryData(*script.components[p], p, isWow64, osClass, &itemData))
            itemData = kNoEntry;
        out.push_back(itemData);
    }
    return out;
}

TEST(ComponentEntries, ItemDataIsThePositionAmongAllComponentsWithTheTopBitForChangeable)
{
    ActionScript script;
    ASSERT_TRUE(script.components.push(component(kPlacementList, kXp | kWin7, kWin7)));
    ASSERT_TRUE(script.components.push(component(kPlacementFolderPage, kWin7, kWin7)));
    ASSERT_TRUE(script.components.push(component(kPlacementList, kXp, 0)));
    ASSERT_TRUE(script.components.push(component(kPlacementFinishPage, kWin7, kWin7)));
    ASSERT_TRUE(script.components.push(component(kPlacementList, kWin7, kXp)));
    Component* only64 = component(kPlacementList, 0, 0);
    only64->offeredMask[1] = kWin7;
    only64->changeableMask[1] = kWin7;
    ASSERT_TRUE(script.components.push(only64));

    // Positions count every component, listed or not, so an entry after an
    // unlisted one still names its own component.
    EXPECT_EQ(entries(script, 0, kWin7),
              (std::vector<uint32_t>{0x80000000u, kNoEntry, kNoEntry, kNoEntry, 4, kNoEntry}));
    EXPECT_EQ(entries(script, 0, kXp), (std::vector<uint32_t>{0, kNoEntry, 2, kNoEntry, kNoEntry, kNoEntry}));
    // 64-bit Windows reads the second masks.
    EXPECT_EQ(entries(script, 1, kWin7),
              (std::vector<uint32_t>{kNoEntry, kNoEntry, kNoEntry, kNoEntry, kNoEntry, 0x80000005u}));
}

TEST(ComponentEntries, OnlyChangeableEntriesWithinTheSelectionToggle)
{
    uint8_t selected[] = {1, 0, 1};
    EXPECT_TRUE(toggleEntrySelection(0x80000001u, selected, 3));
    EXPECT_TRUE(entrySelected(0x80000001u, selected, 3));
    EXPECT_TRUE(toggleEntrySelection(0x80000001u, selected, 3));
    EXPECT_FALSE(entrySelected(0x80000001u, selected, 3));
    // Fixed: stays selected, whatever the user tries.
    EXPECT_FALSE(toggleEntrySelection(2, selected, 3));
    EXPECT_TRUE(entrySelected(2, selected, 3));
    // A position outside the selection is neither read nor written.
    EXPECT_FALSE(toggleEntrySelection(0x80000003u, selected, 3));
    EXPECT_FALSE(entrySelected(0x80000003u, selected, 3));
    EXPECT_FALSE(toggleEntrySelection(0x80000000u, nullptr, 3));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(selected), 3), std::string("\1\0\1", 3));
}

TEST(ComponentEntries, DescriptionFollowsThePositionAndIsEmptyPastTheEnd)
{
    ActionScript script;
    ASSERT_TRUE(script.components.push(component(kPlacementList, kWin7, kWin7, "first")));
    ASSERT_TRUE(script.components.push(component(kPlacementList, kWin7, kWin7, "second")));
    EXPECT_STREQ(entryDescription(script, 0x80000001u), "second");
    EXPECT_STREQ(entryDescription(script, 2), "");
    // A list that answers with an error gives all bits set.
    EXPECT_STREQ(entryDescription(script, 0xFFFFFFFFu), "");
}

TEST(ComponentEntries, SquareSitsOnePixelInWithTheEntryHeightLessTwoAndTheNameFollowsIt)
{
    const EntryBox entry = {0, 32, 200, 48};  // the third entry, 16 pixels high
    EntryBox square = checkSquareOf(entry);
    EXPECT_EQ(square.left, 1);
    EXPECT_EQ(square.top, 33);
    EXPECT_EQ(square.right, 15);
    EXPECT_EQ(square.bottom, 47);
    // A quarter of the shrunk height, 14 / 4, between square and name.
    EntryBox text = entryTextOf(entry);
    EXPECT_EQ(text.left, 18);
    EXPECT_EQ(text.top, 33);
    EXPECT_EQ(text.right, 199);
    EXPECT_EQ(text.bottom, 47);
    EXPECT_EQ(entryTextOf({0, 0, 200, 19}).left, 1 + 17 + 17 / 4);

    // A press counts within the square's edges, the right and bottom ones
    // excluded as in every rectangle of Windows.
    EXPECT_TRUE(square.contains(1, 33) && square.contains(14, 46));
    EXPECT_FALSE(square.contains(15, 40) || square.contains(8, 47) || square.contains(0, 40));
}

}  // namespace
