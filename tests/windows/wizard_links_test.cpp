// Links in the real wizard: an installer built by `slipway` from
// tests/windows/packages/link_texts, whose welcome text, licence hint and
// finish texts carry links with href, id and a tip. Looked at on the screen
// and driven with the messages a user's mouse and keyboard make.
#include "support/installer_wizard.h"
#include "support/stub_runs.h"
#include "support/wizard_driver.h"
#include "uiauto/ui_automation.h"

#include "resources/resource_ids.h"
#include "uiauto/time_limits.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The shell starts the link's script through cmd.exe, a process start of its
// own.
constexpr DWORD kShellOpenTimeoutMs = timeLimitMs(10000);

const char kPackage[] = "link_texts";
const char kUninstallKeyName[] = "SlipwayLinkTextsTest";
// Time for the wizard to take a key or a press posted to it.
constexpr DWORD kInputTakenTimeoutMs = timeLimitMs(5000);

// What the screen shows in a window's rectangle, read back as colours.
struct ScreenPicture {
    RECT rect{};  // screen coordinates
    std::vector<COLORREF> pixels;

    int width() const { return rect.right - rect.left; }
    int height() const { return rect.bottom - rect.top; }
    COLORREF at(int x, int y) const { return pixels[size_t(y) * size_t(width()) + size_t(x)]; }
};

ScreenPicture capture(HWND window)
{
    uiauto::waitUntilPainted(GetAncestor(window, GA_ROOT), 5000);
    ScreenPicture picture;
    GetWindowRect(window, &picture.rect);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width();
    info.bmiHeader.biHeight = -picture.height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width(), picture.height(), screen, picture.rect.left, picture.rect.top, SRCCOPY);
    GdiFlush();
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    for (int i = 0; i < picture.width() * picture.height(); ++i)
        picture.pixels.push_back(RGB((pixels[i] >> 16) & 0xFF, (pixels[i] >> 8) & 0xFF, pixels[i] & 0xFF));
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

// A horizontal line of one colour on the screen: an underline. Its row and
// columns in client coordinates of the window captured.
struct Underline {
    bool found = false;
    int y = 0;
    int left = 0;
    int right = 0;
};

// The longest run of the colour in any row, when it is at least 12 pixels.
Underline findUnderline(const ScreenPicture& picture, COLORREF colour)
{
    Underline best;
    for (int y = 0; y < picture.height(); ++y) {
        int x = 0;
        while (x < picture.width()) {
            if (picture.at(x, y) != colour) {
                ++x;
                continue;
            }
            int start = x;
            while (x < picture.width() && picture.at(x, y) == colour)
                ++x;
            if (x - start >= 12 && x - start > best.right - best.left)
                best = Underline{true, y, start, x};
        }
    }
    return best;
}

// Client coordinates of a window, from the screen picture's.
LPARAM clientPoint(HWND window, const ScreenPicture& picture, int x, int y)
{
    POINT point = {picture.rect.left + x, picture.rect.top + y};
    ScreenToClient(window, &point);
    return MAKELPARAM(point.x, point.y);
}

// The point a little above the middle of an underline: on the link's text.
LPARAM onLink(HWND window, const ScreenPicture& picture, const Underline& line)
{
    return clientPoint(window, picture, (line.left + line.right) / 2, line.y - 3);
}

int property(HWND window, const char* name)
{
    return int(reinterpret_cast<INT_PTR>(GetPropA(window, name)));
}

bool waitForProperty(HWND window, const char* name, int value)
{
    return uiauto::pollUntil(kInputTakenTimeoutMs, [&] { return property(window, name) == value; });
}

HWND focusOf(HWND frame)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(frame, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

// The Tab key pressed on the window that has the focus, through the
// wizard's own dialog loop. Every Tab the tests press moves the focus, to
// another window or to another link of the same text: it waits for that.
void pressTab(HWND frame)
{
    HWND focus = focusOf(frame);
    int link = property(focus, "ilfoc");
    LPARAM scan = LPARAM(MapVirtualKeyA(VK_TAB, 0)) << 16;
    PostMessageA(focus, WM_KEYDOWN, VK_TAB, scan | 1);
    PostMessageA(focus, WM_KEYUP, VK_TAB, scan | 0xC0000001);
    uiauto::pollUntil(kInputTakenTimeoutMs,
                      [&] { return focusOf(frame) != focus || property(focus, "ilfoc") != link; });
}

// A press and release on a link; the callers wait for what it does.
void clickAt(HWND window, LPARAM point)
{
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(window, WM_LBUTTONUP, 0, point);
}

// The visible balloon of the process, or null.
HWND visibleBalloon(DWORD processId)
{
    for (HWND tip = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr); tip;
         tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr)) {
        if (uiauto::windowProcessId(tip) == processId && IsWindowVisible(tip))
            return tip;
    }
    return nullptr;
}

class WizardLinksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(GetFileAttributesA(installer.c_str()), INVALID_FILE_ATTRIBUTES) << installer << " was not built";
        ASSERT_TRUE(startProgram(setup, installer, ""));
        frame = waitForFrame(setup);
        ASSERT_NE(frame, nullptr) << "the wizard frame did not appear";
        ASSERT_TRUE(waitUntilLoaded(frame));
    }

    const std::string installer = testInstallerPath(kPackage);
    InstalledProduct product{"Slipway Link Texts", {kUninstallKeyName}};
    uiauto::RunningProcess setup;
    HWND frame = nullptr;
};

TEST_F(WizardLinksTest, TheWelcomeTextShowsItsLinksAndFollowsTheMouseAndTheKeyboard)
{
    HWND page = currentPage(frame);
    ASSERT_NE(page, nullptr);
    HWND text = GetDlgItem(page, IDC_PAGE_TEXT);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(GetWindowLongA(text, GWL_STYLE) & WS_TABSTOP, WS_TABSTOP) << "a text with links is a tab stop";
    saveScreenshot(frame, "links_welcome");

    // The links are drawn in their colours and underlined: the href link in
    // the hot-light colour, the one with a tip in green; the rest is plain.
    ScreenPicture picture = capture(text);
    Underline home = findUnderline(picture, GetSysColor(COLOR_HOTLIGHT));
    Underline tipped = findUnderline(picture, RGB(0, 130, 0));
    ASSERT_TRUE(home.found) << "no underlined link in the link colour";
    ASSERT_TRUE(tipped.found) << "no underlined link with a tip";
    EXPECT_FALSE(findUnderline(picture, GetSysColor(COLOR_WINDOWTEXT)).found) << "plain text is underlined";
    if (home.left >= 2) {
        EXPECT_EQ(picture.at(home.left - 2, home.y), picture.at(1, 1)) << "the underline runs past its link";
    }

    // The mouse over a link makes it hot, and leaving it makes it plain
    // again; off the links the control lets the mouse through. The real
    // pointer moves, so the control's own request for WM_MOUSELEAVE holds.
    EXPECT_EQ(property(text, "ilhot"), -1);
    POINT screen = {picture.rect.left + (home.left + home.right) / 2, picture.rect.top + home.y - 3};
    SetCursorPos(screen.x, screen.y);
    EXPECT_TRUE(waitForProperty(text, "ilhot", 0)) << "the link under the mouse is not hot";
    saveScreenshot(frame, "links_welcome_hot");
    DWORD_PTR hit = 0;
    SendMessageTimeoutA(text, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y), SMTO_ABORTIFHUNG, 5000, &hit);
    EXPECT_EQ(hit, DWORD_PTR(HTCLIENT));
    SendMessageTimeoutA(text, WM_NCHITTEST, 0, MAKELPARAM(picture.rect.left + 1, picture.rect.bottom - 1),
                        SMTO_ABORTIFHUNG, 5000, &hit);
    EXPECT_EQ(hit, DWORD_PTR(HTTRANSPARENT));
    SetCursorPos(0, 0);
    EXPECT_TRUE(waitForProperty(text, "ilhot", -1)) << "the link stayed hot after the mouse left";

    // Tab comes into the text at its first link, moves to the second, and
    // from the last leaves the text for the frame's buttons; from Cancel it
    // comes back in at the first link.
    for (int i = 0; i < 6 && focusOf(frame) != text; ++i)
        pressTab(frame);
    ASSERT_EQ(focusOf(frame), text) << "Tab does not reach the text";
    // The focus shows as moved before the control has taken its WM_SETFOCUS
    // and chosen its link: the choice is waited for, not read at once.
    EXPECT_TRUE(waitForProperty(text, "ilfoc", 0)) << "coming in, the first link has the focus";
    pressTab(frame);
    EXPECT_EQ(focusOf(frame), text);
    EXPECT_TRUE(waitForProperty(text, "ilfoc", 1)) << "Tab did not move to the second link";
    saveScreenshot(frame, "links_welcome_focused");
    pressTab(frame);
    EXPECT_NE(focusOf(frame), text) << "Tab on the last link stays in the text";
    for (int i = 0; i < 4 && focusOf(frame) != text; ++i)
        pressTab(frame);
    ASSERT_EQ(focusOf(frame), text) << "Tab from the frame's buttons does not come back to the text";
    EXPECT_TRUE(waitForProperty(text, "ilfoc", 0)) << "coming in forwards, the first link has the focus";

    // A press on a link, dragged off and let go elsewhere, does nothing; a
    // click on the link with a tip shows the balloon below it, and a key
    // closes it.
    // The release is judged once the press has been taken, and the balloon
    // is shown while the release is taken: looked for after both.
    PostMessageA(text, WM_LBUTTONDOWN, MK_LBUTTON, onLink(text, picture, tipped));
    EXPECT_TRUE(uiauto::pollUntil(kInputTakenTimeoutMs, [&] { return property(text, "ilprs") != -1; }))
        << "the press on the link was not taken";
    PostMessageA(text, WM_MOUSEMOVE, MK_LBUTTON, clientPoint(text, picture, 1, picture.height() - 1));
    PostMessageA(text, WM_LBUTTONUP, 0, clientPoint(text, picture, 1, picture.height() - 1));
    EXPECT_TRUE(waitForProperty(text, "ilprs", -1)) << "the release was not taken";
    EXPECT_EQ(visibleBalloon(setup.processId()), nullptr) << "a press dragged off the link activated it";

    clickAt(text, onLink(text, picture, tipped));
    HWND balloon = nullptr;
    uiauto::pollUntil(kInputTakenTimeoutMs, [&] { return (balloon = visibleBalloon(setup.processId())) != nullptr; });
    ASSERT_NE(balloon, nullptr) << "the link's tip did not show";
    saveScreenshot(nullptr, "links_welcome_balloon");
    RECT balloonRect;
    GetWindowRect(balloon, &balloonRect);
    EXPECT_GT(balloonRect.top, picture.rect.top + tipped.y) << "the balloon is not below the link";
    EXPECT_LT(balloonRect.top, picture.rect.top + tipped.y + 12);
    PostMessageA(text, WM_KEYDOWN, VK_SHIFT, LPARAM(MapVirtualKeyA(VK_SHIFT, 0)) << 16 | 1);
    EXPECT_TRUE(uiauto::pollUntil(kInputTakenTimeoutMs, [&] { return !visibleBalloon(setup.processId()); }))
        << "a key did not close the balloon";

    EXPECT_TRUE(cancelFrame(setup, frame));
}

TEST_F(WizardLinksTest, TheLicenceHintFitsItsTextAndTheFinishLinkOpensWithTheShell)
{
    HWND license = pressAndWaitForPage(frame, IDC_NEXT, PageKind::License);
    ASSERT_NE(license, nullptr);
    HWND hint = GetDlgItem(license, IDC_HINT);
    HWND edit = GetDlgItem(license, IDC_LICENSE_TEXT);
    RECT hintRect, editRect;
    GetWindowRect(hint, &hintRect);
    GetWindowRect(edit, &editRect);
    DWORD_PTR needed = 0;
    SendMessageTimeoutA(hint, RegisterWindowMessageA("CalculateHeight"), WPARAM(hintRect.right - hintRect.left), 0,
                        SMTO_ABORTIFHUNG, 5000, &needed);
    ASSERT_GT(needed, 0u);
    // The long hint needs more than its line: the hint grew upwards to
    // exactly what "CalculateHeight" answers, and the licence box above it
    // was shortened to make room.
    EXPECT_EQ(LONG(needed), hintRect.bottom - hintRect.top) << "the hint line was not fitted to its text";
    EXPECT_LE(editRect.bottom, hintRect.top);
    ScreenPicture picture = capture(hint);
    EXPECT_TRUE(findUnderline(picture, GetSysColor(COLOR_HOTLIGHT)).found) << "the hint's link is not drawn";
    saveScreenshot(frame, "links_license_hint");

    // The installation is small: its progress page may be gone before a
    // poll sees it.
    HWND finish = nextUntilFinishPage(frame);
    ASSERT_NE(finish, nullptr);
    HWND text = GetDlgItem(finish, IDC_PAGE_TEXT);
    saveScreenshot(frame, "links_finish");
    ScreenPicture finishPicture = capture(text);
    Underline open = findUnderline(finishPicture, GetSysColor(COLOR_HOTLIGHT));
    ASSERT_TRUE(open.found) << "the finish text's link is not drawn";
    std::string marker = product.at("opened.txt");
    clickAt(text, onLink(text, finishPicture, open));
    bool opened = false;
    for (DWORD waited = 0; waited < kShellOpenTimeoutMs && !opened; waited += 100) {
        opened = GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!opened)
            Sleep(100);
    }
    EXPECT_TRUE(opened) << "the shell did not open the finish link's script";
    ASSERT_TRUE(pressNext(frame));
    DWORD exitCode = 1;
    EXPECT_TRUE(setup.wait(kExitTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

}  // namespace
