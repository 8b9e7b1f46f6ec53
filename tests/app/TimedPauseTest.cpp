// When a timed pause ends and what the tray tip says, as tables; and the real main window's timed pause
// driven through its tray menu commands, with a wall clock of the test's own.
#include "app/TimedPause.h"

#include <gtest/gtest.h>

#include <memory>

#include "MainFormTest.h"
#include "app/Messages.h"
#include "controls/TrayIcon.h"

using namespace dovex;
using namespace std::chrono_literals;
using dovex::test::PumpFor;
using dovex::test::PumpUntil;

namespace {

// A local clock time of a given day as a wall time.
TWallTime LocalWallTime(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    SYSTEMTIME local{};
    local.wYear = year;
    local.wMonth = month;
    local.wDay = day;
    local.wHour = hour;
    local.wMinute = minute;
    SYSTEMTIME universal{};
    EXPECT_TRUE(::TzSpecificLocalTimeToSystemTime(nullptr, &local, &universal));
    FILETIME file{};
    EXPECT_TRUE(::SystemTimeToFileTime(&universal, &file));
    return (TWallTime{file.dwHighDateTime} << 32) | file.dwLowDateTime;
}

} // namespace

// Each duration from a few clock times, midnight and the turn of the year included.
TEST(TimedPause, EndsAfterItsDurationAndTheTipShowsTheClockTime) {
    const struct {
        WORD Year, Month, Day, Hour, Minute;
        int Minutes;
        const wchar_t* Tip;
        WORD EndDay;
    } cases[] = {
        {2026, 6, 10, 15, 15, 15, L"Dovex - 15:30 まで一時停止中", 10},
        {2026, 6, 10, 9, 0, 30, L"Dovex - 9:30 まで一時停止中", 10},
        {2026, 6, 10, 11, 45, 60, L"Dovex - 12:45 まで一時停止中", 10},
        {2026, 6, 10, 23, 50, 15, L"Dovex - 0:05 まで一時停止中", 11},
        {2026, 6, 10, 23, 30, 30, L"Dovex - 0:00 まで一時停止中", 11},
        {2026, 6, 10, 22, 59, 120, L"Dovex - 0:59 まで一時停止中", 11},
        {2026, 12, 31, 23, 0, 120, L"Dovex - 1:00 まで一時停止中", 1},
        {2026, 6, 10, 0, 0, 60, L"Dovex - 1:00 まで一時停止中", 10},
    };
    for (const auto& c : cases) {
        const TWallTime start = LocalWallTime(c.Year, c.Month, c.Day, c.Hour, c.Minute);
        const TWallTime end = PauseEnd(start, c.Minutes);
        EXPECT_EQ(end - start, static_cast<TWallTime>(c.Minutes) * 60 * 10'000'000) << c.Minutes;
        const SYSTEMTIME local = LocalTimeOf(end);
        EXPECT_EQ(TimedPauseTip(local), c.Tip) << c.Hour << ":" << c.Minute << " + " << c.Minutes;
        EXPECT_EQ(local.wDay, c.EndDay) << c.Hour << ":" << c.Minute << " + " << c.Minutes;
        EXPECT_LE(TimedPauseTip(local).size(), TTrayIcon::kMaxTipLength);
    }
}

// The end is looked at again at least once a minute, and at once when its time has passed: a machine
// that slept past it finds it over when it wakes.
TEST(TimedPause, CheckDelaysUntilTheEndAndAfterASleepPastIt) {
    const TWallTime end = PauseEnd(1'000'000'000'000, 15);
    const struct {
        int64_t BeforeEnd; // in 100 ns; negative: past the end
        UINT Delay;
    } cases[] = {
        {15 * 60 * 10'000'000LL, 60'000},
        {60 * 10'000'000LL + 1, 60'000},
        {60 * 10'000'000LL, 60'000},
        {59'999 * 10'000LL, 59'999},
        {30 * 10'000'000LL, 30'000},
        {10'000, 1},
        {1, 1}, // a fraction of a millisecond is a whole one: never a check a moment early
        {0, 0},
        {-1, 0},
        {-3 * 60 * 60 * 10'000'000LL, 0}, // slept three hours past the end
    };
    for (const auto& c : cases)
        EXPECT_EQ(PauseCheckDelay(end - static_cast<TWallTime>(c.BeforeEnd), end), c.Delay) << c.BeforeEnd;
}

namespace {

class TimedPauseMenu : public test::MainFormTest {
protected:
    void Create() {
        MainFormTest::Create([this](TfrmDovexMain& form) { form.WallClockNow = [this] { return FNow; }; });
    }
    void Timer() { ::SendMessageW(FForm->Handle(), WM_TIMER, ID_TIMER_PAUSEEND, 0); }
    std::wstring Tip() const { return FForm->tiDovex().TipHelp(); }
    bool PauseChecked() const {
        return (::GetMenuState(FForm->TrayMenu(), IDM_PAUSE, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    // The duration item that carries the mark, or 0.
    int CheckedMinutes() const {
        const HMENU menu = ::GetSubMenu(FForm->TrayMenu(), 1);
        for (int i = 0; i < 4; ++i)
            if (::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED)
                return kTimedPauseMinutes[i];
        return 0;
    }

    TWallTime FNow = LocalWallTime(2026, 6, 10, 15, 15);
};

constexpr TWallTime kMinute = kWallTicksPerMinute;

} // namespace

TEST_F(TimedPauseMenu, FifteenMinutesPauseShowInTheTipAndEndByThemselves) {
    SetSetting(L"WaitTime", 1000);
    Create();
    const std::wstring normalTip = Tip();
    Command(IDM_PAUSEFOR_15);
    EXPECT_TRUE(FForm->Paused());
    EXPECT_TRUE(PauseChecked());
    EXPECT_EQ(CheckedMinutes(), 15);
    EXPECT_EQ(FForm->TimedPauseEnd(), FNow + 15 * kMinute);
    EXPECT_EQ(Tip(), L"Dovex - 15:30 まで一時停止中");
    EXPECT_FALSE(FForm->SaverWaitTimer().Enabled());
    EXPECT_EQ(FForm->PauseEndTimer().Interval(), kPauseCheckMaxMs);
    // No show however long the mouse rests.
    PumpFor(2500ms);
    EXPECT_FALSE(FForm->SaverShowing());

    FNow += 14 * kMinute + 30 * 10'000'000ULL;
    Timer();
    EXPECT_TRUE(FForm->Paused());
    EXPECT_EQ(FForm->PauseEndTimer().Interval(), 30'000u); // the last half minute, exactly
    FNow += 30 * 10'000'000ULL;
    Timer();
    EXPECT_FALSE(FForm->Paused());
    EXPECT_FALSE(PauseChecked());
    EXPECT_EQ(CheckedMinutes(), 0);
    EXPECT_EQ(FForm->TimedPauseEnd(), 0u);
    EXPECT_EQ(Tip(), normalTip);
    EXPECT_TRUE(FForm->SaverWaitTimer().Enabled());
    EXPECT_FALSE(FForm->PauseEndTimer().Enabled());
}

TEST_F(TimedPauseMenu, AMachineThatSleptPastTheEndResumesWhenItWakes) {
    Create();
    Command(IDM_PAUSEFOR_30);
    EXPECT_EQ(Tip(), L"Dovex - 15:45 まで一時停止中");
    FNow += 3 * 60 * kMinute; // the timer stood still while the machine slept
    EXPECT_TRUE(FForm->Paused());
    ::SendMessageW(FForm->Handle(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_FALSE(FForm->Paused());
    EXPECT_EQ(FForm->TimedPauseEnd(), 0u);
    // Woken before the end: the pause goes on, and ends at its time.
    Command(IDM_PAUSEFOR_60);
    FNow += 20 * kMinute;
    ::SendMessageW(FForm->Handle(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    EXPECT_TRUE(FForm->Paused());
    EXPECT_TRUE(FForm->PauseEndTimer().Enabled());
}

TEST_F(TimedPauseMenu, AnotherDurationOrThePauseItemReplacesTheTimedPause) {
    Create();
    Command(IDM_PAUSEFOR_15);
    FNow += 5 * kMinute;
    Command(IDM_PAUSEFOR_120);
    EXPECT_EQ(FForm->TimedPauseEnd(), FNow + 120 * kMinute);
    EXPECT_EQ(CheckedMinutes(), 120);
    EXPECT_EQ(Tip(), L"Dovex - 17:20 まで一時停止中");
    // "一時停止(&S)", checked during the timed pause, resumes at once.
    Command(IDM_PAUSE);
    EXPECT_FALSE(FForm->Paused());
    EXPECT_EQ(FForm->TimedPauseEnd(), 0u);
    EXPECT_EQ(CheckedMinutes(), 0);
    EXPECT_EQ(Tip(), L"カーソルセーバー(Dovex)");
    // Paused without an end, then for a while: it ends by itself.
    Command(IDM_PAUSE);
    EXPECT_TRUE(FForm->Paused());
    EXPECT_FALSE(FForm->PauseEndTimer().Enabled());
    Command(IDM_PAUSEFOR_15);
    FNow += 15 * kMinute;
    Timer();
    EXPECT_FALSE(FForm->Paused());
}

// The playlist window's pause rules hold: its end does not resume while the window is open, and the
// closing then resumes; a restart begins without the pause, which is kept in memory only.
TEST_F(TimedPauseMenu, KeepsThePlaylistWindowsRulesAndIsNotKeptOverARestart) {
    Create();
    FForm->PlayListOpened();
    Command(IDM_PAUSEFOR_15);
    FNow += 16 * kMinute;
    Timer();
    EXPECT_TRUE(FForm->Paused());
    FForm->PlayListDestroyed();
    EXPECT_FALSE(FForm->Paused());

    Command(IDM_PAUSEFOR_60);
    FForm.reset();
    Create();
    EXPECT_FALSE(FForm->Paused());
    EXPECT_EQ(FForm->TimedPauseEnd(), 0u);
}

// The real window timer: an end a moment away resumes the saver without any help.
TEST_F(TimedPauseMenu, TheWindowTimerEndsThePause) {
    Create();
    Command(IDM_PAUSEFOR_15);
    FNow += 15 * kMinute - 300 * 10'000ULL; // 300 ms before the end
    ::SendMessageW(FForm->Handle(), WM_TIMECHANGE, 0, 0);
    EXPECT_TRUE(FForm->Paused());
    EXPECT_TRUE(PumpUntil(
        [&] {
            FNow += 10 * 10'000ULL; // the test's clock goes on too
            return !FForm->Paused();
        },
        3s));
}
