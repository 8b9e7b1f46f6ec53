// Every window message, timer and command number of the program, in one place.
#pragma once

// Commands of the tray menu; plain defines so that the resource script can use them too.
#define IDM_EXIT 40001
#define IDM_PAUSE 40002
#define IDM_REFRESHPLAYLIST 40003
#define IDM_PLAYLIST 40004
#define IDM_PROPERTY 40005
#define IDM_HELP 40006
#define IDM_INFORMATION 40007
#define IDM_RESTORECURSORS 40008
// Items built at run time: "all groups" and the groups (first + 1 + index), the cursor schemes (first +
// index).
#define IDM_USEGROUP_FIRST 41000
#define IDM_USEGROUP_LAST 41999
#define IDM_SYSCURSOR_FIRST 42000
#define IDM_SYSCURSOR_LAST 42999

#ifndef RC_INVOKED
#include <windows.h>

namespace dovex {

// Custom messages of the main window. The hook library and the other windows rely on these numbers.
constexpr UINT WM_SAVERPAUSE = WM_USER + 1012;  // wParam 0 = pause, 1 = resume
constexpr UINT WM_SAVERTICK = WM_USER + 1015;   // wParam 0 = one tick, 1 = lParam ticks, 2 = all ticks
constexpr UINT WM_SAVERMOUSE = WM_USER + 1048;  // wParam = the mouse message the hook saw
constexpr UINT WM_SAVERRELOAD = WM_USER + 1112; // wParam RELOAD_SETTINGS or RELOAD_PLAYLIST

// Posted by the show's timer thread to the main window: ticks have been counted for it (wParam = the
// timer's identifier). The thread never waits for the main thread.
constexpr UINT WM_SAVERTIMERTICK = WM_USER + 1016;

constexpr WPARAM SAVERPAUSE_PAUSE = 0;
constexpr WPARAM SAVERPAUSE_RESUME = 1;
constexpr WPARAM SAVERTICK_ONE = 0;
constexpr WPARAM SAVERTICK_COUNT = 1;
constexpr WPARAM SAVERTICK_ALL = 2;
constexpr WPARAM RELOAD_SETTINGS = 990;
constexpr WPARAM RELOAD_PLAYLIST = 991;

// The tray icon's callback message, sent to its own hidden window.
constexpr UINT WM_TRAYICONNOTIFY = WM_USER + 200;

// Window timers of the main window.
constexpr UINT_PTR ID_TIMER_SAVERWAIT = 1;
constexpr UINT_PTR ID_TIMER_CURSORCHECK = 2;

} // namespace dovex

// ---- Tray icon component (controls/TrayIcon) ----
namespace dovex {

// Posted to the tray icon's callback window when the double-click time after a left click has passed;
// wParam = the icon's identifier.
constexpr UINT WM_TRAYICONCLICK = WM_USER + 201;

} // namespace dovex
#endif // RC_INVOKED
