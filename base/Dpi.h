// Per-window DPI: design sizes are given at 96 DPI and scaled for the monitor a window is on. The
// per-monitor functions are looked up at run time, so the program still starts on systems without them.
#pragma once

#include <windows.h>

#include "base/UniqueHandle.h"

namespace dovex {

constexpr UINT kDesignDpi = 96;

// The DPI of the window's monitor; where the system cannot tell per window, the screen's.
UINT WindowDpi(HWND window) noexcept;
// A 96-DPI design size at `dpi`, rounded to the nearest pixel.
int ScaleForDpi(int designValue, UINT dpi) noexcept;

// The DPI of the monitor at a point of the screen; where the system cannot tell per monitor, the screen's.
UINT MonitorDpiAt(POINT point) noexcept;

int SystemMetricForDpi(int index, UINT dpi) noexcept;

// The system's message font at `dpi`.
LOGFONTW MessageFontForDpi(UINT dpi) noexcept;
// A font whose characters are `designHeight` pixels high at 96 DPI.
UniqueHFont CreateFontForDpi(const wchar_t* face, int designHeight, UINT dpi, int weight = FW_NORMAL,
                             BYTE pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE);

// A window's DPI as one value that layout code passes around: design sizes at 96 DPI scaled to it, the
// system's sizes and message font at it.
class TDpiScale {
public:
    explicit TDpiScale(UINT dpi = kDesignDpi) noexcept : FDpi(dpi ? dpi : kDesignDpi) {}
    // The DPI the window is shown at now.
    static TDpiScale ForWindow(HWND window) noexcept { return TDpiScale(WindowDpi(window)); }

    UINT Dpi() const noexcept { return FDpi; }
    // A design size at 96 DPI in pixels at this DPI.
    int operator()(int designPixels) const noexcept { return ScaleForDpi(designPixels, FDpi); }
    // Pixels at this DPI back to the design size.
    int Unscale(int pixels) const noexcept { return ::MulDiv(pixels, kDesignDpi, FDpi); }
    int Metric(int index) const noexcept { return SystemMetricForDpi(index, FDpi); }

    // The system's message font at this DPI, with a height of its own (96-DPI pixels; 0 keeps the
    // system's) and a weight.
    UniqueGdiObj MessageFont(int designHeight = 0, LONG weight = FW_NORMAL) const noexcept {
        LOGFONTW font = MessageFontForDpi(FDpi);
        if (designHeight)
            font.lfHeight = -(*this)(designHeight);
        font.lfWeight = weight;
        return UniqueGdiObj(::CreateFontIndirectW(&font));
    }

private:
    UINT FDpi;
};

} // namespace dovex
