#include "app/Main.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "AppEnvironment.h"
#include "app/Messages.h"
#include "base/ErrorBox.h"

using namespace dovex;
using namespace std::chrono_literals;
using dovex::test::CleanDovexKey;
using dovex::test::PumpUntil;

namespace {

class MainWindow : public CleanDovexKey {
protected:
    std::unique_ptr<TfrmDovexMain> Create() {
        auto form = std::make_unique<TfrmDovexMain>();
        EXPECT_NE(form->Handle(), nullptr);
        return form;
    }
    // A destroyed main window ends the message loop; that quit must not reach the next test's boxes.
    void TearDown() override {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        CleanDovexKey::TearDown();
    }
};

} // namespace

TEST(SaverTick, CountsDownAndIgnoresUnknownKinds) {
    TSaverData data;
    data.Remaining = 3;
    EXPECT_FALSE(ApplySaverTick(data, SAVERTICK_ONE, 0));
    EXPECT_EQ(data.Remaining, 2);
    EXPECT_TRUE(ApplySaverTick(data, SAVERTICK_COUNT, 5));
    EXPECT_EQ(data.Remaining, -3);
    data.Remaining = 0;
    EXPECT_FALSE(ApplySaverTick(data, 3, 0)); // not even the test of the count
    EXPECT_EQ(data.Remaining, 0);
    data.Remaining = 100;
    EXPECT_TRUE(ApplySaverTick(data, SAVERTICK_ALL, 0));
    EXPECT_EQ(data.Remaining, 0);
}

TEST_F(MainWindow, IsAHiddenTopMostToolWindowThatStaysOnePixel) {
    auto form = Create();
    const HWND hwnd = form->Handle();
    wchar_t className[64] = {};
    ::GetClassNameW(hwnd, className, 64);
    EXPECT_STREQ(className, L"TfrmDovexMain");
    const LONG_PTR style = ::GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR exStyle = ::GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_EQ(exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST), WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);

    ::SetWindowPos(hwnd, nullptr, 40, 50, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.right - rc.left, 1);
    EXPECT_EQ(rc.bottom - rc.top, 1);
    EXPECT_EQ(rc.left, 40);
    ::MoveWindow(hwnd, 0, 0, 640, 480, FALSE);
    ::GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.right - rc.left, 1);

    // Shown (as a show does) and even asked to be activated, it never takes the focus.
    const HWND before = ::GetForegroundWindow();
    ::SetWindowPos(hwnd, HWND_TOPMOST, 100, 100, 0, 0, SWP_SHOWWINDOW);
    PumpUntil([] { return false; }, 100ms);
    EXPECT_NE(::GetForegroundWindow(), hwnd);
    EXPECT_EQ(::GetForegroundWindow(), before);
    ::GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.right - rc.left, 1);

    // A click neither activates it nor reaches it.
    EXPECT_EQ(::SendMessageW(hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(hwnd),
                             MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATEANDEAT);
    EXPECT_EQ(::SendMessageW(hwnd, WM_ERASEBKGND, 0, 0), 0);
}

TEST_F(MainWindow, StartsPausedAndResumesOnceTheLoopRuns) {
    auto form = Create();
    EXPECT_TRUE(form->Paused());
    EXPECT_EQ(form->SaverData().Index, -1);
    EXPECT_TRUE(form->TimePeriodRaised());
    EXPECT_NE(form->TrayIcon(0), nullptr);
    EXPECT_NE(form->TrayIcon(1), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !form->Paused(); }, 2s));
    EXPECT_TRUE(form->SaverWaitTimer().Enabled());
    EXPECT_EQ(form->SaverWaitTimer().Interval(), 60000u);
    EXPECT_FALSE(form->CursorCheckTimer().Enabled());

    const HWND hwnd = form->Handle();
    ::SendMessageW(hwnd, WM_SAVERPAUSE, SAVERPAUSE_PAUSE, 0);
    EXPECT_TRUE(form->Paused());
    EXPECT_FALSE(form->SaverWaitTimer().Enabled());
    ::SendMessageW(hwnd, WM_SAVERPAUSE, 7, 0); // unknown: ignored
    EXPECT_TRUE(form->Paused());
    ::SendMessageW(hwnd, WM_SAVERPAUSE, SAVERPAUSE_RESUME, 0);
    EXPECT_FALSE(form->Paused());
    EXPECT_TRUE(form->SaverWaitTimer().Enabled());
}

TEST_F(MainWindow, TickAndReloadMessagesFollowTheTable) {
    SetSetting(L"WaitTime", 1234);
    auto form = Create();
    const HWND hwnd = form->Handle();
    EXPECT_EQ(form->SaverWaitTimer().Interval(), 1234u);

    const int32_t remaining = form->SaverData().Remaining;
    ::SendMessageW(hwnd, WM_SAVERTICK, 3, 0);
    EXPECT_EQ(form->SaverData().Remaining, remaining);
    ::SendMessageW(hwnd, WM_SAVERTICK, SAVERTICK_COUNT, 4);
    EXPECT_EQ(form->SaverData().Remaining, remaining - 4);

    SetSetting(L"WaitTime", 4321);
    SetSetting(L"HideCursor", 1);
    ::SendMessageW(hwnd, WM_SAVERRELOAD, 992, 0);
    EXPECT_EQ(form->SaverWaitTimer().Interval(), 1234u);
    EXPECT_FALSE(form->SaverProperty().Options & soHideCursor);
    ::SendMessageW(hwnd, WM_SAVERRELOAD, RELOAD_SETTINGS, 0);
    EXPECT_EQ(form->SaverWaitTimer().Interval(), 4321u);
    EXPECT_TRUE(form->SaverProperty().Options & soHideCursor);
}

TEST_F(MainWindow, IdleTimerFiresAfterTheWaitAndNeverWithWaitZero) {
    SetSetting(L"WaitTime", 0);
    auto form = Create();
    ASSERT_TRUE(PumpUntil([&] { return !form->Paused(); }, 2s));
    EXPECT_EQ(form->SaverWaitTimer().Interval(), 0u);
    // The idle handler switches its timer off when it fires: with a wait of 0 it never does.
    PumpUntil([] { return false; }, 400ms);
    EXPECT_TRUE(form->SaverWaitTimer().Enabled());

    SetSetting(L"WaitTime", 150);
    ::SendMessageW(form->Handle(), WM_SAVERRELOAD, RELOAD_SETTINGS, 0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpUntil([&] { return !form->SaverWaitTimer().Enabled(); }, 3s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 140ms);
}

TEST_F(MainWindow, BadHomePositionIsReportedAndStartUpCompletes) {
    SetSetting(L"WaitTime", 2500);
    SetSetting(L"HomePosition", L"12,x");
    std::atomic<bool> stop{false};
    std::wstring seen;
    const HDESK desktop = ::GetThreadDesktop(::GetCurrentThreadId());
    std::thread closer([&] {
        ::SetThreadDesktop(desktop); // windows are found only on the finder's own desktop
        while (!stop) {
            if (HWND box = dovex::test::FindDialog(ApplicationTitle())) {
                seen = dovex::test::MessageBoxText(box);
                if (seen.empty())
                    continue; // shown, but not filled in yet
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            std::this_thread::sleep_for(20ms);
        }
    });
    auto form = Create();
    stop = true;
    closer.join();
    EXPECT_EQ(seen, L"'x' は整数ではありません");
    EXPECT_EQ(form->SaverWaitTimer().Interval(), 2500u);
    ASSERT_TRUE(PumpUntil([&] { return !form->Paused(); }, 2s));
    EXPECT_TRUE(form->SaverWaitTimer().Enabled());
}

TEST_F(MainWindow, CloseRunsTheOrderlyShutdown) {
    auto form = Create();
    const HWND hwnd = form->Handle();
    ASSERT_TRUE(form->TimePeriodRaised());
    ::SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(form->Handle(), nullptr);
    EXPECT_FALSE(form->TimePeriodRaised());
    EXPECT_FALSE(form->SaverWaitTimer().Enabled());
    MSG msg;
    EXPECT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)); // the loop is told to end
}
