// Per-window DPI for the playlist window: design sizes at 96 DPI scaled to the window's DPI, and the
// system's fonts and metrics at that DPI.
#pragma once

#include <windows.h>

#include "base/UniqueHandle.h"

namespace dovex {

class TDpiScale {
public:
    static constexpr UINT kDesignDpi = 96;

    explicit TDpiScale(UINT dpi = kDesignDpi) noexcept : FDpi(dpi ? dpi : kDesignDpi) {}
    // The DPI the window is shown at now.
    static TDpiScale ForWindow(HWND window) noexcept { return TDpiScale(::GetDpiForWindow(window)); }

    UINT Dpi() const noexcept { return FDpi; }
    // A design size at 96 DPI in pixels at this DPI.
    int operator()(int designPixels) const noexcept { return ::MulDiv(designPixels, FDpi, kDesignDpi); }
    // Pixels at this DPI back to the design size.
    int Unscale(int pixels) const noexcept { return ::MulDiv(pixels, kDesignDpi, FDpi); }
    int Metric(int index) const noexcept { return ::GetSystemMetricsForDpi(index, FDpi); }

    // The system's message font at this DPI, with a height of its own (96-DPI pixels; 0 keeps the
    // system's) and a weight.
    UniqueGdiObj MessageFont(int designHeight = 0, LONG weight = FW_NORMAL) const noexcept {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        LOGFONTW font{};
        if (::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, FDpi))
            font = metrics.lfMessageFont;
        else
            font.lfHeight = -(*this)(12);
        if (designHeight)
            font.lfHeight = -(*this)(designHeight);
        font.lfWeight = weight;
        return UniqueGdiObj(::CreateFontIndirectW(&font));
    }

private:
    UINT FDpi;
};

} // namespace dovex
