// The link markup of the wizard's texts: the cleaned text and each link's
// place, number and attributes.
#include "linkstatic/link_markup.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

namespace {

struct ParsedLink {
    uint32_t start, length, index;
    const char* href;
    const char* id;
    const char* tip;
};

// A text parsed in place, its links in document order.
struct Parsed {
    std::string text;
    std::vector<LinkInfo*> links;
    LinkInfo* list = nullptr;
    uint32_t count = 0;
    std::vector<char> buffer;

    explicit Parsed(const std::string& markup, NextCharacter nextCharacter = nullptr)
        : buffer(markup.begin(), markup.end())
    {
        buffer.push_back(0);
        size_t length = markup.size();
        list = parseLinkMarkup(buffer.data(), &length, &count, nextCharacter);
        EXPECT_EQ(length, strlen(buffer.data()));
        text.assign(buffer.data(), length);
        for (LinkInfo* link = list; link; link = link->next)
            links.insert(links.begin(), link);
    }
    ~Parsed() { releaseLinks(list); }

    std::string linkText(size_t i) const { return text.substr(links[i]->start, links[i]->length); }
};

void expectLink(const LinkInfo* link, const ParsedLink& expected)
{
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->start, expected.start);
    EXPECT_EQ(link->length, expected.length);
    EXPECT_EQ(link->index, expected.index);
    auto same = [](const char* actual, const char* wanted) {
        if (!wanted)
            EXPECT_EQ(actual, nullptr);
        else
            EXPECT_STREQ(actual, wanted);
    };
    same(link->href, expected.href);
    same(link->id, expected.id);
    same(link->tip, expected.tip);
}

TEST(LinkMarkup, ALinkWithHrefAndIdIsCleanedToItsWords)
{
    Parsed parsed("Read the <a href=\"https://example.com/notes\" id=\"notes\">release notes</a> first.");
    EXPECT_EQ(parsed.text, "Read the release notes first.");
    ASSERT_EQ(parsed.count, 1u);
    expectLink(parsed.links[0], {9, 13, 0, "https://example.com/notes", "notes", nullptr});
    EXPECT_EQ(parsed.linkText(0), "release notes");
}

TEST(LinkMarkup, UpperCaseTagsAndBareTagsAreLinksInDocumentOrder)
{
    Parsed parsed("<A HREF=\"x\" ID=\"y\" G=\"tip\">one</A> and <a>two</a><a\t>three</A>");
    EXPECT_EQ(parsed.text, "one and twothree");
    ASSERT_EQ(parsed.count, 3u);
    expectLink(parsed.links[0], {0, 3, 0, "x", "y", "tip"});
    expectLink(parsed.links[1], {8, 3, 1, nullptr, nullptr, nullptr});
    expectLink(parsed.links[2], {11, 5, 2, nullptr, nullptr, nullptr});
    // The list runs from the last link to the first.
    EXPECT_EQ(parsed.list->index, 2u);
    EXPECT_EQ(findLink(parsed.list, 1), parsed.links[1]);
    EXPECT_EQ(findLink(parsed.list, 3), nullptr);
}

TEST(LinkMarkup, TextThatOpensNoLinkIsShownAsWritten)
{
    for (const char* text : {"if a<b and b <a then", "a <ab> tag", "<abbr>x</abbr>", "< a>x</a>", "<", "<a",
                             "x</a> closes nothing", "<b>bold</b>"}) {
        Parsed parsed(text);
        EXPECT_EQ(parsed.text, text);
        EXPECT_EQ(parsed.count, 0u) << text;
    }
}

TEST(LinkMarkup, TagsThatAreNoLinkStayTextAroundAndInsideLinks)
{
    // An attribute value without double quotes abandons its tag, which
    // stays as written; other tags inside a link are part of its text.
    struct Case {
        const char* markup;
        const char* shown;
        const char* linkText;
    } cases[] = {
        {"<a href=x>no</a> then <a href='y'>no</a> then <a href = \"z\">no</a> <a>yes</a>",
         "<a href=x>no</a> then <a href='y'>no</a> then <a href = \"z\">no</a> yes", "yes"},
        {"<a><b>bold</b> <a>inner</a> after</a>", "<b>bold</b> <a>inner after</a>", "<b>bold</b> <a>inner"},
    };
    for (const Case& c : cases) {
        Parsed parsed(c.markup);
        EXPECT_EQ(parsed.text, c.shown);
        ASSERT_EQ(parsed.count, 1u) << c.markup;
        EXPECT_EQ(parsed.linkText(0), c.linkText);
    }
}

TEST(LinkMarkup, AMissingEndStopsParsingAndKeepsEarlierLinks)
{
    // A link without its closing tag, a value without its closing quote, a
    // tag without its ">": from there on the text is shown as written.
    struct Case {
        const char* markup;
        const char* shown;
    } cases[] = {
        {"<a id=\"1\">ok</a>, <a id=\"2\">second without end, <a>third</a",
         "ok, <a id=\"2\">second without end, <a>third</a"},
        {"<a id=\"1\">ok</a> <a href=\"never closed>text</a>", "ok <a href=\"never closed>text</a>"},
        {"<a id=\"1\">ok</a> <a href=\"x\"", "ok <a href=\"x\""},
    };
    for (const Case& c : cases) {
        Parsed parsed(c.markup);
        EXPECT_EQ(parsed.text, c.shown);
        ASSERT_EQ(parsed.count, 1u) << c.markup;
        expectLink(parsed.links[0], {0, 2, 0, nullptr, "1", nullptr});
    }
}

TEST(LinkMarkup, TheLastAttributeWinsAndOthersAreIgnored)
{
    Parsed parsed("<a href=\"one\" hreff=\"no\" h=\"no\" HREF=\"two\" class=\"c\" g=\"\" id=\"a\" Id=\"b\">x</a>");
    EXPECT_EQ(parsed.text, "x");
    ASSERT_EQ(parsed.count, 1u);
    expectLink(parsed.links[0], {0, 1, 0, "two", "b", ""});
}

TEST(LinkMarkup, EmptyLinksAndAdjacentLinks)
{
    Parsed parsed("<a></a><a>b</a><a>c</a>");
    EXPECT_EQ(parsed.text, "bc");
    ASSERT_EQ(parsed.count, 3u);
    expectLink(parsed.links[0], {0, 0, 0, nullptr, nullptr, nullptr});
    expectLink(parsed.links[1], {0, 1, 1, nullptr, nullptr, nullptr});
    expectLink(parsed.links[2], {1, 1, 2, nullptr, nullptr, nullptr});
}

// In a double-byte code page the second byte of a character is never taken
// for a quote or a "<": here 0x81 leads, and the byte after it is skipped,
// as the system's CharNextA does.
char* nextWithLead81(const char* text)
{
    if (!*text)
        return const_cast<char*>(text);
    return const_cast<char*>(text + (static_cast<unsigned char>(*text) == 0x81 && text[1] ? 2 : 1));
}

TEST(LinkMarkup, SecondBytesOfDoubleByteCharactersAreSkipped)
{
    std::string value = "x\x81\"y";  // a character whose second byte is a quote
    Parsed parsed("<a g=\"" + value + "\">t</a>\x81<a>u</a>", nextWithLead81);
    ASSERT_EQ(parsed.count, 1u);  // the "<" behind 0x81 is its second byte
    EXPECT_EQ(parsed.links[0]->tip, value);
    EXPECT_EQ(parsed.text, "t\x81<a>u</a>");
    // Without the test the quote ends the value early and the tag breaks.
    Parsed plain("<a g=\"" + value + "\">t</a>", nullptr);
    EXPECT_EQ(plain.count, 0u);
}

TEST(LinkMarkup, CountingParsesACopy)
{
    const char* text = "<a>one</a> <a href=\"2\">two</a> <a>three";
    EXPECT_EQ(countMarkupLinks(text, nullptr), 2u);
    EXPECT_STREQ(text, "<a>one</a> <a href=\"2\">two</a> <a>three");
    EXPECT_EQ(countMarkupLinks("", nullptr), 0u);
}

TEST(LinkMarkupBounds, ATagThatNeverClosesAnywhereStaysInsideTheText)
{
    std::string open = "<a";
    for (int i = 0; i < 1000; ++i)
        open += " g=\"tip\"";
    for (const std::string& text : {open, open + " ", open + ">", open + " h", open + " h=", open + " h=\""}) {
        Parsed parsed(text);
        EXPECT_EQ(parsed.text, text);
        EXPECT_EQ(parsed.count, 0u);
    }
}

TEST(LinkMarkupBounds, AThousandLinksAndSixtyFourKibibytes)
{
    std::string text, clean;
    for (int i = 0; i < 1000; ++i) {
        text += "word <a href=\"https://example.com/" + std::to_string(i) + "\">link" + std::to_string(i) + "</a> ";
        clean += "word link" + std::to_string(i) + " ";
    }
    Parsed parsed(text);
    EXPECT_EQ(parsed.text, clean);
    ASSERT_EQ(parsed.count, 1000u);
    EXPECT_EQ(parsed.linkText(999), "link999");
    EXPECT_STREQ(parsed.links[999]->href, "https://example.com/999");

    std::string big(64 * 1024, 'x');
    for (size_t i = 0; i < big.size(); i += 97)
        big[i] = i % 3 ? '<' : ' ';
    Parsed bigParsed(big);
    EXPECT_EQ(bigParsed.text, big);
}

}  // namespace
