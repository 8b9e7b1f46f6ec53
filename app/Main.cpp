#include "app/Main.h"

#include <mmsystem.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/HelpCtrls.h"
#include "app/Messages.h"
#include "model/SettingsStore.h"
#include "base/ErrorBox.h"
#include "controls/TrayIcon.h"
#include "model/PlayListCtrls.h"
#include "model/SysCursorCtrls.h"

namespace dovex {

namespace {

constexpr int kTrayAnimationFrames = 11;
constexpr wchar_t kTipHelp[] = L"カーソルセーバー(Dovex)";

// What the countdown timer's thread may look at. It is never freed, so a tick that is still under way
// while the window goes away reads valid memory and finds nothing to do.
struct TTickTarget {
    std::atomic<UINT> TimerID{0};
    std::atomic<HWND> Window{nullptr};
    std::atomic<int32_t> Pending{0}; // ticks counted and not yet taken by the main thread
};
TTickTarget gTickTarget;

// A 32-bit picture of an icon or cursor for a menu item (the alpha channel is kept).
UniqueGdiObj MenuBitmap(HICON icon, int cx, int cy) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObj bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap)
        return bitmap;
    const HDC dc = ::CreateCompatibleDC(nullptr);
    const HGDIOBJ old = ::SelectObject(dc, bitmap.get());
    ::DrawIconEx(dc, 0, 0, icon, cx, cy, 0, nullptr, DI_NORMAL);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    return bitmap;
}

void SetItemBitmap(HMENU menu, UINT id, HGDIOBJ bitmap) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_BITMAP;
    item.hbmpItem = static_cast<HBITMAP>(bitmap);
    ::SetMenuItemInfoW(menu, id, FALSE, &item);
}

// Menu captions show "&" as a mnemonic mark: a name is shown as it is written.
std::wstring MenuCaption(const std::wstring& name) {
    std::wstring caption;
    for (wchar_t c : name) {
        if (c == L'&')
            caption += L'&';
        caption += c;
    }
    return caption;
}

void ClearMenu(HMENU menu) {
    while (::GetMenuItemCount(menu) > 0)
        ::DeleteMenu(menu, 0, MF_BYPOSITION);
}

} // namespace

bool ApplySaverTick(TSaverData& data, WPARAM wParam, LPARAM lParam) noexcept {
    switch (wParam) {
    case SAVERTICK_ONE:
        data.Remaining -= 1;
        break;
    case SAVERTICK_COUNT:
        data.Remaining -= static_cast<int32_t>(lParam);
        break;
    case SAVERTICK_ALL:
        data.Remaining = 0;
        break;
    default:
        return false;
    }
    return data.Remaining <= 0;
}

TfrmDovexMain::TfrmDovexMain()
    : timSaverWait(nullptr, ID_TIMER_SAVERWAIT, 5000, [this] { timSaverWaitTimer(); }),
      timCursorCheck(nullptr, ID_TIMER_CURSORCHECK, 100, [this] { timCursorCheckTimer(); }) {
    CreateHandle(kClassName, kCaption, WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    timSaverWait.SetOwner(Handle());
    timCursorCheck.SetOwner(Handle());
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
    FTrayMenuBar.reset(::LoadMenuW(instance, L"PMTRAYMENU"));
    if (!FTrayMenuBar)
        throw Exception(L"メニューを読み込めません");
    pmTrayMenu = ::GetSubMenu(FTrayMenuBar.get(), 0);
    miUseGroup = ::GetSubMenu(pmTrayMenu, 2);
    miChangeSysCursor = ::GetSubMenu(pmTrayMenu, 3);
    LoadMenuImages();

    FTiDovex = std::make_unique<TTrayIcon>(Handle());
    FTiDovex->SetAnimateIcons(ilTrayAnimationIcons.get());
    FTiDovex->SetAnimateRate(200);
    FTiDovex->SetRBPopupMenu(pmTrayMenu);
    FTiDovex->SetTipHelp(kTipHelp);
    FTiDovex->SetVisible(true);
}

// A pointer with nothing to see: every pixel keeps the screen (AND mask 1, XOR mask 0).
static UniqueHCursor CreateBlankCursor() {
    const int cx = ::GetSystemMetrics(SM_CXCURSOR), cy = ::GetSystemMetrics(SM_CYCURSOR);
    const size_t bytes = static_cast<size_t>((cx + 15) / 16 * 2) * cy;
    std::vector<BYTE> andMask(bytes, 0xFF), xorMask(bytes, 0x00);
    return UniqueHCursor(
        ::CreateCursor(::GetModuleHandleW(nullptr), 0, 0, cx, cy, andMask.data(), xorMask.data()));
}

void TfrmDovexMain::LoadMenuImages() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    const SIZE small = TTrayIcon::SmallIconSize();
    const struct {
        const wchar_t* Resource;
        UINT Command;
    } images[] = {
        {L"MENU_PAUSE", IDM_PAUSE}, {L"MENU_PLAYLIST", IDM_PLAYLIST},       {L"MENU_PROPERTY", IDM_PROPERTY},
        {L"MENU_HELP", IDM_HELP},   {L"MENU_REFRESH", IDM_REFRESHPLAYLIST}, {L"MENU_EXIT", IDM_EXIT}};
    for (const auto& image : images) {
        UniqueHIcon icon(
            static_cast<HICON>(::LoadImageW(instance, image.Resource, IMAGE_ICON, small.cx, small.cy, 0)));
        if (!icon)
            continue;
        ilTrayMenuIcons.push_back(MenuBitmap(icon.get(), small.cx, small.cy));
        SetItemBitmap(pmTrayMenu, image.Command, ilTrayMenuIcons.back().get());
    }
}

void TfrmDovexMain::FormCreate() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    FBlankCursor = CreateBlankCursor();
    // The tray shows small icons: load the size the system asks for at its current scaling.
    const SIZE small = TTrayIcon::SmallIconSize();
    FTrayIcons[0].reset(
        static_cast<HICON>(::LoadImageW(instance, L"Z_NORMAL", IMAGE_ICON, small.cx, small.cy, 0)));
    FTrayIcons[1].reset(
        static_cast<HICON>(::LoadImageW(instance, L"Z_PAUSE", IMAGE_ICON, small.cx, small.cy, 0)));
    FTiDovex->SetIcon(FTrayIcons[1].get());

    SetPaused(true);
    FRandom.seed(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    FGroupManager = std::make_unique<TCursorGroupManager>();
    // Moves are judged against the last position seen: start from where the pointer is, so that the
    // first report of a pointer that has not moved is not taken for activity.
    ::GetCursorPos(&FLastCursorPos);
    if (!FMouseHook.InstallMouseHook(Handle()))
        timCursorCheck.SetEnabled(true); // no hook library: watch the pointer by polling
    timSaverWait.SetEnabled(true);
    ReadSettings();
    SelectGroup(FGroupManager->IndexOfGroup(FSaverProperty.UseGroup));
    BuildGroupMenu();
    timSaverWait.SetEnabled(true);
    if (::timeBeginPeriod(1) == TIMERR_NOERROR)
        FTimePeriodRaised = true;
    FSaverData.Index = -1;
    ::PostMessageW(Handle(), WM_SAVERPAUSE, SAVERPAUSE_RESUME, 0);
    FSysCursorCtrl = std::make_unique<TSystemCursorCtrl>();
    BuildSysCursorMenu();
}

bool TfrmDovexMain::FormCloseQuery() {
    if (FTiDovex)
        FTiDovex->SetVisible(false);
    EndTimePeriod();
    return true;
}

void TfrmDovexMain::FormDestroy() noexcept {
    if (FDestroyed)
        return;
    FDestroyed = true;
    StopSaverTimer();
    timSaverWait.SetEnabled(false);
    timCursorCheck.SetEnabled(false);
    FMouseHook.RemoveMouseHook();
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
        StopSaverTimer(); // a paused saver does no work
        HideSaver();
        ::CheckMenuItem(pmTrayMenu, IDM_PAUSE, MF_BYCOMMAND | MF_CHECKED);
        if (FTiDovex)
            FTiDovex->SetIcon(FTrayIcons[1].get());
        FPaused = true;
    } else {
        if (FPlayListOpen)
            return;
        timSaverWait.SetEnabled(true);
        ::CheckMenuItem(pmTrayMenu, IDM_PAUSE, MF_BYCOMMAND | MF_UNCHECKED);
        if (FTiDovex)
            FTiDovex->SetIcon(FTrayIcons[0].get());
        FPaused = false;
    }
}

void TfrmDovexMain::ReadSettings() noexcept {
    const auto applyWaitTime = [this] {
        timSaverWait.SetInterval(static_cast<UINT>(FSaverProperty.WaitTime));
    };
    try {
        ReadSaverProperty(FSaverProperty);
    } catch (...) {
        // What was read stays in force; start-up and the program go on after the report.
        applyWaitTime();
        ShowCurrentException(nullptr);
    }
    applyWaitTime();
}

// ---- The show ----

void TfrmDovexMain::timSaverWaitTimer() {
    timSaverWait.SetEnabled(false);
    NextCursor();
    ShowSaver();
}

void TfrmDovexMain::NextCursor() {
    SetCursorChoice(TCursorChoice::None);
    if (FSaverProperty.Options & soHideCursor)
        return;
    if (FGroupManager->PlayableCount() == 0) {
        SetCursorChoice(TCursorChoice::Default);
        return;
    }
    for (int attempts = 0;;) {
        const int count = FGroupManager->ItemCount();
        if (count <= 0)
            break;
        if (FSaverProperty.PlaySequence != 0) {
            FSaverData.Index = std::uniform_int_distribution<int>(0, count - 1)(FRandom);
        } else {
            FSaverData.Index += 1;
            if (FSaverData.Index >= count)
                FSaverData.Index = 0;
        }
        ++attempts;
        if (FGroupManager->Items(FSaverData.Index).Status == isUsable || attempts > count)
            break;
    }
    if (FSaverData.Index < 0 || FSaverData.Index >= FGroupManager->ItemCount()) {
        SetCursorChoice(TCursorChoice::Default);
        return;
    }
    const TCursorItem& item = FGroupManager->Items(FSaverData.Index);
    const TCursorGroupBase& group = *item.Group;
    const bool countMode = group.SaverMode() == smNumTimes;
    if (item.FileName != FSaverData.CurrentFile || FSaverData.TimerID == 0) {
        StopSaverTimer();
        FSaverData.CurrentFile = item.FileName;
        FSaverData.Remaining = countMode ? group.SaverPlayNums() : 1;
        FSaverData.Interval = countMode ? item.PlayTime : group.SaverPlayTime();
        FShowCursor.reset();
        FShowCursor.reset(static_cast<HCURSOR>(
            ::LoadImageW(nullptr, FSaverData.CurrentFile.c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE)));
        ::Sleep(static_cast<DWORD>(FSaverProperty.DisplayInterval));
        if (FSaverData.Interval > 0) {
            FSaverData.TimerID = ::timeSetEvent(static_cast<UINT>(FSaverData.Interval), 0, &SaverTimerProc,
                                                reinterpret_cast<DWORD_PTR>(this), TIME_PERIODIC);
            gTickTarget.Window.store(Handle());
            gTickTarget.TimerID.store(FSaverData.TimerID);
        }
    } else {
        FSaverData.Remaining = countMode ? group.SaverPlayNums() : 1;
    }
    SetCursorChoice(TCursorChoice::Show);
}

void TfrmDovexMain::ShowSaver() {
    POINT pos{};
    if (FSaverProperty.Options & soUseHomePosition) {
        pos = {FSaverProperty.HomePosition.X, FSaverProperty.HomePosition.Y};
        ::SetCursorPos(pos.x, pos.y);
        FLastCursorPos = pos; // the jump is not the user's activity
    } else {
        ::GetCursorPos(&pos);
    }
    if (FCursorChoice != TCursorChoice::Default) {
        ::SetWindowPos(Handle(), HWND_TOPMOST, pos.x, pos.y, 1, 1, SWP_SHOWWINDOW | SWP_NOACTIVATE);
        ApplyCursorChoice(); // no need to wait for the pointer to move
    }
    if ((FSaverProperty.Options & soTrayAnimation) && FTiDovex)
        FTiDovex->StartAnimation(TTrayIcon::amContinuous);
    FSaverShowing = true;
}

void TfrmDovexMain::HideSaver() noexcept {
    if (!FSaverShowing)
        return;
    FSaverShowing = false;
    ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    if (FTiDovex) {
        try {
            FTiDovex->StopAnimation();
        } catch (...) {
        }
    }
}

HCURSOR TfrmDovexMain::ChoiceCursor() const noexcept {
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

void TfrmDovexMain::SetCursorChoice(TCursorChoice choice) noexcept {
    FCursorChoice = choice;
    ApplyCursorChoice(); // at once, not at the next move
}

void TfrmDovexMain::ApplyCursorChoice() noexcept {
    POINT pos{};
    if (::IsWindowVisible(Handle()) && ::GetCursorPos(&pos) && ::WindowFromPoint(pos) == Handle())
        ::SetCursor(ChoiceCursor());
}

void TfrmDovexMain::StopSaverTimer() noexcept {
    const UINT id = FSaverData.TimerID;
    FSaverData.TimerID = 0;
    gTickTarget.TimerID.store(0);
    if (id != 0)
        ::timeKillEvent(id);
    gTickTarget.Pending.store(0);
}

// The timer's thread counts ticks and wakes the main thread with a post; it never waits for it, since
// the main thread may at that moment be stopping this very timer (and winmm may hold its lock for the
// callback meanwhile).
void CALLBACK TfrmDovexMain::SaverTimerProc(UINT id, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) noexcept {
    if (id != gTickTarget.TimerID.load())
        return; // a stopped timer's late tick
    if (gTickTarget.Pending.fetch_add(1) == 0)
        ::PostMessageW(gTickTarget.Window.load(), WM_SAVERTIMERTICK, id, 0);
}

// ---- The mouse watch ----

void TfrmDovexMain::HandleSaverMouse(WPARAM mouseMessage) noexcept {
    bool moved = false;
    if (IsMouseMove(mouseMessage)) {
        POINT pos{};
        ::GetCursorPos(&pos);
        moved = pos.x != FLastCursorPos.x || pos.y != FLastCursorPos.y;
        FLastCursorPos = pos;
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
    if (!FPaused)
        RestartWait();
}

void TfrmDovexMain::RestartWait() noexcept {
    StopSaverTimer();
    HideSaver();
    SetCursorChoice(TCursorChoice::Default);
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
    ClearMenu(miUseGroup);
    const auto addItem = [this](UINT id, const std::wstring& caption, bool checked) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
        item.fType = MFT_STRING | MFT_RADIOCHECK;
        item.fState = checked ? MFS_CHECKED : MFS_UNCHECKED;
        item.wID = id;
        std::wstring text = caption;
        item.dwTypeData = text.data();
        ::InsertMenuItemW(miUseGroup, ::GetMenuItemCount(miUseGroup), TRUE, &item);
    };
    addItem(IDM_USEGROUP_FIRST, L"(全てのグループ)", FSaverProperty.UseGroup.empty());
    const int count = std::min(FGroupManager->GroupCount(), IDM_USEGROUP_LAST - IDM_USEGROUP_FIRST);
    for (int i = 0; i < count; ++i) {
        const std::wstring& name = FGroupManager->Groups(i).Name();
        addItem(IDM_USEGROUP_FIRST + 1 + i, MenuCaption(name), name == FSaverProperty.UseGroup);
    }
}

void TfrmDovexMain::BuildSysCursorMenu() {
    ClearMenu(miChangeSysCursor);
    ilSysCursors.clear();
    const SIZE small = TTrayIcon::SmallIconSize();
    UniqueHModule user32(::LoadLibraryW(L"User32.dll"));
    const int count = std::min(FSysCursorCtrl->SchemeCount(), IDM_SYSCURSOR_LAST - IDM_SYSCURSOR_FIRST);
    for (int i = 0; i < count; ++i) {
        const std::wstring file = FSysCursorCtrl->SchemeFile(i, 0);
        UniqueHCursor cursor(static_cast<HCURSOR>(
            file.empty()
                ? ::LoadImageW(user32.get(), MAKEINTRESOURCEW(100), IMAGE_CURSOR, small.cx, small.cy, 0)
                : ::LoadImageW(nullptr, file.c_str(), IMAGE_CURSOR, small.cx, small.cy, LR_LOADFROMFILE)));
        if (!cursor && file.empty()) {
            // Some systems keep User32.dll's standard arrow only under its system cursor number (32512).
            cursor.reset(static_cast<HCURSOR>(
                ::LoadImageW(user32.get(), MAKEINTRESOURCEW(32512), IMAGE_CURSOR, small.cx, small.cy, 0)));
        }
        const UINT id = IDM_SYSCURSOR_FIRST + i;
        ::AppendMenuW(miChangeSysCursor, MF_STRING, id, MenuCaption(FSysCursorCtrl->SchemeName(i)).c_str());
        if (cursor) {
            ilSysCursors.push_back(MenuBitmap(cursor.get(), small.cx, small.cy));
            SetItemBitmap(miChangeSysCursor, id, ilSysCursors.back().get());
        }
    }
    // Applying a scheme lasts until the next log-on; this puts the user's own cursors back at once.
    if (count > 0)
        ::AppendMenuW(miChangeSysCursor, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(miChangeSysCursor, MF_STRING, IDM_RESTORECURSORS, L"Windows の設定に戻す");
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

void TfrmDovexMain::miPauseClick() {
    const bool checked = (::GetMenuState(pmTrayMenu, IDM_PAUSE, MF_BYCOMMAND) & MF_CHECKED) != 0;
    SetPaused(!checked);
    ::CheckMenuItem(pmTrayMenu, IDM_PAUSE, MF_BYCOMMAND | (FPaused ? MF_CHECKED : MF_UNCHECKED));
}

void TfrmDovexMain::miRefreshPlaylistClick() {
    RefreshPlaylist();
    FSysCursorCtrl->Refresh();
    BuildSysCursorMenu();
}

void TfrmDovexMain::miExitClick() {
    ::PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TfrmDovexMain::HandleCommand(UINT id) {
    if (id >= IDM_USEGROUP_FIRST && id <= IDM_USEGROUP_LAST) {
        const int index = static_cast<int>(id - IDM_USEGROUP_FIRST) - 1;
        if (index < FGroupManager->GroupCount()) {
            ::CheckMenuRadioItem(miUseGroup, 0, ::GetMenuItemCount(miUseGroup) - 1, index + 1, MF_BYPOSITION);
            SelectGroup(index);
        }
        return;
    }
    if (id >= IDM_SYSCURSOR_FIRST && id <= IDM_SYSCURSOR_LAST) {
        const int index = static_cast<int>(id - IDM_SYSCURSOR_FIRST);
        if (index < FSysCursorCtrl->SchemeCount())
            FSysCursorCtrl->ApplyScheme(index);
        return;
    }
    switch (id) {
    case IDM_PAUSE:
        miPauseClick();
        break;
    case IDM_REFRESHPLAYLIST:
        miRefreshPlaylistClick();
        break;
    case IDM_HELP:
        ShowHelp(Handle());
        break;
    case IDM_RESTORECURSORS:
        TSystemCursorCtrl::RestoreUserCursors();
        break;
    case IDM_EXIT:
        miExitClick();
        break;
    default:
        break;
    }
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
        ::SetCursor(ChoiceCursor());
        return TRUE;
    case WM_TIMER:
        if (!timSaverWait.HandleTimer(wParam) && !timCursorCheck.HandleTimer(wParam))
            return DefaultHandler(msg, wParam, lParam);
        return 0;
    case WM_COMMAND:
        HandleCommand(LOWORD(wParam));
        return 0;
    case WM_SAVERPAUSE:
        if (wParam == SAVERPAUSE_PAUSE)
            SetPaused(true);
        else if (wParam == SAVERPAUSE_RESUME)
            SetPaused(false);
        return 0;
    case WM_SAVERTICK:
        // A tick that was under way while the show ended counts down but starts nothing.
        if (ApplySaverTick(FSaverData, wParam, lParam) && FSaverShowing)
            NextCursor();
        return 0;
    case WM_SAVERTIMERTICK:
        // Ticks counted while the main thread was busy are taken together, as WM_SAVERTICK with wParam 1.
        if (wParam == FSaverData.TimerID && FSaverData.TimerID != 0) {
            const int32_t ticks = gTickTarget.Pending.exchange(0);
            if (ticks > 0)
                return WndProc(WM_SAVERTICK, SAVERTICK_COUNT, ticks);
        }
        return 0;
    case WM_SAVERMOUSE:
        HandleSaverMouse(wParam);
        return 0;
    case WM_SAVERRELOAD:
        if (wParam == RELOAD_SETTINGS)
            ReadSettings();
        else if (wParam == RELOAD_PLAYLIST)
            RefreshPlaylist();
        return 0;
    case WM_CLOSE:
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
