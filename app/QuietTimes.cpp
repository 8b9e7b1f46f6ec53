#include "app/QuietTimes.h"

#include <wtsapi32.h>

#include <atomic>
#include <cstddef>
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

// A list entry as it is compared: without blanks and quotes around it, with the system's separators.
std::wstring_view Trimmed(std::wstring_view text) noexcept {
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'"' || c == 0x3000; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameText(std::wstring_view a, std::wstring_view b) noexcept {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

std::wstring Separated(std::wstring_view text) {
    std::wstring result(text);
    for (auto& c : result)
        if (c == L'/')
            c = L'\\';
    return result;
}

// GUID_POWER_SAVING_STATUS: the battery saver went on or off.
constexpr GUID kPowerSavingStatus = {
    0xE00958C0, 0xC213, 0x4ACE, {0xAC, 0x77, 0xFE, 0xCC, 0xED, 0x2E, 0xEE, 0xA5}};

// The power setting notifications of user32 (Windows 8 and later), or null.
struct TPowerFunctions {
    void*(WINAPI* Register)(HANDLE, const GUID*, DWORD) = nullptr;
    BOOL(WINAPI* Unregister)(void*) = nullptr;
};

const TPowerFunctions& PowerFunctions() noexcept {
    static const TPowerFunctions functions = [] {
        TPowerFunctions f;
        if (const HMODULE user32 = ::GetModuleHandleW(L"user32.dll")) {
            f.Register = reinterpret_cast<decltype(f.Register)>(
                reinterpret_cast<void*>(::GetProcAddress(user32, "RegisterPowerSettingNotification")));
            f.Unregister = reinterpret_cast<decltype(f.Unregister)>(
                reinterpret_cast<void*>(::GetProcAddress(user32, "UnregisterPowerSettingNotification")));
        }
        if (!f.Register || !f.Unregister)
            f = {};
        return f;
    }();
    return functions;
}

} // namespace

bool SystemBatterySaverOn() noexcept {
    SYSTEM_POWER_STATUS status{};
    if (!::GetSystemPowerStatus(&status))
        return false;
    // SystemStatusFlag, the byte after BatteryLifePercent (older headers call it Reserved1): 1 = saver on.
    const auto* bytes = reinterpret_cast<const BYTE*>(&status);
    return (bytes[offsetof(SYSTEM_POWER_STATUS, BatteryLifePercent) + 1] & 1) != 0;
}

bool ProgramListed(const std::vector<std::wstring>& list, std::wstring_view imagePath) {
    if (imagePath.empty())
        return false;
    const std::wstring path = Separated(imagePath);
    const std::wstring_view fileName = std::wstring_view(path).substr(path.find_last_of(L'\\') + 1);
    for (const auto& entry : list) {
        const std::wstring name = Separated(Trimmed(entry));
        if (name.empty())
            continue;
        const bool hasFolder = name.find(L'\\') != std::wstring::npos;
        if (SameText(name, hasFolder ? std::wstring_view(path) : fileName))
            return true;
    }
    return false;
}

std::wstring WindowProgramPath(HWND window) {
    DWORD pid = 0;
    if (!window || !::GetWindowThreadProcessId(window, &pid) || pid == 0)
        return {};
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return {};
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = static_cast<DWORD>(path.size());
    BOOL got = ::QueryFullProcessImageNameW(process, 0, path.data(), &length);
    if (!got && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        path.assign(32768, L'\0');
        length = static_cast<DWORD>(path.size());
        got = ::QueryFullProcessImageNameW(process, 0, path.data(), &length);
    }
    ::CloseHandle(process);
    if (!got)
        return {};
    path.resize(length);
    return path;
}

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
    if (PowerFunctions().Register)
        FPowerNotify = PowerFunctions().Register(window, &kPowerSavingStatus, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void TQuietTimes::Stop() noexcept {
    for (HWINEVENTHOOK* hook : {&FForegroundHook, &FFocusHook}) {
        if (*hook)
            ::UnhookWinEvent(*hook);
        *hook = nullptr;
    }
    if (gForegroundWindowTarget.load() == FWindow)
        gForegroundWindowTarget.store(nullptr);
    if (FPowerNotify) {
        PowerFunctions().Unregister(FPowerNotify);
        FPowerNotify = nullptr;
    }
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

bool TQuietTimes::Quiet(bool fullScreenToo, bool batterySaverToo) const {
    // Nobody sees a show in a locked session, and its window would only be in the way afterwards.
    if (FSessionAway)
        return true;
    if (batterySaverToo && (BatterySaverOn ? BatterySaverOn() : SystemBatterySaverOn()))
        return true;
    // The user's own list catches what the full-screen test cannot: a borderless game, a video in a window.
    if (!FExcludedPrograms.empty()) {
        const HWND front = Foreground ? Foreground() : ::GetForegroundWindow();
        if (ProgramListed(FExcludedPrograms, ProgramOf ? ProgramOf(front) : WindowProgramPath(front)))
            return true;
    }
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
