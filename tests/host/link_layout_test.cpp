// The line layout of the formatted text control, on a font of fixed widths:
// 6 pixels a byte, lines 13 pixels high, tab stops every 48 pixels.
#include "linkstatic/link_layout.h"

#include "fixed_width_measurer.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

namespace {

constexpr int32_t kW = FixedWidthMeasurer::kCharWidth;
constexpr int32_t kH = FixedWidthMeasurer::kLineHeight;

const FixedWidthMeasurer measurer;

// A markup text laid out and split at its links within (0, 0, width, height).
struct Laid {
    std::vector<char> text;
    size_t length = 0;
    LinkInfo* links = nullptr;
    uint32_t linkCount = 0;
    LineLayout layout = {};
    int32_t height = 0;

    Laid(const std::string& markup, int32_t width, uint32_t style = kSsLeft, int32_t boundsHeight = -1,
         uint32_t uiState = 0)
        : text(markup.begin(), markup.end())
    {
        text.push_back(0);
        length = markup.size();
        links = parseLinkMarkup(text.data(), &length, &linkCount, nullptr);
        uint32_t flags = linkDrawFlags(style, uiState);
        height = layoutLines(&layout, measurer, FixedWidthMeasurer::metrics(), LayoutRect{0, 0, width, boundsHeight},
                             2 * linkCount, flags, text.data(), length);
        splitSegmentsAtLinks(&layout, measurer, flags, text.data(), links);
        EXPECT_LE(layout.count, layout.capacity);
    }
    ~Laid()
    {
        releaseLineLayout(&layout);
        releaseLinks(links);
    }

    // The text each segment draws, and the text each consumes.
    std::vector<std::string> shown() const
    {
        std::vector<std::string> parts;
        size_t offset = 0;
        for (uint32_t i = 0; i < layout.count; ++i) {
            parts.emplace_back(text.data() + offset, layout.segments[i].shownLength);
            offset += layout.segments[i].length;
        }
        return parts;
    }
    std::vector<uint32_t> lengths() const
    {
        std::vector<uint32_t> result;
        for (uint32_t i = 0; i < layout.count; ++i)
            result.push_back(layout.segments[i].length);
        return result;
    }
    const LayoutRect& rect(uint32_t i) const { return layout.segments[i].rect; }
    int32_t linkOf(uint32_t i) const { return layout.segments[i].link ? int32_t(layout.segments[i].link->index) : -1; }
};

using Parts = std::vector<std::string>;
using Lengths = std::vector<uint32_t>;

TEST(LinkStyles, OnlyTheTextTypesAreLaidOut)
{
    for (uint32_t type : {0x0u, 0x1u, 0x2u, 0xCu})
        EXPECT_TRUE(isTextStyle(0x50000000 | 0x100 | type)) << type;
    // Icons, black and grey frames, simple, owner-drawn, bitmaps, etched lines.
    for (uint32_t type : {0x3u, 0x4u, 0x7u, 0xBu, 0xDu, 0xEu, 0xFu, 0x10u, 0x12u})
        EXPECT_FALSE(isTextStyle(type)) << type;
}

TEST(LinkStyles, DrawFlagsFollowTheStyleAndTheUiState)
{
    struct Case {
        uint32_t style, uiState, flags;
    } cases[] = {
        {kSsLeft, 0, 0x150},
        {kSsCenter, 0, 0x151},
        {kSsRight, 0, 0x152},
        {kSsLeftNoWordWrap, 0, 0x140},
        {kSsLeft | kSsEditControl, 0, 0x2150},
        {kSsLeftNoWordWrap | kSsEditControl, 0, 0x140},
        {kSsLeft | kSsEndEllipsis, 0, 0x150 | kDtEndEllipsis | kDtSingleLine},
        {kSsLeft | kSsPathEllipsis, 0, 0x150 | kDtPathEllipsis | kDtSingleLine},
        {kSsRight | kSsWordEllipsis, 0, 0x152 | kDtWordEllipsis | kDtSingleLine},
        {kSsCenter | kSsNoPrefix, 0, 0x151 | kDtNoPrefix},
        {kSsLeft | kSsCenterImage, 0, 0x150 | kDtVCenter | kDtSingleLine},
        {kSsLeft, kUisfHideAccel, 0x150 | kDtHidePrefix},
        {kSsLeft, kUisfHideFocus, 0x150},
    };
    for (const Case& c : cases)
        EXPECT_EQ(linkDrawFlags(c.style, c.uiState), c.flags) << std::hex << c.style << " " << c.uiState;
}

TEST(LinkLayout, WordsWrapAtTheWidthAndAFirstWordTooWideStaysWhole)
{
    Laid text("The quick brown fox", 10 * kW);
    EXPECT_EQ(text.shown(), (Parts{"The quick", "brown fox"}));
    EXPECT_EQ(text.lengths(), (Lengths{10, 9}));
    EXPECT_EQ(text.height, 2 * kH);
    EXPECT_EQ(text.rect(1).top, kH);
    EXPECT_EQ(text.rect(1).right, 9 * kW);

    Laid wide("Supercalifragilistic is long", 5 * kW);
    EXPECT_EQ(wide.shown(), (Parts{"Supercalifragilistic", "is", "long"}));
    EXPECT_EQ(wide.rect(0).right, 20 * kW);

    // Without word wrap, or single-line, the line runs on.
    Laid unwrapped("The quick brown fox", 10 * kW, kSsLeftNoWordWrap);
    EXPECT_EQ(unwrapped.shown(), (Parts{"The quick brown fox"}));
    Laid single("one\ntwo three", 3 * kW, kSsLeft | kSsEndEllipsis);
    EXPECT_EQ(single.lengths(), (Lengths{13}));
}

TEST(LinkLayout, PrefixesTakeNoWidthUnlessSwitchedOff)
{
    Laid doubled("Save && quit", 100 * kW);
    EXPECT_EQ(doubled.shown(), (Parts{"Save && quit"}));
    EXPECT_EQ(doubled.rect(0).right, 11 * kW);
    Laid mnemonic("&File", 100 * kW);
    EXPECT_EQ(mnemonic.rect(0).right, 4 * kW);
    Laid plain("&File && more", 100 * kW, kSsLeft | kSsNoPrefix);
    EXPECT_EQ(plain.rect(0).right, 13 * kW);
    // A word with prefixes wraps by its drawn width: "&&&&&&" draws three.
    Laid wraps("ab &&&&&&", 6 * kW);
    EXPECT_EQ(wraps.shown(), (Parts{"ab &&&&&&"}));
    Laid tabs("a\tb", 100 * kW);
    EXPECT_EQ(tabs.rect(0).right, FixedWidthMeasurer::kTabWidth + kW);
}

TEST(LinkLayout, LinesArePlacedByTheAlignment)
{
    Laid centred("abc\nabcdef", 100, kSsCenter);
    EXPECT_EQ(centred.rect(0).left, (100 - 3 * kW) / 2);
    EXPECT_EQ(centred.rect(1).left, (100 - 6 * kW) / 2);
    EXPECT_EQ(centred.rect(1).right, (100 - 6 * kW) / 2 + 6 * kW);
    EXPECT_EQ(layoutWidth(centred.layout, 100), 6 * kW);

    Laid right("abc", 100, kSsRight);
    EXPECT_EQ(right.rect(0).left, 100 - 3 * kW);
    EXPECT_EQ(right.rect(0).right, 100);

    Laid middle("abc", 100, kSsLeft | kSsCenterImage, 100);
    EXPECT_EQ(middle.rect(0).top, (100 - kH) / 2);
    EXPECT_EQ(middle.rect(0).bottom, (100 - kH) / 2 + kH);
}

TEST(LinkLayout, EveryKindOfLineBreakEndsOneLine)
{
    Laid breaks("a\rb\nc\r\nd\n\re", 100 * kW);
    EXPECT_EQ(breaks.shown(), (Parts{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(breaks.lengths(), (Lengths{2, 2, 3, 3, 1}));
    EXPECT_EQ(breaks.height, 5 * kH);

    Laid empty("a\n\n\r\rb", 100 * kW);
    EXPECT_EQ(empty.shown(), (Parts{"a", "", "", "b"}));
    EXPECT_EQ(empty.lengths(), (Lengths{2, 2, 1, 1}));
}

TEST(LinkLayout, TheHeightCountsATrailingBreakAndAnEmptyTextIsOneLine)
{
    EXPECT_EQ(Laid("abc", 100).height, kH);
    EXPECT_EQ(Laid("abc\n", 100).height, 2 * kH);
    EXPECT_EQ(Laid("abc ", 100).height, 2 * kH);
    Laid empty("", 100);
    EXPECT_EQ(empty.layout.count, 0u);
    EXPECT_EQ(empty.height, kH);
    EXPECT_EQ(layoutWidth(empty.layout, 100), 0);
    // Lines stop at the bounds' height: 30 pixels hold three 13-pixel lines.
    Laid cut("a\nb\nc\nd\ne", 100, kSsLeft, 30);
    EXPECT_EQ(cut.shown(), (Parts{"a", "b", "c"}));
}

TEST(LinkSegments, ALinkInALineSplitsItIntoThree)
{
    Laid text("Read the <a href=\"x\">release notes</a> first.", 100 * kW);
    EXPECT_EQ(text.shown(), (Parts{"Read the ", "release notes", " first."}));
    EXPECT_EQ(text.linkOf(0), -1);
    EXPECT_EQ(text.linkOf(1), 0);
    EXPECT_EQ(text.linkOf(2), -1);
    EXPECT_EQ(text.rect(0).right, 9 * kW);
    EXPECT_EQ(text.rect(1).left, 9 * kW);
    EXPECT_EQ(text.rect(1).right, 22 * kW);
    EXPECT_EQ(text.rect(2).left, 22 * kW);
    EXPECT_EQ(text.rect(2).right, 29 * kW);

    uint32_t segment = 99;
    EXPECT_EQ(hitTestLink(text.layout, 9 * kW, 0, &segment), 0);
    EXPECT_EQ(segment, 1u);
    EXPECT_EQ(hitTestLink(text.layout, 22 * kW - 1, kH - 1), 0);
    EXPECT_EQ(hitTestLink(text.layout, 9 * kW - 1, 5), -1);
    EXPECT_EQ(hitTestLink(text.layout, 22 * kW, 5), -1);
    EXPECT_EQ(hitTestLink(text.layout, 10 * kW, kH), -1);  // below the line
    EXPECT_EQ(hitTestLink(text.layout, -1, 5), -1);        // outside the bounds
}

TEST(LinkSegments, ALinkOverTwoLinesHasASegmentOnEach)
{
    Laid text("aaaa <a>bbbb cccc</a> dddd <a>e</a>", 10 * kW);
    EXPECT_EQ(text.shown(), (Parts{"aaaa ", "bbbb", "cccc", " dddd", "e"}));
    EXPECT_EQ(text.linkOf(1), 0);
    EXPECT_EQ(text.linkOf(2), 0);
    EXPECT_EQ(text.linkOf(3), -1);
    EXPECT_EQ(text.linkOf(4), 1);
    EXPECT_EQ(hitTestLink(text.layout, 6 * kW, 5), 0);
    EXPECT_EQ(hitTestLink(text.layout, 1, kH + 5), 0);
    EXPECT_EQ(hitTestLink(text.layout, 5 * kW, kH + 5), -1);
    EXPECT_EQ(hitTestLink(text.layout, 1, 2 * kH + 5), 1);
}

TEST(LinkSegments, ASplitInsideTrailingBlanksShowsNothing)
{
    // "abcdefgh   " ends the first line; the link starts in its blanks.
    Laid text("abcdefgh <a>  ijk</a>", 10 * kW);
    ASSERT_EQ(text.layout.count, 3u);
    EXPECT_EQ(text.lengths(), (Lengths{9, 2, 3}));
    EXPECT_EQ(text.layout.segments[0].shownLength, 8u);
    EXPECT_EQ(text.layout.segments[1].shownLength, 0u);
    EXPECT_EQ(text.linkOf(1), 0);
    EXPECT_EQ(text.linkOf(2), 0);
    EXPECT_LE(text.rect(1).left, text.rect(1).right);
}

TEST(LinkSegments, LinksBelowTheLinesOrEmptyAreLeftOut)
{
    Laid text("a\nb\n<a>c</a><a></a>", 100, kSsLeft, 2 * kH);
    EXPECT_EQ(text.shown(), (Parts{"a", "b"}));
    EXPECT_EQ(text.linkOf(0), -1);
    EXPECT_EQ(text.linkOf(1), -1);
}

TEST(LinkLayoutBounds, AThousandLinksAndSixtyFourKibibytesStayInTheirSegments)
{
    std::string markup;
    for (int i = 0; i < 1000; ++i)
        markup += "x <a>link number " + std::to_string(i) + "</a>" + (i % 7 ? " " : "\n");
    Laid many(markup, 37 * kW);
    EXPECT_EQ(many.layout.capacity, 2000u + 1024u);
    std::vector<int> seen(1000);
    size_t laidOut = 0;
    for (uint32_t i = 0; i < many.layout.count; ++i) {
        laidOut += many.layout.segments[i].length;
        if (many.layout.segments[i].link)
            ++seen[many.layout.segments[i].link->index];
    }
    // Every link within the laid-out lines has a segment, two when it wraps.
    for (const LinkInfo* link = many.links; link; link = link->next) {
        if (link->start + link->length <= laidOut) {
            EXPECT_GE(seen[link->index], 1) << link->index;
            EXPECT_LE(seen[link->index], 2) << link->index;
        }
    }
    EXPECT_GT(laidOut, many.length / 2);

    std::string big;
    while (big.size() < 64 * 1024)
        big += "word\tand <a href=\"h\">a link that wraps</a> && more &x\r\n";
    for (uint32_t style :
         std::initializer_list<uint32_t>{kSsLeft, kSsCenter, kSsLeftNoWordWrap, kSsLeft | kSsEndEllipsis}) {
        Laid text(big, 20 * kW, style);
        EXPECT_GT(text.layout.count, 0u);
    }
    std::string oneWord(64 * 1024, 'w');
    Laid word(oneWord, 20 * kW, kSsLeft, 3 * kH);
    EXPECT_EQ(word.lengths(), (Lengths{64 * 1024}));
}

}  // namespace
