#include "app/TrayMenu.h"

#include <algorithm>
#include <iterator>

#include "app/Messages.h"
#include "app/TimedPause.h"
#include "base/Exception.h"
#include "base/Gdi.h"
#include "base/SystemError.h"
#include "controls/TrayIcon.h"
#include "model/PlayListCtrls.h"
#include "model/SysCursorCtrls.h"

namespace dovex {

namespace {

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

// The fixed commands and their handlers.
struct TCommandEntry {
    UINT Id;
    std::function<void()> TTrayMenuHandlers::*Handler;
};
constexpr TCommandEntry kCommands[] = {
    {IDM_PAUSE, &TTrayMenuHandlers::miPauseClick},
    {IDM_REFRESHPLAYLIST, &TTrayMenuHandlers::miRefreshPlaylistClick},
    {IDM_PLAYLIST, &TTrayMenuHandlers::miPlayListClick},
    {IDM_PROPERTY, &TTrayMenuHandlers::miPropertyClick},
    {IDM_HELP, &TTrayMenuHandlers::miHelpClick},
    {IDM_RESTORECURSORS, &TTrayMenuHandlers::miRestoreCursorsClick},
    {IDM_EXIT, &TTrayMenuHandlers::miExitClick},
};

} // namespace

TTrayMenu::TTrayMenu() {
    FMenuBar.reset(::LoadMenuW(::GetModuleHandleW(nullptr), L"PMTRAYMENU"));
    if (!FMenuBar)
        ThrowLastError(L"メニューを読み込めません");
    FMenu = ::GetSubMenu(FMenuBar.get(), 0);
    FPauseForMenu = ::GetSubMenu(FMenu, 1);
    FGroupMenu = ::GetSubMenu(FMenu, 3);
    FSchemeMenu = ::GetSubMenu(FMenu, 4);
    LoadMenuImages();
}

void TTrayMenu::LoadMenuImages() {
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
        FItemPictures.push_back(MenuBitmap(icon.get(), small.cx, small.cy));
        SetItemBitmap(FMenu, image.Command, FItemPictures.back().get());
    }
}

bool TTrayMenu::PauseChecked() const noexcept {
    return (::GetMenuState(FMenu, IDM_PAUSE, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void TTrayMenu::SetPauseChecked(bool checked) noexcept {
    ::CheckMenuItem(FMenu, IDM_PAUSE, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void TTrayMenu::SetEnabled(UINT command, bool enabled) noexcept {
    ::EnableMenuItem(FMenu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void TTrayMenu::SetPauseForChecked(int minutes) noexcept {
    const int count = static_cast<int>(std::size(kTimedPauseMinutes));
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_STATE;
        item.fType = MFT_STRING | MFT_RADIOCHECK;
        item.fState = kTimedPauseMinutes[i] == minutes ? MFS_CHECKED : MFS_UNCHECKED;
        ::SetMenuItemInfoW(FPauseForMenu, static_cast<UINT>(i), TRUE, &item);
    }
}

void TTrayMenu::BuildGroupMenu(const TCursorGroupManager& groups, const std::wstring& useGroup) {
    ClearMenu(FGroupMenu);
    const auto addItem = [this](UINT id, const std::wstring& caption, bool checked) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
        item.fType = MFT_STRING | MFT_RADIOCHECK;
        item.fState = checked ? MFS_CHECKED : MFS_UNCHECKED;
        item.wID = id;
        std::wstring text = caption;
        item.dwTypeData = text.data();
        ::InsertMenuItemW(FGroupMenu, ::GetMenuItemCount(FGroupMenu), TRUE, &item);
    };
    addItem(IDM_USEGROUP_FIRST, L"(全てのグループ)", useGroup.empty());
    const int count = std::min(groups.GroupCount(), IDM_USEGROUP_LAST - IDM_USEGROUP_FIRST);
    for (int i = 0; i < count; ++i) {
        const std::wstring& name = groups.Groups(i).Name();
        addItem(IDM_USEGROUP_FIRST + 1 + i, MenuCaption(name), name == useGroup);
    }
}

void TTrayMenu::BuildSysCursorMenu(const TSystemCursorCtrl& schemes) {
    ClearMenu(FSchemeMenu);
    FSchemePictures.clear();
    const SIZE small = TTrayIcon::SmallIconSize();
    UniqueHModule user32(::LoadLibraryW(L"User32.dll"));
    const int count = std::min(schemes.SchemeCount(), IDM_SYSCURSOR_LAST - IDM_SYSCURSOR_FIRST);
    for (int i = 0; i < count; ++i) {
        const std::wstring file = schemes.SchemeFile(i, 0);
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
        ::AppendMenuW(FSchemeMenu, MF_STRING, id, MenuCaption(schemes.SchemeName(i)).c_str());
        if (cursor) {
            FSchemePictures.push_back(MenuBitmap(cursor.get(), small.cx, small.cy));
            SetItemBitmap(FSchemeMenu, id, FSchemePictures.back().get());
        }
    }
    // Applying a scheme lasts until the next log-on; this puts the user's own cursors back at once.
    if (count > 0)
        ::AppendMenuW(FSchemeMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(FSchemeMenu, MF_STRING, IDM_RESTORECURSORS, L"Windows の設定に戻す");
}

bool TTrayMenu::Execute(UINT id, const TTrayMenuHandlers& handlers, int groupCount, int schemeCount) {
    static_assert(IDM_PAUSEFOR_120 - IDM_PAUSEFOR_15 + 1 == std::size(kTimedPauseMinutes));
    if (id >= IDM_PAUSEFOR_15 && id <= IDM_PAUSEFOR_120) {
        if (handlers.miPauseForClick)
            handlers.miPauseForClick(kTimedPauseMinutes[id - IDM_PAUSEFOR_15]);
        return true;
    }
    if (id >= IDM_USEGROUP_FIRST && id <= IDM_USEGROUP_LAST) {
        const int index = static_cast<int>(id - IDM_USEGROUP_FIRST) - 1;
        if (index < groupCount) {
            ::CheckMenuRadioItem(FGroupMenu, 0, ::GetMenuItemCount(FGroupMenu) - 1, index + 1, MF_BYPOSITION);
            if (handlers.miUseGroupClick)
                handlers.miUseGroupClick(index);
        }
        return true;
    }
    if (id >= IDM_SYSCURSOR_FIRST && id <= IDM_SYSCURSOR_LAST) {
        const int index = static_cast<int>(id - IDM_SYSCURSOR_FIRST);
        if (index < schemeCount && handlers.miChangeSysCursorClick)
            handlers.miChangeSysCursorClick(index);
        return true;
    }
    const auto entry = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [id](const TCommandEntry& e) { return e.Id == id; });
    if (entry == std::end(kCommands))
        return false;
    if (const auto& handler = handlers.*(entry->Handler))
        handler();
    return true;
}

} // namespace dovex
