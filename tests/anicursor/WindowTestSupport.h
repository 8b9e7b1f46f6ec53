// What the tests of the display controls share: the project's virtual desktop, a host window to put a
// control on, and the pixels (tests/Pixels.h).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"
#include "tests/Pixels.h"

namespace dovex::test {

// Every window of the test program lives in the project's virtual desktop.
class JoinDesktopEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        wchar_t name[128] = {};
        if (::GetEnvironmentVariableW(L"DOVEX_DESKTOP", name, 128))
            if (HDESK desk = ::OpenDesktopW(name, 0, FALSE, GENERIC_ALL))
                ::SetThreadDesktop(desk);
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
    }
};
inline const auto* const kJoinDesktop = ::testing::AddGlobalTestEnvironment(new JoinDesktopEnvironment);

// A top-most window whose background is one plain colour, so that what its children leave shows.
class THostWindow {
public:
    static constexpr COLORREF kBackground = RGB(0, 160, 0);

    THostWindow(int x, int y, int width, int height) {
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        static const ATOM registered = [instance] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof(wc);
            wc.style = CS_DBLCLKS;
            wc.lpfnWndProc = ::DefWindowProcW;
            wc.hInstance = instance;
            wc.hbrBackground = ::CreateSolidBrush(kBackground);
            wc.lpszClassName = L"DovexTestHost";
            return ::RegisterClassExW(&wc);
        }();
        EXPECT_NE(registered, 0);
        RECT frame{0, 0, width, height};
        ::AdjustWindowRectEx(&frame, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOPMOST);
        FWindow.reset(::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"DovexTestHost", L"Dovex test",
                                        WS_POPUP | WS_BORDER | WS_VISIBLE, x, y, frame.right - frame.left,
                                        frame.bottom - frame.top, nullptr, nullptr, instance, nullptr));
        EXPECT_TRUE(FWindow);
        ::UpdateWindow(FWindow.get());
    }
    HWND Handle() const { return FWindow.get(); }
    // Destroys the window (and its children) before the object goes.
    void Destroy() { FWindow.reset(); }

private:
    UniqueHWnd FWindow;
};

} // namespace dovex::test
