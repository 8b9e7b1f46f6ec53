// Owners for device contexts and for objects selected into them: every path puts back what it changed.
#pragma once

#include <windows.h>

#include <utility>

#include "base/Exception.h"
#include "base/UniqueHandle.h"

namespace dovex {

// BeginPaint ... EndPaint of one WM_PAINT.
class TPaintDC {
public:
    explicit TPaintDC(HWND window) noexcept : FWindow(window) { FDC = ::BeginPaint(window, &FPaint); }
    TPaintDC(const TPaintDC&) = delete;
    TPaintDC& operator=(const TPaintDC&) = delete;
    ~TPaintDC() { ::EndPaint(FWindow, &FPaint); }

    HDC get() const noexcept { return FDC; }
    const RECT& PaintRect() const noexcept { return FPaint.rcPaint; }

private:
    HWND FWindow;
    HDC FDC = nullptr;
    PAINTSTRUCT FPaint{};
};

// Selects an object into a DC and selects the previous one back when the scope ends.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ object) noexcept
        : FDC(dc), FOld(object ? ::SelectObject(dc, object) : nullptr) {}
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;
    ~TSelectObject() {
        if (FOld && FOld != HGDI_ERROR)
            ::SelectObject(FDC, FOld);
    }

private:
    HDC FDC;
    HGDIOBJ FOld;
};

inline void FillClient(HWND window, HDC dc, HBRUSH brush) noexcept {
    RECT client{};
    ::GetClientRect(window, &client);
    ::FillRect(dc, &client, brush);
}

// One WM_PAINT drawn through a buffer of the client area's size, so that the window does not flicker:
// `draw(dc, width, height)` paints the whole client area. Without memory for the buffer it paints
// directly: a flicker rather than nothing.
template <typename TDraw> void PaintBuffered(HWND window, TDraw&& draw) {
    TPaintDC paint(window);
    RECT client{};
    ::GetClientRect(window, &client);
    if (!paint.get() || client.right <= 0 || client.bottom <= 0)
        return;
    UniqueHDC buffer(::CreateCompatibleDC(paint.get()));
    UniqueHBitmap bitmap(buffer ? ::CreateCompatibleBitmap(paint.get(), client.right, client.bottom)
                                : nullptr);
    if (!bitmap) {
        draw(paint.get(), client.right, client.bottom);
        return;
    }
    TSelectObject select(buffer.get(), bitmap.get());
    draw(buffer.get(), client.right, client.bottom);
    ::BitBlt(paint.get(), 0, 0, client.right, client.bottom, buffer.get(), 0, 0, SRCCOPY);
}

// A 32-bit picture of an icon or cursor for a menu item, its alpha channel kept; empty when the system
// cannot make one.
inline UniqueGdiObj MenuBitmap(HICON icon, int cx, int cy) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObj bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueHDC dc(::CreateCompatibleDC(nullptr));
    if (!bitmap || !dc)
        return UniqueGdiObj();
    TSelectObject select(dc.get(), bitmap.get());
    ::DrawIconEx(dc.get(), 0, 0, icon, cx, cy, 0, nullptr, DI_NORMAL);
    return bitmap;
}

} // namespace dovex
