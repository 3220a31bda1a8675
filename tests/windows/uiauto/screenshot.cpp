// Capturing what the screen shows: into a 24-bit BMP file, or as pixels.
#include "ui_automation.h"

#include "internal.h"

#include <vector>

namespace uiauto {
namespace {

class ScreenDC {
public:
    ScreenDC() : dc_(GetDC(nullptr)) {}
    ~ScreenDC()
    {
        if (dc_ != nullptr)
            ReleaseDC(nullptr, dc_);
    }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC()
    {
        if (dc_ != nullptr)
            DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

class Bitmap {
public:
    explicit Bitmap(HBITMAP bitmap) : bitmap_(bitmap) {}
    ~Bitmap()
    {
        if (bitmap_ != nullptr)
            DeleteObject(bitmap_);
    }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    HBITMAP get() const { return bitmap_; }

private:
    HBITMAP bitmap_;
};

// Selects an object into a DC and puts the previous one back, so the bitmap is no
// longer selected when it is deleted.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection()
    {
        if (previous_ != nullptr && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    bool ok() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

RECT virtualScreen()
{
    RECT screen;
    screen.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    screen.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    screen.right = screen.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    screen.bottom = screen.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    return screen;
}

// Each BMP row is padded to a multiple of four bytes.
DWORD rowStride(LONG width)
{
    return (static_cast<DWORD>(width) * 3 + 3) & ~3u;
}

bool writeAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

bool writeBmp(const char* path, LONG width, LONG height, const std::vector<BYTE>& pixels)
{
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;  // positive: rows run bottom-up, as GetDIBits gave them
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(pixels.size());

    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = header.bfOffBits + info.biSizeImage;

    detail::ScopedHandle file(CreateFileW(detail::toWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    return writeAll(file.get(), &header, sizeof(header)) && writeAll(file.get(), &info, sizeof(info)) &&
           writeAll(file.get(), pixels.data(), info.biSizeImage);
}

// Copies the screen's pixels in `area` (within the screen) as 24-bit rows,
// bottom-up and padded as a BMP holds them.
bool captureScreen(const RECT& area, std::vector<BYTE>& pixels)
{
    const LONG width = area.right - area.left;
    const LONG height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;

    ScreenDC screenDC;
    if (screenDC.get() == nullptr)
        return false;
    MemoryDC memoryDC(screenDC.get());
    Bitmap bitmap(CreateCompatibleBitmap(screenDC.get(), width, height));
    if (memoryDC.get() == nullptr || bitmap.get() == nullptr)
        return false;
    {
        Selection selected(memoryDC.get(), bitmap.get());
        if (!selected.ok())
            return false;
        if (!BitBlt(memoryDC.get(), 0, 0, width, height, screenDC.get(), area.left, area.top, SRCCOPY | CAPTUREBLT))
            return false;
    }

    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    pixels.assign(static_cast<size_t>(rowStride(width)) * static_cast<size_t>(height), 0);
    const int rows =
        GetDIBits(memoryDC.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(), &format, DIB_RGB_COLORS);
    return rows == height;
}

}  // namespace

bool saveScreenshot(HWND window, const char* bmpPath)
{
    const RECT screen = virtualScreen();
    RECT area = screen;
    if (window != nullptr) {
        waitUntilPainted(window, kMessageTimeoutMs);  // a half-painted picture still helps
        RECT windowRect;
        if (!GetWindowRect(window, &windowRect))
            return false;
        if (!IntersectRect(&area, &windowRect, &screen))
            return false;  // off screen
    }
    std::vector<BYTE> pixels;
    if (!captureScreen(area, pixels))
        return false;
    return writeBmp(bmpPath, area.right - area.left, area.bottom - area.top, pixels);
}

bool readScreenPixels(const RECT& area, std::vector<COLORREF>& pixels)
{
    RECT shown;
    const RECT screen = virtualScreen();
    if (!IntersectRect(&shown, &area, &screen) || !EqualRect(&shown, &area))
        return false;
    std::vector<BYTE> rows;
    if (!captureScreen(area, rows))
        return false;
    const LONG width = area.right - area.left;
    const LONG height = area.bottom - area.top;
    pixels.clear();
    pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (LONG y = 0; y < height; ++y) {
        // Bottom-up rows, blue, green, red.
        const BYTE* row = rows.data() + static_cast<size_t>(height - 1 - y) * rowStride(width);
        for (LONG x = 0; x < width; ++x)
            pixels.push_back(RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]));
    }
    return true;
}

}  // namespace uiauto
