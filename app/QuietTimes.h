// When a show would disturb the user: a full-screen program in front, presentation mode, a full-screen
// Direct3D program or quiet time as the shell reports them, a program of the user's list in front, the
// system's battery saver, or a locked or disconnected session. Learned
// from the system's notifications (foreground changes, session changes) and asked when a show would
// start; nothing polls.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace dovex {

// Whether `window` covers its whole monitor as a full-screen program does: visible, without a caption,
// and not the desktop or the shell's own windows.
bool IsFullScreenWindow(HWND window) noexcept;

// Whether the program at `imagePath` (its full path) is one of `list`: an entry with a folder matches that
// file only, a bare file name matches the program in any folder; letter case does not count, blanks and
// quotes around an entry do not either.
bool ProgramListed(const std::vector<std::wstring>& list, std::wstring_view imagePath);
// Whether the system's battery saver is on (Windows 10 and later; older systems report it off).
bool SystemBatterySaverOn() noexcept;
// The full path of the program that owns `window`, or empty when it cannot be learned.
std::wstring WindowProgramPath(HWND window);

class TQuietTimes {
public:
    TQuietTimes() = default;
    TQuietTimes(const TQuietTimes&) = delete;
    TQuietTimes& operator=(const TQuietTimes&) = delete;
    ~TQuietTimes() { Stop(); }

    // What the platform reports; tests put their own answers here.
    std::function<HWND()> Foreground;
    std::function<QUERY_USER_NOTIFICATION_STATE()> NotificationState;
    std::function<std::wstring(HWND)> ProgramOf;
    std::function<bool()> BatterySaverOn;

    // Listens for session changes (WM_WTSSESSION_CHANGE to `window`), foreground changes (posted to
    // `window` as `foregroundMessage`) and, where the system tells of them (Windows 8 and later), changes of
    // the battery saver (WM_POWERBROADCAST / PBT_POWERSETTINGCHANGE). Must run on the window's thread.
    void Start(HWND window, UINT foregroundMessage) noexcept;
    void Stop() noexcept;
    // WM_WTSSESSION_CHANGE: the session was locked, unlocked, disconnected or connected again.
    void SessionChanged(WPARAM code) noexcept;

    bool SessionAway() const noexcept { return FSessionAway; }
    // The programs during which no show starts, whatever the full-screen setting.
    void SetExcludedPrograms(std::vector<std::wstring> programs) { FExcludedPrograms = std::move(programs); }
    // Whether a show would disturb now; `fullScreenToo` and `batterySaverToo` are the user's settings.
    bool Quiet(bool fullScreenToo, bool batterySaverToo) const;

private:
    HWND FWindow = nullptr;
    HWINEVENTHOOK FForegroundHook = nullptr;
    HWINEVENTHOOK FFocusHook = nullptr;
    bool FSessionNotified = false;
    void* FPowerNotify = nullptr; // HPOWERNOTIFY
    bool FSessionAway = false;
    std::vector<std::wstring> FExcludedPrograms;
};

} // namespace dovex
