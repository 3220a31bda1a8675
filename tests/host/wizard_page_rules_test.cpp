// The install sequence's rules: which pages a run skips, where Next and
// Back lead, and the caption and hint that announce Next's page.
#include "wizard/page_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Counts the questions: the stub's search reads the registry and may take
// over the install folder, so how often it is asked matters.
class ScriptedSearch final : public EarlierInstallationSearch {
public:
    bool found() override
    {
        ++asked;
        return answer;
    }

    bool answer = false;
    int asked = 0;
};

Component* component(uint32_t placement, uint32_t offeredMask32, uint32_t pageFlags = 0)
{
    Component* made = new Component;
    made->placement = placement;
    made->offeredMask[0] = offeredMask32;
    made->actions.pageFlags = pageFlags;
    return made;
}

std::string textOf(const char* text)
{
    return text ? text : "(null)";
}

// A run that shows every page but the earlier-installation pages.
class PageRulesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        install.licenseText.assignText("Licence");
        install.installText.assignText("&Install");
        install.finishText.assignText("&Finish");
        install.hintText.assignText("Hint");
        actions.readyToInstallHint.assignText("Ready");
        actions.finishHint.assignText("Done");
        ASSERT_TRUE(actions.components.push(component(kPlacementList, 0x4)));
        facts = {&install, &actions, 0, 0x4, kPageFlagInstallFolder, "Installed.", false, &search};
    }

    bool skipped(InstallPage page) { return isPageSkipped(page, facts); }
    InstallPage next(InstallPage from) { return chooseNextPage(from, facts).page; }

    InstallScript install;
    ActionScript actions;
    ScriptedSearch search;
    SequenceFacts facts;
};

TEST_F(PageRulesTest, PagesAreSkippedWhenTheRunHasNothingForThem)
{
    for (InstallPage page : {InstallPage::License, InstallPage::Components, InstallPage::Folders, InstallPage::Finish})
        EXPECT_FALSE(skipped(page)) << int(page);
    install.licenseText.reset();
    EXPECT_TRUE(skipped(InstallPage::License));
    // The listed component is offered on 64-bit Windows only.
    actions.components[0]->offeredMask[0] = 0;
    actions.components[0]->offeredMask[1] = 0x4;
    EXPECT_TRUE(skipped(InstallPage::Components));
    facts.isWow64 = 1;
    EXPECT_FALSE(skipped(InstallPage::Components));
    facts.activePageFlags = ~(kPageFlagProgramGroup | kPageFlagInstallFolder);
    EXPECT_TRUE(skipped(InstallPage::Folders));
    // A folder-page component keeps the folder page, offered or not, and is
    // no entry of the component page.
    actions.components.clear();
    ASSERT_TRUE(actions.components.push(component(kPlacementFolderPage, 0x4)));
    EXPECT_FALSE(skipped(InstallPage::Folders));
    EXPECT_TRUE(skipped(InstallPage::Components));
    facts.finishPageText = "";
    EXPECT_TRUE(skipped(InstallPage::Finish));
    for (InstallPage page : {InstallPage::Welcome, InstallPage::Progress, InstallPage::End})
        EXPECT_FALSE(skipped(page)) << int(page);
}

TEST_F(PageRulesTest, EarlierInstallationPagesAskTheSearchEachTimeUnlessUninstallingIsOff)
{
    EXPECT_EQ(next(InstallPage::Components), InstallPage::Components);
    EXPECT_EQ(search.asked, 0) << "a walk that never reached the earlier-installation pages searched";
    EXPECT_EQ(next(InstallPage::PreviousVersion), InstallPage::Components);
    EXPECT_EQ(search.asked, 1);
    search.answer = true;
    EXPECT_EQ(next(InstallPage::PreviousVersion), InstallPage::PreviousVersion);
    facts.noUninstall = true;
    EXPECT_EQ(next(InstallPage::PreviousVersion), InstallPage::Components);
    EXPECT_EQ(search.asked, 2);
}

TEST_F(PageRulesTest, NextCaptionAndHintAnnounceThePageNextLeadsTo)
{
    const struct {
        InstallPage from, target;
        const char *caption, *hint;
    } cases[] = {
        {InstallPage::License, InstallPage::License, nullptr, "Hint"},
        {InstallPage::Progress, InstallPage::Progress, "&Install", "Ready"},
        {InstallPage::End, InstallPage::End, "&Finish", "Done"},
    };
    for (const auto& c : cases) {
        NextPageChoice choice = chooseNextPage(c.from, facts);
        EXPECT_EQ(choice.page, c.target);
        EXPECT_EQ(textOf(choice.nextCaption), textOf(c.caption)) << int(c.from);
        EXPECT_EQ(textOf(choice.hint), textOf(c.hint)) << int(c.from);
    }
    // Nothing left to ask or say: the caption follows the page reached.
    facts.activePageFlags = 0;
    EXPECT_EQ(textOf(chooseNextPage(InstallPage::Folders, facts).nextCaption), "&Install");
    facts.finishPageText = nullptr;
    EXPECT_EQ(textOf(chooseNextPage(InstallPage::Finish, facts).hint), "Done");
    // Before block 1 is loaded there are no action texts.
    facts.actions = nullptr;
    EXPECT_EQ(chooseNextPage(InstallPage::Progress, facts).hint, nullptr);
}

TEST_F(PageRulesTest, BackLeadsToTheNearestPageShown)
{
    EXPECT_EQ(chooseBackPage(InstallPage::License, facts), InstallPage::Welcome);
    search.answer = true;
    // The earlier-installation page changes nothing: going back to it is safe.
    EXPECT_EQ(chooseBackPage(InstallPage::Components, facts), InstallPage::PreviousVersion);
    EXPECT_EQ(search.asked, 1);
    search.answer = false;
    install.licenseText.reset();
    EXPECT_EQ(chooseBackPage(InstallPage::Folders, facts), InstallPage::Components);
    actions.components.clear();
    EXPECT_EQ(chooseBackPage(InstallPage::Folders, facts), InstallPage::Welcome);
}

TEST_F(PageRulesTest, ActivePageFlagsJoinTheMainListAndTheComponentsInUse)
{
    actions.components.clear();
    actions.mainActions.pageFlags = 0x10;
    for (uint32_t flag : {0x1u, 0x2u})
        ASSERT_TRUE(actions.components.push(component(kPlacementList, 0, flag)));
    ASSERT_TRUE(actions.components.push(component(kPlacementFolderPage, 0, 0x4)));
    ASSERT_TRUE(actions.components.push(component(kPlacementFinishPage, 0, 0x8)));
    // Listed components count when selected; a short selection leaves the
    // rest unselected.
    EXPECT_EQ(activePageFlags(actions, nullptr, 0), 0x1Cu);
    const uint8_t selected[] = {1, 1};
    EXPECT_EQ(activePageFlags(actions, selected, 1), 0x1Du);
}

}  // namespace
