#include "linkstatic/link_paint.h"

#include "platform/theme_library.h"
#include "platform/win32_handles.h"
#include "linkstatic/link_contrast.h"
#include "linkstatic/link_notify.h"
#include "linkstatic/link_styles.h"
#include "linkstatic/link_window.h"
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(BeginPaint, 8);
SLIPWAY_IMPORT_SLOT(BitBlt, 36);
SLIPWAY_IMPORT_SLOT(CreateCompatibleBitmap, 12);
SLIPWAY_IMPORT_SLOT(CreateCompatibleDC, 4);
SLIPWAY_IMPORT_SLOT(CreateFontIndirectA, 4);
SLIPWAY_IMPORT_SLOT(DefWindowProcA, 16);
SLIPWAY_IMPORT_SLOT(DrawFocusRect, 8);
SLIPWAY_IMPORT_SLOT(DrawStateA, 40);
SLIPWAY_IMPORT_SLOT(DrawTextA, 20);
SLIPWAY_IMPORT_SLOT(EndPaint, 8);
SLIPWAY_IMPORT_SLOT(FillRect, 12);
SLIPWAY_IMPORT_SLOT(GetObjectA, 12);
SLIPWAY_IMPORT_SLOT(GetSystemMetrics, 4);
SLIPWAY_IMPORT_SLOT(GetVersionExA, 4);
SLIPWAY_IMPORT_SLOT(SetBkColor, 8);
SLIPWAY_IMPORT_SLOT(SetBkMode, 8);
SLIPWAY_IMPORT_SLOT(SetBrushOrgEx, 16);
SLIPWAY_IMPORT_SLOT(SetWindowOrgEx, 16);

namespace {

// What the drawing callback of DrawStateA draws: a segment's shown text.
struct SegmentText {
    const char* text;
    int length;
    UINT flags;
};

// Draws the text at (0, 0) on one line: tabs at every 8 average character
// widths, as the layout measured them; a prefix underlines the character
// after it and "&&" draws one "&", unless the flags say otherwise.
BOOL CALLBACK drawSegmentText(HDC dc, LPARAM data, WPARAM, int width, int height)
{
    const SegmentText& run = *reinterpret_cast<const SegmentText*>(data);
    RECT box = {0, 0, width, height};
    DrawTextASlot(dc, run.text, run.length, &box, run.flags);
    return TRUE;
}

void drawSegment(HDC dc, const Segment& segment, const char* text, uint32_t flags, UINT state)
{
    // The prefix flags of the text, the rest fixed: one line, no clipping.
    SegmentText run = {text, int(segment.shownLength),
                       (flags & (kDtNoPrefix | kDtHidePrefix | kDtPrefixOnly)) | kDtSingleLine | kDtNoClip |
                           kDtExpandTabs};
    const LayoutRect& r = segment.rect;
    if (run.length && r.right > r.left)
        DrawStateASlot(dc, nullptr, drawSegmentText, reinterpret_cast<LPARAM>(&run), 0, r.left, r.top, r.right - r.left,
                       r.bottom - r.top, DST_COMPLEX | state);
}

void drawFocusRectangle(HDC dc, const Segment& segment)
{
    COLORREF text = SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    COLORREF back = SetBkColorSlot(dc, GetSysColor(COLOR_WINDOW));
    DrawFocusRectSlot(dc, reinterpret_cast<const RECT*>(&segment.rect));
    SetTextColor(dc, text);
    SetBkColorSlot(dc, back);
}

}  // namespace

void paintLinkStatic(HWND window, HDC dc, int left, int top)
{
    int hot = linkProperty(window, kHotLink);
    int pressed = linkProperty(window, kPressedLink);
    HWND parent = GetParent(window);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(window)));
    if (!brush)
        brush = reinterpret_cast<HBRUSH>(DefWindowProcASlot(parent, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(window)));
    // A buffer's pixel (0, 0) is the client point (left, top): patterned
    // brushes start where they start on the window.
    if (left | top)
        SetBrushOrgExSlot(dc, -left, -top, nullptr);
    // Links keep to a colour that reads on a plain background; a patterned
    // one has no single colour to be read on.
    LOGBRUSH background;
    bool plainBackground = GetObjectASlot(brush, sizeof background, &background) && background.lbStyle == BS_SOLID;

    WindowLayout layout;
    layout.prepare(window, dc);
    const TextInfo& info = layout.info;
    int focused = GetFocus() == window && !(info.uiState & kUisfHideFocus) ? linkProperty(window, kFocusedLink) : -1;
    // The window's own device context (its class has no CS_PARENTDC), and a
    // buffer of part of it, clip to the client area, which the layout's
    // bounds are: a word too wide for it is cut there.
    SetBkModeSlot(dc, TRANSPARENT);
    FillRectSlot(dc, reinterpret_cast<const RECT*>(&layout.lines.bounds), brush);
    UINT state = info.style & WS_DISABLED ? DSS_DISABLED : DSS_NORMAL;
    OSVERSIONINFOA version;
    version.dwOSVersionInfoSize = sizeof version;
    bool focusUnderText = GetVersionExASlot(&version) && version.dwMajorVersion > 5;
    // Plain text keeps the colour the parent's background answer chose.
    COLORREF plain = SetTextColor(dc, 0);
    UniqueGdiObject underlinedFont;
    LOGFONTA font;
    if (info.linkCount && GetObjectASlot(layout.font, sizeof font, &font)) {
        font.lfUnderline = TRUE;
        underlinedFont.reset(CreateFontIndirectASlot(&font));
    }
    const char* text = info.text;
    for (uint32_t i = 0; i < layout.lines.count; ++i) {
        const Segment& segment = layout.lines.segments[i];
        const LinkInfo* link = segment.link;
        LinkLook look = {0, plain, 0};
        bool focus = false;
        if (link) {
            int index = int(link->index);
            look.state = index == pressed ? 2 : index == hot;
            const LinkStyleSet& styles = link->tip ? tipStyles : linkStyles;
            look.colour = styles.colour[look.state];
            if (plainBackground)
                look.colour = readableLinkColour(look.colour, background.lbColor);
            look.underline = styles.underline[look.state];
            if (!link->tip && parent)
                notifyLink(window, link, kLinkStyleCode, &look);
            focus = index == focused;
        }
        SelectObject(dc, look.underline && underlinedFont ? underlinedFont.get() : layout.font);
        if (focus && focusUnderText)
            drawFocusRectangle(dc, segment);
        SetTextColor(dc, look.colour);
        drawSegment(dc, segment, text, info.drawFlags, state);
        if (focus && !focusUnderText)
            drawFocusRectangle(dc, segment);
        text += segment.length;
    }
    // The layout selects the window's font back out before the underlined
    // copy is deleted.
    layout.releaseDc();
}

void paintLinkStaticWindow(HWND window)
{
    PAINTSTRUCT paint;
    HDC screen = BeginPaintSlot(window, &paint);
    const RECT& area = paint.rcPaint;
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    const ThemeLibrary& themes = themeEntries();
    HDC dc = nullptr;
    HANDLE buffer = nullptr;
    UniqueGdiObject bitmap;
    UniqueMemoryDc memory;
    // A remote session sends every pixel over the wire: drawn directly, only
    // what changed is sent.
    if (!GetSystemMetricsSlot(SM_REMOTESESSION)) {
        if (bufferedPainting)
            buffer = themes.beginBufferedPaint(screen, &area, kBufferCompatibleBitmap, nullptr, &dc);
        if (!buffer) {
            memory.reset(CreateCompatibleDCSlot(screen));
            bitmap.reset(CreateCompatibleBitmapSlot(screen, width, height));
            // Without either, painted directly after all.
            dc = SelectObject(memory.get(), bitmap.get()) ? memory.get() : nullptr;
            SetWindowOrgExSlot(dc, area.left, area.top, nullptr);
        }
    }
    if (!dc) {
        paintLinkStatic(window, screen);
    } else {
        paintLinkStatic(window, dc, area.left, area.top);
        if (buffer)
            themes.endBufferedPaint(buffer, TRUE);
        else
            BitBltSlot(screen, area.left, area.top, width, height, dc, area.left, area.top, SRCCOPY);
    }
    EndPaintSlot(window, &paint);
}
