#include "support/component_list.h"

#include "resources/resource_ids.h"
#include "uiauto/ui_automation.h"
#include "wizard/component_entries.h"
#include "uiauto/time_limits.h"

#include <cwchar>
#include <map>
#include <ostream>
#include <string>

namespace {

constexpr DWORD kWaitTimeoutMs = timeLimitMs(10000);

LRESULT ask(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = DWORD_PTR(LB_ERR);
    if (!SendMessageTimeoutA(list, message, wParam, lParam, SMTO_ABORTIFHUNG, uiauto::kMessageTimeoutMs, &result))
        return LB_ERR;
    return LRESULT(result);
}

// An entry's rectangle in the list's client area: entries are all of one
// height and the list scrolls by whole entries.
EntryBox entryBox(HWND list, int index)
{
    RECT client;
    GetClientRect(list, &client);
    int height = int(ask(list, LB_GETITEMHEIGHT, 0, 0));
    int top = (index - int(ask(list, LB_GETTOPINDEX, 0, 0))) * height;
    EntryBox box;
    box.left = 0;
    box.top = top;
    box.right = client.right;
    box.bottom = top + height;
    return box;
}

POINT onScreen(HWND list, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(list, &point);
    return point;
}

// The list holds the stub's ANSI names; the test compares them as such.
std::string ansiText(const std::wstring& wide)
{
    int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), &text[0], size, nullptr, nullptr);
    return text;
}

int brightness(COLORREF colour)
{
    return GetRValue(colour) + GetGValue(colour) + GetBValue(colour);
}

}  // namespace

void PrintTo(const ListEntry& entry, std::ostream* out)
{
    *out << "\"" << entry.text << "\" 0x" << std::hex << entry.itemData << std::dec;
}

std::vector<ListEntry> listEntries(HWND list)
{
    std::vector<ListEntry> entries;
    int count = int(ask(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        // Asked in UTF-16: across processes Wine hands back the wide text
        // even to the ANSI call, twice the length the ANSI answer promised.
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutW(list, LB_GETTEXTLEN, WPARAM(i), 0, SMTO_ABORTIFHUNG, uiauto::kMessageTimeoutMs,
                                 &length) ||
            LRESULT(length) == LB_ERR)
            length = 0;
        // Room for either answer, so no reading of it can overrun.
        std::wstring wide(2 * size_t(length) + 2, L'\0');
        DWORD_PTR copied = 0;
        if (!SendMessageTimeoutW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(&wide[0]), SMTO_ABORTIFHUNG,
                                 uiauto::kMessageTimeoutMs, &copied) ||
            LRESULT(copied) == LB_ERR)
            copied = 0;
        wide.resize(wcsnlen(wide.c_str(), size_t(copied)));
        entries.push_back({ansiText(wide), uint32_t(ask(list, LB_GETITEMDATA, WPARAM(i), 0))});
    }
    return entries;
}

int currentEntry(HWND list)
{
    return int(ask(list, LB_GETCURSEL, 0, 0));
}

SquareLook lookAtSquare(HWND frame, HWND list, int index)
{
    SquareLook look;
    uiauto::waitUntilPainted(frame, uiauto::kMessageTimeoutMs);
    EntryBox square = checkSquareOf(entryBox(list, index));
    // The inside, clear of the square's sunken edge.
    const int edge = 3;
    POINT topLeft = onScreen(list, square.left + edge, square.top + edge);
    POINT bottomRight = onScreen(list, square.right - edge, square.bottom - edge);
    RECT inside = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    std::vector<COLORREF> pixels;
    if (inside.right <= inside.left || inside.bottom <= inside.top || !uiauto::readScreenPixels(inside, pixels))
        return look;
    look.read = true;
    std::map<COLORREF, int> counts;
    for (COLORREF pixel : pixels)
        ++counts[pixel];
    COLORREF background = counts.begin()->first;
    for (const auto& count : counts)
        if (count.second > counts[background])
            background = count.first;
    // The mark is drawn in the text colour, or grey when the square is
    // greyed: well darker than the inside either way.
    int marked = 0;
    int darkest = brightness(background);
    for (COLORREF pixel : pixels) {
        if (brightness(background) - brightness(pixel) >= 96)
            ++marked;
        darkest = brightness(pixel) < darkest ? brightness(pixel) : darkest;
    }
    look.ticked = marked >= 3;
    // Greyed: the classic square fills its inside with the button face; a
    // themed one keeps the window colour inside but draws its mark grey, not
    // near black.
    look.greyed = background != GetSysColor(COLOR_WINDOW) || (look.ticked && darkest >= 3 * 96);
    return look;
}

POINT squareCentre(HWND list, int index)
{
    EntryBox square = checkSquareOf(entryBox(list, index));
    return onScreen(list, (square.left + square.right) / 2, (square.top + square.bottom) / 2);
}

POINT nameCentre(HWND list, int index)
{
    EntryBox text = entryTextOf(entryBox(list, index));
    return onScreen(list, text.left + 20, (text.top + text.bottom) / 2);
}

bool pressSpace(HWND list)
{
    return uiauto::sendKey(list, VK_SPACE, L' ');
}

bool waitForNextCaption(HWND frame, const std::string& caption)
{
    return waitForText(GetDlgItem(frame, IDC_NEXT), caption);
}

bool waitForText(HWND window, const std::string& text)
{
    return uiauto::pollUntil(kWaitTimeoutMs, [&] { return uiauto::windowText(window) == text; });
}

bool waitForCurrentEntry(HWND list, int index)
{
    return uiauto::pollUntil(kWaitTimeoutMs, [&] { return currentEntry(list) == index; });
}
