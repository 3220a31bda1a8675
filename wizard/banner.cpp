#include "wizard/banner.h"

#include "format/install_script.h"
#include "resources/resource_ids.h"
#include "platform/import_slots.h"

SLIPWAY_IMPORT_SLOT(CreateDIBitmap, 24);
SLIPWAY_IMPORT_SLOT(GetDC, 4);
SLIPWAY_IMPORT_SLOT(GetWindow, 8);
SLIPWAY_IMPORT_SLOT(ReleaseDC, 8);

void showBanner(HWND frame, const Bytes& info, const Bytes& bits)
{
    HWND banner = GetDlgItem(frame, IDC_BANNER);
    if (!banner)
        return;
    if (!SendMessageA(banner, STM_GETIMAGE, IMAGE_BITMAP, 0) &&
        bannerIsComplete(info.data(), info.size(), bits.size())) {
        HDC screen = GetDCSlot(nullptr);
        HBITMAP bitmap =
            CreateDIBitmapSlot(screen, reinterpret_cast<const BITMAPINFOHEADER*>(info.data()), CBM_INIT, bits.data(),
                               reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
        ReleaseDCSlot(nullptr, screen);
        // The control keeps the bitmap for the frame's lifetime.
        if (bitmap)
            SendMessageA(banner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    }
    // The upper separator is the frame's second child window.
    HWND separator = GetWindowSlot(banner, GW_HWNDNEXT);
    RECT client, line;
    GetClientRect(frame, &client);
    int height = 0;
    if (separator && GetWindowRect(separator, &line)) {
        POINT top = {line.left, line.top};
        MapWindowPoints(nullptr, frame, &top, 1);
        height = top.y;
    }
    SetWindowPos(banner, nullptr, 0, 0, client.right, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
