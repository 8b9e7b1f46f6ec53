// Waiting helpers shared by the Windows tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace dovex::test {

// A window's look at a message before it is dispatched, as the program's loop gives it: true when the
// window used the message (a shortcut, Tab in a modeless window) and it must not be dispatched.
using TPreTranslate = std::function<bool(MSG&)>;

// Dispatches this thread's messages until the condition holds or the time is up. A WM_QUIT left by a
// destroyed main window is dropped, so that it cannot end a later message loop.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
                      const TPreTranslate& preTranslate = {}) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT || (preTranslate && preTranslate(msg)))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

inline void PumpFor(std::chrono::milliseconds time) {
    PumpUntil([] { return false; }, time);
}

// Polls without handling messages (for what other processes do).
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Whether the registry key exists (below HKEY_CURRENT_USER unless told).
inline bool KeyExists(const std::wstring& path, HKEY root = HKEY_CURRENT_USER) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

// The names of a key's subkeys, or of its values, in the registry's order; none when it cannot be opened.
inline std::vector<std::wstring> RegistryNames(HKEY root, const std::wstring& path, bool values) {
    std::vector<std::wstring> names;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    wchar_t name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD length = 16384;
        const LSTATUS status =
            values ? ::RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr)
                   : ::RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    ::RegCloseKey(key);
    return names;
}
inline std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& path = L"") {
    return RegistryNames(root, path, false);
}
inline std::vector<std::wstring> ValueNames(HKEY root, const std::wstring& path = L"") {
    return RegistryNames(root, path, true);
}

// Waits on a thread of its own for a dialog with that caption of this process, and works it from there.
class TDialogDriver {
public:
    TDialogDriver(std::wstring caption, std::function<void(HWND)> work)
        : FCaption(std::move(caption)), FWork(std::move(work)),
          FDesktop(::GetThreadDesktop(::GetCurrentThreadId())), FThread([this] { Run(); }) {}
    TDialogDriver(const TDialogDriver&) = delete;
    TDialogDriver& operator=(const TDialogDriver&) = delete;
    ~TDialogDriver() {
        FStop = true;
        FThread.join();
    }
    bool Worked() const { return FWorked; }

private:
    void Run() {
        ::SetThreadDesktop(FDesktop);
        while (!FStop && !FWorked) {
            HWND dialog = ::FindWindowW(L"#32770", FCaption.c_str());
            if (dialog && ::IsWindowVisible(dialog)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let it finish its set-up
                FWork(dialog);
                FWorked = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    std::wstring FCaption;
    std::function<void(HWND)> FWork;
    HDESK FDesktop;
    std::atomic<bool> FStop{false};
    std::atomic<bool> FWorked{false};
    std::thread FThread;
};

// ---- The project's virtual desktop ----
//
// The project's virtual desktop for test programs: joined before any window or drawing, so that the
// program never runs on the default desktop.
//
// Two things make this more than OpenDesktop and SetThreadDesktop. A desktop closes about a second after
// the last program using it has gone, and from that moment it can no longer be opened by name while its
// shell quits: a test program started just then would find no desktop, or join one whose shell is going
// away. And a program left on the default desktop makes Wine start a shell for that desktop as a child of
// the program, which outlives it and holds its output open, so that the test run waits for it without end.
inline std::wstring EnvironmentText(const wchar_t* name, const wchar_t* fallback) {
    wchar_t value[128] = {};
    return ::GetEnvironmentVariableW(name, value, 128) ? value : fallback;
}

inline std::wstring DesktopName() {
    return EnvironmentText(L"DOVEX_DESKTOP", L"");
}

// A path of the build tree as the Windows programs see it, through the emulator's root drive.
inline std::wstring WindowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

// A program started in the test desktop; ended by force if it still runs when the test is done.
class TChildProcess {
public:
    TChildProcess() = default;
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;
    ~TChildProcess() {
        if (!FInfo.hProcess)
            return;
        if (!Exited(0))
            ::TerminateProcess(FInfo.hProcess, 99);
        ::CloseHandle(FInfo.hProcess);
        ::CloseHandle(FInfo.hThread);
    }
    // In the given folder, or the test's own when none is given.
    bool Start(const std::wstring& exe, const std::wstring& args = L"", const std::wstring& folder = L"") {
        std::wstring desktop = DesktopName();
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        si.lpDesktop = desktop.empty() ? nullptr : desktop.data();
        std::wstring commandLine = L"\"" + exe + L"\" " + args;
        return ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                folder.empty() ? nullptr : folder.c_str(), &si, &FInfo) != FALSE;
    }
    bool Exited(DWORD ms) const { return ::WaitForSingleObject(FInfo.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 12345;
        ::GetExitCodeProcess(FInfo.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION FInfo{};
};

// Starts a command line without waiting for it or keeping its handles; its output goes nowhere, so a
// child that outlives the test program never holds the test run's output open.
inline bool StartDetachedProcess(std::wstring commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (nul != INVALID_HANDLE_VALUE) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = si.hStdOutput = si.hStdError = nul;
    }
    PROCESS_INFORMATION pi{};
    const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr,
                                          nul != INVALID_HANDLE_VALUE, 0, nullptr, nullptr, &si, &pi);
    if (nul != INVALID_HANDLE_VALUE)
        ::CloseHandle(nul);
    if (!started)
        return false;
    // For a Unix program Wine answers TRUE with no process handle and leaves whatever value it had at hand
    // in hThread: closing that would close another handle of this process (a cached registry key, say).
    if (pi.hProcess) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    return true;
}

// Joins the desktop named by DOVEX_DESKTOP with this thread, which keeps it in use from then on; starts
// the desktop anew when it is closing. False when it could not be joined; true also when no desktop is
// named (the tests then run wherever they were started).
inline bool JoinProjectDesktop() {
    const std::wstring name = EnvironmentText(L"DOVEX_DESKTOP", L"");
    if (name.empty())
        return true;
    const auto join = [&] {
        HDESK desk = ::OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL);
        if (!desk || !::SetThreadDesktop(desk))
            return false;
        // Opened by name after joining: the desktop was not already closing when this thread became one
        // of its users, and now it stays.
        HDESK again = ::OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL);
        if (!again)
            return false;
        ::CloseDesktop(again);
        return true;
    };
    bool started = false;
    return WaitFor(
        [&] {
            if (join())
                return true;
            if (!started)
                started = StartDetachedProcess(L"explorer.exe /desktop=" + name + L"," +
                                               EnvironmentText(L"DOVEX_DESKTOP_SIZE", L"1280x760"));
            return false;
        },
        std::chrono::seconds(30));
}

class ProjectDesktop : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(JoinProjectDesktop()) << "the virtual desktop could not be joined"; }
};

// A static cursor of one 1x1 monochrome image: a real cursor file, but no animated one.
inline std::string StaticCursorBytes() {
    const unsigned char cur[] = {
        0,  0, 2, 0, 1,   0,                                      // header: a cursor, one image
        1,  1, 0, 0, 0,   0, 0, 0, 56, 0, 0, 0, 22,  0,   0,   0, // 1x1, hot spot 0,0, 56 bytes at 22
        40, 0, 0, 0, 1,   0, 0, 0, 2,  0, 0, 0, 1,   0,   1,   0, // bitmap header: 1x(2x1), 1 bit
        0,  0, 0, 0, 8,   0, 0, 0, 0,  0, 0, 0, 0,   0,   0,   0,
        0,  0, 0, 0, 0,   0, 0, 0, 0,  0, 0, 0, 255, 255, 255, 0, // black and white
        0,  0, 0, 0, 128, 0, 0, 0};                               // colour and mask rows
    return std::string(reinterpret_cast<const char*>(cur), sizeof cur);
}

} // namespace dovex::test
