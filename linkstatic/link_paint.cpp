#include "linkstatic/link_paint.h"

#include "app/win32_handles.h"
#include "linkstatic/link_styles.h"
#include "linkstatic/link_window.h"

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
    DrawTextA(dc, run.text, run.length, &box, run.flags);
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
        DrawStateA(dc, nullptr, drawSegmentText, reinterpret_cast<LPARAM>(&run), 0, r.left, r.top, r.right - r.left,
                   r.bottom - r.top, DST_COMPLEX | state);
}

void drawFocusRectangle(HDC dc, const Segment& segment)
{
    COLORREF text = SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    COLORREF back = SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    DrawFocusRect(dc, reinterpret_cast<const RECT*>(&segment.rect));
    SetTextColor(dc, text);
    SetBkColor(dc, back);
}

}  // namespace

void paintLinkStatic(HWND window, HDC dc)
{
    int hot = linkProperty(window, kHotLink);
    int pressed = linkProperty(window, kPressedLink);
    HWND parent = GetParent(window);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(window)));
    if (!brush)
        brush = reinterpret_cast<HBRUSH>(DefWindowProcA(parent, WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(window)));

    WindowLayout layout;
    layout.prepare(window, dc);
    const TextInfo& info = layout.info;
    int focused = GetFocus() == window && !(info.uiState & kUisfHideFocus) ? linkProperty(window, kFocusedLink) : -1;
    // The window's own device context (its class has no CS_PARENTDC) clips
    // to the client area, which the layout's bounds are: a word too wide for
    // it is cut there.
    SetBkMode(dc, TRANSPARENT);
    FillRect(dc, reinterpret_cast<const RECT*>(&layout.lines.bounds), brush);
    UINT state = info.style & WS_DISABLED ? DSS_DISABLED : DSS_NORMAL;
    bool focusUnderText = LOBYTE(GetVersion()) > 5;
    // Plain text keeps the colour the parent's background answer chose.
    COLORREF plain = SetTextColor(dc, 0);
    UniqueGdiObject underlinedFont;
    LOGFONTA font;
    if (info.linkCount && GetObjectA(layout.font, sizeof font, &font)) {
        font.lfUnderline = TRUE;
        underlinedFont.reset(CreateFontIndirectA(&font));
    }
    const char* text = info.text;
    for (uint32_t i = 0; i < layout.lines.count; ++i) {
        const Segment& segment = layout.lines.segments[i];
        const LinkInfo* link = segment.link;
        COLORREF colour = plain;
        BYTE underline = 0;
        bool focus = false;
        if (link) {
            int index = int(link->index);
            int stateIndex = index == pressed ? 2 : index == hot;
            const LinkStyleSet& styles = link->tip ? tipStyles : linkStyles;
            colour = styles.colour[stateIndex];
            underline = styles.underline[stateIndex];
            focus = index == focused;
        }
        SelectObject(dc, underline && underlinedFont ? underlinedFont.get() : layout.font);
        if (focus && focusUnderText)
            drawFocusRectangle(dc, segment);
        SetTextColor(dc, colour);
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
    HDC dc = BeginPaint(window, &paint);
    paintLinkStatic(window, dc);
    EndPaint(window, &paint);
}
