// The formatted text control in this process: the program's own "Static"
// class inside a frame dialog whose page is a control-parent child dialog, as
// the wizard's are. Links are drawn in their colours and underlined (read
// back from WM_PRINTCLIENT), follow the mouse and the keyboard, tell the page
// with NM_CLICK, open their href with the shell, show their tip in a balloon,
// and the two size queries answer what the layout needs.
#include "support/test_environment.h"

#include "platform/theme_library.h"
#include "linkstatic/link_static.h"
#include "linkstatic/link_styles.h"
#include "linkstatic/link_window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const int kBackId = 10;
const int kNextId = 11;
const int kBeforeId = 20;
const int kLinksId = 21;
const int kAfterId = 22;

const char kThreeLinks[] =
    "First <a href=\"slipway-test:one\" id=\"one\">one</a> then <a id=\"two\">two</a> "
    "and <a g=\"The third link's tip\">three</a>.";

// What the page heard with NM_CLICK.
struct Click {
    int link;
    std::wstring id;
    std::wstring url;
};
std::vector<Click> clicks;
// The page's answer to NM_CLICK: non-zero keeps the shell out.
LONG_PTR clickAnswer = 1;

INT_PTR CALLBACK frameProcedure(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// A dialog without controls, made from a template in memory as the wizard's
// are made from its resources; its controls are added afterwards.
HWND makeDialog(HWND parent, DWORD style, DLGPROC procedure)
{
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass, title, padding;
    } dialog = {};
    dialog.header.style = style;
    dialog.header.dwExtendedStyle = WS_EX_CONTROLPARENT;
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &dialog.header, parent, procedure, 0);
}

// What the page heard with LSN_LINKSTYLE, read at the offsets the parent
// is promised, and what it answers for one link.
const UINT kLinkStyle = 0xBED91119;
struct StyleQuery {
    int link;
    int state;
    COLORREF colour;
    BYTE underline;
    std::wstring id;
};
std::vector<StyleQuery> styleQueries;
int restyledLink = -1;
const COLORREF kRestyled = RGB(200, 0, 200);
// Focus notifications in the order heard.
std::vector<UINT> focusCodes;
// The page's background brush; none leaves it to the dialog manager.
HBRUSH pageBrush = nullptr;

INT_PTR CALLBACK pageProcedure(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_CTLCOLORSTATIC && pageBrush)
        return reinterpret_cast<INT_PTR>(pageBrush);
    if (message != WM_NOTIFY)
        return FALSE;
    const NMLINK* link = reinterpret_cast<const NMLINK*>(lParam);
    UINT code = link->hdr.code;
    if (code == UINT(NM_SETFOCUS) || code == UINT(NM_KILLFOCUS)) {
        focusCodes.push_back(code);
        return TRUE;
    }
    if (code == kLinkStyle) {
        BYTE* bytes = reinterpret_cast<BYTE*>(lParam);
        StyleQuery query = {link->item.iLink, 0, 0, bytes[4300], link->item.szID};
        memcpy(&query.state, bytes + 4292, 4);
        memcpy(&query.colour, bytes + 4296, 4);
        styleQueries.push_back(query);
        if (query.link == restyledLink) {
            memcpy(bytes + 4296, &kRestyled, 4);
            bytes[4300] = 0;
        }
        return TRUE;
    }
    if (code != UINT(NM_CLICK))
        return FALSE;
    clicks.push_back({link->item.iLink, link->item.szID, link->item.szUrl});
    SetWindowLongPtrA(page, DWLP_MSGRESULT, clickAnswer);
    return TRUE;
}

// Handles what is queued, as the wizard's dialog loop does.
void pump(HWND frame)
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(frame, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

// A 32-bit picture of a window's client area as WM_PRINTCLIENT paints it.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// `message` is WM_PRINTCLIENT or WM_PAINT with the device context in wParam;
// WM_NULL copies what the window itself painted from its device context.
Picture printClient(HWND window, UINT message = WM_PRINTCLIENT)
{
    RECT client;
    GetClientRect(window, &client);
    Picture picture;
    picture.width = client.right;
    picture.height = client.bottom;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (message) {
        SendMessageA(window, message, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    } else {
        HDC own = GetDC(window);
        BitBlt(memory, 0, 0, picture.width, picture.height, own, 0, 0, SRCCOPY);
        ReleaseDC(window, own);
    }
    GdiFlush();
    const DWORD* rows = static_cast<const DWORD*>(bits);
    for (int i = 0; i < picture.width * picture.height; ++i) {
        DWORD bgr = rows[i];  // 0x00RRGGBB in a DIB
        picture.pixels.push_back(RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF));
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

// Pixels of the colour inside a rectangle of the picture.
int countColour(const Picture& picture, const RECT& area, COLORREF colour)
{
    int count = 0;
    for (int y = area.top; y < area.bottom && y < picture.height; ++y) {
        for (int x = area.left; x < area.right && x < picture.width; ++x)
            count += picture.at(x, y) == colour;
    }
    return count;
}

// Whether some row of the rectangle is a line of the colour over most of its
// width: an underline.
bool hasUnderline(const Picture& picture, const RECT& area, COLORREF colour)
{
    int width = area.right - area.left;
    for (int y = area.top; y < area.bottom && y < picture.height; ++y) {
        RECT row = {area.left, y, area.right, y + 1};
        if (width > 4 && countColour(picture, row, colour) * 10 >= width * 8)
            return true;
    }
    return false;
}

// The rectangles of a link's segments, in client coordinates, as the control
// lays its text out now.
std::vector<RECT> linkRectangles(HWND control, int index)
{
    WindowLayout layout;
    layout.prepare(control);
    std::vector<RECT> rectangles;
    for (uint32_t i = 0; i < layout.lines.count; ++i) {
        const Segment& segment = layout.lines.segments[i];
        if (segment.link && int(segment.link->index) == index)
            rectangles.push_back(*reinterpret_cast<const RECT*>(&segment.rect));
    }
    return rectangles;
}

RECT plainRectangle(HWND control)
{
    WindowLayout layout;
    layout.prepare(control);
    for (uint32_t i = 0; i < layout.lines.count; ++i) {
        if (!layout.lines.segments[i].link && layout.lines.segments[i].shownLength > 2)
            return *reinterpret_cast<const RECT*>(&layout.lines.segments[i].rect);
    }
    return RECT{};
}

LPARAM centreOf(const RECT& rect)
{
    return MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

int property(HWND control, const char* name)
{
    return int(reinterpret_cast<INT_PTR>(GetPropA(control, name)));
}

LPARAM keyData(UINT virtualKey, bool up)
{
    LPARAM scan = LPARAM(MapVirtualKeyA(virtualKey, 0)) << 16;
    return up ? scan | 0xC0000001 : scan | 1;
}

void setShift(bool down)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

class LinkStaticTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registerStaticClass(GetModuleHandleA(nullptr), "Static"); }

    void SetUp() override
    {
        clicks.clear();
        clickAnswer = 1;
        styleQueries.clear();
        restyledLink = -1;
        focusCodes.clear();
        pageBrush = nullptr;
        HINSTANCE instance = GetModuleHandleA(nullptr);
        // The frame and its page as the wizard has them: a control-parent
        // frame and a DS_CONTROL page inside it.
        frame = makeDialog(nullptr, WS_POPUP | WS_CAPTION | WS_VISIBLE, frameProcedure);
        ASSERT_NE(frame, nullptr);
        SetWindowPos(frame, nullptr, 40, 40, 520, 320, SWP_NOZORDER);
        font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        button(frame, "Back", kBackId, 250, 260);
        button(frame, "Next", kNextId, 340, 260);
        page = makeDialog(frame, WS_CHILD | WS_VISIBLE | DS_CONTROL, pageProcedure);
        ASSERT_NE(page, nullptr);
        SetWindowPos(page, nullptr, 0, 0, 500, 240, SWP_NOZORDER);
        button(page, "Before", kBeforeId, 10, 10);
        links = CreateWindowExA(0, "Static", kThreeLinks, WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 50, 300, 60, page,
                                reinterpret_cast<HMENU>(INT_PTR(kLinksId)), instance, nullptr);
        ASSERT_NE(links, nullptr);
        SendMessageA(links, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        button(page, "After", kAfterId, 10, 150);
        SetForegroundWindow(frame);
        SetActiveWindow(frame);
        pump(frame);
    }

    void TearDown() override
    {
        setShift(false);
        if (frame)
            DestroyWindow(frame);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
    }

    HWND button(HWND parent, const char* text, int id, int x, int y)
    {
        HWND made = CreateWindowExA(0, "Button", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x, y, 80, 24,
                                    parent, reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleA(nullptr), nullptr);
        SendMessageA(made, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return made;
    }

    // A click of the left button at a client point of the links, posted as
    // the mouse would: down, a move, up.
    void click(LPARAM down, LPARAM up)
    {
        PostMessageA(links, WM_LBUTTONDOWN, MK_LBUTTON, down);
        PostMessageA(links, WM_MOUSEMOVE, MK_LBUTTON, up);
        PostMessageA(links, WM_LBUTTONUP, 0, up);
        pump(frame);
    }

    void pressKey(HWND target, UINT virtualKey)
    {
        PostMessageA(target, WM_KEYDOWN, virtualKey, keyData(virtualKey, false));
        PostMessageA(target, WM_KEYUP, virtualKey, keyData(virtualKey, true));
        pump(frame);
    }

    HWND frame = nullptr;
    HWND page = nullptr;
    HWND links = nullptr;
    HFONT font = nullptr;
};

TEST_F(LinkStaticTest, LinksAreDrawnInTheirColoursAndUnderlinedAndPlainTextIsNot)
{
    EXPECT_EQ(GetWindowLongA(links, GWL_STYLE) & WS_TABSTOP, WS_TABSTOP) << "a text with links is a tab stop";
    COLORREF linkColour = GetSysColor(COLOR_HOTLIGHT);
    ASSERT_NE(linkColour, 0u);
    Picture picture = printClient(links);
    std::vector<RECT> first = linkRectangles(links, 0);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_TRUE(hasUnderline(picture, first[0], linkColour)) << "link 0 is not underlined in the link colour";
    std::vector<RECT> tipped = linkRectangles(links, 2);
    ASSERT_FALSE(tipped.empty());
    EXPECT_TRUE(hasUnderline(picture, tipped[0], RGB(0, 130, 0))) << "a link with a tip is green";
    RECT plain = plainRectangle(links);
    ASSERT_LT(plain.left, plain.right);
    EXPECT_EQ(countColour(picture, plain, linkColour), 0) << "plain text drawn in the link colour";
    EXPECT_FALSE(hasUnderline(picture, plain, GetSysColor(COLOR_WINDOWTEXT))) << "plain text is underlined";
    EXPECT_GT(countColour(picture, plain, GetSysColor(COLOR_WINDOWTEXT)), 0) << "plain text is not drawn";
    // The tags are gone from the picture: the text is as wide as its words.
    EXPECT_LT(tipped.back().right, 300);
}

TEST_F(LinkStaticTest, ADisabledControlDrawsEverythingEmbossed)
{
    EnableWindow(links, FALSE);
    Picture picture = printClient(links);
    RECT all = {0, 0, picture.width, picture.height};
    EXPECT_EQ(countColour(picture, all, GetSysColor(COLOR_HOTLIGHT)), 0);
    EXPECT_EQ(countColour(picture, all, RGB(0, 130, 0)), 0);
    EXPECT_GT(countColour(picture, all, GetSysColor(COLOR_3DSHADOW)), 0) << "no grey text";
    EXPECT_GT(countColour(picture, all, GetSysColor(COLOR_3DHILIGHT)), 0) << "no embossed highlight";
}

TEST_F(LinkStaticTest, TheMouseOverALinkMakesItHotWithTheHandCursor)
{
    LPARAM onLink = centreOf(linkRectangles(links, 1)[0]);
    POINT screen = {short(LOWORD(onLink)), short(HIWORD(onLink))};
    ClientToScreen(links, &screen);
    EXPECT_EQ(SendMessageA(links, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)), HTCLIENT);
    RECT plain = plainRectangle(links);
    POINT off = {plain.left + 1, (plain.top + plain.bottom) / 2};
    ClientToScreen(links, &off);
    EXPECT_EQ(SendMessageA(links, WM_NCHITTEST, 0, MAKELPARAM(off.x, off.y)), HTTRANSPARENT)
        << "the text between links lets the mouse through";

    EXPECT_EQ(property(links, "ilhot"), -1);
    SendMessageA(links, WM_MOUSEMOVE, 0, onLink);
    EXPECT_EQ(property(links, "ilhot"), 1);
    Picture picture = printClient(links);
    EXPECT_TRUE(hasUnderline(picture, linkRectangles(links, 1)[0], GetSysColor(COLOR_HOTLIGHT)))
        << "the hot link is drawn in the hot colour";
    SendMessageA(links, WM_SETCURSOR, reinterpret_cast<WPARAM>(links), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
    EXPECT_EQ(GetCursor(), hand ? hand : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
    SendMessageA(links, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(property(links, "ilhot"), -1);
}

TEST_F(LinkStaticTest, AClickActivatesAndADragOffOrEscDoesNot)
{
    RECT first = linkRectangles(links, 0)[0];
    RECT plain = plainRectangle(links);
    click(centreOf(first), centreOf(plain));
    EXPECT_TRUE(clicks.empty()) << "released off the link, yet activated";
    EXPECT_EQ(property(links, "ilprs"), -1);
    EXPECT_EQ(GetFocus(), links) << "a press takes the focus";
    EXPECT_EQ(property(links, "ilfoc"), 0);

    PostMessageA(links, WM_LBUTTONDOWN, MK_LBUTTON, centreOf(first));
    PostMessageA(links, WM_KEYDOWN, VK_ESCAPE, keyData(VK_ESCAPE, false));
    PostMessageA(links, WM_KEYUP, VK_ESCAPE, keyData(VK_ESCAPE, true));
    PostMessageA(links, WM_LBUTTONUP, 0, centreOf(first));
    pump(frame);
    EXPECT_TRUE(clicks.empty()) << "Esc did not cancel the press";
    EXPECT_TRUE(IsWindow(frame));

    click(centreOf(first), centreOf(first));
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].link, 0);
    EXPECT_EQ(clicks[0].id, L"one");
    EXPECT_EQ(clicks[0].url, L"slipway-test:one");

    // A double click presses again.
    PostMessageA(links, WM_LBUTTONDBLCLK, MK_LBUTTON, centreOf(linkRectangles(links, 1)[0]));
    PostMessageA(links, WM_LBUTTONUP, 0, centreOf(linkRectangles(links, 1)[0]));
    pump(frame);
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[1].link, 1);
    EXPECT_EQ(clicks[1].id, L"two");
    EXPECT_EQ(clicks[1].url, L"");
}

TEST_F(LinkStaticTest, SpaceHeldAndReleasedActivatesTheFocusedLinkAndEnterToo)
{
    SetFocus(links);
    SetPropA(links, "ilfoc", reinterpret_cast<HANDLE>(INT_PTR(1)));
    PostMessageA(links, WM_CHAR, ' ', keyData(VK_SPACE, false));
    PostMessageA(links, WM_KEYDOWN, VK_SPACE, keyData(VK_SPACE, false) | 0x40000000);  // auto-repeat
    PostMessageA(links, WM_KEYUP, VK_SPACE, keyData(VK_SPACE, true));
    pump(frame);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].link, 1);
    EXPECT_EQ(property(links, "ilprs"), -1);

    PostMessageA(links, WM_CHAR, ' ', keyData(VK_SPACE, false));
    PostMessageA(links, WM_KEYUP, VK_ESCAPE, keyData(VK_ESCAPE, true));
    PostMessageA(links, WM_KEYUP, VK_SPACE, keyData(VK_SPACE, true));
    pump(frame);
    EXPECT_EQ(clicks.size(), 1u) << "Esc did not cancel the space bar";

    PostMessageA(links, WM_CHAR, '\r', keyData(VK_RETURN, false));
    pump(frame);
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[1].link, 1);
    // Space and Enter belong to the control, not to the dialog's buttons.
    MSG space = {links, WM_KEYDOWN, VK_SPACE, keyData(VK_SPACE, false), 0, {0, 0}};
    EXPECT_EQ(SendMessageA(links, WM_GETDLGCODE, VK_SPACE, reinterpret_cast<LPARAM>(&space)),
              DLGC_STATIC | DLGC_WANTALLKEYS);
}

// Where the balloon was while it showed; filled by a timer that fires in
// the balloon's own loop, which then presses a key to close it.
struct BalloonSeen {
    bool visible = false;
    RECT rect{};
    LRESULT mouseActivate = 0;  // its answer to a click that would activate it
    LRESULT maxWidth = 0;
    LRESULT background = 0;
    LRESULT textColour = -1;
    RECT margins{};
} balloonSeen;
HWND balloonOwner = nullptr;

void CALLBACK lookAtBalloon(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    HWND tip = nullptr;
    while ((tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr))) {
        DWORD process = 0;
        GetWindowThreadProcessId(tip, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(tip)) {
            balloonSeen.visible = true;
            GetWindowRect(tip, &balloonSeen.rect);
            balloonSeen.mouseActivate =
                SendMessageA(tip, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(GetAncestor(balloonOwner, GA_ROOT)),
                             MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
            balloonSeen.maxWidth = SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0);
            balloonSeen.background = SendMessageA(tip, TTM_GETTIPBKCOLOR, 0, 0);
            balloonSeen.textColour = SendMessageA(tip, TTM_GETTIPTEXTCOLOR, 0, 0);
            SendMessageA(tip, TTM_GETMARGIN, 0, reinterpret_cast<LPARAM>(&balloonSeen.margins));
        }
    }
    PostMessageA(balloonOwner, WM_KEYDOWN, VK_SHIFT, keyData(VK_SHIFT, false));
}

// Activates the link with a tip by Enter; the timer looks at its balloon.
void activateTipLink(HWND frame, HWND links)
{
    clickAnswer = 0;  // the page lets the control go on: the link has no href
    SetFocus(links);
    SetPropA(links, "ilfoc", reinterpret_cast<HANDLE>(INT_PTR(2)));
    balloonSeen = BalloonSeen();
    balloonOwner = links;
    UINT_PTR timer = SetTimer(nullptr, 0, 300, lookAtBalloon);
    PostMessageA(links, WM_CHAR, '\r', keyData(VK_RETURN, false));
    pump(frame);
    KillTimer(nullptr, timer);  // when no balloon ran its loop
}

TEST_F(LinkStaticTest, ALinkWithATipShowsItsBalloonBelowItUntilAKeyIsPressed)
{
    activateTipLink(frame, links);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].link, 2);
    ASSERT_TRUE(balloonSeen.visible) << "no balloon showed";
    RECT link = linkRectangles(links, 2).back();
    POINT below = {link.left, link.bottom + 3};
    ClientToScreen(links, &below);
    EXPECT_NEAR(balloonSeen.rect.top, below.y, 2);
    EXPECT_NEAR(balloonSeen.rect.left, below.x, 2);
    HWND tip = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr);
    bool stillVisible = false;
    for (; tip; tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(tip, &process);
        stillVisible |= process == GetCurrentProcessId() && IsWindowVisible(tip);
    }
    EXPECT_FALSE(stillVisible) << "the key did not close the balloon";
}

TEST_F(LinkStaticTest, TheBalloonNeverTakesTheActivationAndHasItsOwnLook)
{
    activateTipLink(frame, links);
    ASSERT_TRUE(balloonSeen.visible) << "no balloon showed";
    EXPECT_EQ(balloonSeen.mouseActivate, MA_NOACTIVATE);
    EXPECT_EQ(balloonSeen.maxWidth, 400);
    EXPECT_EQ(COLORREF(balloonSeen.background), RGB(0xF0, 0xF0, 0xF0));
    EXPECT_EQ(COLORREF(balloonSeen.textColour), RGB(0, 0, 0));
    EXPECT_EQ(balloonSeen.margins.left, 3);
    EXPECT_EQ(balloonSeen.margins.top, 10);
    EXPECT_EQ(balloonSeen.margins.right, 3);
    EXPECT_EQ(balloonSeen.margins.bottom, 7);
}

TEST_F(LinkStaticTest, WithoutAHandlerTheShellOpensTheHref)
{
    std::string folder = makeTestFolder("link_static_shell");
    std::string script = folder + "\\open.cmd";
    std::string marker = folder + "\\opened.txt";
    DeleteFileA(marker.c_str());
    FILE* file = fopen(script.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fprintf(file, "@echo opened> \"%s\"\r\n", marker.c_str());
    fclose(file);
    std::string text = "Run <a href=\"" + script + "\">the script</a>.";
    SetWindowTextA(links, text.c_str());
    clickAnswer = 0;
    RECT link = linkRectangles(links, 0)[0];
    click(centreOf(link), centreOf(link));
    ASSERT_EQ(clicks.size(), 1u);
    bool opened = false;
    for (int i = 0; i < 100 && !opened; ++i) {
        opened = GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!opened)
            Sleep(100);
    }
    EXPECT_TRUE(opened) << "the shell did not open " << script;

    clicks.clear();
    clickAnswer = 1;  // handled by the page: the shell is left alone
    DeleteFileA(marker.c_str());
    click(centreOf(link), centreOf(link));
    ASSERT_EQ(clicks.size(), 1u);
    Sleep(1500);
    EXPECT_EQ(GetFileAttributesA(marker.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LinkStaticTest, TabEntersAtTheFirstOrLastLinkAndMovesBetweenLinks)
{
    HWND before = GetDlgItem(page, kBeforeId);
    HWND after = GetDlgItem(page, kAfterId);
    SetFocus(before);
    pressKey(before, VK_TAB);
    ASSERT_EQ(GetFocus(), links) << "Tab did not reach the text";
    EXPECT_EQ(property(links, "ilfoc"), 0);
    // Tab on link 0 stays in the control and goes to link 1, then 2.
    MSG tab = {links, WM_KEYDOWN, VK_TAB, keyData(VK_TAB, false), 0, {0, 0}};
    EXPECT_EQ(SendMessageA(links, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&tab)), DLGC_STATIC | DLGC_WANTTAB);
    PostMessageA(links, WM_CHAR, '\t', keyData(VK_TAB, false));
    pump(frame);
    EXPECT_EQ(GetFocus(), links);
    EXPECT_EQ(property(links, "ilfoc"), 1);
    PostMessageA(links, WM_CHAR, '\t', keyData(VK_TAB, false));
    pump(frame);
    EXPECT_EQ(property(links, "ilfoc"), 2);
    // Tab on the last link leaves the control.
    EXPECT_EQ(SendMessageA(links, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&tab)), DLGC_STATIC);
    pressKey(links, VK_TAB);
    EXPECT_EQ(GetFocus(), after);

    // Shift+Tab from the control after it comes in at the last link, and
    // Shift+Tab there goes back to link 1.
    SetPropA(links, "ilfoc", reinterpret_cast<HANDLE>(INT_PTR(0)));
    setShift(true);
    pressKey(after, VK_TAB);
    ASSERT_EQ(GetFocus(), links) << "Shift+Tab did not reach the text";
    EXPECT_EQ(property(links, "ilfoc"), 2);
    PostMessageA(links, WM_CHAR, '\t', keyData(VK_TAB, false));
    pump(frame);
    EXPECT_EQ(property(links, "ilfoc"), 1);
    setShift(false);
}

TEST_F(LinkStaticTest, TabFromTheFrameIntoThePageFindsTheFrameAsTheDialog)
{
    // The page's first tab item is "Before"; the text after it is entered
    // from "Before" as from any control before it in the frame's order.
    HWND next = GetDlgItem(frame, kNextId);
    EXPECT_EQ(GetNextDlgTabItem(frame, next, FALSE), GetDlgItem(page, kBeforeId));
    HWND before = GetDlgItem(page, kBeforeId);
    SetFocus(before);
    pressKey(before, VK_TAB);
    EXPECT_EQ(property(links, "ilfoc"), 0);
    // The frame's order runs on from the page's last item to Back.
    EXPECT_EQ(GetNextDlgTabItem(frame, GetDlgItem(page, kAfterId), FALSE), GetDlgItem(frame, kBackId));
}

TEST_F(LinkStaticTest, ATextWithoutLinksGivesTheFocusAway)
{
    SetFocus(links);
    SetWindowTextA(links, "No links any more.");
    pump(frame);
    EXPECT_NE(GetFocus(), links);
    EXPECT_EQ(GetWindowLongA(links, GWL_STYLE) & WS_TABSTOP, 0);
    char text[64];
    GetWindowTextA(links, text, sizeof text);
    EXPECT_STREQ(text, "No links any more.");
}

TEST_F(LinkStaticTest, TheSizeQueriesAnswerWhatTheLayoutNeeds)
{
    UINT calculateHeight = RegisterWindowMessageA("CalculateHeight");
    UINT calculateMinimumSize = RegisterWindowMessageA("CalculateMinimumSize");
    HDC dc = GetDC(links);
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE ampersand;
    GetTextExtentPoint32A(dc, "&", 1, &ampersand);
    SelectObject(dc, previous);
    ReleaseDC(links, dc);
    int line = ampersand.cy;

    SetWindowTextA(links, "");
    EXPECT_EQ(SendMessageA(links, calculateHeight, 300, 0), line) << "an empty text is one line high";
    SetWindowTextA(links, "Short <a>text</a>");
    EXPECT_EQ(SendMessageA(links, calculateHeight, 300, 0), line);
    SetWindowTextA(links, kThreeLinks);
    LRESULT wide = SendMessageA(links, calculateHeight, 1000, 0);
    LRESULT narrow = SendMessageA(links, calculateHeight, 40, 0);
    EXPECT_EQ(wide, line);
    EXPECT_GT(narrow, 2 * line) << "a narrow width wraps the words";
    EXPECT_EQ(narrow % line, 0);

    SIZE size = {};
    EXPECT_EQ(SendMessageA(links, calculateMinimumSize, 1000, reinterpret_cast<LPARAM>(&size)), 1);
    EXPECT_EQ(size.cy, line);
    EXPECT_GT(size.cx, 0);
    EXPECT_LT(size.cx, 1000);
    SIZE wrapped = {};
    SendMessageA(links, calculateMinimumSize, 120, reinterpret_cast<LPARAM>(&wrapped));
    EXPECT_LE(wrapped.cx, 120);
    EXPECT_EQ(wrapped.cy, SendMessageA(links, calculateHeight, 120, 0));

    // A border counts: the answer is the window's height, not the client's.
    SetWindowLongA(links, GWL_EXSTYLE, GetWindowLongA(links, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
    SetWindowPos(links, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    RECT outer, client;
    GetWindowRect(links, &outer);
    GetClientRect(links, &client);
    EXPECT_EQ(SendMessageA(links, calculateHeight, 1000, 0), line + (outer.bottom - outer.top) - client.bottom);
}

TEST_F(LinkStaticTest, ThePageRestylesEachLinkWithoutATipAsItIsPainted)
{
    restyledLink = 1;
    SendMessageA(links, WM_MOUSEMOVE, 0, centreOf(linkRectangles(links, 1)[0]));  // link 1 is hot
    RECT first = linkRectangles(links, 0)[0];
    RECT second = linkRectangles(links, 1)[0];
    for (UINT message : {UINT(WM_PRINTCLIENT), UINT(WM_PAINT)}) {
        styleQueries.clear();
        Picture picture = printClient(links, message);
        // One query per segment of links 0 and 1; link 2 has a tip and keeps
        // its green.
        ASSERT_EQ(styleQueries.size(), 2u) << "painted with message " << message;
        EXPECT_EQ(styleQueries[0].link, 0);
        EXPECT_EQ(styleQueries[0].id, L"one");
        EXPECT_EQ(styleQueries[0].state, 0);
        EXPECT_EQ(styleQueries[0].colour, linkStyles.colour[0]);
        EXPECT_EQ(styleQueries[0].underline, linkStyles.underline[0]);
        EXPECT_EQ(styleQueries[1].link, 1);
        EXPECT_EQ(styleQueries[1].state, 1) << "the hot link's state";
        EXPECT_EQ(styleQueries[1].colour, linkStyles.colour[1]);
        // The page's answer is what is painted: its colour, no underline.
        EXPECT_GT(countColour(picture, second, kRestyled), 0);
        EXPECT_FALSE(hasUnderline(picture, second, kRestyled));
        EXPECT_EQ(countColour(picture, second, linkStyles.colour[1]), 0);
        EXPECT_EQ(hasUnderline(picture, first, linkStyles.colour[0]), linkStyles.underline[0] != 0);
        EXPECT_EQ(countColour(picture, first, kRestyled), 0);
    }
}

TEST_F(LinkStaticTest, ThePageHearsWhenTheTextGetsAndLosesTheFocus)
{
    HWND before = GetDlgItem(page, kBeforeId);
    SetFocus(before);
    focusCodes.clear();
    SetFocus(links);
    ASSERT_EQ(focusCodes.size(), 1u);
    EXPECT_EQ(focusCodes[0], UINT(NM_SETFOCUS));
    SetFocus(before);
    ASSERT_EQ(focusCodes.size(), 2u);
    EXPECT_EQ(focusCodes[1], UINT(NM_KILLFOCUS));
}

// A background of 4-pixel squares in two colours, which shows where the
// brush's pattern starts.
HBRUSH makeSquaresBrush()
{
    struct {
        BITMAPINFOHEADER header;
        DWORD pixels[64];
    } pattern = {};
    pattern.header.biSize = sizeof pattern.header;
    pattern.header.biWidth = 8;
    pattern.header.biHeight = 8;
    pattern.header.biPlanes = 1;
    pattern.header.biBitCount = 32;
    for (int i = 0; i < 64; ++i)
        pattern.pixels[i] = ((i % 8 < 4) != (i / 8 < 4)) ? 0xFFFFFF : 0xC0D0E0;
    return CreateDIBPatternBrushPt(&pattern, DIB_RGB_COLORS);
}

TEST_F(LinkStaticTest, PaintingThroughABufferGivesThePixelsOfPaintingIntoADeviceContext)
{
    pageBrush = makeSquaresBrush();
    ASSERT_NE(pageBrush, nullptr);
    SetPropA(links, "ilfoc", reinterpret_cast<HANDLE>(INT_PTR(1)));
    SetFocus(links);  // a focus rectangle too
    Picture expected = printClient(links);
    RECT client;
    GetClientRect(links, &client);
    // Off the pattern's grid: the buffer's first pixel is not the window's.
    RECT part = {3, 5, client.right - 2, client.bottom - 1};
    bool systemBuffers = bufferedPainting;
    for (bool buffered : {true, false}) {
        if (buffered && !systemBuffers)
            continue;  // the system has no buffered painting
        bufferedPainting = buffered;
        HDC own = GetDC(links);
        FillRect(own, &client, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(links, own);
        InvalidateRect(links, &part, FALSE);
        UpdateWindow(links);
        Picture painted = printClient(links, WM_NULL);
        int differing = 0;
        for (int y = part.top; y < part.bottom; ++y) {
            for (int x = part.left; x < part.right; ++x)
                differing += painted.at(x, y) != expected.at(x, y);
        }
        EXPECT_EQ(differing, 0) << (buffered ? "the system's buffer" : "a memory bitmap");
        EXPECT_GT(countColour(painted, part, 0xE0D0C0), 0) << "no background pattern";
    }
    bufferedPainting = systemBuffers;
    DeleteObject(pageBrush);
    pageBrush = nullptr;
}

TEST_F(LinkStaticTest, PicturesAndIconsStayTheSystemsStatics)
{
    HWND picture = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_BITMAP, 0, 200, 20, 20, page, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(picture, nullptr);
    UINT calculateHeight = RegisterWindowMessageA("CalculateHeight");
    EXPECT_EQ(SendMessageA(picture, calculateHeight, 100, 0), 0);
    EXPECT_EQ(GetWindowLongA(picture, GWL_STYLE) & WS_TABSTOP, 0);
}

// Each entry point is called through the member of its own name: the
// library's list of names runs in the order of the members.
TEST(ThemeLibraryTest, EachEntryIsTheLibrarysFunctionOfItsName)
{
    const ThemeLibrary& themes = themeEntries();
    HMODULE uxtheme = GetModuleHandleA("uxtheme.dll");
    ASSERT_NE(uxtheme, nullptr) << "uxtheme.dll was not loaded";
    const char* names[] = {"OpenThemeData",
                           "CloseThemeData",
                           "DrawThemeBackground",
                           "DrawThemeParentBackground",
                           "IsAppThemed",
                           "IsThemeActive",
                           "IsThemeBackgroundPartiallyTransparent",
                           "GetThemeColor",
                           "GetThemeFont",
                           "SetWindowTheme",
                           "BufferedPaintInit",
                           "BufferedPaintUnInit",
                           "BeginBufferedPaint",
                           "EndBufferedPaint"};
    FARPROC entries[sizeof names / sizeof names[0]];
    ASSERT_EQ(sizeof entries, sizeof themes);
    memcpy(entries, &themes, sizeof entries);
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
        EXPECT_NE(entries[i], nullptr) << names[i] << " is missing from Wine's uxtheme";
        EXPECT_EQ(entries[i], GetProcAddress(uxtheme, names[i])) << names[i];
    }
    EXPECT_EQ(themeLibrary(), &themes) << "the first seven are all there";
}

}  // namespace
