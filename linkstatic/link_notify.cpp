#include "linkstatic/link_notify.h"

#include <commctrl.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>

namespace {

// An NMLINK with the look of the link after it, as LSN_LINKSTYLE has it.
struct LinkStyleQuery {
    NMLINK link;
    LinkLook look;
};
static_assert(offsetof(LinkStyleQuery, look) == 4292 && offsetof(LinkStyleQuery, look.underline) == 4300,
              "the parent reads the look where NMLINK ends");

LRESULT sendNotification(HWND window, NMHDR* header, UINT code)
{
    // The control's id, as GetDlgCtrlID reads it.
    int id = int(GetWindowLongA(window, GWL_ID));
    header->hwndFrom = window;
    header->idFrom = UINT_PTR(id);
    header->code = code;
    return SendMessageA(GetParent(window), WM_NOTIFY, WPARAM(id), reinterpret_cast<LPARAM>(header));
}

// An attribute in UTF-16, cut to what `size` characters hold with the NUL;
// absent attributes are empty. A byte of the code page is at most one UTF-16
// character, so the cut text always fits.
void toWide(const char* text, WCHAR* out, int size)
{
    int length = 0;
    if (text) {
        size_t bytes = strlen(text);
        length = MultiByteToWideChar(CP_ACP, 0, text, bytes < size_t(size) ? int(bytes) : size - 1, out, size - 1);
    }
    out[length] = 0;
}

}  // namespace

void notifyFocus(HWND window, UINT code)
{
    NMHDR header;
    sendNotification(window, &header, code);
}

// The structure is larger than a page of stack: it lives on the heap, so
// that no frame of this control needs stack probing.
bool notifyLink(HWND window, const LinkInfo* link, UINT code, LinkLook* look)
{
    LinkStyleQuery* query = static_cast<LinkStyleQuery*>(malloc(sizeof(LinkStyleQuery)));
    if (!query)
        return false;
    memset(query, 0, sizeof(LinkStyleQuery));
    if (look)
        query->look = *look;
    query->link.item.iLink = int(link->index);
    toWide(link->id, query->link.item.szID, MAX_LINKID_TEXT);
    toWide(link->href, query->link.item.szUrl, L_MAX_URL_LENGTH);
    bool answered = sendNotification(window, &query->link.hdr, code) != 0;
    if (look)
        *look = query->look;
    free(query);
    return answered;
}
