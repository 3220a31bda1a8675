// The line layout of a static control's text: which text styles the control
// lays out itself, the drawing flags of a style, word wrapping with mnemonic
// prefixes, the splitting of lines at links and the hit test. Portable: the
// widths come from a TextMeasurer, which the stub answers with GDI and the
// host tests with fixed widths.
#pragma once

#include "linkstatic/link_markup.h"

#include <stddef.h>
#include <stdint.h>

// The system's values of the static styles and drawing flags the layout
// reads, defined here so that this file needs no Win32 header.
enum : uint32_t {
    kSsTypeMask = 0x1F,
    kSsLeft = 0x0,
    kSsCenter = 0x1,
    kSsRight = 0x2,
    kSsLeftNoWordWrap = 0xC,
    kSsNoPrefix = 0x80,
    kSsCenterImage = 0x200,
    kSsEditControl = 0x2000,
    kSsEllipsisMask = 0xC000,
    kSsEndEllipsis = 0x4000,
    kSsPathEllipsis = 0x8000,
    kSsWordEllipsis = 0xC000,

    kDtLeft = 0x0,
    kDtCenter = 0x1,
    kDtRight = 0x2,
    kDtVCenter = 0x4,
    kDtBottom = 0x8,
    kDtWordBreak = 0x10,
    kDtSingleLine = 0x20,
    kDtExpandTabs = 0x40,
    kDtNoClip = 0x100,
    kDtNoPrefix = 0x800,
    kDtEditControl = 0x2000,
    kDtPathEllipsis = 0x4000,
    kDtEndEllipsis = 0x8000,
    kDtWordEllipsis = 0x40000,
    kDtHidePrefix = 0x100000,
    kDtPrefixOnly = 0x200000,

    kUisfHideFocus = 0x1,
    kUisfHideAccel = 0x2,
};

// True for the static types the control lays out itself: left, centre, right
// and left without word wrap. Bitmaps, icons and frames are the system's.
bool isTextStyle(uint32_t style);

// The drawing flags of a text style under a UI state (the answer to
// WM_QUERYUISTATE).
uint32_t linkDrawFlags(uint32_t style, uint32_t uiState);

// A rectangle in pixels, laid out as the system's RECT.
struct LayoutRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// What the layout needs of the control's font: the width and height of the
// prefix character "&" (the height is the line height) and the distance of
// the tab stops (8 average character widths).
struct PrefixMetrics {
    int32_t prefixWidth;
    int32_t lineHeight;
    int32_t tabWidth;
};

// Where the layout gets text widths from.
class TextMeasurer {
public:
    // The width of `length` bytes of text in pixels, every tab expanded to the
    // next multiple of `tabWidth` from the text's start, "&" measured as drawn.
    virtual int32_t tabbedTextWidth(const char* text, size_t length, int32_t tabWidth) const = 0;

protected:
    ~TextMeasurer() = default;
};

// A line, or the part of a line before, inside or after a link.
struct Segment {
    uint32_t length;       // bytes consumed, with trailing blanks and a line break
    uint32_t shownLength;  // bytes drawn: up to the end of the last word
    LayoutRect rect;       // where its text is drawn
    const LinkInfo* link;  // the link it belongs to, or null
};

// The lines of one text on one font. The segment array is allocated once with
// its whole capacity and never grows.
struct LineLayout {
    LayoutRect bounds;
    PrefixMetrics metrics;
    Segment* segments;
    uint32_t count;
    uint32_t capacity;
};

// Measures one line of `text` (at most `remaining` bytes): the words that fit
// `maxWidth` (the first word always does), the blanks after them and a line
// break. Returns the bytes consumed, at least one when any remain.
size_t measureLine(const TextMeasurer& measurer, uint32_t flags, const PrefixMetrics& metrics, const char* text,
                   size_t remaining, int32_t maxWidth, size_t* shownLength, int32_t* width);

// Lays out `text` into `layout` within `bounds` (a bottom of -1 stands for
// 1024 lines) with room for `extraCapacity` more segments, the splits at
// links. Returns the height of the text in pixels. When memory cannot be had
// the layout has no lines.
int32_t layoutLines(LineLayout* layout, const TextMeasurer& measurer, const PrefixMetrics& metrics,
                    const LayoutRect& bounds, uint32_t extraCapacity, uint32_t flags, const char* text, size_t length);

// Splits the laid-out lines at the links' edges so that every segment belongs
// to at most one link; a link over two lines has a segment on each.
void splitSegmentsAtLinks(LineLayout* layout, const TextMeasurer& measurer, uint32_t flags, const char* text,
                          const LinkInfo* links);

// The index of the link at (x, y), or -1; *segment receives the index of its
// segment when asked for.
int32_t hitTestLink(const LineLayout& layout, int32_t x, int32_t y, uint32_t* segment = nullptr);

// The union of the laid-out segments' horizontal extent: the smallest left
// edge (from `width`) and the largest right edge (from 0).
int32_t layoutWidth(const LineLayout& layout, int32_t width);

void releaseLineLayout(LineLayout* layout);
