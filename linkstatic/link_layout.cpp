#include "linkstatic/link_layout.h"

#include <stdlib.h>
#include <string.h>

namespace {

bool endsWord(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The width of a run as drawn: every prefix character, and each doubled one
// as a pair, is drawn as nothing or as one "&", so one prefix width comes off
// per prefix.
int32_t runWidth(const TextMeasurer& measurer, uint32_t flags, const PrefixMetrics& metrics, const char* text,
                 size_t length)
{
    int32_t prefixes = 0;
    if (!(flags & kDtNoPrefix)) {
        for (size_t i = 0; i < length; ++i) {
            if (text[i] == '&') {
                ++prefixes;
                if (i + 1 < length && text[i + 1] == '&')
                    ++i;
            }
        }
    }
    return measurer.tabbedTextWidth(text, length, metrics.tabWidth) - prefixes * metrics.prefixWidth;
}

// Makes room for one segment behind `at`; false when the capacity is used up.
bool insertSegment(LineLayout* layout, uint32_t at)
{
    if (layout->count >= layout->capacity)
        return false;
    memmove(&layout->segments[at + 1], &layout->segments[at], (layout->count - at) * sizeof(Segment));
    ++layout->count;
    return true;
}

// Splits segment `at` after `frontLength` bytes: the front keeps the left
// edge and gets the width of its own text, the back starts at the front's
// right edge. A split inside the trailing blanks leaves the back nothing to
// show. False when there is no room.
bool splitSegment(LineLayout* layout, uint32_t at, uint32_t frontLength, const TextMeasurer& measurer, uint32_t flags,
                  const char* segmentText)
{
    if (!insertSegment(layout, at))
        return false;
    Segment& front = layout->segments[at];
    Segment& back = layout->segments[at + 1];
    int32_t right = front.rect.right;
    front.length = frontLength;
    front.shownLength = frontLength < back.shownLength ? frontLength : back.shownLength;
    front.rect.right = front.rect.left + runWidth(measurer, flags, layout->metrics, segmentText, frontLength);
    back.length -= frontLength;
    back.shownLength = back.shownLength > frontLength ? back.shownLength - frontLength : 0;
    back.rect.left = front.rect.right;
    back.rect.right = right > back.rect.left ? right : back.rect.left;
    return true;
}

}  // namespace

bool isTextStyle(uint32_t style)
{
    uint32_t type = style & kSsTypeMask;
    return type == kSsLeft || type == kSsCenter || type == kSsRight || type == kSsLeftNoWordWrap;
}

uint32_t linkDrawFlags(uint32_t style, uint32_t uiState)
{
    uint32_t type = style & kSsTypeMask;
    uint32_t flags;
    if (type == kSsLeftNoWordWrap) {
        flags = kDtNoClip | kDtExpandTabs;
    } else {
        flags = type | kDtWordBreak | kDtNoClip | kDtExpandTabs;
        if (style & kSsEditControl)
            flags |= kDtEditControl;
    }
    static const uint32_t kEllipses[] = {0, kDtEndEllipsis | kDtSingleLine, kDtPathEllipsis | kDtSingleLine,
                                         kDtWordEllipsis | kDtSingleLine};
    flags |= kEllipses[(style & kSsEllipsisMask) >> 14];
    if (style & kSsNoPrefix)
        flags |= kDtNoPrefix;
    if (style & kSsCenterImage)
        flags |= kDtVCenter | kDtSingleLine;
    if (uiState & kUisfHideAccel)
        flags |= kDtHidePrefix;
    return flags;
}

size_t measureLine(const TextMeasurer& measurer, uint32_t flags, const PrefixMetrics& metrics, const char* text,
                   size_t remaining, int32_t maxWidth, size_t* shownLength, int32_t* width)
{
    bool wraps = (flags & (kDtWordBreak | kDtSingleLine)) == kDtWordBreak;
    size_t at = 0;
    *shownLength = 0;
    *width = 0;
    while (at < remaining) {
        char c = text[at];
        if (c == '\r' || c == '\n') {
            ++at;
            char pair = c == '\r' ? '\n' : '\r';
            if (at < remaining && text[at] == pair)
                ++at;
            if (!(flags & kDtSingleLine))
                break;
            continue;
        }
        size_t wordEnd = at;
        while (wordEnd < remaining && !endsWord(text[wordEnd]))
            ++wordEnd;
        // Only a wrapping line needs the width at every word; measuring from
        // the line's start each time would cost a long line its square.
        if (wraps) {
            int32_t lineWidth = runWidth(measurer, flags, metrics, text, wordEnd);
            if (*shownLength && lineWidth > maxWidth)
                break;  // a first word too wide stays on its line whole
            *width = lineWidth;
        }
        *shownLength = wordEnd;
        at = wordEnd;
        while (at < remaining && (text[at] == ' ' || text[at] == '\t'))
            ++at;
    }
    if (!wraps)
        *width = runWidth(measurer, flags, metrics, text, *shownLength);
    return at;
}

int32_t layoutLines(LineLayout* layout, const TextMeasurer& measurer, const PrefixMetrics& metrics,
                    const LayoutRect& bounds, uint32_t extraCapacity, uint32_t flags, const char* text, size_t length)
{
    int32_t lineHeight = metrics.lineHeight > 0 ? metrics.lineHeight : 1;
    layout->bounds = bounds;
    if (bounds.bottom == -1)
        layout->bounds.bottom = bounds.top + 1024 * lineHeight;
    layout->metrics = metrics;
    layout->metrics.lineHeight = lineHeight;
    layout->segments = nullptr;
    layout->count = 0;
    layout->capacity = 0;
    int32_t height = layout->bounds.bottom - layout->bounds.top;
    // Lines that fit the height, rounded up, without overflow near INT_MAX.
    uint32_t lines =
        height > 0 ? uint32_t(height) / uint32_t(lineHeight) + (uint32_t(height) % uint32_t(lineHeight) != 0) : 0;
    const uint32_t kMostSegments = 1u << 22;
    uint32_t capacity = lines < kMostSegments && extraCapacity < kMostSegments ? lines + extraCapacity : 0;
    if (capacity)
        layout->segments = static_cast<Segment*>(malloc(capacity * sizeof(Segment)));
    if (layout->segments)
        layout->capacity = capacity;

    const LayoutRect& b = layout->bounds;
    int32_t top = b.top;
    size_t at = 0;
    while (at < length && top - b.top < height && layout->count < layout->capacity) {
        Segment& segment = layout->segments[layout->count++];
        size_t shown = 0;
        int32_t lineWidth = 0;
        size_t consumed =
            measureLine(measurer, flags, layout->metrics, text + at, length - at, b.right - b.left, &shown, &lineWidth);
        // Right aligned, centred, or at the left edge.
        int32_t left = flags & kDtRight    ? b.right - lineWidth
                       : flags & kDtCenter ? b.left + (b.right - lineWidth - b.left) / 2
                                           : b.left;
        segment =
            Segment{uint32_t(consumed), uint32_t(shown), {left, top, left + lineWidth, top + lineHeight}, nullptr};
        at += consumed;
        top += lineHeight;
    }

    // The height ends with the last line, and with one more when that line
    // ended in a line break or blanks; an empty text is one line high.
    int32_t total = lineHeight;
    if (layout->count) {
        const Segment& last = layout->segments[layout->count - 1];
        total = top - b.top + (last.length > last.shownLength ? lineHeight : 0);
    }
    int32_t shift = flags & kDtVCenter ? (height - total) / 2 : flags & kDtBottom ? height - total : 0;
    for (uint32_t i = 0; shift && i < layout->count; ++i) {
        layout->segments[i].rect.top += shift;
        layout->segments[i].rect.bottom += shift;
    }
    return total;
}

void splitSegmentsAtLinks(LineLayout* layout, const TextMeasurer& measurer, uint32_t flags, const char* text,
                          const LinkInfo* links)
{
    for (const LinkInfo* link = links; link; link = link->next) {
        if (!link->length)
            continue;  // nothing to click
        uint32_t end = link->start + link->length;
        uint32_t at = 0;
        uint32_t offset = 0;
        while (at < layout->count && offset + layout->segments[at].length <= link->start)
            offset += layout->segments[at++].length;
        if (at == layout->count)
            continue;  // below the laid-out lines
        if (link->start > offset) {
            if (!splitSegment(layout, at, link->start - offset, measurer, flags, text + offset))
                continue;
            offset = link->start;
            ++at;
        }
        for (; at < layout->count && offset < end; ++at) {
            Segment& segment = layout->segments[at];
            if (offset + segment.length > end)
                splitSegment(layout, at, end - offset, measurer, flags, text + offset);
            // Without room for the split the whole line goes to the link.
            layout->segments[at].link = link;
            offset += layout->segments[at].length;
        }
    }
}

int32_t hitTestLink(const LineLayout& layout, int32_t x, int32_t y, uint32_t* segment)
{
    const LayoutRect& bounds = layout.bounds;
    if (x < bounds.left || x >= bounds.right || y < bounds.top || y >= bounds.bottom)
        return -1;
    for (uint32_t i = 0; i < layout.count; ++i) {
        const Segment& s = layout.segments[i];
        if (s.link && x >= s.rect.left && x < s.rect.right && y >= s.rect.top && y < s.rect.bottom) {
            if (segment)
                *segment = i;
            return int32_t(s.link->index);
        }
    }
    return -1;
}

int32_t layoutWidth(const LineLayout& layout, int32_t width)
{
    if (!layout.count)
        return 0;
    int32_t left = width;
    int32_t right = 0;
    for (uint32_t i = 0; i < layout.count; ++i) {
        const LayoutRect& rect = layout.segments[i].rect;
        if (rect.left < left)
            left = rect.left;
        if (rect.right > right)
            right = rect.right;
    }
    return right - left;
}

void releaseLineLayout(LineLayout* layout)
{
    free(layout->segments);
    layout->segments = nullptr;
    layout->count = 0;
    layout->capacity = 0;
}
