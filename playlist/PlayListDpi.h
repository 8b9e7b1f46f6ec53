// The playlist window's view of its DPI: the shared per-window DPI functions in one small value that the
// layout code passes around.
#pragma once

#include <windows.h>

#include "base/Dpi.h"
#include "base/UniqueHandle.h"

namespace dovex {

class TDpiScale {
public:
    static constexpr UINT kDesignDpi = dovex::kDesignDpi;

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
