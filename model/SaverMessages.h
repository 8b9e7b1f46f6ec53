// The main window's custom messages: its public contract with the hook library and the program's other
// windows, which post them. The numbers never change.
#pragma once

#include <windows.h>

namespace dovex {

constexpr UINT WM_SAVERPAUSE = WM_USER + 1012;  // wParam 0 = pause, 1 = resume
constexpr UINT WM_SAVERTICK = WM_USER + 1015;   // wParam 0 = one tick, 1 = lParam ticks, 2 = all ticks
constexpr UINT WM_SAVERMOUSE = WM_USER + 1048;  // wParam = the mouse message the hook saw
constexpr UINT WM_SAVERRELOAD = WM_USER + 1112; // wParam RELOAD_SETTINGS or RELOAD_PLAYLIST

constexpr WPARAM SAVERPAUSE_PAUSE = 0;
constexpr WPARAM SAVERPAUSE_RESUME = 1;
constexpr WPARAM SAVERTICK_ONE = 0;
constexpr WPARAM SAVERTICK_COUNT = 1;
constexpr WPARAM SAVERTICK_ALL = 2;
constexpr WPARAM RELOAD_SETTINGS = 990;
constexpr WPARAM RELOAD_PLAYLIST = 991;

// The class name of the main window, by which the other windows find it.
inline constexpr wchar_t kMainWindowClass[] = L"TfrmDovexMain";

} // namespace dovex
