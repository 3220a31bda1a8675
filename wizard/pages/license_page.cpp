// The licence page: the licence streamed into a rich edit control, as RTF or
// plain text, with its web addresses opened by the shell.
#include "format/install_script.h"
#include "state/run_state.h"
#include "linkstatic/link_static.h"
#include "resources/resource_ids.h"
#include "uninstall/path_variables_win32.h"
#include "wizard/page_sequence.h"
#include "wizard/pages.h"

#include <richedit.h>
#include <shellapi.h>
#include <stdlib.h>
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(DefWindowProcA, 16);
SLIPWAY_IMPORT_SLOT(GetPropA, 8);
SLIPWAY_IMPORT_SLOT(RemovePropA, 8);
SLIPWAY_IMPORT_SLOT(SetPropA, 12);

namespace {

const char kRichEditProcedureProperty[] = "SlipwayEdit";

struct LicenseStream {
    const char* next;
    size_t remaining;
};

DWORD CALLBACK readLicense(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* given)
{
    LicenseStream* stream = reinterpret_cast<LicenseStream*>(cookie);
    if (stream->remaining == 0 || requested <= 0) {
        *given = 0;
        return DWORD(E_FAIL);
    }
    size_t count = stream->remaining < size_t(requested) ? stream->remaining : size_t(requested);
    CopyMemory(buffer, stream->next, count);
    stream->next += count;
    stream->remaining -= count;
    *given = LONG(count);
    return 0;
}

// Tab into the licence must not select all of it.
LRESULT CALLBACK licenseEditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC original = reinterpret_cast<WNDPROC>(GetPropASlot(edit, kRichEditProcedureProperty));
    if (!original)
        return DefWindowProcASlot(edit, message, wParam, lParam);
    if (message == WM_GETDLGCODE)
        return CallWindowProcA(original, edit, message, wParam, lParam) & ~LRESULT(DLGC_HASSETSEL);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropASlot(edit, kRichEditProcedureProperty);
    }
    return CallWindowProcA(original, edit, message, wParam, lParam);
}

void streamLicense(HWND edit, const InstallScript& script)
{
    const Bytes& text = script.licenseText;
    size_t length = text.size();
    while (length && text.data()[length - 1] == 0)  // without its terminating NUL
        --length;
    LicenseStream stream = {text.text(), length};
    EDITSTREAM source = {};
    source.dwCookie = reinterpret_cast<DWORD_PTR>(&stream);
    source.pfnCallback = readLicense;
    SendMessageA(edit, EM_STREAMIN, licenseIsRtf(script) ? SF_RTF : SF_TEXT, reinterpret_cast<LPARAM>(&source));
}

// A long hint grows the hint line upwards and shrinks the licence box.
void fitHintLine(HWND page, HWND edit)
{
    HWND hint = GetDlgItem(page, IDC_HINT);
    RECT hintRect, editRect;
    GetWindowRect(hint, &hintRect);
    GetWindowRect(edit, &editRect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&hintRect), 2);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&editRect), 2);
    int hintHeight = hintRect.bottom - hintRect.top;
    int editHeight = editRect.bottom - editRect.top;
    int needed = int(SendMessageA(hint, calculateHeightMessage, WPARAM(hintRect.right - hintRect.left), 0));
    if (needed <= hintHeight)
        return;
    if (needed > editHeight)
        needed = editHeight;
    int grow = needed - hintHeight;
    SetWindowPos(edit, nullptr, 0, 0, editRect.right - editRect.left, editHeight - grow,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(hint, nullptr, hintRect.left, hintRect.bottom - needed, hintRect.right - hintRect.left, needed,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void openLink(HWND edit, const ENLINK& link)
{
    CHARRANGE saved;
    SendMessageA(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    CHARRANGE range = link.chrg;
    if (range.cpMax <= range.cpMin)
        return;
    SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    size_t size = size_t(range.cpMax - range.cpMin) * 2 + 1;  // room for double-byte characters
    char* address = static_cast<char*>(malloc(size + 1));
    if (address) {
        memset(address, 0, size + 1);
        SendMessageA(edit, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(address));
    }
    SendMessageA(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    if (address) {
        ShellExecuteA(nullptr, nullptr, address, nullptr, nullptr, SW_SHOWNORMAL);
        free(address);
    }
}

}  // namespace

INT_PTR CALLBACK licensePageProcedure(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        const InstallScript& script = *runState.installScript;
        HWND edit = GetDlgItem(page, IDC_LICENSE_TEXT);
        SendMessageA(edit, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
        SendMessageA(edit, EM_SETEVENTMASK, 0, ENM_LINK | ENM_CHANGE);
        SendMessageA(edit, EM_AUTOURLDETECT, TRUE, 0);
        SetPropASlot(edit, kRichEditProcedureProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrA(edit, GWLP_WNDPROC)));
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(licenseEditProcedure));
        streamLicense(edit, script);
        setDlgItemTextExpanded(page, IDC_HINT, script.licenseHint.textOrNull());
        fitHintLine(page, edit);
        offerBackPage(page, InstallPage::License);
        offerNextPage(page, InstallPage::PreviousVersion, HintLine::Keep);
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == EN_LINK) {
            const ENLINK* link = reinterpret_cast<const ENLINK*>(lParam);
            if (link->msg == WM_LBUTTONDOWN)
                openLink(header->hwndFrom, *link);
        }
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    return FALSE;
}
