// The program's main window: hidden, top-most, never activated; owner of the saver's long-lived objects.
// During a show it is the 1 x 1 window under the pointer whose cursor the pointer takes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "model/HookTypes.h"
#include "app/MouseWatch.h"
#include "base/UniqueHandle.h"
#include "base/Window.h"

namespace dovex {

class TCursorGroupManager;
class TSystemCursorCtrl;
class TTrayIcon;

// State of the running show.
struct TSaverData {
    UINT TimerID = 0;         // the show's periodic multimedia timer, 0 when none runs
    std::wstring CurrentFile; // the file now held in the show cursor slot
    int32_t Interval = 0;     // the timer's period in ms
    int32_t Remaining = 0;    // ticks left for the item on show
    int32_t Index = 0;        // position of that item in the manager's current selection
};

// Applies a WM_SAVERTICK to the remaining count; true when the item is used up and the next one is due.
// An unknown wParam changes nothing and is never due.
bool ApplySaverTick(TSaverData& data, WPARAM wParam, LPARAM lParam) noexcept;

// What the pointer looks like over the show window.
enum class TCursorChoice { None, Default, Show };

class TfrmDovexMain : public TWindow {
public:
    static constexpr wchar_t kClassName[] = L"TfrmDovexMain";
    static constexpr wchar_t kCaption[] = L"Dovex";

    // Creates the window and runs FormCreate; throws on failure.
    TfrmDovexMain();
    ~TfrmDovexMain() override;

    void SetPaused(bool value);
    void ReadSettings() noexcept;
    // The group in use: an index of the group manager, or -1 for all groups.
    void SelectGroup(int index);
    void RefreshPlaylist();
    void BuildGroupMenu();
    void BuildSysCursorMenu();
    // Told by the playlist window: it was destroyed after closing; it renamed a group.
    void PlayListOpened();
    void PlayListDestroyed();
    void GroupNameChanged(const std::wstring& oldName, const std::wstring& newName);

    bool Paused() const noexcept { return FPaused; }
    bool PlayListOpen() const noexcept { return FPlayListOpen; }
    bool SaverShowing() const noexcept { return FSaverShowing; }
    const TSaverProperty& SaverProperty() const noexcept { return FSaverProperty; }
    const TSaverData& SaverData() const noexcept { return FSaverData; }
    const TTimer& SaverWaitTimer() const noexcept { return timSaverWait; }
    const TTimer& CursorCheckTimer() const noexcept { return timCursorCheck; }
    HICON TrayIcon(int index) const noexcept { return FTrayIcons[index].get(); }
    const TTrayIcon& tiDovex() const noexcept { return *FTiDovex; }
    const TCursorGroupManager& GroupManager() const noexcept { return *FGroupManager; }
    const TMouseHook& MouseHook() const noexcept { return FMouseHook; }
    HMENU TrayMenu() const noexcept { return pmTrayMenu; }
    HMENU GroupMenu() const noexcept { return miUseGroup; }
    HMENU SysCursorMenu() const noexcept { return miChangeSysCursor; }
    TCursorChoice CursorChoice() const noexcept { return FCursorChoice; }
    bool TimePeriodRaised() const noexcept { return FTimePeriodRaised; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    bool FormCloseQuery();
    void FormDestroy() noexcept;
    void CreateTrayIcon();

    // The show.
    void timSaverWaitTimer();
    void NextCursor();
    void ShowSaver();
    void HideSaver() noexcept;
    void SetCursorChoice(TCursorChoice choice) noexcept;
    HCURSOR ChoiceCursor() const noexcept;
    void ApplyCursorChoice() noexcept;
    void StopSaverTimer() noexcept;
    static void CALLBACK SaverTimerProc(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) noexcept;

    // The mouse watch.
    void HandleSaverMouse(WPARAM mouseMessage) noexcept;
    void timCursorCheckTimer() noexcept;
    void RestartWait() noexcept;

    void miExitClick();
    void miPauseClick();
    void miRefreshPlaylistClick();
    void HandleCommand(UINT id);
    void LoadMenuImages();
    void EndTimePeriod() noexcept;

    TMouseHook FMouseHook;
    POINT FLastCursorPos{};
    TSaverData FSaverData;
    std::atomic<UINT> FTickTimerID{0}; // the timer thread's view of FSaverData.TimerID
    TSaverProperty FSaverProperty;
    std::unique_ptr<TCursorGroupManager> FGroupManager;
    bool FPaused = false;
    bool FPausedBeforePlayList = false;
    bool FPlayListOpen = false;
    bool FSaverShowing = false;
    UniqueHIcon FTrayIcons[2];

    TCursorChoice FCursorChoice = TCursorChoice::Default;
    UniqueHCursor FShowCursor; // the show cursor slot: empty shows the normal arrow
    UniqueHCursor FBlankCursor;

    std::unique_ptr<TTrayIcon> FTiDovex;
    UniqueImageList ilTrayAnimationIcons;
    UniqueHMenu FTrayMenuBar; // the menu resource; its first submenu is the tray menu
    HMENU pmTrayMenu = nullptr;
    HMENU miUseGroup = nullptr;
    HMENU miChangeSysCursor = nullptr;
    std::vector<UniqueGdiObj> ilTrayMenuIcons; // bitmaps of the menu items
    std::vector<UniqueGdiObj> ilSysCursors;    // one per scheme item
    std::unique_ptr<TSystemCursorCtrl> FSysCursorCtrl;
    TTimer timSaverWait;
    TTimer timCursorCheck;
    std::mt19937 FRandom;
    bool FTimePeriodRaised = false;
    bool FDestroyed = false;
};

} // namespace dovex
