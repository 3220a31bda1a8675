// Link markup and its layout from arbitrary text: the parser stays inside the
// text, every link inside the cleaned text, and the layout inside its segment
// array, whatever the style, width and height. The first byte picks the
// style, the second the width; the rest, up to a NUL, is the text.
#include "linkstatic/link_layout.h"
#include "linkstatic/link_markup.h"
#include "tests/common/fixed_width_measurer.h"

#include <stdlib.h>
#include <string.h>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        abort();
}

// Characters as in the Japanese code page, so that second bytes are skipped.
char* nextShiftJis(const char* text)
{
    unsigned char lead = static_cast<unsigned char>(*text);
    if (!lead)
        return const_cast<char*>(text);
    bool twoBytes = ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) && text[1];
    return const_cast<char*>(text + (twoBytes ? 2 : 1));
}

const uint32_t kStyles[] = {kSsLeft, kSsCenter, kSsRight, kSsLeftNoWordWrap};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    uint8_t choice = data[0];
    int32_t width = int32_t(data[1]) * 3;
    std::vector<char> text(data + 2, data + size);
    text.push_back(0);
    size_t original = strlen(text.data());
    std::vector<char> copy(text.begin(), text.begin() + original + 1);
    NextCharacter nextCharacter = choice & 0x80 ? nextShiftJis : nullptr;

    size_t length = original;
    uint32_t count = 0;
    LinkInfo* links = parseLinkMarkup(text.data(), &length, &count, nextCharacter);
    check(length <= original && length == strlen(text.data()));
    check(count == countMarkupLinks(copy.data(), nextCharacter));
    uint32_t listed = 0;
    for (const LinkInfo* link = links; link; link = link->next, ++listed) {
        check(link->index == count - 1 - listed);
        check(link->start <= length && link->length <= length - link->start);
    }
    check(listed == count);

    uint32_t style = kStyles[choice & 3];
    if (choice & 4)
        style |= kSsNoPrefix;
    if (choice & 8)
        style |= kSsEndEllipsis;
    if (choice & 16)
        style |= kSsCenterImage;
    uint32_t flags = linkDrawFlags(style, choice & 32 ? kUisfHideAccel : 0);
    int32_t bottom = choice & 64 ? int32_t(data[1]) : -1;
    const FixedWidthMeasurer measurer;
    LineLayout layout;
    layoutLines(&layout, measurer, FixedWidthMeasurer::metrics(), LayoutRect{0, 0, width, bottom}, 2 * count, flags,
                text.data(), length);
    check(layout.count <= layout.capacity);
    size_t consumed = 0;
    for (uint32_t i = 0; i < layout.count; ++i) {
        check(layout.segments[i].length > 0 && layout.segments[i].shownLength <= layout.segments[i].length);
        consumed += layout.segments[i].length;
    }
    check(consumed <= length);

    splitSegmentsAtLinks(&layout, measurer, flags, text.data(), links);
    check(layout.count <= layout.capacity);
    size_t split = 0;
    for (uint32_t i = 0; i < layout.count; ++i) {
        const Segment& segment = layout.segments[i];
        check(segment.shownLength <= segment.length && segment.rect.left <= segment.rect.right);
        if (segment.link)
            check(split >= segment.link->start && split + segment.length <= segment.link->start + segment.link->length);
        split += segment.length;
    }
    check(split == consumed);
    for (int32_t y = -1; y < 60; y += 7) {
        for (int32_t x = -1; x < width + 2; x += 5) {
            uint32_t segment = 0;
            int32_t hit = hitTestLink(layout, x, y, &segment);
            check(hit >= -1 && hit < int32_t(count));
            if (hit >= 0)
                check(segment < layout.count && layout.segments[segment].link->index == uint32_t(hit));
        }
    }
    layoutWidth(layout, width);
    releaseLineLayout(&layout);
    releaseLinks(links);
    return 0;
}
