#include "app/QuietTimes.h"

#include <wtsapi32.h>

#include <atomic>
#include <cwchar>

namespace dovex {

namespace {

// Where the foreground hook posts; out-of-context events arrive on the thread that set the hook.
std::atomic<HWND> gForegroundWindowTarget{nullptr};
std::atomic<UINT> gForegroundMessage{0};

void CALLBACK ForegroundChanged(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) noexcept {
    if (const HWND target = gForegroundWindowTarget.load())
        ::PostMessageW(target, gForegroundMessage.load(), 0, 0);
}

bool IsShellWindow(HWND window) noexcept {
    if (window == ::GetDesktopWindow() || window == ::GetShellWindow())
        return true;
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    for (const wchar_t* shell : {L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd"}) {
        if (std::wcscmp(name, shell) == 0)
            return true;
    }
    return false;
}

} // namespace

bool IsFullScreenWindow(HWND window) noexcept {
    if (!window || !::IsWindowVisible(window) || ::IsIconic(window) || IsShellWindow(window))
        return false;
    // A maximized window with a caption fills the screen too when the taskbar hides itself: not a
    // full-screen program.
    if ((::GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION)
        return false;
    RECT rect{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetWindowRect(window, &rect) ||
        !::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return false;
    const RECT& screen = monitor.rcMonitor;
    return rect.left <= screen.left && rect.top <= screen.top && rect.right >= screen.right &&
           rect.bottom >= screen.bottom;
}

void TQuietTimes::Start(HWND window, UINT foregroundMessage) noexcept {
    Stop();
    FWindow = window;
    FSessionNotified = ::WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION) != FALSE;
    gForegroundMessage.store(foregroundMessage);
    gForegroundWindowTarget.store(window);
    FForegroundHook = ::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                        &ForegroundChanged, 0, 0, WINEVENT_OUTOFCONTEXT);
    // A window that comes to the front takes the focus too; some systems (Wine) report only that.
    FFocusHook = ::SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, &ForegroundChanged, 0, 0,
                                   WINEVENT_OUTOFCONTEXT);
}

void TQuietTimes::Stop() noexcept {
    for (HWINEVENTHOOK* hook : {&FForegroundHook, &FFocusHook}) {
        if (*hook)
            ::UnhookWinEvent(*hook);
        *hook = nullptr;
    }
    if (gForegroundWindowTarget.load() == FWindow)
        gForegroundWindowTarget.store(nullptr);
    if (FSessionNotified) {
        ::WTSUnRegisterSessionNotification(FWindow);
        FSessionNotified = false;
    }
    FWindow = nullptr;
}

void TQuietTimes::SessionChanged(WPARAM code) noexcept {
    switch (code) {
    case WTS_SESSION_LOCK:
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT:
        FSessionAway = true;
        break;
    case WTS_SESSION_UNLOCK:
    case WTS_CONSOLE_CONNECT:
    case WTS_REMOTE_CONNECT:
        FSessionAway = false;
        break;
    default:
        break;
    }
}

bool TQuietTimes::Quiet(bool fullScreenToo) const {
    // Nobody sees a show in a locked session, and its window would only be in the way afterwards.
    if (FSessionAway)
        return true;
    if (!fullScreenToo)
        return false;
    QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
    if (NotificationState)
        state = NotificationState();
    else if (FAILED(::SHQueryUserNotificationState(&state)))
        state = QUNS_ACCEPTS_NOTIFICATIONS;
    switch (state) {
    case QUNS_BUSY:
    case QUNS_RUNNING_D3D_FULL_SCREEN:
    case QUNS_PRESENTATION_MODE:
    case QUNS_QUIET_TIME:
        return true;
    default:
        break;
    }
    return IsFullScreenWindow(Foreground ? Foreground() : ::GetForegroundWindow());
}

} // namespace dovex
