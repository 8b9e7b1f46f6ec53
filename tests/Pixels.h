// Pixels for the tests that look at what is drawn: what a window shows on screen, what a control paints
// through its own code, what a drawing call leaves in a bitmap.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

namespace dovex::test {

inline std::uint32_t Rgb(COLORREF c) {
    return static_cast<std::uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
}

// 0x00RRGGBB pixels, rows top to bottom.
struct TPixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> data;

    std::uint32_t At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
    bool operator==(const TPixels&) const = default;

    // The smallest rectangle holding every pixel of that colour; empty (left > right) when there is none.
    RECT Extent(COLORREF colour) const {
        RECT r{width, height, -1, -1};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (At(x, y) == Rgb(colour))
                    r = RECT{std::min<LONG>(r.left, x), std::min<LONG>(r.top, y),
                             std::max<LONG>(r.right, x + 1), std::max<LONG>(r.bottom, y + 1)};
        return r;
    }
    // The centre of the pixels within `tolerance` of the colour in every channel, when there are at least
    // `least` of them.
    std::optional<POINT> Centre(COLORREF colour, int tolerance = 3, int least = 16) const {
        const std::uint32_t want = Rgb(colour);
        long sx = 0, sy = 0, n = 0;
        for (size_t i = 0; i < data.size(); ++i) {
            bool within = true;
            for (int shift = 0; shift <= 16; shift += 8)
                within =
                    within && std::abs(int(data[i] >> shift & 0xFF) - int(want >> shift & 0xFF)) <= tolerance;
            if (within) {
                sx += static_cast<long>(i % static_cast<size_t>(width));
                sy += static_cast<long>(i / static_cast<size_t>(width));
                ++n;
            }
        }
        if (n < least)
            return std::nullopt;
        return POINT{sx / n, sy / n};
    }
};

// Runs `draw` on a bitmap in the screen's format, of the given size, and returns what it drew.
inline TPixels DrawToPixels(int width, int height, const std::function<void(HDC)>& draw) {
    TPixels out{width, height, std::vector<std::uint32_t>(static_cast<size_t>(width) * height)};
    const HDC screen = ::GetDC(nullptr);
    const HDC dc = ::CreateCompatibleDC(screen);
    const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ old = ::SelectObject(dc, bitmap);
    draw(dc);
    ::SelectObject(dc, old);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    ::GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), out.data.data(), &bi, DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    for (auto& p : out.data)
        p &= 0xFFFFFF;
    return out;
}

// An area of the screen as the user sees it.
inline TPixels CaptureScreen(const RECT& area) {
    const HDC screen = ::GetDC(nullptr);
    TPixels out = DrawToPixels(area.right - area.left, area.bottom - area.top, [&](HDC dc) {
        ::BitBlt(dc, 0, 0, area.right - area.left, area.bottom - area.top, screen, area.left, area.top,
                 SRCCOPY);
    });
    ::ReleaseDC(nullptr, screen);
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

// What a control paints through its own code (WM_PRINTCLIENT) on the window colour, whether shown or not.
inline TPixels PrintClient(HWND control) {
    RECT client{};
    ::GetClientRect(control, &client);
    return DrawToPixels(client.right, client.bottom, [&](HDC dc) {
        ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
        ::SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    });
}

// The sum over all pixels of the largest channel difference: 0 for equal pictures, -1 for other sizes.
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
