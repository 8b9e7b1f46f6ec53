// Watching the real Dovex.exe from outside, as a user would: the X server's pointer image, real input
// through xdotool, and the program started in the virtual desktop through explorer, as the hook needs.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <string>
#include <utility>

#include "AppEnvironment.h"
#include "tests/TestSupport.h"

namespace dovex::test {

inline std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// The whole of a small text file, or empty.
inline std::string ReadTextFile(const std::wstring& path) {
    std::string text;
    HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    ::CloseHandle(file);
    return text;
}

// Runs a Linux command line through /bin/sh and waits for it: Wine starts Unix programs itself, but
// its process handle does not tell when they end, so the shell leaves a mark in a file.
inline bool RunUnix(const std::string& command, DWORD timeoutMs = 10000) {
    static std::atomic<int> serial{0};
    const std::string mark = "/tmp/dovex-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(serial++) + ".done";
    const std::wstring markPath = WindowsPath(mark);
    ::DeleteFileW(markPath.c_str());
    std::wstring line = L"/bin/sh -c \"" + Widen(command) + L"; echo $? > " + Widen(mark) + L"\"";
    if (!StartDetachedProcess(line))
        return false;
    const bool done =
        WaitFor([&] { return ::GetFileAttributesW(markPath.c_str()) != INVALID_FILE_ATTRIBUTES; },
                std::chrono::milliseconds(timeoutMs));
    std::this_thread::sleep_for(std::chrono::milliseconds(5)); // let the shell finish writing
    std::istringstream in(ReadTextFile(markPath));
    int code = -1;
    in >> code;
    ::DeleteFileW(markPath.c_str());
    return done && code == 0;
}

struct XCursorImage {
    int Width = 0, Height = 0, HotX = -1, HotY = -1;
    std::string Hash;
    int Opaque = -1; // pixels that are not fully transparent
    bool operator==(const XCursorImage&) const = default;
};

// The pointer image the X server shows now.
inline XCursorImage ReadXCursor() {
    const std::string out = "/tmp/dovex-xcursor-" + std::to_string(::GetCurrentProcessId()) + ".txt";
    XCursorImage image;
    if (!RunUnix(std::string(DOVEX_XPROBE) + " cursor " + out))
        return image;
    std::istringstream file(ReadTextFile(WindowsPath(out)));
    file >> image.Width >> image.Height >> image.HotX >> image.HotY >> image.Hash >> image.Opaque;
    return image;
}

inline bool MovePointer(int x, int y) {
    return RunUnix("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y));
}
inline bool ClickButton(int button) {
    return RunUnix("xdotool click " + std::to_string(button));
}

// Dovex.exe started as the user starts it, in the virtual desktop through explorer.
class DovexInstance {
public:
    DovexInstance() = default;
    DovexInstance(const DovexInstance&) = delete;
    DovexInstance& operator=(const DovexInstance&) = delete;
    ~DovexInstance() { Stop(); }

    // Starts it and waits for its main window; false when none appeared.
    bool Start(const std::string& exeUnixPath = DOVEX_EXE) {
        return StartWindowsPath(WindowsPath(exeUnixPath));
    }
    bool StartWindowsPath(const std::wstring& exe) {
        std::wstring line = L"explorer.exe /desktop=" + DesktopName() + L" \"" + exe + L"\"";
        if (!StartDetachedProcess(line))
            return false;
        if (!WaitFor([&] { return (FWindow = ::FindWindowW(L"TfrmDovexMain", L"Dovex")) != nullptr; },
                     std::chrono::seconds(15)))
            return false;
        DWORD pid = 0;
        ::GetWindowThreadProcessId(FWindow, &pid);
        FProcess =
            ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
        return FProcess != nullptr;
    }

    // Closes the main window as the exit command does; true when the process ended cleanly.
    bool Stop() {
        if (!FProcess)
            return true;
        ::PostMessageW(FWindow, WM_CLOSE, 0, 0);
        const bool ended = ::WaitForSingleObject(FProcess, 10000) == WAIT_OBJECT_0;
        if (!ended && FindDialog(L"メモリーリークエラー"))
            ADD_FAILURE() << "Dovex warned of unreleased memory at exit";
        if (!ended)
            ::TerminateProcess(FProcess, 99);
        DWORD code = 99;
        ::GetExitCodeProcess(FProcess, &code);
        ::CloseHandle(FProcess);
        FProcess = nullptr;
        return ended && code == 0;
    }

    HWND Window() const noexcept { return FWindow; }
    // Whether the running program has loaded a module of that file name, from wherever.
    bool HasModule(const wchar_t* fileName) const {
        const DWORD pid = ::GetProcessId(FProcess);
        const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
        if (snapshot == INVALID_HANDLE_VALUE)
            return false;
        MODULEENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        bool found = false;
        for (BOOL more = ::Module32FirstW(snapshot, &entry); more && !found;
             more = ::Module32NextW(snapshot, &entry))
            found = ::lstrcmpiW(entry.szModule, fileName) == 0;
        ::CloseHandle(snapshot);
        return found;
    }
    bool Showing() const { return ::IsWindowVisible(FWindow) != FALSE; }
    RECT Rect() const {
        RECT rc{};
        ::GetWindowRect(FWindow, &rc);
        return rc;
    }

private:
    HWND FWindow = nullptr;
    HANDLE FProcess = nullptr;
};

} // namespace dovex::test
