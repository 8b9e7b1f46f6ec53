// The show: which item comes next, the show cursor, the countdown timer and the 1 x 1 window under the
// pointer. The main window owns the engine and routes the show's messages to it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <random>
#include <string>

#include "base/UniqueHandle.h"
#include "model/HookTypes.h"

namespace dovex {

class TCursorGroupManager;

// State of the running show.
struct TSaverData {
    UINT TimerID = 0;         // the show's periodic multimedia timer, 0 when none runs
    std::wstring CurrentFile; // the file now held in the show cursor slot
    int32_t Interval = 0;     // the timer's period in ms
    int32_t Remaining = 0;    // ticks left for the item on show
    int32_t Index = -1;       // position of that item in the manager's current selection
};

// Applies a WM_SAVERTICK to the remaining count; true when the item is used up and the next one is due.
// An unknown wParam changes nothing and is never due. The count saturates instead of overflowing.
bool ApplySaverTick(TSaverData& data, WPARAM wParam, LPARAM lParam) noexcept;

// The hand-off of ticks from the multimedia timer's thread to the main thread. The timer's identifier
// and the count of ticks not yet taken are one atomic value, so that a late tick of a stopped timer can
// neither count for the next one nor leave a count behind that keeps the next one from being posted.
class TTickHandOff {
public:
    // The main thread starts counting for `id` (0 stops counting).
    void Start(UINT id) noexcept { FState.store(Pack(id, 0)); }
    void Stop() noexcept { Start(0); }
    // On the timer's thread: counts a tick of timer `id`; true when the main thread must be woken (the
    // first tick since it last took them). A tick of any other timer is dropped.
    bool Count(UINT id) noexcept;
    // On the main thread: takes the ticks counted for `id`; 0 for a stale timer.
    int32_t Take(UINT id) noexcept;

private:
    static uint64_t Pack(UINT id, uint32_t count) noexcept { return (uint64_t{id} << 32) | count; }
    std::atomic<uint64_t> FState{0};
};

// What the pointer looks like over the show window.
enum class TCursorChoice { None, Default, Show };

class TSaverEngine {
public:
    // `window` is the show window, which receives WM_SAVERTIMERTICK; the manager and the settings are the
    // owner's and outlive the engine.
    TSaverEngine(HWND window, const TCursorGroupManager& groups, const TSaverProperty& property);
    TSaverEngine(const TSaverEngine&) = delete;
    TSaverEngine& operator=(const TSaverEngine&) = delete;
    ~TSaverEngine();

    // Told when the show window goes on and off screen (the tray animation follows it).
    std::function<void(bool showing)> OnShowingChanged;
    // Told where the pointer really is after the jump to the home position (the jump is not activity).
    std::function<void(POINT where)> OnPointerPlaced;
    // The longest period the multimedia timer takes, in ms (the system's answer unless replaced).
    std::function<UINT()> MaxTimerPeriod;

    // The idle wait is over: the first item, then the window under the pointer.
    void Start();
    void NextCursor();
    void ShowSaver();
    void HideSaver() noexcept;
    // A move that does not end the show (a steady hand): the window follows, so the pointer keeps the show
    // cursor.
    void KeepUnderPointer(POINT pos) noexcept;
    // Activity or a pause: timer off, window off screen, the normal arrow.
    void Stop() noexcept;
    void StopSaverTimer() noexcept;

    // WM_SAVERTICK and WM_SAVERTIMERTICK.
    void Tick(WPARAM wParam, LPARAM lParam);
    void TimerTick(WPARAM timerId);

    // The pointer size setting or the DPI of the show window's monitor changed: the next item is shown at
    // the new size, and the planned one is made again now if it no longer fits.
    void PointerSizeChanged() noexcept;
    // The side of the pointer under the mouse now: the system's cursor size at that monitor's DPI, scaled
    // by the user's pointer size setting.
    int PointerSideNow() const noexcept;

    // WM_SETCURSOR over the show window.
    HCURSOR ChoiceCursor() const noexcept;
    void SetCursorChoice(TCursorChoice choice) noexcept;

    bool Showing() const noexcept { return FShowing; }
    const TSaverData& Data() const noexcept { return FData; }
    TCursorChoice CursorChoice() const noexcept { return FCursorChoice; }

private:
    // The item that follows `from` in the current selection, in order or at random.
    int ChooseIndex(int from);
    // Chooses the next item and loads its cursor while the current one plays, so that the change of items
    // only swaps handles.
    void PlanNext();
    // Loads the planned item again when it was made for another side.
    void ResizePlanned(int side) noexcept;
    void ApplyCursorChoice() noexcept;
    void StartTimer();
    // The ticks an item lasts: its count, in ticks of the timer's period.
    int32_t TicksFor(int32_t count) const noexcept;
    static void CALLBACK SaverTimerProc(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) noexcept;

    HWND FWindow;
    const TCursorGroupManager& FGroups;
    const TSaverProperty& FProperty;
    TSaverData FData;
    bool FShowing = false;
    int32_t FTicksPerPeriod = 1; // an item longer than the timer allows is counted in shorter ticks
    TCursorChoice FCursorChoice = TCursorChoice::Default;
    UniqueHCursor FShowCursor; // the show cursor slot: empty shows the normal arrow
    int FShowSide = 0;         // the pointer side it was made for
    UniqueHCursor FBlankCursor;
    std::uint32_t FCursorBaseSize = 0; // the user's pointer size setting, 0 for none
    struct {
        int Index = -1;
        std::wstring FileName;
        UniqueHCursor Cursor; // empty when it is the file on show
        int Side = 0;
    } FPlanned;
    std::mt19937 FRandom;
};

} // namespace dovex
