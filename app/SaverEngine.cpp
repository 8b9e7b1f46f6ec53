#include "app/SaverEngine.h"

#include <mmsystem.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <vector>

#include "anicursor/AniCursorLoad.h"
#include "anicursor/AniSizing.h"
#include "app/Messages.h"
#include "base/Dpi.h"
#include "model/PlayListCtrls.h"
#include "model/SysCursorCtrls.h"

namespace dovex {

namespace {

// What the countdown timer's thread may look at. It is never freed, so a tick that is still under way
// while the engine goes away reads valid memory and finds nothing to do.
struct TTickTarget {
    TTickHandOff Ticks;
    std::atomic<HWND> Window{nullptr};
};
TTickTarget gTickTarget;

// A pointer with nothing to see: every pixel keeps the screen (AND mask 1, XOR mask 0).
UniqueHCursor CreateBlankCursor() {
    const int cx = ::GetSystemMetrics(SM_CXCURSOR), cy = ::GetSystemMetrics(SM_CYCURSOR);
    const size_t bytes = static_cast<size_t>((cx + 15) / 16 * 2) * cy;
    std::vector<BYTE> andMask(bytes, 0xFF), xorMask(bytes, 0x00);
    return UniqueHCursor(
        ::CreateCursor(::GetModuleHandleW(nullptr), 0, 0, cx, cy, andMask.data(), xorMask.data()));
}

constexpr int32_t kUnknownItemTime = 1000;
// The smallest maximum period of the multimedia timer seen on any system (Wine's).
constexpr UINT kSafeMaxTimerPeriod = 65535;

UINT SystemMaxTimerPeriod() noexcept {
    TIMECAPS caps{};
    if (::timeGetDevCaps(&caps, sizeof(caps)) != MMSYSERR_NOERROR || caps.wPeriodMax == 0)
        return kSafeMaxTimerPeriod;
    return caps.wPeriodMax;
}

int32_t Saturate(int64_t value) noexcept {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace

bool ApplySaverTick(TSaverData& data, WPARAM wParam, LPARAM lParam) noexcept {
    switch (wParam) {
    case SAVERTICK_ONE:
        data.Remaining = Saturate(int64_t{data.Remaining} - 1);
        break;
    case SAVERTICK_COUNT: {
        // Any count, however large, at most empties the item (a posted message can carry anything).
        const int64_t ticks = std::clamp<int64_t>(lParam, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max());
        data.Remaining = Saturate(int64_t{data.Remaining} - ticks);
        break;
    }
    case SAVERTICK_ALL:
        data.Remaining = 0;
        break;
    default:
        return false;
    }
    return data.Remaining <= 0;
}

bool TTickHandOff::Count(UINT id) noexcept {
    uint64_t state = FState.load();
    for (;;) {
        if (id == 0 || static_cast<UINT>(state >> 32) != id)
            return false; // a stopped timer's late tick
        const auto count = static_cast<uint32_t>(state);
        if (count == std::numeric_limits<uint32_t>::max())
            return false; // the main thread has not taken them for ages: more would change nothing
        if (FState.compare_exchange_weak(state, Pack(id, count + 1)))
            return count == 0;
    }
}

int32_t TTickHandOff::Take(UINT id) noexcept {
    uint64_t state = FState.load();
    for (;;) {
        if (id == 0 || static_cast<UINT>(state >> 32) != id)
            return 0;
        if (FState.compare_exchange_weak(state, Pack(id, 0))) {
            const auto count = static_cast<uint32_t>(state);
            return static_cast<int32_t>(std::min<uint32_t>(count, std::numeric_limits<int32_t>::max()));
        }
    }
}

TSaverEngine::TSaverEngine(HWND window, const TCursorGroupManager& groups, const TSaverProperty& property)
    : MaxTimerPeriod(&SystemMaxTimerPeriod), FWindow(window), FGroups(groups), FProperty(property),
      FBlankCursor(CreateBlankCursor()), FCursorBaseSize(ReadCursorBaseSize()) {
    FRandom.seed(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
}

TSaverEngine::~TSaverEngine() {
    StopSaverTimer();
}

void TSaverEngine::Start() {
    NextCursor();
    ShowSaver();
}

// Only usable items are chosen; -1 when the selection has none.
int TSaverEngine::ChooseIndex(int from) {
    const int count = FGroups.ItemCount();
    if (count <= 0)
        return -1;
    const auto usable = [&](int index) { return FGroups.Items(index).Status == isUsable; };
    if (FProperty.PlaySequence != 0) {
        std::uniform_int_distribution<int> draw(0, count - 1);
        for (int attempts = 0; attempts <= count; ++attempts) {
            const int index = draw(FRandom);
            if (usable(index))
                return index;
        }
        // Few usable items among many: draw among those alone.
        std::vector<int> candidates;
        for (int i = 0; i < count; ++i)
            if (usable(i))
                candidates.push_back(i);
        if (candidates.empty())
            return -1;
        return candidates[std::uniform_int_distribution<size_t>(0, candidates.size() - 1)(FRandom)];
    }
    int index = from;
    for (int attempts = 0; attempts < count; ++attempts) {
        index = index + 1 >= count || index < -1 ? 0 : index + 1;
        if (usable(index))
            return index;
    }
    return -1;
}

int TSaverEngine::PointerSideNow() const noexcept {
    POINT pos{};
    ::GetCursorPos(&pos);
    return PointerSide(SystemMetricForDpi(SM_CXCURSOR, MonitorDpiAt(pos)), FCursorBaseSize);
}

void TSaverEngine::PointerSizeChanged() noexcept {
    FCursorBaseSize = ReadCursorBaseSize();
    if (FShowing)
        ResizePlanned(PointerSideNow());
}

void TSaverEngine::ResizePlanned(int side) noexcept {
    if (FPlanned.Cursor && FPlanned.Side != side) {
        FPlanned.Cursor = LoadCursorAtSize(FPlanned.FileName, side);
        FPlanned.Side = side;
    }
}

void TSaverEngine::NextCursor() {
    SetCursorChoice(TCursorChoice::None);
    if (FProperty.Options & soHideCursor)
        return;
    if (FGroups.PlayableCount() == 0) {
        SetCursorChoice(TCursorChoice::Default);
        return;
    }
    // The plan holds while the selection still has that usable file at that place (a reload or another
    // group in use may have changed it).
    const int planned = FPlanned.Index;
    const bool planHolds = planned >= 0 && planned < FGroups.ItemCount() &&
                           FGroups.Items(planned).Status == isUsable &&
                           FGroups.Items(planned).FileName == FPlanned.FileName;
    FData.Index = planHolds ? planned : ChooseIndex(FData.Index);
    if (FData.Index < 0 || FData.Index >= FGroups.ItemCount()) {
        SetCursorChoice(TCursorChoice::Default);
        return;
    }
    const TCursorItem& item = FGroups.Items(FData.Index);
    const TCursorGroupBase& group = *item.Group;
    // The size is asked at each item: the setting or the monitor under the pointer may have changed.
    const int side = PointerSideNow();
    if (planHolds)
        ResizePlanned(side);
    const bool countMode = group.SaverMode() == smNumTimes;
    const int32_t count = countMode ? group.SaverPlayNums() : 1;
    if (item.FileName != FData.CurrentFile || FData.TimerID == 0) {
        StopSaverTimer();
        FData.CurrentFile = item.FileName;
        int32_t length =
            countMode ? item.PlayTime : std::min(group.SaverPlayTime(), TCursorGroupBase::kMaxPlayTime);
        // A cycle or a time of no length (a zero rate, a hostile value) must still end: a second each.
        if (length <= 0)
            length = kUnknownItemTime;
        // The timer refuses periods above its maximum: a longer item is counted in equal shorter ticks.
        const int64_t maxPeriod = std::max<UINT>(MaxTimerPeriod ? MaxTimerPeriod() : kSafeMaxTimerPeriod, 1);
        FTicksPerPeriod = static_cast<int32_t>((length + maxPeriod - 1) / maxPeriod);
        FData.Interval = static_cast<int32_t>((length + FTicksPerPeriod / 2) / FTicksPerPeriod);
        FData.Remaining = TicksFor(std::max(count, 1));
        FShowCursor.reset();
        if (planHolds && FPlanned.Cursor)
            FShowCursor = std::move(FPlanned.Cursor);
        else
            FShowCursor = LoadCursorAtSize(FData.CurrentFile, side);
        FShowSide = side;
        ::Sleep(static_cast<DWORD>(FProperty.DisplayInterval));
        StartTimer();
    } else {
        FData.Remaining = TicksFor(std::max(count, 1)); // the same file plays on with its timer
        if (FShowSide != side) {
            FShowCursor = LoadCursorAtSize(FData.CurrentFile, side);
            FShowSide = side;
        }
    }
    SetCursorChoice(TCursorChoice::Show);
    PlanNext();
}

void TSaverEngine::PlanNext() {
    FPlanned.Cursor.reset();
    FPlanned.Index = ChooseIndex(FData.Index);
    FPlanned.FileName = FPlanned.Index >= 0 ? FGroups.Items(FPlanned.Index).FileName : std::wstring();
    // The same file again keeps its timer and its cursor: nothing to load.
    if (FPlanned.Index >= 0 && FPlanned.FileName != FData.CurrentFile) {
        FPlanned.Side = FShowSide;
        FPlanned.Cursor = LoadCursorAtSize(FPlanned.FileName, FPlanned.Side);
    }
}

int32_t TSaverEngine::TicksFor(int32_t count) const noexcept {
    return Saturate(int64_t{count} * FTicksPerPeriod);
}

void TSaverEngine::StartTimer() {
    if (FData.Interval <= 0)
        return;
    gTickTarget.Window.store(FWindow);
    // Synchronous kill: once timeKillEvent returns, no callback of this timer runs any more.
    FData.TimerID = ::timeSetEvent(static_cast<UINT>(FData.Interval), 0, &SaverTimerProc, 0,
                                   TIME_PERIODIC | TIME_KILL_SYNCHRONOUS);
    gTickTarget.Ticks.Start(FData.TimerID);
}

void TSaverEngine::ShowSaver() {
    // Marked first: whatever fails below, the window is taken off screen again by HideSaver.
    FShowing = true;
    POINT pos{};
    if (FProperty.Options & soUseHomePosition) {
        ::SetCursorPos(FProperty.HomePosition.X, FProperty.HomePosition.Y);
        // The system keeps the pointer on the screen: the window goes where the pointer really is.
        if (!::GetCursorPos(&pos))
            pos = {FProperty.HomePosition.X, FProperty.HomePosition.Y};
        if (OnPointerPlaced)
            OnPointerPlaced(pos);
    } else {
        ::GetCursorPos(&pos);
    }
    if (FCursorChoice != TCursorChoice::Default) {
        ::SetWindowPos(FWindow, HWND_TOPMOST, pos.x, pos.y, 1, 1, SWP_SHOWWINDOW | SWP_NOACTIVATE);
        ApplyCursorChoice(); // no need to wait for the pointer to move
    }
    if (OnShowingChanged)
        OnShowingChanged(true);
}

void TSaverEngine::HideSaver() noexcept {
    if (!FShowing)
        return;
    FShowing = false;
    ::SetWindowPos(FWindow, HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    if (OnShowingChanged) {
        try {
            OnShowingChanged(false);
        } catch (...) {
        }
    }
}

void TSaverEngine::KeepUnderPointer(POINT pos) noexcept {
    if (!FShowing || !::IsWindowVisible(FWindow))
        return;
    ::SetWindowPos(FWindow, HWND_TOPMOST, pos.x, pos.y, 1, 1, SWP_NOACTIVATE);
    ApplyCursorChoice();
}

void TSaverEngine::Stop() noexcept {
    StopSaverTimer();
    HideSaver();
    SetCursorChoice(TCursorChoice::Default);
}

HCURSOR TSaverEngine::ChoiceCursor() const noexcept {
    switch (FCursorChoice) {
    case TCursorChoice::None:
        return FBlankCursor.get();
    case TCursorChoice::Show:
        if (FShowCursor)
            return FShowCursor.get();
        [[fallthrough]];
    case TCursorChoice::Default:
    default:
        return ::LoadCursorW(nullptr, IDC_ARROW);
    }
}

void TSaverEngine::SetCursorChoice(TCursorChoice choice) noexcept {
    FCursorChoice = choice;
    ApplyCursorChoice(); // at once, not at the next move
}

void TSaverEngine::ApplyCursorChoice() noexcept {
    POINT pos{};
    if (::IsWindowVisible(FWindow) && ::GetCursorPos(&pos) && ::WindowFromPoint(pos) == FWindow)
        ::SetCursor(ChoiceCursor());
}

void TSaverEngine::StopSaverTimer() noexcept {
    const UINT id = FData.TimerID;
    FData.TimerID = 0;
    gTickTarget.Ticks.Stop();
    if (id != 0)
        ::timeKillEvent(id);
}

void TSaverEngine::Tick(WPARAM wParam, LPARAM lParam) {
    // A tick that was under way while the show ended counts down but starts nothing.
    if (ApplySaverTick(FData, wParam, lParam) && FShowing)
        NextCursor();
}

void TSaverEngine::TimerTick(WPARAM timerId) {
    // Ticks counted while the main thread was busy are taken together, as WM_SAVERTICK with wParam 1.
    const int32_t ticks = gTickTarget.Ticks.Take(static_cast<UINT>(timerId));
    if (ticks > 0 && timerId == FData.TimerID)
        Tick(SAVERTICK_COUNT, ticks);
}

// The timer's thread counts ticks and wakes the main thread with a post; it never waits for it, since
// the main thread may at that moment be stopping this very timer.
void CALLBACK TSaverEngine::SaverTimerProc(UINT id, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) noexcept {
    if (gTickTarget.Ticks.Count(id))
        ::PostMessageW(gTickTarget.Window.load(), WM_SAVERTIMERTICK, id, 0);
}

} // namespace dovex
