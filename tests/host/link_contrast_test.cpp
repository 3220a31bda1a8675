// The link colour rule: the system's hot-tracking colour where it reads on
// the page, a standard link blue where it does not.
#include "linkstatic/link_contrast.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t rgb(uint32_t red, uint32_t green, uint32_t blue)
{
    return red | green << 8 | blue << 16;
}

// Wine's own scheme: hot-tracking 224 224 224 on its dialog greys.
const uint32_t kWineHotTracking = rgb(224, 224, 224);
const uint32_t kWineDialog = rgb(240, 240, 240);
const uint32_t kWineLightDialog = rgb(245, 245, 245);
// Windows' schemes: the hot-tracking blue of XP and later, the navy of
// 2000's classic scheme, and their dialog greys.
const uint32_t kWindowsHotTracking = rgb(0, 102, 204);
const uint32_t kClassicHotTracking = rgb(0, 0, 128);
const uint32_t kClassicDialog = rgb(212, 208, 200);
const uint32_t kWhite = rgb(255, 255, 255);
const uint32_t kBlack = 0;
const uint32_t kDarkDialog = rgb(32, 32, 32);

TEST(LinkContrast, AColourTooCloseToTheLightPageBecomesTheLinkBlue)
{
    EXPECT_FALSE(isReadableOn(kWineHotTracking, kWineDialog));
    EXPECT_EQ(readableLinkColour(kWineHotTracking, kWineDialog), kLinkBlueOnLight);
    EXPECT_EQ(readableLinkColour(kWineHotTracking, kWineLightDialog), kLinkBlueOnLight);
    EXPECT_EQ(readableLinkColour(kWineHotTracking, kWhite), kLinkBlueOnLight);
    // The page's own colour, and a yellow on white, are no link colours.
    EXPECT_EQ(readableLinkColour(kWineDialog, kWineDialog), kLinkBlueOnLight);
    EXPECT_EQ(readableLinkColour(rgb(255, 255, 0), kWhite), kLinkBlueOnLight);
}

TEST(LinkContrast, TheSchemesOwnReadableColoursAreKept)
{
    for (uint32_t page : {kWineDialog, kWineLightDialog, kClassicDialog, kWhite}) {
        SCOPED_TRACE(page);
        EXPECT_EQ(readableLinkColour(kWindowsHotTracking, page), kWindowsHotTracking);
        EXPECT_EQ(readableLinkColour(kClassicHotTracking, page), kClassicHotTracking);
        // The green of links with a tip, and plain black.
        EXPECT_EQ(readableLinkColour(rgb(0, 130, 0), page), rgb(0, 130, 0));
        EXPECT_EQ(readableLinkColour(kBlack, page), kBlack);
    }
    EXPECT_EQ(readableLinkColour(kLinkBlueOnLight, kWineDialog), kLinkBlueOnLight);
}

TEST(LinkContrast, DarkPagesGetTheLightBlueAndKeepLightLinks)
{
    EXPECT_EQ(readableLinkColour(kClassicHotTracking, kDarkDialog), kLinkBlueOnDark);
    EXPECT_EQ(readableLinkColour(kClassicHotTracking, kBlack), kLinkBlueOnDark);
    EXPECT_EQ(readableLinkColour(rgb(40, 40, 40), kDarkDialog), kLinkBlueOnDark);
    // Wine's grey reads on a dark page, and so does the light blue.
    EXPECT_EQ(readableLinkColour(kWineHotTracking, kDarkDialog), kWineHotTracking);
    EXPECT_EQ(readableLinkColour(kLinkBlueOnDark, kBlack), kLinkBlueOnDark);
}

TEST(LinkContrast, AnUnreadableColourOnAMiddleGreyTakesTheBlueThatStandsOutMore)
{
    // Greys either side of the point where the two blues stand out alike.
    EXPECT_EQ(readableLinkColour(rgb(140, 140, 140), rgb(140, 140, 140)), kLinkBlueOnLight);
    EXPECT_EQ(readableLinkColour(rgb(128, 128, 128), rgb(128, 128, 128)), kLinkBlueOnDark);
}

TEST(LinkContrast, TheThresholdIsThreeToOneEitherWayRound)
{
    // Greys just either side of 3:1 against white: 3.02 and 2.98 on the
    // rule's scale.
    EXPECT_TRUE(isReadableOn(rgb(139, 139, 139), kWhite));
    EXPECT_FALSE(isReadableOn(rgb(140, 140, 140), kWhite));
    // The ratio does not depend on which colour is the text.
    EXPECT_TRUE(isReadableOn(kWhite, rgb(139, 139, 139)));
    EXPECT_FALSE(isReadableOn(kWhite, rgb(140, 140, 140)));
    // The extremes stay within the arithmetic: 21:1.
    EXPECT_TRUE(isReadableOn(kBlack, kWhite));
    EXPECT_FALSE(isReadableOn(kWhite, kWhite));
    // Each channel counts with its own weight: pure blue is dark, pure
    // green light.
    EXPECT_TRUE(isReadableOn(rgb(0, 0, 255), kWhite));
    EXPECT_FALSE(isReadableOn(rgb(0, 255, 0), kWhite));
}

}  // namespace
