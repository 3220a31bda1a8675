// What every message of the formatted text control starts from: the window's
// text with its links, and its lines laid out with the window's font. Nothing
// is kept between messages; each one reads, parses and measures anew.
#pragma once

#include "linkstatic/link_layout.h"
#include "linkstatic/link_markup.h"

#include <windows.h>

// The system's static procedure, which stores the text and the font.
LRESULT callStatic(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// The window properties of the hot, pressed and focused link; -1 is none.
enum LinkState { kHotLink, kPressedLink, kFocusedLink };
int WINAPI linkProperty(HWND window, LinkState which);
void WINAPI setLinkProperty(HWND window, LinkState which, int index);
void removeLinkProperties(HWND window);

// Sets WS_TABSTOP when `text` holds a link and clears it otherwise; returns
// the number of links.
uint32_t countLinksAndSetTabStop(HWND window, const char* text);

// The local message loops of a press, of the space bar and of a tip
// balloon: other messages go on being handled until the loop's end.
enum LocalLoop { kMouseLoop, kSpaceLoop, kTipLoop };
// True when the press ended by letting go of the mouse button over the
// window (the point in *releasePoint) or of the space bar. False when Esc
// cancelled it, the window went away, the program is quitting, or, for a
// tip, a message arrived that closes it (left in the queue) or the focus
// moved.
bool runLocalLoop(HWND window, LocalLoop kind, LPARAM* releasePoint);

// The window's text, cleaned of its markup, with its style and links.
struct TextInfo {
    uint32_t style = 0;
    uint32_t uiState = 0;
    uint32_t drawFlags = 0;
    char* text = nullptr;
    size_t length = 0;
    LinkInfo* links = nullptr;
    uint32_t linkCount = 0;

    TextInfo() = default;
    ~TextInfo();
    TextInfo(const TextInfo&) = delete;
    TextInfo& operator=(const TextInfo&) = delete;

    // False when the text cannot be had; the info then holds no text.
    bool read(HWND window);
};

// The text laid out on a device context with the window's font selected;
// the font, the device context and the memory go back when it ends.
class WindowLayout {
public:
    TextInfo info;
    LineLayout lines = {};
    int32_t height = 0;
    HGDIOBJ font = nullptr;  // the window's, selected into the context

    WindowLayout() = default;
    ~WindowLayout();
    WindowLayout(const WindowLayout&) = delete;
    WindowLayout& operator=(const WindowLayout&) = delete;

    // Lays the window's text out on `dc` (the window's own when null) within
    // `bounds` (the client rectangle when null) and, over the client
    // rectangle, splits it at the links.
    void prepare(HWND window, HDC dc = nullptr, const RECT* bounds = nullptr);
    // Gives the device context back early, before a long wait.
    void releaseDc();
    HDC dc() const { return dc_; }
    // The link at a client point, or -1.
    int hitTest(LPARAM point) const;
    // Invalidates every segment of a link, without erasing.
    void invalidateLink(int index) const;

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
    HDC ownDc_ = nullptr;
    HGDIOBJ previousFont_ = nullptr;
};
