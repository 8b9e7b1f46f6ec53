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

int SystemMetricForDpi(int index, UINT dpi) noexcept;
SIZE IconSizeForDpi(UINT dpi) noexcept;
SIZE SmallIconSizeForDpi(UINT dpi) noexcept;

// The system's message font at `dpi`.
LOGFONTW MessageFontForDpi(UINT dpi) noexcept;
UniqueHFont CreateMessageFont(UINT dpi);
// A font whose characters are `designHeight` pixels high at 96 DPI.
UniqueHFont CreateFontForDpi(const wchar_t* face, int designHeight, UINT dpi, int weight = FW_NORMAL,
                             BYTE pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE);

// WM_DPICHANGED of a top-level window laid out in code: makes the message font for the new DPI, gives it
// to every child, and moves the window to the suggested rectangle. Returns the new DPI; the caller lays
// its children out again.
UINT ApplyDpiChange(HWND window, WPARAM wParam, LPARAM lParam, UniqueHFont& font);

} // namespace dovex
