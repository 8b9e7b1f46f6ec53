// The program's main window: hidden, top-most, never activated; it owns the saver's long-lived objects and
// routes messages to them. During a show it is the 1 x 1 window under the pointer whose cursor the pointer
// takes.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/MouseWatch.h"
#include "app/QuietTimes.h"
#include "app/SaverEngine.h"
#include "app/TimedPause.h"
#include "app/TrayMenu.h"
#include "base/OwnedForm.h"
#include "base/UniqueHandle.h"
#include "base/Window.h"
#include "model/HookTypes.h"
#include "model/SaverMessages.h"
#include "playlist/PlayList.h"
#include "playlist/PlayListHost.h"
#include "settings/PropertyPage.h"

namespace dovex {

class TCursorGroupManager;
class TSystemCursorCtrl;
class TTrayIcon;

class TfrmDovexMain : public TWindow, public IPlayListHost, public IPropertyFormHost {
public:
    static constexpr const wchar_t* kClassName = kMainWindowClass;
    static constexpr wchar_t kCaption[] = L"Dovex";

    // Creates the window and runs FormCreate; throws on failure.
    TfrmDovexMain();
    ~TfrmDovexMain() override;

    void SetPaused(bool value);
    // "一定時間停止(&T)": paused as by "一時停止(&S)" until `minutes` have passed on the wall clock; replaces
    // a timed pause under way.
    void PauseFor(int minutes);
    // The end of the timed pause under way, or 0; kept in memory only.
    TWallTime TimedPauseEnd() const noexcept { return FPauseEnd; }
    // The wall clock the timed pause goes by (the system's unless replaced).
    std::function<TWallTime()> WallClockNow = &WallClock;
    void ReadSettings() noexcept;
    // The group in use: an index of the group manager, or -1 for all groups.
    void SelectGroup(int index);
    void RefreshPlaylist();
    void BuildGroupMenu();
    void BuildSysCursorMenu();
    // The pause rules while the playlist window is open.
    void PlayListOpened();
    void PlayListDestroyed() override;
    void GroupNameChanged(const std::wstring& oldName, const std::wstring& newName) override;
    // The settings dialog's owner.
    HWND MainWindow() const override { return Handle(); }
    // The hot keys "今すぐセーバーを開始" and "一時停止の切り替え"; a key both would have goes to the start.
    std::vector<uint16_t> UseHotKeys(uint16_t start, uint16_t pause) override;
    // The start key: a show at once under the pointer, as if the wait had run out; the mouse ends it.
    void StartNow();
    // The open playlist window and settings dialog, or none.
    TfrmPlayList* PlayListForm() const noexcept { return FPlayListForm.Get(); }
    TfrmProperty* PropertyForm() const noexcept { return FPropertyForm.Get(); }

    bool Paused() const noexcept { return FPaused; }
    bool PlayListOpen() const noexcept { return FPlayListOpen; }
    bool SaverShowing() const noexcept { return FEngine && FEngine->Showing(); }
    const TSaverProperty& SaverProperty() const noexcept { return FSaverProperty; }
    const TSaverData& SaverData() const noexcept { return FEngine->Data(); }
    TCursorChoice CursorChoice() const noexcept { return FEngine->CursorChoice(); }
    const TTimer& SaverWaitTimer() const noexcept { return timSaverWait; }
    const TTimer& CursorCheckTimer() const noexcept { return timCursorCheck; }
    const TTimer& ShowCheckTimer() const noexcept { return timShowCheck; }
    const TTimer& PauseEndTimer() const noexcept { return timPauseEnd; }
    // How often the hook was installed again after it was found blind.
    int HookReinstalls() const noexcept { return FHookReinstalls; }
    HICON TrayIcon(int index) const noexcept { return FTrayIcons[index].get(); }
    const TTrayIcon& tiDovex() const noexcept { return *FTiDovex; }
    const TCursorGroupManager& GroupManager() const noexcept { return *FGroupManager; }
    const TMouseHookThread& MouseHook() const noexcept { return FMouseHook; }
    HMENU TrayMenu() const noexcept { return FTrayMenu->pmTrayMenu(); }
    HMENU GroupMenu() const noexcept { return FTrayMenu->miUseGroup(); }
    HMENU SysCursorMenu() const noexcept { return FTrayMenu->miChangeSysCursor(); }
    bool TimePeriodRaised() const noexcept { return FTimePeriodRaised; }
    // When a show would disturb; its answers can be replaced (the shell's own are fixed under Wine).
    TQuietTimes& QuietTimes() noexcept { return FQuietTimes; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    bool FormCloseQuery();
    void FormDestroy() noexcept;
    // Frees the playlist window and the settings dialog once they have closed.
    void ReleaseClosedForms() noexcept;
    // Every setting was removed: the program ends without writing anything.
    void SettingsRemoved();
    void CreateTrayIcon();
    TTrayMenuHandlers MenuHandlers();

    void timSaverWaitTimer();
    // The mouse watch.
    void HandleSaverMouse(WPARAM mouseMessage) noexcept;
    // A full-screen program came or went, the session was locked or came back.
    void QuietChanged();
    // Whether a show would disturb now, by the user's settings.
    bool QuietNow() const;
    void timCursorCheckTimer() noexcept;
    // The pointer checks of the program's own, which do not depend on the hook: true when the pointer is
    // somewhere else than last seen (and it is then taken as seen there).
    bool PointerMovedUnseen() noexcept;
    // A steady hand: during a show, a pointer still within the threshold of where the show began has not
    // moved; the show window follows it.
    bool SteadyHand(POINT pos) noexcept;
    void timShowCheckTimer() noexcept;
    void timHookCheckTimer() noexcept;
    void RestartWait() noexcept;
    // Ends the timed pause once its time has come, also after a sleep past it; otherwise looks again later.
    void CheckPauseEnd();
    // Forgets the timed pause (the saver's pause itself is left as it is).
    void ForgetTimedPause() noexcept;

    void miPauseClick();
    void miPropertyClick();
    void miPlayListClick();
    void miRefreshPlaylistClick();
    void miExitClick();
    void EndTimePeriod() noexcept;

    TMouseHookThread FMouseHook;
    THookWatch FHookWatch;
    int FHookReinstalls = 0;
    TQuietTimes FQuietTimes;
    bool FQuiet = false;
    POINT FLastCursorPos{};
    POINT FShowOrigin{}; // where the pointer was when the show began
    TSaverProperty FSaverProperty;
    std::unique_ptr<TCursorGroupManager> FGroupManager;
    std::unique_ptr<TSaverEngine> FEngine;
    bool FPaused = false;
    bool FPausedBeforePlayList = false;
    bool FPlayListOpen = false;
    UniqueHIcon FTrayIcons[2];

    std::unique_ptr<TTrayIcon> FTiDovex;
    UniqueImageList ilTrayAnimationIcons;
    std::unique_ptr<TTrayMenu> FTrayMenu;
    std::unique_ptr<TSystemCursorCtrl> FSysCursorCtrl;
    TTimer timSaverWait;
    TTimer timCursorCheck;
    TTimer timShowCheck;
    TTimer timHookCheck;
    TTimer timPauseEnd;
    TWallTime FPauseEnd = 0;
    bool FTimePeriodRaised = false;
    bool FDestroyed = false;
    bool FSettingsRemoved = false; // nothing of the program is written any more
    TOwnedForm<TfrmPlayList> FPlayListForm;
    TOwnedForm<TfrmProperty> FPropertyForm;
};

} // namespace dovex
