// What the tests of the display controls share: the project's virtual desktop, a host window to put a
// control on, and the pixels a window really shows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"

namespace dovex::test {

// Every window of the test program lives in the project's virtual desktop.
class JoinDesktopEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        wchar_t name[128] = {};
        if (::GetEnvironmentVariableW(L"DOVEX_DESKTOP", name, 128))
            if (HDESK desk = ::OpenDesktopW(name, 0, FALSE, GENERIC_ALL))
                ::SetThreadDesktop(desk);
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
    }
};
inline const auto* const kJoinDesktop = ::testing::AddGlobalTestEnvironment(new JoinDesktopEnvironment);

// A top-most window whose background is one plain colour, so that what its children leave shows.
class THostWindow {
public:
    static constexpr COLORREF kBackground = RGB(0, 160, 0);

    THostWindow(int x, int y, int width, int height) {
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        static const ATOM registered = [instance] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof(wc);
            wc.style = CS_DBLCLKS;
            wc.lpfnWndProc = ::DefWindowProcW;
            wc.hInstance = instance;
            wc.hbrBackground = ::CreateSolidBrush(kBackground);
            wc.lpszClassName = L"DovexTestHost";
            return ::RegisterClassExW(&wc);
        }();
        EXPECT_NE(registered, 0);
        RECT frame{0, 0, width, height};
        ::AdjustWindowRectEx(&frame, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOPMOST);
        FWindow.reset(::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"DovexTestHost", L"Dovex test",
                                        WS_POPUP | WS_BORDER | WS_VISIBLE, x, y, frame.right - frame.left,
                                        frame.bottom - frame.top, nullptr, nullptr, instance, nullptr));
        EXPECT_TRUE(FWindow);
        ::UpdateWindow(FWindow.get());
    }
    HWND Handle() const { return FWindow.get(); }
    // Destroys the window (and its children) before the object goes.
    void Destroy() { FWindow.reset(); }

private:
    UniqueHWnd FWindow;
};

// 0x00RRGGBB pixels, rows top to bottom.
struct TPixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> data;

    std::uint32_t At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
    bool operator==(const TPixels&) const = default;
};

inline std::uint32_t Rgb(COLORREF c) {
    return static_cast<std::uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
}

// Runs `draw` on a screen-compatible bitmap of the given size and returns what it drew.
inline TPixels DrawToPixels(int width, int height, const std::function<void(HDC)>& draw) {
    TPixels out{width, height, std::vector<std::uint32_t>(static_cast<size_t>(width) * height)};
    const HDC screen = ::GetDC(nullptr);
    const HDC dc = ::CreateCompatibleDC(screen);
    const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ old = ::SelectObject(dc, bitmap);
    draw(dc);
    ::SelectObject(dc, old);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), out.data.data(), &bi, DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    for (auto& p : out.data)
        p &= 0xFFFFFF;
    return out;
}

// What a window shows on screen now, after it has painted what was pending.
inline TPixels Capture(HWND window) {
    ::UpdateWindow(window);
    RECT client{};
    ::GetClientRect(window, &client);
    const HDC source = ::GetDC(window);
    TPixels out = DrawToPixels(client.right, client.bottom, [&](HDC dc) {
        ::BitBlt(dc, 0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
    });
    ::ReleaseDC(window, source);
    return out;
}

// The sum over all pixels of the largest channel difference: 0 for equal pictures.
inline long long Distance(const TPixels& a, const TPixels& b) {
    if (a.width != b.width || a.height != b.height)
        return -1;
    long long sum = 0;
    for (size_t i = 0; i < a.data.size(); ++i) {
        int worst = 0;
        for (int shift = 0; shift <= 16; shift += 8)
            worst =
                std::max(worst, std::abs(int(a.data[i] >> shift & 0xFF) - int(b.data[i] >> shift & 0xFF)));
        sum += worst;
    }
    return sum;
}

inline int CountColour(const TPixels& p, COLORREF colour) {
    int n = 0;
    for (auto px : p.data)
        n += px == Rgb(colour);
    return n;
}

} // namespace dovex::test
