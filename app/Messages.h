// The main window's private message and timer numbers; its public messages are in model/SaverMessages.h,
// its menu commands in resources/ResourceIds.h.
#pragma once

#include <windows.h>

#include "model/SaverMessages.h"
#include "resources/ResourceIds.h"

namespace dovex {

// Posted by the show's timer thread to the main window: ticks have been counted for it (wParam = the
// timer's identifier). The thread never waits for the main thread.
constexpr UINT WM_SAVERTIMERTICK = WM_USER + 1016;
// Posted by the foreground hook: another window came to the front.
constexpr UINT WM_SAVERFOREGROUND = WM_USER + 1017;

// Window timers of the main window.
constexpr UINT_PTR ID_TIMER_SAVERWAIT = 1;
constexpr UINT_PTR ID_TIMER_CURSORCHECK = 2;
constexpr UINT_PTR ID_TIMER_SHOWCHECK = 3;
constexpr UINT_PTR ID_TIMER_HOOKCHECK = 4;
constexpr UINT_PTR ID_TIMER_PAUSEEND = 5;

// Hot keys of the main window (WM_HOTKEY's wParam).
constexpr int ID_HOTKEY_START = 1;
constexpr int ID_HOTKEY_PAUSE = 2;

} // namespace dovex
