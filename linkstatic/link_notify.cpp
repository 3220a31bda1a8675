#include "linkstatic/link_notify.h"

#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

namespace {

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

// The structure is larger than a page of stack: it lives on the heap, so
// that no frame of this control needs stack probing.
bool notifyLinkClick(HWND window, const LinkInfo* link)
{
    NMLINK* message = static_cast<NMLINK*>(calloc(1, sizeof(NMLINK)));
    if (!message)
        return false;
    int id = GetDlgCtrlID(window);
    message->hdr.hwndFrom = window;
    message->hdr.idFrom = UINT_PTR(id);
    message->hdr.code = UINT(NM_CLICK);
    message->item.iLink = int(link->index);
    toWide(link->id, message->item.szID, MAX_LINKID_TEXT);
    toWide(link->href, message->item.szUrl, L_MAX_URL_LENGTH);
    bool handled = SendMessageA(GetParent(window), WM_NOTIFY, WPARAM(id), reinterpret_cast<LPARAM>(message)) != 0;
    free(message);
    return handled;
}
