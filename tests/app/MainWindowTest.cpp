#include "app/Main.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "ShowEnvironment.h"
#include "tests/base/DesktopInput.h"
#include "app/Messages.h"
#include "base/ErrorBox.h"
#include "base/Exception.h"
#include "model/PlayListCtrls.h"
#include "app/QuietTimes.h"

using namespace dovex;
using namespace std::chrono_literals;
using dovex::test::CleanDovexKey;
using dovex::test::PumpFor;
using dovex::test::PumpUntil;
using dovex::test::SamplePath;
using dovex::test::TGroupPlay;

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

// Any posted count, however large, saturates instead of overflowing.
TEST(SaverTick, HugeCountsSaturate) {
    const struct {
        int32_t Remaining;
        LPARAM Count;
        int32_t Expected;
    } cases[] = {
        {5, INT32_MAX, INT32_MIN + 6},
        {-10, INT32_MAX, INT32_MIN},
        // The widest counts a message can carry: 64 bits in a 64-bit process, 32 in a 32-bit one.
        {-10, std::numeric_limits<LPARAM>::max(), INT32_MIN},
        {3, std::numeric_limits<LPARAM>::min(), INT32_MAX},
        {INT32_MIN, 1, INT32_MIN},
    };
    for (const auto& c : cases) {
        TSaverData data;
        data.Remaining = c.Remaining;
        ApplySaverTick(data, SAVERTICK_COUNT, c.Count);
        EXPECT_EQ(data.Remaining, c.Expected) << c.Remaining << " - " << c.Count;
    }
    TSaverData data;
    data.Remaining = INT32_MIN;
    EXPECT_TRUE(ApplySaverTick(data, SAVERTICK_ONE, 0));
    EXPECT_EQ(data.Remaining, INT32_MIN);
}

// A late tick of a stopped timer neither counts for the next timer nor keeps its ticks from being posted.
TEST(TickHandOff, LateTicksOfAStoppedTimerChangeNothing) {
    TTickHandOff ticks;
    EXPECT_FALSE(ticks.Count(7)) << "nothing counts before a start";
    ticks.Start(7);
    EXPECT_TRUE(ticks.Count(7)) << "the first tick wakes the main thread";
    EXPECT_FALSE(ticks.Count(7)) << "later ones are only counted";
    EXPECT_EQ(ticks.Take(7), 2);
    EXPECT_TRUE(ticks.Count(7)) << "after taking, the next tick wakes it again";
    ticks.Stop();
    EXPECT_FALSE(ticks.Count(7)) << "a tick under way while the timer stopped";
    ticks.Start(8);
    EXPECT_FALSE(ticks.Count(7)) << "a late tick of the old timer";
    EXPECT_EQ(ticks.Take(7), 0) << "the old timer's message takes nothing of the new one";
    EXPECT_TRUE(ticks.Count(8)) << "the new timer's first tick is posted";
    EXPECT_EQ(ticks.Take(8), 1);
}

// The same under real threads: a timer thread hammering an old id while the main thread restarts.
TEST(TickHandOff, RestartsUnderConcurrentLateTicksKeepPosting) {
    TTickHandOff ticks;
    std::atomic<bool> run{true};
    std::thread late([&] {
        while (run)
            ticks.Count(1);
    });
    for (UINT id = 2; id < 2000; ++id) {
        ticks.Start(id);
        ASSERT_TRUE(ticks.Count(id)) << "timer " << id;
        ASSERT_EQ(ticks.Take(id), 1) << "timer " << id;
        ticks.Stop();
    }
    run = false;
    late.join();
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
    RECT created{};
    ::GetWindowRect(hwnd, &created);
    EXPECT_EQ(created.right - created.left, 1) << "one pixel from creation, not only from the first show";
    EXPECT_EQ(created.bottom - created.top, 1);

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
    EXPECT_EQ(form->CursorCheckTimer().Enabled(),
              !form->MouseHook().Installed()); // polling only without the hook

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

// The box opens once start-up is over: commands of the tray menu that its message loop delivers then
// find a complete window.
TEST_F(MainWindow, BadHomePositionIsReportedAfterStartUpCompletes) {
    SetSetting(L"WaitTime", 2500);
    SetSetting(L"HomePosition", L"12,x");
    std::atomic<bool> created{false}, shownDuringCreate{false}, stop{false};
    std::atomic<HWND> mainWindow{nullptr};
    std::wstring seen;
    const HDESK desktop = ::GetThreadDesktop(::GetCurrentThreadId());
    std::thread closer([&] {
        ::SetThreadDesktop(desktop); // windows are found only on the finder's own desktop
        while (!stop) {
            if (HWND box = dovex::test::FindDialog(ApplicationTitle())) {
                seen = dovex::test::MessageBoxText(box);
                if (seen.empty())
                    continue; // shown, but not filled in yet
                shownDuringCreate = !created;
                // What crashed a half-built window: refreshing the playlist from the tray menu.
                if (HWND form = mainWindow.load())
                    ::SendMessageW(form, WM_COMMAND, IDM_REFRESHPLAYLIST, 0);
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            std::this_thread::sleep_for(20ms);
        }
    });
    auto form = Create();
    mainWindow = form->Handle();
    created = true;
    EXPECT_TRUE(PumpUntil([&] { return !seen.empty(); }, 5s));
    stop = true;
    closer.join();
    EXPECT_FALSE(shownDuringCreate);
    EXPECT_EQ(seen, L"'x' は整数ではありません");
    EXPECT_EQ(form->SaverWaitTimer().Interval(), 2500u);
    ASSERT_TRUE(PumpUntil([&] { return !form->Paused(); }, 2s));
    EXPECT_TRUE(form->SaverWaitTimer().Enabled());
    EXPECT_TRUE(::IsWindow(form->Handle()));
}

// While the start is paused the idle wait does not run: a show then could not be ended by the mouse. (A
// wait long enough not to end within the pump that resumes: on a busy machine 50 ms did.)
TEST_F(MainWindow, PausedStartRunsNoIdleWait) {
    SetSetting(L"WaitTime", 1000);
    auto form = Create();
    EXPECT_TRUE(form->Paused());
    EXPECT_FALSE(form->SaverWaitTimer().Enabled());
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

TEST_F(MainWindow, ShowPlaysItemsForTheirTicksAndActivityEndsIt) {
    SetSetting(L"WaitTime", 100);
    SetSetting(L"IgnoreMouse", L"LsftClick");
    // Count mode, 3 cycles; the missing file in between is never chosen.
    WriteGroup(L"G", {SamplePath("star32.ani"), L"Z:\\no\\such.ani", SamplePath("ball32.ani")},
               TGroupPlay{0, 3, 1000});
    auto form = Create();
    const HWND hwnd = form->Handle();
    ASSERT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 3s));
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_FALSE(form->SaverWaitTimer().Enabled());
    EXPECT_EQ(form->SaverData().Index, 0);
    EXPECT_EQ(form->CursorChoice(), TCursorChoice::Show);
    EXPECT_NE(form->SaverData().TimerID, 0u);
    EXPECT_EQ(form->SaverData().Interval, 800); // one cycle of star32: 8 steps of 100 ms
    EXPECT_EQ(::SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                             MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_NE(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));

    // Ticks from the timer are stood in for by the message's own counting.
    ::SendMessageW(hwnd, WM_SAVERTICK, SAVERTICK_COUNT, form->SaverData().Remaining - 1);
    EXPECT_EQ(form->SaverData().Index, 0);
    ::SendMessageW(hwnd, WM_SAVERTICK, SAVERTICK_ONE, 0);
    EXPECT_EQ(form->SaverData().Index, 2); // the missing item is skipped
    EXPECT_EQ(form->SaverData().CurrentFile, SamplePath("ball32.ani"));
    EXPECT_EQ(form->SaverData().Remaining, 3);

    // An ignored left click changes nothing; an extra button always counts.
    ::SendMessageW(hwnd, WM_SAVERMOUSE, WM_LBUTTONDOWN, 0);
    EXPECT_TRUE(form->SaverShowing());
    ::SendMessageW(hwnd, WM_SAVERMOUSE, WM_XBUTTONDOWN, 0);
    EXPECT_FALSE(form->SaverShowing());
    EXPECT_FALSE(::IsWindowVisible(hwnd));
    EXPECT_EQ(form->SaverData().TimerID, 0u);
    EXPECT_EQ(form->CursorChoice(), TCursorChoice::Default);
    EXPECT_TRUE(form->SaverWaitTimer().Enabled());

    // The next show goes on after the item shown last, wrapping round to the first.
    ASSERT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 3s));
    EXPECT_EQ(form->SaverData().Index, 0);

    // Pausing ends the show and stops its countdown.
    ::SendMessageW(hwnd, WM_SAVERPAUSE, SAVERPAUSE_PAUSE, 0);
    EXPECT_FALSE(form->SaverShowing());
    EXPECT_EQ(form->SaverData().TimerID, 0u);
    PumpUntil([] { return false; }, 300ms);
    EXPECT_FALSE(form->SaverShowing());
}

TEST_F(MainWindow, HideCursorShowsABlankPointerAndAnEmptyPlaylistNoWindow) {
    SetSetting(L"WaitTime", 100);
    SetSetting(L"HideCursor", 1);
    WriteGroup(L"G", {SamplePath("star32.ani")}, TGroupPlay{1, 1, 1000});
    {
        auto form = Create();
        const HWND hwnd = form->Handle();
        ASSERT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 3s));
        EXPECT_TRUE(::IsWindowVisible(hwnd));
        EXPECT_EQ(form->CursorChoice(), TCursorChoice::None);
        EXPECT_EQ(form->SaverData().CurrentFile, L""); // the playlist is not touched
        ::SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        const HCURSOR blank = ::GetCursor();
        ASSERT_NE(blank, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(blank, &info));
        BITMAP mask{};
        ::GetObjectW(info.hbmMask, sizeof(mask), &mask);
        std::vector<BYTE> bits(static_cast<size_t>(mask.bmWidthBytes) * mask.bmHeight);
        ::GetBitmapBits(info.hbmMask, static_cast<LONG>(bits.size()), bits.data());
        // Monochrome: the AND half keeps every screen pixel, the XOR half changes none.
        const size_t half = bits.size() / 2;
        EXPECT_TRUE(std::all_of(bits.begin(), bits.begin() + half, [](BYTE b) { return b == 0xFF; }));
        EXPECT_TRUE(std::all_of(bits.begin() + half, bits.end(), [](BYTE b) { return b == 0x00; }));
        ::DeleteObject(info.hbmMask);
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
    }
    TearDown();
    SetUp();
    SetSetting(L"WaitTime", 100);
    auto form = Create();
    ASSERT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 3s));
    EXPECT_FALSE(::IsWindowVisible(form->Handle())); // nothing to play: no window
    EXPECT_EQ(form->CursorChoice(), TCursorChoice::Default);
}

// The system keeps the pointer on the screen: the show goes where the pointer really is, and the jump does
// not count as a move that ends the show.
TEST_F(MainWindow, HomePositionOffTheScreenIsTakenWhereThePointerLands) {
    SetSetting(L"WaitTime", 100);
    SetSetting(L"UseHomePosition", 1);
    SetSetting(L"HomePosition", L"-5000,99999");
    WriteGroup(L"G", {SamplePath("star32.ani")}, TGroupPlay{1, 1, 5000});
    auto form = Create();
    const HWND hwnd = form->Handle();
    ASSERT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 3s));
    POINT pointer{};
    ::GetCursorPos(&pointer);
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    EXPECT_EQ(rc.left, pointer.x);
    EXPECT_EQ(rc.top, pointer.y);
    EXPECT_GE(pointer.x, ::GetSystemMetrics(SM_XVIRTUALSCREEN));
    ::SendMessageW(hwnd, WM_SAVERMOUSE, WM_MOUSEMOVE, 0);
    EXPECT_TRUE(form->SaverShowing()) << "the pointer has not moved since the jump";
    EXPECT_FALSE(PumpUntil([&] { return !form->SaverShowing(); }, 300ms))
        << "nor do the pointer checks say so";
    ::SetCursorPos(pointer.x + 1, pointer.y - 1);
    ::SendMessageW(hwnd, WM_SAVERMOUSE, WM_MOUSEMOVE, 0);
    EXPECT_FALSE(form->SaverShowing()) << "a report with the pointer elsewhere is a move";
}

// ---- A hook that reports nothing ----
// The hook is blind where it cannot enter (an elevated window, a process whose input never reaches it, a
// hook the system removed). Here its reports are dropped before they reach the window, and the pointer is
// moved without input.

namespace {

bool PumpBlind(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return PumpUntil(done, limit, [](MSG& msg) { return msg.message == WM_SAVERMOUSE; });
}

} // namespace

TEST_F(MainWindow, WhileThePointerMovesUnreportedNoShowStarts) {
    SetSetting(L"WaitTime", 400);
    WriteGroup(L"G", {SamplePath("star32.ani")}, TGroupPlay{1, 1, 5000});
    ::SetCursorPos(400, 300);
    auto form = Create();
    ASSERT_TRUE(PumpBlind([&] { return !form->Paused(); }, 2s));
    for (int i = 1; i <= 15; ++i) {
        ::SetCursorPos(400 + i * 3, 300);
        ASSERT_FALSE(PumpBlind([&] { return form->SaverShowing(); }, 100ms)) << "a show after move " << i;
    }
    const auto still = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpBlind([&] { return form->SaverShowing(); }, 3s)) << "once still, the show comes";
    EXPECT_GE(std::chrono::steady_clock::now() - still, 350ms) << "after a whole wait";
    RECT rc{};
    ::GetWindowRect(form->Handle(), &rc);
    EXPECT_EQ(rc.left, 445) << "under the pointer where it came to rest";
}

TEST_F(MainWindow, AnUnreportedMoveEndsTheShowTheHookIsInstalledAgainThenPollingTakesOver) {
    SetSetting(L"WaitTime", 200);
    WriteGroup(L"G", {SamplePath("star32.ani")}, TGroupPlay{1, 1, 5000});
    ::SetCursorPos(400, 300);
    auto form = Create();
    ASSERT_TRUE(form->MouseHook().Installed()) << "Dovex.dll beside the test";
    EXPECT_FALSE(form->ShowCheckTimer().Enabled()) << "no pointer check while waiting: no wake-ups";
    const auto endShowByMove = [&](int x) {
        ASSERT_TRUE(PumpBlind([&] { return form->SaverShowing(); }, 3s));
        EXPECT_TRUE(form->ShowCheckTimer().Enabled() || form->CursorCheckTimer().Enabled())
            << "nothing checks the pointer during the show";
        ::SetCursorPos(x, 300);
        const auto moved = std::chrono::steady_clock::now();
        ASSERT_TRUE(PumpBlind([&] { return !form->SaverShowing(); }, 2s)) << "the move did not end the show";
        EXPECT_LT(std::chrono::steady_clock::now() - moved, 300ms);
        EXPECT_FALSE(::IsWindowVisible(form->Handle()));
        EXPECT_FALSE(form->ShowCheckTimer().Enabled());
    };
    endShowByMove(405);
    ASSERT_TRUE(PumpBlind([&] { return form->HookReinstalls() == 1; }, 2s)) << "the blind hook was kept";
    EXPECT_TRUE(form->MouseHook().Installed());
    EXPECT_FALSE(form->CursorCheckTimer().Enabled());

    endShowByMove(410);
    ASSERT_TRUE(PumpBlind([&] { return form->CursorCheckTimer().Enabled(); }, 2s)) << "no polling took over";
    EXPECT_EQ(form->HookReinstalls(), 1);
    EXPECT_TRUE(form->MouseHook().Installed()) << "the hook stays for buttons and wheel";
    endShowByMove(415);
    EXPECT_EQ(form->HookReinstalls(), 1);
}

// A hook that sees the move is left alone, even when the pointer check was quicker than its report.
TEST_F(MainWindow, AHookThatReportsTheMoveIsNotInstalledAgain) {
    SetSetting(L"WaitTime", 200);
    SetSetting(L"IgnoreMouse", L"LsftClick");
    WriteGroup(L"G", {SamplePath("star32.ani")}, TGroupPlay{1, 1, 5000});
    ::SetCursorPos(400, 300);
    auto form = Create();
    ASSERT_TRUE(form->MouseHook().Installed());
    for (int x : {420, 440, 460}) {
        ASSERT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 3s));
        std::thread([x] {
            test::JoinProjectDesktop();
            test::SendMouse({test::MoveTo(x, 300)});
        }).join();
        ASSERT_TRUE(PumpUntil([&] { return !form->SaverShowing(); }, 1s));
        PumpFor(THookWatch::kGraceMs * 1ms + 200ms);
    }
    EXPECT_EQ(form->HookReinstalls(), 0);
    EXPECT_FALSE(form->CursorCheckTimer().Enabled());
}

// Whatever fails after the window went on screen, the show counts as started, so activity takes the
// window off again.
TEST_F(MainWindow, AShowThatFailsHalfWayIsStillTakenOffScreen) {
    const HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP, 0, 0, 1,
                                          1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    TCursorGroupManager groups;
    TSaverProperty property;
    property.Options = soHideCursor; // a blank pointer: the window goes on screen
    TSaverEngine engine(window, groups, property);
    engine.OnShowingChanged = [](bool showing) {
        if (showing)
            throw Exception(L"tray animation failed");
    };
    EXPECT_THROW(engine.Start(), Exception);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_TRUE(engine.Showing());
    engine.Stop();
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_FALSE(engine.Showing());
    ::DestroyWindow(window);
}

// ---- The engine on its own: long items, random choice, the planned next cursor ----

namespace {

// The engine over the registry's playlist, its show window and its countdown messages.
class Engine : public MainWindow {
protected:
    // A new engine over the playlist the registry holds now.
    void Start() {
        Release();
        FWindow = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1,
                                    nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(FWindow, nullptr);
        FGroups = std::make_unique<TCursorGroupManager>();
        FEngine = std::make_unique<TSaverEngine>(FWindow, *FGroups, FProperty);
    }
    void Release() {
        FEngine.reset();
        FGroups.reset();
        if (FWindow)
            ::DestroyWindow(FWindow);
        FWindow = nullptr;
    }
    void TearDown() override {
        Release();
        MainWindow::TearDown();
    }
    // The item on show ends: as many ticks as it has left.
    void EndItem() { FEngine->Tick(SAVERTICK_COUNT, FEngine->Data().Remaining); }

    HWND FWindow = nullptr;
    TSaverProperty FProperty;
    std::unique_ptr<TCursorGroupManager> FGroups;
    std::unique_ptr<TSaverEngine> FEngine;
};

std::filesystem::path TempCopy(const char* sample, const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::filesystem::path copy = std::filesystem::path(temp) / name;
    std::filesystem::copy_file(std::string(DOVEX_SAMPLES_DIR) + "/" + sample, copy,
                               std::filesystem::copy_options::overwrite_existing);
    return copy;
}

int CursorWidth(HCURSOR cursor) {
    ICONINFO info{};
    if (!::GetIconInfo(cursor, &info))
        return 0;
    BITMAP mask{};
    ::GetObjectW(info.hbmMask, sizeof(mask), &mask);
    ::DeleteObject(info.hbmMask);
    if (info.hbmColor)
        ::DeleteObject(info.hbmColor);
    return mask.bmWidth;
}

} // namespace

// The timer refuses periods above its maximum: every item lasts its whole time all the same, counted in
// shorter ticks; a stored time beyond what the settings allow plays as the longest they allow.
TEST_F(Engine, ItemsLongerThanTheTimerAllowsLastTheirWholeTime) {
    const struct {
        DWORD Mode, Nums, Time;
        UINT MaxPeriod;
        int32_t Interval, Remaining; // the timer's period and the ticks the item lasts
    } cases[] = {
        {1, 1, 5000, 65535, 5000, 1},
        {1, 1, 200000, 65535, 50000, 4},
        {1, 1, 3600000, 65535, 65455, 55},
        {1, 1, 90000000, 65535, 65455, 55}, // beyond the settings: played as 60 minutes
        {1, 1, 1000, 300, 250, 4},
        {0, 3, 0, 300, 267, 9}, // star32: 800 ms a cycle, 3 cycles
        {0, 0, 0, 300, 267, 3}, // a count of 0 plays once
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.Mode << " time " << c.Time << " max " << c.MaxPeriod);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kPlaylistKey);
        WriteGroup(L"G", {SamplePath("star32.ani")}, TGroupPlay{c.Mode, c.Nums, c.Time});
        Start();
        FEngine->MaxTimerPeriod = [&] { return c.MaxPeriod; };
        FEngine->Start();
        EXPECT_EQ(FEngine->Data().Interval, c.Interval);
        EXPECT_EQ(FEngine->Data().Remaining, c.Remaining);
        EXPECT_NE(FEngine->Data().TimerID, 0u) << "the timer took the period";
        FEngine->Tick(SAVERTICK_COUNT, c.Remaining - 1);
        EXPECT_EQ(FEngine->Data().Remaining, 1) << "one tick short of the end, the item stays";
        FEngine->Stop();
    }
}

// With one usable item among many, random order only ever plays that one.
TEST_F(Engine, RandomOrderPlaysOnlyUsableItems) {
    std::vector<std::wstring> files(30, L"Z:\\no\\such.ani");
    files[17] = SamplePath("star32.ani");
    WriteGroup(L"G", {}, TGroupPlay{1, 1, 5000});
    const std::wstring key = std::wstring(kPlaylistKey) + L"\\G";
    for (size_t i = 0; i < files.size(); ++i)
        ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), std::to_wstring(i).c_str(), REG_SZ,
                          files[i].c_str(), static_cast<DWORD>((files[i].size() + 1) * sizeof(wchar_t)));
    for (int32_t sequence : {1, 0}) {
        SCOPED_TRACE(sequence ? "random order" : "in order");
        Start();
        FProperty.PlaySequence = sequence;
        FEngine->Start();
        for (int i = 0; i < 300; ++i) {
            ASSERT_EQ(FEngine->Data().Index, 17) << "draw " << i;
            EndItem();
        }
        FEngine->Stop();
    }
}

// The next cursor is loaded while the current one plays; what is shown next is always what the playlist
// says then, not what it said when the cursor was planned.
TEST_F(Engine, ThePlannedNextCursorIsTheNextFileAndAStalePlanIsNeverShown) {
    const auto first = TempCopy("star32.ani", L"dovex-plan-a.ani");
    const auto second = TempCopy("ball32.ani", L"dovex-plan-b.ani");
    const auto third = TempCopy("clock64.ani", L"dovex-plan-c.ani");
    WriteGroup(L"G", {first.wstring(), second.wstring()}, TGroupPlay{1, 1, 5000});
    Start();
    FEngine->Start();
    ASSERT_EQ(FEngine->Data().CurrentFile, first.wstring());
    // The next file, a different one, was loaded ahead: it shows although it is gone from the disk.
    ASSERT_TRUE(::DeleteFileW(second.c_str()));
    EndItem();
    EXPECT_EQ(FEngine->Data().CurrentFile, second.wstring());
    EXPECT_NE(FEngine->ChoiceCursor(), ::LoadCursorW(nullptr, IDC_ARROW))
        << "the planned cursor was not kept";
    TempCopy("ball32.ani", L"dovex-plan-b.ani");

    // Reordered while the show runs: the plan (the first file) gives way to the new order.
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kPlaylistKey);
    WriteGroup(L"G", {third.wstring(), second.wstring(), first.wstring()}, TGroupPlay{1, 1, 5000});
    FGroups->Reload();
    EndItem();
    EXPECT_EQ(FEngine->Data().CurrentFile, first.wstring()) << "after the item shown, in the new order";
    // Reordered again: the plan (the third file, at the first place) no longer holds there.
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kPlaylistKey);
    WriteGroup(L"G", {first.wstring(), third.wstring()}, TGroupPlay{1, 1, 5000});
    FGroups->Reload();
    EndItem();
    EXPECT_EQ(FEngine->Data().CurrentFile, first.wstring());
    EXPECT_EQ(CursorWidth(FEngine->ChoiceCursor()), 32) << "the planned 64-pixel cursor was shown";
    FEngine->Stop();
    for (const auto& file : {first, second, third})
        ::DeleteFileW(file.c_str());
}

// ---- No show when it would disturb ----

namespace {

// A borderless window over the whole primary monitor, in front, as a video player or game shows itself.
class TFullScreenWindow {
public:
    explicit TFullScreenWindow(DWORD style = WS_POPUP) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        ::GetMonitorInfoW(::MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
        const RECT& r = monitor.rcMonitor;
        FHandle = ::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"full screen", style, r.left, r.top,
                                    r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    }
    ~TFullScreenWindow() { Close(); }
    // True once it is the foreground window (another test program may hold the front for a moment).
    bool ShowInFront() {
        ::ShowWindow(FHandle, SW_SHOW);
        return dovex::test::PumpUntil(
            [&] {
                ::SetForegroundWindow(FHandle);
                return ::GetForegroundWindow() == FHandle;
            },
            std::chrono::seconds(3));
    }
    void Close() {
        if (FHandle)
            ::DestroyWindow(FHandle);
        FHandle = nullptr;
    }
    HWND Handle() const { return FHandle; }

private:
    HWND FHandle = nullptr;
};

} // namespace

TEST(QuietTimes, WhatCountsAsAFullScreenProgram) {
    TFullScreenWindow popup, captioned(WS_OVERLAPPEDWINDOW);
    EXPECT_FALSE(IsFullScreenWindow(popup.Handle())) << "not while hidden";
    ASSERT_TRUE(popup.ShowInFront());
    EXPECT_TRUE(IsFullScreenWindow(popup.Handle()));
    ::ShowWindow(captioned.Handle(), SW_SHOW);
    EXPECT_FALSE(IsFullScreenWindow(captioned.Handle())) << "a window with a caption is not full-screen";
    ::SetWindowPos(popup.Handle(), nullptr, 0, 0, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_FALSE(IsFullScreenWindow(popup.Handle())) << "not when it covers only part of the monitor";
    EXPECT_FALSE(IsFullScreenWindow(::GetDesktopWindow()));
    EXPECT_FALSE(IsFullScreenWindow(nullptr));
}

TEST_F(MainWindow, NoShowWhileTheShellReportsAFullScreenProgramOrQuietTime) {
    SetSetting(L"WaitTime", 100);
    WriteGroup(L"G", {SamplePath("star32.ani")}, TGroupPlay{1, 1, 5000});
    auto form = Create();
    QUERY_USER_NOTIFICATION_STATE state = QUNS_ACCEPTS_NOTIFICATIONS;
    form->QuietTimes().NotificationState = [&] { return state; };
    for (QUERY_USER_NOTIFICATION_STATE quiet :
         {QUNS_BUSY, QUNS_RUNNING_D3D_FULL_SCREEN, QUNS_PRESENTATION_MODE, QUNS_QUIET_TIME}) {
        state = quiet;
        EXPECT_FALSE(PumpUntil([&] { return form->SaverShowing(); }, 500ms)) << "state " << quiet;
    }
    state = QUNS_ACCEPTS_NOTIFICATIONS;
    EXPECT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 1s)) << "the wait goes on afterwards";

    // Turned off by the user: a presentation does not hold the show back.
    ::SendMessageW(form->Handle(), WM_SAVERMOUSE, WM_RBUTTONDOWN, 0);
    SetSetting(L"SuppressFullScreen", 0);
    ::SendMessageW(form->Handle(), WM_SAVERRELOAD, RELOAD_SETTINGS, 0);
    state = QUNS_PRESENTATION_MODE;
    EXPECT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 1s));
}

TEST_F(MainWindow, ALockedSessionEndsTheShowAndTheWaitStartsAgainWhenItIsBack) {
    SetSetting(L"WaitTime", 300);
    WriteGroup(L"G", {SamplePath("star32.ani")}, TGroupPlay{1, 1, 5000});
    auto form = Create();
    const HWND hwnd = form->Handle();
    const struct {
        WPARAM Away, Back;
    } cases[] = {{WTS_SESSION_LOCK, WTS_SESSION_UNLOCK},
                 {WTS_CONSOLE_DISCONNECT, WTS_CONSOLE_CONNECT},
                 {WTS_REMOTE_DISCONNECT, WTS_REMOTE_CONNECT}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "session change " << c.Away);
        ASSERT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 2s));
        ::SendMessageW(hwnd, WM_WTSSESSION_CHANGE, c.Away, 0);
        EXPECT_FALSE(form->SaverShowing());
        EXPECT_FALSE(::IsWindowVisible(hwnd));
        EXPECT_FALSE(PumpUntil([&] { return form->SaverShowing(); }, 900ms)) << "no show while away";
        ::SendMessageW(hwnd, WM_WTSSESSION_CHANGE, c.Back, 0);
        const auto back = std::chrono::steady_clock::now();
        ASSERT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 2s));
        EXPECT_GE(std::chrono::steady_clock::now() - back, 250ms) << "the wait starts again from zero";
    }
}

TEST_F(MainWindow, AFullScreenProgramInFrontEndsTheShowAndHoldsTheNextBack) {
    SetSetting(L"WaitTime", 200);
    WriteGroup(L"G", {SamplePath("star32.ani")}, TGroupPlay{1, 1, 5000});
    auto form = Create();
    ASSERT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 2s));
    TFullScreenWindow player;
    ASSERT_TRUE(player.ShowInFront());
    // Wine reports no foreground change for a popup window: tell the main window as the system does.
    ::PostMessageW(form->Handle(), WM_SAVERFOREGROUND, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !form->SaverShowing(); }, 1s))
        << "the foreground change ends the show";
    EXPECT_FALSE(PumpUntil([&] { return form->SaverShowing(); }, 1s)) << "no show over a full-screen program";
    player.Close();
    ::PostMessageW(form->Handle(), WM_SAVERFOREGROUND, 0, 0);
    const auto closed = std::chrono::steady_clock::now();
    EXPECT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 2s)) << "the show comes after the wait";
    EXPECT_GE(std::chrono::steady_clock::now() - closed, 180ms) << "the wait starts again from zero";
}

// A cursor whose cycle has no length (a zero rate) and a group time of 0 still end: the show moves on.
TEST_F(MainWindow, ItemsOfNoLengthStillEnd) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::filesystem::path zeroRate = std::filesystem::path(temp) / L"dovex-zero-rate.ani";
    // A real cursor whose every step has no length: its header's rate and any rate table set to 0.
    std::ifstream in(std::string(DOVEX_SAMPLES_DIR) + "/star32.ani", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t header = bytes.find("anih");
    ASSERT_NE(header, std::string::npos);
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(header + 8 + 28), 4, '\0');
    if (const size_t rate = bytes.find("rate"); rate != std::string::npos) {
        uint32_t size = 0;
        std::memcpy(&size, bytes.data() + rate + 4, 4);
        std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(rate + 8), size, '\0');
    }
    std::ofstream(zeroRate, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    const struct { DWORD Mode, Time; } cases[] = {{0, 1000}, {1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Mode ? "time mode, time 0" : "count mode, zero rate");
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kPlaylistKey);
        SetSetting(L"WaitTime", 100);
        WriteGroup(L"G", {zeroRate.wstring(), SamplePath("star32.ani")}, TGroupPlay{c.Mode, 1, c.Time});
        auto form = Create();
        ASSERT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 2s));
        const int first = form->SaverData().Index;
        EXPECT_NE(form->SaverData().TimerID, 0u);
        EXPECT_TRUE(PumpUntil([&] { return form->SaverData().Index != first; }, 3s)) << "the show stuck";
    }
    ::DeleteFileW(zeroRate.c_str());
}

// The user's list of programs: a bare file name matches anywhere, a path only itself, letter case aside.
TEST(QuietTimes, ListedProgramsMatchByFileNameOrByFullPath) {
    const std::wstring game = L"D:\\Games\\Fast\\Game.exe";
    const struct {
        std::vector<std::wstring> List;
        std::wstring Path;
        bool Listed;
    } cases[] = {
        {{L"game.exe"}, game, true},
        {{L"GAME.EXE"}, game, true},
        {{L"  \"Game.exe\" "}, game, true},
        {{L"game"}, game, false},
        {{L"me.exe"}, game, false},
        {{L"Fast\\Game.exe"}, game, false}, // a folder makes it a path: only that one
        {{L"d:\\games\\fast\\GAME.EXE"}, game, true},
        {{L"D:/Games/Fast/Game.exe"}, game, true},
        {{L"C:\\Games\\Fast\\Game.exe"}, game, false},
        {{L"player.exe", L"", L"game.exe"}, game, true},
        {{L"player.exe"}, game, false},
        {{}, game, false},
        {{L""}, game, false},
        {{L"game.exe"}, L"", false}, // a program that could not be learned is never listed
        {{L"ゲーム.exe"}, L"C:\\ゲーム\\ゲーム.EXE", true},
    };
    for (const auto& c : cases) {
        std::wstring list;
        for (const auto& entry : c.List)
            list += L"[" + entry + L"]";
        EXPECT_EQ(ProgramListed(c.List, c.Path), c.Listed)
            << testing::PrintToString(list) << " " << testing::PrintToString(c.Path);
    }
}

TEST(QuietTimes, TheProgramOfAWindowIsItsFullPath) {
    TFullScreenWindow window;
    const std::wstring path = WindowProgramPath(window.Handle());
    EXPECT_TRUE(ProgramListed({L"test_app.exe"}, path)) << testing::PrintToString(path);
    wchar_t own[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, own, MAX_PATH);
    EXPECT_TRUE(ProgramListed({own}, path)) << testing::PrintToString(path);
    EXPECT_EQ(WindowProgramPath(nullptr), L"");
}

// A program of the list in front acts as a full-screen one does, also with the full-screen test off: the
// show ends, none starts, and once it has gone the wait starts again from zero.
TEST_F(MainWindow, AListedProgramInFrontEndsTheShowAndHoldsTheNextBack) {
    SetSetting(L"WaitTime", 200);
    SetSetting(L"SuppressFullScreen", 0);
    SetSetting(L"ExcludedPrograms", std::wstring(L"player.exe\0game.exe\0", 20), REG_MULTI_SZ);
    WriteGroup(L"G", {SamplePath("star32.ani")}, TGroupPlay{1, 1, 5000});
    auto form = Create();
    EXPECT_EQ(form->SaverProperty().ExcludedPrograms,
              (std::vector<std::wstring>{L"player.exe", L"game.exe"}));
    std::wstring front = L"C:\\Windows\\notepad.exe";
    form->QuietTimes().ProgramOf = [&](HWND) { return front; };
    ASSERT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 2s));
    front = L"D:\\Games\\GAME.EXE";
    ::PostMessageW(form->Handle(), WM_SAVERFOREGROUND, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !form->SaverShowing(); }, 1s)) << "the listed program ends the show";
    EXPECT_FALSE(PumpUntil([&] { return form->SaverShowing(); }, 1s)) << "no show over a listed program";
    front = L"C:\\Windows\\notepad.exe";
    ::PostMessageW(form->Handle(), WM_SAVERFOREGROUND, 0, 0);
    const auto gone = std::chrono::steady_clock::now();
    EXPECT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 2s)) << "the show comes after the wait";
    EXPECT_GE(std::chrono::steady_clock::now() - gone, 180ms) << "the wait starts again from zero";

    // The program in front listed while the show runs: the saved settings end it.
    SetSetting(L"ExcludedPrograms", std::wstring(L"Notepad.exe\0", 12), REG_MULTI_SZ);
    ::SendMessageW(form->Handle(), WM_SAVERRELOAD, RELOAD_SETTINGS, 0);
    EXPECT_FALSE(form->SaverShowing());
    EXPECT_FALSE(PumpUntil([&] { return form->SaverShowing(); }, 700ms));
}

// "省電力モードのときは起動しない" (on by default): no show while the battery saver is on; its change, told
// by WM_POWERBROADCAST, ends a running show, and its end starts a full wait. Turned off, the saver ignores
// it.
TEST_F(MainWindow, TheBatterySaverHoldsTheShowBackUnlessTurnedOff) {
    SetSetting(L"WaitTime", 200);
    WriteGroup(L"G", {SamplePath("star32.ani")}, TGroupPlay{1, 1, 5000});
    auto form = Create();
    EXPECT_TRUE(form->SaverProperty().Options & soSuppressOnBatterySaver);
    bool saver = false;
    form->QuietTimes().BatterySaverOn = [&] { return saver; };
    ASSERT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 2s));
    saver = true;
    ::PostMessageW(form->Handle(), WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !form->SaverShowing(); }, 1s)) << "the saver's start ends the show";
    EXPECT_FALSE(PumpUntil([&] { return form->SaverShowing(); }, 1s)) << "no show while it is on";
    saver = false;
    ::PostMessageW(form->Handle(), WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 0);
    const auto off = std::chrono::steady_clock::now();
    EXPECT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 2s)) << "the show comes after the wait";
    EXPECT_GE(std::chrono::steady_clock::now() - off, 180ms) << "the wait starts again from zero";

    // Noticed at the end of the wait too, without any message.
    ::SendMessageW(form->Handle(), WM_SAVERMOUSE, WM_RBUTTONDOWN, 0);
    saver = true;
    EXPECT_FALSE(PumpUntil([&] { return form->SaverShowing(); }, 800ms));

    SetSetting(L"SuppressOnBatterySaver", 0);
    ::SendMessageW(form->Handle(), WM_SAVERRELOAD, RELOAD_SETTINGS, 0);
    EXPECT_TRUE(PumpUntil([&] { return form->SaverShowing(); }, 2s))
        << "turned off, the battery saver counts not";
}
