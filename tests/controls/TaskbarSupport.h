// The tray tests' surroundings: the project's virtual desktop with its taskbar, what the taskbar shows,
// and real input on it (SendInput from this desktop, or X events through xdotool).
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/Pixels.h"
#include "tests/TestSupport.h"
#include "base/UniqueHandle.h"
#include "controls/TrayIcon.h"

namespace dovex::test {

inline HWND Taskbar() {
    return ::FindWindowW(L"Shell_TrayWnd", nullptr);
}

// Whether the shell takes icons now: a probe icon of a window of its own is added and removed again.
inline bool NotificationAreaReady() {
    if (!Taskbar())
        return false;
    static const HWND probe = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"DovexTrayProbe";
        ::RegisterClassW(&wc);
        return ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 wc.hInstance, nullptr);
    }();
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = probe;
    data.uID = 1;
    data.uFlags = NIF_ICON;
    data.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    if (!::Shell_NotifyIconW(NIM_ADD, &data))
        return false;
    ::Shell_NotifyIconW(NIM_DELETE, &data);
    return true;
}

// The project's desktop, joined, and its notification area ready for icons.
class TaskbarDesktop : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(JoinProjectDesktop()) << "the virtual desktop could not be joined";
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
        // Messages are handled from here on, as a program does: its first window events set the clock by
        // which it later asks the X server for the keyboard focus.
        ASSERT_TRUE(PumpUntil(NotificationAreaReady, std::chrono::seconds(30)))
            << "the taskbar takes no icons";
    }
};

// The taskbar's area of the screen, as the user sees it.
struct Screenshot {
    RECT area{};
    TPixels pixels;

    static std::optional<Screenshot> OfTaskbar() {
        HWND tray = Taskbar();
        if (!tray || !::IsWindowVisible(tray))
            return std::nullopt;
        Screenshot shot;
        ::GetWindowRect(tray, &shot.area);
        if (shot.area.right <= shot.area.left || shot.area.bottom <= shot.area.top)
            return std::nullopt;
        shot.pixels = CaptureScreen(shot.area);
        return shot;
    }

    // The screen position of the centre of a block of at least 16 pixels of the colour.
    std::optional<POINT> Find(COLORREF colour) const {
        auto at = pixels.Centre(colour);
        if (at) {
            at->x += area.left;
            at->y += area.top;
        }
        return at;
    }
};

inline std::optional<POINT> FindOnTaskbar(COLORREF colour) {
    auto shot = Screenshot::OfTaskbar();
    return shot ? shot->Find(colour) : std::nullopt;
}

// Where the icon of that colour is once the taskbar has settled: found at the same place in two
// screenshots in a row, so that a taskbar still being laid out or repainted cannot send a click astray.
inline std::optional<POINT> SettledOnTaskbar(COLORREF colour, std::chrono::milliseconds limit) {
    std::optional<POINT> last, settled;
    PumpUntil(
        [&] {
            const auto now = FindOnTaskbar(colour);
            if (now && last && now->x == last->x && now->y == last->y)
                settled = now;
            last = now;
            return settled.has_value();
        },
        limit);
    return settled;
}

// A small icon of one opaque colour, easy to find on the screen.
inline UniqueHIcon SolidColourIcon(COLORREF colour) {
    const SIZE size = dovex::TTrayIcon::SmallIconSize();
    HDC screen = ::GetDC(nullptr);
    HBITMAP image = ::CreateCompatibleBitmap(screen, size.cx, size.cy);
    HBITMAP mask = ::CreateBitmap(size.cx, size.cy, 1, 1, nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    const RECT all{0, 0, size.cx, size.cy};
    HGDIOBJ old = ::SelectObject(dc, mask);
    ::PatBlt(dc, 0, 0, size.cx, size.cy, BLACKNESS); // mask 0: every pixel opaque
    ::SelectObject(dc, image);
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::FillRect(dc, &all, brush);
    ::DeleteObject(brush);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    ICONINFO info{TRUE, 0, 0, mask, image};
    UniqueHIcon icon(::CreateIconIndirect(&info));
    ::DeleteObject(image);
    ::DeleteObject(mask);
    return icon;
}

// Real input, as the user gives it: the pointer moves onto the point, then the button is pressed.
inline void ClickAt(POINT pt, DWORD down, DWORD up) {
    ::SetCursorPos(pt.x, pt.y);
    INPUT in[3] = {};
    const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
    in[0].type = INPUT_MOUSE;
    in[0].mi.dx = (pt.x * 65535 + cx / 2) / (cx - 1);
    in[0].mi.dy = (pt.y * 65535 + cy / 2) / (cy - 1);
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].type = INPUT_MOUSE;
    in[1].mi.dwFlags = down;
    in[2].type = INPUT_MOUSE;
    in[2].mi.dwFlags = up;
    ::SendInput(3, in, sizeof(INPUT));
}

inline std::wstring UnixToWindowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return path;
}

// Runs a Linux command line through /bin/sh and waits for it, handling this thread's messages meanwhile
// when asked (a window thread must, as the program's would): Wine starts Unix programs itself, but its
// process handle does not tell when they end, so the shell leaves a mark.
inline bool RunUnixCommand(const std::string& command, bool pump,
                           std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    static std::atomic<int> serial{0};
    const std::string mark = "/tmp/dovex-controls-" + std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(serial++) + ".done";
    const std::wstring markPath = UnixToWindowsPath(mark);
    ::DeleteFileW(markPath.c_str());
    const std::string line = "/bin/sh -c \"" + command + "; echo $? > " + mark + "\"";
    if (!StartDetachedProcess(std::wstring(line.begin(), line.end())))
        return false;
    std::string text;
    const auto markWritten = [&] {
        HANDLE file = ::CreateFileW(markPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        char buffer[16] = {};
        DWORD got = 0;
        ::ReadFile(file, buffer, sizeof buffer - 1, &got, nullptr);
        ::CloseHandle(file);
        text.assign(buffer, got);
        return text.find('\n') != std::string::npos; // written in full
    };
    const bool done = pump ? PumpUntil(markWritten, limit) : WaitFor(markWritten, limit);
    ::DeleteFileW(markPath.c_str());
    return done && std::atoi(text.c_str()) == 0;
}

// X input through xdotool: the virtual desktop sits at the X screen's origin, so the points are the same.
// A click is given from the window thread, which handles what the click brings while it waits.
inline bool XClick(POINT pt, int button) {
    return RunUnixCommand("xdotool mousemove " + std::to_string(pt.x) + " " + std::to_string(pt.y) +
                              " click " + std::to_string(button),
                          true);
}
// Keys are typed from a thread of their own, while the window thread is inside a menu.
inline bool XKey(const std::string& key) {
    return RunUnixCommand("xdotool key " + key, false);
}

} // namespace dovex::test
