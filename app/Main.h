// The program's main window: hidden, top-most, never activated; owner of the saver's long-lived objects.
#pragma once

#include <windows.h>

#include <cstdint>
#include <random>

#include "app/HookTypes.h"
#include "base/UniqueHandle.h"
#include "base/Window.h"

namespace dovex {

// State of the running show.
struct TSaverData {
    int32_t Index = 0;     // position in the flat item list of the item on show
    int32_t Remaining = 0; // ticks left for that item
    UINT TimerID = 0;      // the show's periodic multimedia timer, 0 when none runs
};

// Applies a WM_SAVERTICK to the remaining count; true when the item is used up and the next one is due.
// An unknown wParam changes nothing and is never due.
bool ApplySaverTick(TSaverData& data, WPARAM wParam, LPARAM lParam) noexcept;

class TfrmDovexMain : public TWindow {
public:
    static constexpr wchar_t kClassName[] = L"TfrmDovexMain";
    static constexpr wchar_t kCaption[] = L"Dovex";

    // Creates the window and runs FormCreate; throws on failure.
    TfrmDovexMain();
    ~TfrmDovexMain() override;

    void SetPaused(bool value);
    void ReadSettings() noexcept;

    bool Paused() const noexcept { return FPaused; }
    bool PlayListOpen() const noexcept { return FPlayListOpen; }
    bool SaverShowing() const noexcept { return FSaverShowing; }
    const TSaverProperty& SaverProperty() const noexcept { return FSaverProperty; }
    const TSaverData& SaverData() const noexcept { return FSaverData; }
    const TTimer& SaverWaitTimer() const noexcept { return timSaverWait; }
    const TTimer& CursorCheckTimer() const noexcept { return timCursorCheck; }
    HICON TrayIcon(int index) const noexcept { return FTrayIcons[index].get(); }
    bool TimePeriodRaised() const noexcept { return FTimePeriodRaised; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    bool FormCloseQuery();
    void FormDestroy() noexcept;
    void timSaverWaitTimer();
    void timCursorCheckTimer();
    void EndTimePeriod() noexcept;

    POINT FLastCursorPos{};
    TSaverData FSaverData;
    TSaverProperty FSaverProperty;
    bool FPaused = false;
    bool FPausedBeforePlayList = false;
    bool FPlayListOpen = false;
    bool FSaverShowing = false;
    UniqueHIcon FTrayIcons[2];

    TTimer timSaverWait;
    TTimer timCursorCheck;
    std::mt19937 FRandom;
    bool FTimePeriodRaised = false;
    bool FDestroyed = false;
};

} // namespace dovex
