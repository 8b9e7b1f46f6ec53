#include "app/Main.h"

#include <mmsystem.h>
#include <wtsapi32.h>

#include "app/HelpCtrls.h"
#include "app/Messages.h"
#include "base/ErrorBox.h"
#include "base/Exception.h"
#include "base/ModalLoop.h"
#include "controls/TrayIcon.h"
#include "model/HotKey.h"
#include "model/PlayListCtrls.h"
#include "model/SettingsStore.h"
#include "model/SysCursorCtrls.h"
#include "playlist/PlayList.h"

namespace dovex {

namespace {
constexpr int kTrayAnimationFrames = 11;
constexpr wchar_t kTipHelp[] = L"カーソルセーバー(Dovex)";
// The pointer check during a show: a move ends the show within this time even when the hook is blind.
constexpr UINT kShowCheckMs = 50;
} // namespace

TfrmDovexMain::TfrmDovexMain()
    : timSaverWait(nullptr, ID_TIMER_SAVERWAIT, 5000, [this] { timSaverWaitTimer(); }),
      timCursorCheck(nullptr, ID_TIMER_CURSORCHECK, 100, [this] { timCursorCheckTimer(); }),
      timShowCheck(nullptr, ID_TIMER_SHOWCHECK, kShowCheckMs, [this] { timShowCheckTimer(); }),
      timHookCheck(nullptr, ID_TIMER_HOOKCHECK, static_cast<UINT>(THookWatch::kGraceMs),
                   [this] { timHookCheckTimer(); }),
      timPauseEnd(nullptr, ID_TIMER_PAUSEEND, kPauseCheckMaxMs, [this] { CheckPauseEnd(); }) {
    CreateHandle(kClassName, kCaption, WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    // The window is one pixel from the start, not only from the first show.
    ::SetWindowPos(Handle(), nullptr, 0, 0, 1, 1, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    timSaverWait.SetOwner(Handle());
    timCursorCheck.SetOwner(Handle());
    timShowCheck.SetOwner(Handle());
    timHookCheck.SetOwner(Handle());
    timPauseEnd.SetOwner(Handle());
    CreateTrayIcon();
    FormCreate();
}

TfrmDovexMain::~TfrmDovexMain() {
    DestroyHandle();
    FormDestroy(); // when the window was never closed, e.g. after a failed start
}

// The tray icon exists from the moment the window does, as a component of the form.
void TfrmDovexMain::CreateTrayIcon() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const SIZE small = TTrayIcon::SmallIconSize();
    ilTrayAnimationIcons.reset(
        ::ImageList_Create(small.cx, small.cy, ILC_COLOR32 | ILC_MASK, kTrayAnimationFrames, 0));
    for (int i = 0; i < kTrayAnimationFrames; ++i) {
        const std::wstring name = L"ANIM" + std::wstring(i < 10 ? L"0" : L"") + std::to_wstring(i);
        UniqueHIcon frame(
            static_cast<HICON>(::LoadImageW(instance, name.c_str(), IMAGE_ICON, small.cx, small.cy, 0)));
        if (frame)
            ::ImageList_AddIcon(ilTrayAnimationIcons.get(), frame.get());
    }
    FTrayMenu = std::make_unique<TTrayMenu>();
    FTiDovex = std::make_unique<TTrayIcon>(Handle());
    FTiDovex->SetAnimateIcons(ilTrayAnimationIcons.get());
    FTiDovex->SetAnimateRate(200);
    FTiDovex->SetRBPopupMenu(FTrayMenu->pmTrayMenu());
    FTiDovex->SetTipHelp(kTipHelp);
    FTiDovex->SetVisible(true);
}

void TfrmDovexMain::FormCreate() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    // The tray shows small icons: load the size the system asks for at its current scaling.
    const SIZE small = TTrayIcon::SmallIconSize();
    FTrayIcons[0].reset(
        static_cast<HICON>(::LoadImageW(instance, L"Z_NORMAL", IMAGE_ICON, small.cx, small.cy, 0)));
    FTrayIcons[1].reset(
        static_cast<HICON>(::LoadImageW(instance, L"Z_PAUSE", IMAGE_ICON, small.cx, small.cy, 0)));
    FTiDovex->SetIcon(FTrayIcons[1].get());

    SetPaused(true);
    FGroupManager = std::make_unique<TCursorGroupManager>();
    FEngine = std::make_unique<TSaverEngine>(Handle(), *FGroupManager, FSaverProperty);
    FEngine->OnShowingChanged = [this](bool showing) {
        // Polling already looks at the pointer often enough; the check is for the hook's blind spots.
        timShowCheck.SetEnabled(showing && !timCursorCheck.Enabled());
        if (showing)
            ::GetCursorPos(&FShowOrigin); // after the jump to the home position
        if (!showing)
            FTiDovex->StopAnimation();
        else if (FSaverProperty.Options & soTrayAnimation)
            FTiDovex->StartAnimation(TTrayIcon::amContinuous);
    };
    FEngine->OnPointerPlaced = [this](POINT where) { FLastCursorPos = where; };
    // Moves are judged against the last position seen: start from where the pointer is, so that the
    // first report of a pointer that has not moved is not taken for activity.
    ::GetCursorPos(&FLastCursorPos);
    if (!FMouseHook.Start(Handle()))
        timCursorCheck.SetEnabled(true); // no hook library: watch the pointer by polling
    FQuietTimes.Start(Handle(), WM_SAVERFOREGROUND);
    // The idle wait starts with the resume posted below, not while the start is paused.
    ReadSettings();
    SelectGroup(FGroupManager->IndexOfGroup(FSaverProperty.UseGroup));
    BuildGroupMenu();
    if (::timeBeginPeriod(1) == TIMERR_NOERROR)
        FTimePeriodRaised = true;
    ::PostMessageW(Handle(), WM_SAVERPAUSE, SAVERPAUSE_RESUME, 0);
    FSysCursorCtrl = std::make_unique<TSystemCursorCtrl>();
    BuildSysCursorMenu();
}

bool TfrmDovexMain::FormCloseQuery() {
    // Edits that cannot be saved keep the program running, after a message; the next exit drops them.
    if (TfrmPlayList* playList = FPlayListForm.Get();
        playList && !FSettingsRemoved && !playList->SaveBeforeClosing())
        return false;
    if (FTiDovex)
        FTiDovex->SetVisible(false);
    EndTimePeriod();
    return true;
}

void TfrmDovexMain::FormDestroy() noexcept {
    if (FDestroyed)
        return;
    FDestroyed = true;
    // The settings dialog first: when it removed every setting, nothing else is written.
    ReleaseClosedForms();
    FPropertyForm.Reset();
    if (TfrmPlayList* playList = FPlayListForm.Get(); playList && !FSettingsRemoved)
        playList->Close(); // saves what it holds, as its close command does
    FPlayListForm.Reset();
    timSaverWait.SetEnabled(false);
    timCursorCheck.SetEnabled(false);
    timShowCheck.SetEnabled(false);
    timHookCheck.SetEnabled(false);
    timPauseEnd.SetEnabled(false);
    ::UnregisterHotKey(Handle(), ID_HOTKEY_START);
    ::UnregisterHotKey(Handle(), ID_HOTKEY_PAUSE);
    FEngine.reset(); // stops the countdown timer
    FMouseHook.Stop();
    FQuietTimes.Stop();
    FGroupManager.reset();
    FSysCursorCtrl.reset();
    FTiDovex.reset();
    FTrayIcons[0].reset();
    FTrayIcons[1].reset();
    // Ending without a close (the application asked to terminate) must still give the resolution back.
    EndTimePeriod();
}

void TfrmDovexMain::EndTimePeriod() noexcept {
    if (FTimePeriodRaised) {
        ::timeEndPeriod(1);
        FTimePeriodRaised = false;
    }
}

void TfrmDovexMain::SetPaused(bool value) {
    if (value == FPaused)
        return;
    if (value) {
        timSaverWait.SetEnabled(false);
        if (FEngine)
            FEngine->Stop(); // a paused saver does no work
        FTrayMenu->SetPauseChecked(true);
        if (FTiDovex)
            FTiDovex->SetIcon(FTrayIcons[1].get());
        FPaused = true;
    } else {
        if (FPlayListOpen)
            return;
        ::GetCursorPos(&FLastCursorPos); // moves while paused are no reason to wait again
        timSaverWait.SetEnabled(true);
        FTrayMenu->SetPauseChecked(false);
        if (FTiDovex)
            FTiDovex->SetIcon(FTrayIcons[0].get());
        FPaused = false;
        ForgetTimedPause();
    }
}

void TfrmDovexMain::PauseFor(int minutes) {
    const TWallTime now = WallClockNow();
    if (FPlayListOpen)
        FPausedBeforePlayList = true; // closing the window before the end keeps the pause
    else
        SetPaused(true);
    FPauseEnd = PauseEnd(now, minutes);
    FTrayMenu->SetPauseForChecked(minutes);
    FTiDovex->SetTipHelp(TimedPauseTip(LocalTimeOf(FPauseEnd)));
    CheckPauseEnd();
}

void TfrmDovexMain::CheckPauseEnd() {
    if (FPauseEnd == 0)
        return;
    timPauseEnd.SetEnabled(false);
    if (const UINT delay = PauseCheckDelay(WallClockNow(), FPauseEnd); delay > 0) {
        timPauseEnd.SetInterval(delay);
        timPauseEnd.SetEnabled(true);
        return;
    }
    ForgetTimedPause();
    if (FPlayListOpen)
        FPausedBeforePlayList = false; // the window's closing resumes
    else
        SetPaused(false);
}

void TfrmDovexMain::ForgetTimedPause() noexcept {
    if (FPauseEnd == 0)
        return;
    FPauseEnd = 0;
    timPauseEnd.SetEnabled(false);
    FTrayMenu->SetPauseForChecked(0);
    if (FTiDovex) {
        try {
            FTiDovex->SetTipHelp(kTipHelp);
        } catch (...) {
        }
    }
}

void TfrmDovexMain::ReadSettings() noexcept {
    try {
        ReadSaverProperty(FSaverProperty);
    } catch (...) {
        // What was read stays in force. The box opens once this message (or start-up) is over, so that
        // no command of the tray menu can reach a window that is still being built.
        DeferCurrentException(Handle());
    }
    timSaverWait.SetInterval(static_cast<UINT>(FSaverProperty.WaitTime));
    try {
        UseHotKeys(FSaverProperty.HotKeyStart,
                   FSaverProperty.HotKeyPause); // a key held elsewhere stays unused
        FQuietTimes.SetExcludedPrograms(FSaverProperty.ExcludedPrograms);
        // A program just listed may be in front: a show over it ends as if it had come to the front.
        if (FEngine)
            QuietChanged();
    } catch (...) {
        DeferCurrentException(Handle());
    }
}

void TfrmDovexMain::timSaverWaitTimer() {
    timSaverWait.SetEnabled(false);
    if (FPaused)
        return; // a paused saver shows nothing: activity could not end the show
    // A move the hook did not report: the pointer is in use, the wait starts over.
    if (PointerMovedUnseen()) {
        timSaverWait.SetEnabled(true);
        return;
    }
    // The end of a quiet time starts the wait again from zero, also when no foreground change told of it
    // (Wine reports none when a window closes).
    const bool wasQuiet = FQuiet;
    FQuiet = QuietNow();
    if (FQuiet || wasQuiet) {
        timSaverWait.SetEnabled(true); // asked again after another wait
        return;
    }
    FEngine->Start();
}

std::vector<uint16_t> TfrmDovexMain::UseHotKeys(uint16_t start, uint16_t pause) {
    ::UnregisterHotKey(Handle(), ID_HOTKEY_START);
    ::UnregisterHotKey(Handle(), ID_HOTKEY_PAUSE);
    const std::pair<int, THotKey> keys[] = {
        {ID_HOTKEY_START, BoundHotKey(start)},
        {ID_HOTKEY_PAUSE, HotKeysClash(start, pause) ? 0 : BoundHotKey(pause)}};
    std::vector<uint16_t> held;
    for (const auto& [id, key] : keys)
        if (key != 0 && !::RegisterHotKey(Handle(), id, HotKeyModifiers(key), HotKeyVirtualKey(key)))
            held.push_back(key);
    return held;
}

// Keys are no activity: the show runs until the mouse is used. A paused saver starts nothing (the mouse could
// not end it).
void TfrmDovexMain::StartNow() {
    if (FPaused || SaverShowing())
        return;
    timSaverWait.SetEnabled(false);
    ::GetCursorPos(&FLastCursorPos);
    FEngine->Start();
}

bool TfrmDovexMain::QuietNow() const {
    return FQuietTimes.Quiet(FSaverProperty.Options & soSuppressFullScreen,
                             FSaverProperty.Options & soSuppressOnBatterySaver);
}

void TfrmDovexMain::QuietChanged() {
    const bool quiet = QuietNow();
    if (quiet == FQuiet)
        return;
    FQuiet = quiet;
    // A show ends when something begins that it would disturb; when that is over, the wait starts again
    // from zero.
    if (!FPaused)
        RestartWait();
}

// ---- The mouse watch ----

// Moves are judged by where the pointer is when the report is handled: the hook's own coordinates may be
// those of a program the system scales for its DPI.
void TfrmDovexMain::HandleSaverMouse(WPARAM mouseMessage) noexcept {
    FHookWatch.Reported(::GetTickCount64());
    bool moved = false;
    if (IsMouseMove(mouseMessage)) {
        POINT pos{};
        if (::GetCursorPos(&pos)) {
            moved = (pos.x != FLastCursorPos.x || pos.y != FLastCursorPos.y) && !SteadyHand(pos);
            FLastCursorPos = pos;
        }
    }
    if (IsMouseActivity(mouseMessage, FSaverProperty.IgnoreMouse, moved) && !FPaused)
        RestartWait();
}

void TfrmDovexMain::timCursorCheckTimer() noexcept {
    POINT pos{};
    ::GetCursorPos(&pos);
    if (pos.x == FLastCursorPos.x && pos.y == FLastCursorPos.y)
        return;
    FLastCursorPos = pos;
    if (!FPaused && !SteadyHand(pos))
        RestartWait();
}

bool TfrmDovexMain::PointerMovedUnseen() noexcept {
    POINT pos{};
    if (!::GetCursorPos(&pos) || (pos.x == FLastCursorPos.x && pos.y == FLastCursorPos.y))
        return false;
    FLastCursorPos = pos;
    // While the hook is the only watch of the wait, a move it did not report puts it in doubt.
    if (FMouseHook.Installed() && !timCursorCheck.Enabled() && FHookWatch.Missed(::GetTickCount64()))
        timHookCheck.SetEnabled(true);
    return true;
}

void TfrmDovexMain::timShowCheckTimer() noexcept {
    if (PointerMovedUnseen() && !FPaused && !SteadyHand(FLastCursorPos))
        RestartWait();
}

void TfrmDovexMain::timHookCheckTimer() noexcept {
    timHookCheck.SetEnabled(false);
    switch (FHookWatch.Judge()) {
    case THookWatch::TVerdict::Sees:
        break;
    case THookWatch::TVerdict::Reinstall:
        ++FHookReinstalls;
        FMouseHook.Stop();
        if (!FMouseHook.Start(Handle()))
            timCursorCheck.SetEnabled(true);
        break;
    case THookWatch::TVerdict::Poll:
        // The hook stays for the buttons and the wheel; polling sees the moves it misses.
        timCursorCheck.SetEnabled(true);
        break;
    }
}

bool TfrmDovexMain::SteadyHand(POINT pos) noexcept {
    if (!SaverShowing() || FSaverProperty.MoveThreshold <= 0 ||
        !WithinMoveThreshold({FShowOrigin.x, FShowOrigin.y}, {pos.x, pos.y}, FSaverProperty.MoveThreshold))
        return false;
    FEngine->KeepUnderPointer(pos);
    return true;
}

// The wait measures time since the pointer last moved: it starts from where the pointer is now.
void TfrmDovexMain::RestartWait() noexcept {
    FEngine->Stop();
    ::GetCursorPos(&FLastCursorPos);
    timSaverWait.SetEnabled(false);
    timSaverWait.SetEnabled(true);
}

// ---- The tray menu ----

void TfrmDovexMain::SelectGroup(int index) {
    const std::wstring name = index >= 0 ? FGroupManager->Groups(index).Name() : std::wstring();
    if (index != FGroupManager->UseIndex())
        WriteUseGroup(name);
    FSaverProperty.UseGroup = name;
    FGroupManager->SetUseIndex(index);
}

void TfrmDovexMain::RefreshPlaylist() {
    FGroupManager->Reload();
    SelectGroup(FGroupManager->IndexOfGroup(FSaverProperty.UseGroup));
    BuildGroupMenu();
}

void TfrmDovexMain::BuildGroupMenu() {
    FTrayMenu->BuildGroupMenu(*FGroupManager, FSaverProperty.UseGroup);
}

void TfrmDovexMain::BuildSysCursorMenu() {
    FTrayMenu->BuildSysCursorMenu(*FSysCursorCtrl);
}

void TfrmDovexMain::PlayListOpened() {
    // A second opening while the window is open keeps the state from before the first.
    if (!FPlayListOpen)
        FPausedBeforePlayList = FPaused;
    FPlayListOpen = true;
    SetPaused(true);
}

void TfrmDovexMain::PlayListDestroyed() {
    FPlayListOpen = false;
    SetPaused(FPausedBeforePlayList);
}

void TfrmDovexMain::GroupNameChanged(const std::wstring& oldName, const std::wstring& newName) {
    const int index = FGroupManager->IndexOfGroup(oldName);
    if (index < 0)
        return;
    FGroupManager->Groups(index).SetName(newName);
    if (oldName == FSaverProperty.UseGroup) {
        // The group in use keeps being used under its new name.
        FSaverProperty.UseGroup = newName;
        WriteUseGroup(newName);
    } else if (newName == FSaverProperty.UseGroup) {
        SelectGroup(index);
    }
    BuildGroupMenu();
}

// During a timed pause the item is checked: choosing it resumes at once.
void TfrmDovexMain::miPauseClick() {
    ForgetTimedPause();
    SetPaused(!FTrayMenu->PauseChecked());
    FTrayMenu->SetPauseChecked(FPaused);
}

void TfrmDovexMain::miRefreshPlaylistClick() {
    RefreshPlaylist();
    FSysCursorCtrl->Refresh();
    BuildSysCursorMenu();
}

// The playlist window is opened modelessly; the saver is paused while it is open.
void TfrmDovexMain::miPlayListClick() {
    FPlayListForm.Open(Handle(), static_cast<IPlayListHost&>(*this)).Show();
    PlayListOpened();
}

void TfrmDovexMain::miPropertyClick() {
    FPropertyForm.Open(static_cast<IPropertyFormHost&>(*this)).Show();
}

void TfrmDovexMain::ReleaseClosedForms() noexcept {
    if (FPlayListForm.Closed())
        FPlayListForm.Reset();
    if (const TfrmProperty* closed = FPropertyForm.Closed()) {
        const bool removed = closed->RemovedSettings();
        FPropertyForm.Reset();
        if (removed)
            SettingsRemoved();
    }
}

// Nothing of the program may be written any more: the orderly close writes nothing.
void TfrmDovexMain::SettingsRemoved() {
    FSettingsRemoved = true;
    ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

// Open boxes and dialogs are answered with キャンセル first; the program ends once they are gone.
void TfrmDovexMain::miExitClick() {
    CancelModalLoops();
    ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

TTrayMenuHandlers TfrmDovexMain::MenuHandlers() {
    TTrayMenuHandlers handlers;
    handlers.miPauseClick = [this] { miPauseClick(); };
    handlers.miRefreshPlaylistClick = [this] { miRefreshPlaylistClick(); };
    handlers.miPropertyClick = [this] { miPropertyClick(); };
    handlers.miPlayListClick = [this] { miPlayListClick(); };
    handlers.miHelpClick = [this] { ShowHelp(Handle()); };
    handlers.miRestoreCursorsClick = [] { TSystemCursorCtrl::RestoreUserCursors(); };
    handlers.miExitClick = [this] { miExitClick(); };
    handlers.miPauseForClick = [this](int minutes) { PauseFor(minutes); };
    handlers.miUseGroupClick = [this](int index) { SelectGroup(index); };
    handlers.miChangeSysCursorClick = [this](int index) { FSysCursorCtrl->ApplyScheme(index); };
    return handlers;
}

LRESULT TfrmDovexMain::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        pos->cx = 1;
        pos->cy = 1;
        pos->flags |= SWP_NOACTIVATE;
        return DefaultHandler(msg, wParam, lParam);
    }
    case WM_MOUSEACTIVATE:
        DefaultHandler(msg, wParam, lParam);
        return MA_NOACTIVATEANDEAT;
    case WM_ERASEBKGND:
        return 0;
    case WM_SETCURSOR:
        ::SetCursor(FEngine ? FEngine->ChoiceCursor() : ::LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
    case WM_TIMER:
        if (!timSaverWait.HandleTimer(wParam) && !timCursorCheck.HandleTimer(wParam) &&
            !timShowCheck.HandleTimer(wParam) && !timHookCheck.HandleTimer(wParam) &&
            !timPauseEnd.HandleTimer(wParam))
            return DefaultHandler(msg, wParam, lParam);
        return 0;
    case WM_COMMAND:
        FTrayMenu->Execute(LOWORD(wParam), MenuHandlers(), FGroupManager->GroupCount(),
                           FSysCursorCtrl->SchemeCount());
        return 0;
    case WM_SAVERPAUSE:
        if (wParam == SAVERPAUSE_PAUSE || wParam == SAVERPAUSE_RESUME)
            SetPaused(wParam == SAVERPAUSE_PAUSE);
        return 0;
    case WM_SAVERTICK:
        FEngine->Tick(wParam, lParam);
        return 0;
    case WM_SAVERTIMERTICK:
        FEngine->TimerTick(wParam);
        return 0;
    case WM_SAVERMOUSE:
        HandleSaverMouse(wParam);
        return 0;
    case WM_SAVERFOREGROUND:
        QuietChanged();
        return 0;
    case WM_WTSSESSION_CHANGE:
        FQuietTimes.SessionChanged(wParam);
        QuietChanged();
        return 0;
    case WM_HOTKEY:
        if (wParam == ID_HOTKEY_START)
            StartNow();
        else if (wParam == ID_HOTKEY_PAUSE)
            miPauseClick();
        return 0;
    case WM_POWERBROADCAST:
        // Timers stood still while the machine slept: a pause that ended meanwhile ends now.
        if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)
            CheckPauseEnd();
        // The battery saver went on or off (older systems tell only of a change of the power status).
        if (wParam == PBT_POWERSETTINGCHANGE || wParam == PBT_APMPOWERSTATUSCHANGE)
            QuietChanged();
        return TRUE;
    case WM_TIMECHANGE:
        // The tip shows the end on the clock as it now goes.
        if (FPauseEnd != 0)
            FTiDovex->SetTipHelp(TimedPauseTip(LocalTimeOf(FPauseEnd)));
        CheckPauseEnd();
        return 0;
    case WM_FORMCLOSED:
        if (MayReleaseForms(Handle()))
            ReleaseClosedForms();
        return 0;
    case WM_SETTINGCHANGE: // the pointer size may be among the changes
        if (FEngine)
            FEngine->PointerSizeChanged();
        return DefaultHandler(msg, wParam, lParam);
    case WM_DPICHANGED: // the window stays one pixel; only the show's cursors follow the monitor
        if (FEngine)
            FEngine->PointerSizeChanged();
        return 0;
    case WM_SAVERRELOAD:
        if (wParam == RELOAD_SETTINGS)
            ReadSettings();
        else if (wParam == RELOAD_PLAYLIST)
            RefreshPlaylist();
        return 0;
    case WM_CLOSE:
        // A box or dialog on the stack would return into freed windows: the end waits until it has.
        if (InModalLoop()) {
            PostAfterModalLoops(Handle(), WM_CLOSE);
            return 0;
        }
        ReleaseClosedForms(); // a settings dialog that removed every setting keeps the close from writing
        if (FormCloseQuery())
            ::DestroyWindow(Handle());
        return 0;
    case WM_DESTROY:
        FormDestroy();
        ::PostQuitMessage(0);
        return 0;
    default:
        return DefaultHandler(msg, wParam, lParam);
    }
}

} // namespace dovex
