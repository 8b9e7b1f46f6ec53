#include "base/Dpi.h"

#include "base/Exception.h"

namespace dovex {

namespace {

// The per-monitor functions of user32 (Windows 10 1607 and later), or null.
struct TDpiFunctions {
    UINT(WINAPI* GetDpiForWindow)(HWND) = nullptr;
    int(WINAPI* GetSystemMetricsForDpi)(int, UINT) = nullptr;
    BOOL(WINAPI* SystemParametersInfoForDpi)(UINT, UINT, void*, UINT, UINT) = nullptr;
    // shcore (Windows 8.1 and later): the effective DPI of a monitor (type 0).
    HRESULT(WINAPI* GetDpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;
};

template <typename F> void Lookup(HMODULE module, const char* name, F& function) noexcept {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const TDpiFunctions& DpiFunctions() noexcept {
    static const TDpiFunctions functions = [] {
        TDpiFunctions f;
        if (const HMODULE user32 = ::GetModuleHandleW(L"user32.dll")) {
            Lookup(user32, "GetDpiForWindow", f.GetDpiForWindow);
            Lookup(user32, "GetSystemMetricsForDpi", f.GetSystemMetricsForDpi);
            Lookup(user32, "SystemParametersInfoForDpi", f.SystemParametersInfoForDpi);
        }
        // Kept loaded for the whole run, like the functions taken from it.
        if (const HMODULE shcore = ::LoadLibraryW(L"shcore.dll"))
            Lookup(shcore, "GetDpiForMonitor", f.GetDpiForMonitor);
        return f;
    }();
    return functions;
}

UINT ScreenDpi() noexcept {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

} // namespace

UINT WindowDpi(HWND window) noexcept {
    if (DpiFunctions().GetDpiForWindow && window)
        if (const UINT dpi = DpiFunctions().GetDpiForWindow(window))
            return dpi;
    return ScreenDpi();
}

UINT MonitorDpiAt(POINT point) noexcept {
    UINT x = 0, y = 0;
    if (DpiFunctions().GetDpiForMonitor &&
        SUCCEEDED(DpiFunctions().GetDpiForMonitor(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), 0, &x,
                                                  &y)) &&
        y != 0)
        return y;
    return ScreenDpi();
}

int ScaleForDpi(int designValue, UINT dpi) noexcept {
    return ::MulDiv(designValue, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

int SystemMetricForDpi(int index, UINT dpi) noexcept {
    if (DpiFunctions().GetSystemMetricsForDpi)
        return DpiFunctions().GetSystemMetricsForDpi(index, dpi);
    return ::MulDiv(::GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(ScreenDpi()));
}

LOGFONTW MessageFontForDpi(UINT dpi) noexcept {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (DpiFunctions().SystemParametersInfoForDpi &&
        DpiFunctions().SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi))
        return metrics.lfMessageFont;
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        metrics.lfMessageFont.lfHeight =
            ::MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(ScreenDpi()));
        return metrics.lfMessageFont;
    }
    LOGFONTW font{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    font.lfHeight = ::MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(ScreenDpi()));
    return font;
}

UniqueHFont CreateFontForDpi(const wchar_t* face, int designHeight, UINT dpi, int weight,
                             BYTE pitchAndFamily) {
    LOGFONTW logFont{};
    logFont.lfHeight = -ScaleForDpi(designHeight, dpi);
    logFont.lfWeight = weight;
    logFont.lfCharSet = DEFAULT_CHARSET;
    logFont.lfQuality = DEFAULT_QUALITY;
    logFont.lfPitchAndFamily = pitchAndFamily;
    lstrcpynW(logFont.lfFaceName, face, LF_FACESIZE);
    UniqueHFont font(::CreateFontIndirectW(&logFont));
    if (!font)
        throw Exception(L"フォントを作成できません");
    return font;
}

} // namespace dovex
