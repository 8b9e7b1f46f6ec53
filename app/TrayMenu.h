// The tray icon's right-button menu: the menu resource, its pictures, the group and scheme submenus, and
// the table that maps its commands to the main window's handlers.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/UniqueHandle.h"

namespace dovex {

class TCursorGroupManager;
class TSystemCursorCtrl;

// What the menu's commands do; the main window fills these in.
struct TTrayMenuHandlers {
    std::function<void()> miPauseClick;
    std::function<void()> miRefreshPlaylistClick;
    std::function<void()> miPlayListClick;
    std::function<void()> miPropertyClick;
    std::function<void()> miHelpClick;
    std::function<void()> miRestoreCursorsClick;
    std::function<void()> miExitClick;
    std::function<void(int minutes)> miPauseForClick;      // a duration of the timed pause
    std::function<void(int index)> miUseGroupClick;        // -1 = all groups
    std::function<void(int index)> miChangeSysCursorClick; // a scheme of the cursor control
};

class TTrayMenu {
public:
    // Loads the menu resource and its pictures at the system's small icon size; throws on failure.
    TTrayMenu();

    HMENU pmTrayMenu() const noexcept { return FMenu; }
    HMENU miPauseFor() const noexcept { return FPauseForMenu; }
    HMENU miUseGroup() const noexcept { return FGroupMenu; }
    HMENU miChangeSysCursor() const noexcept { return FSchemeMenu; }

    bool PauseChecked() const noexcept;
    void SetPauseChecked(bool checked) noexcept;
    void SetEnabled(UINT command, bool enabled) noexcept;
    // Marks the duration of the timed pause under way; 0 marks none.
    void SetPauseForChecked(int minutes) noexcept;

    // "(全てのグループ)" and one radio item per group; the one named `useGroup` is checked.
    void BuildGroupMenu(const TCursorGroupManager& groups, const std::wstring& useGroup);
    // One item per scheme with its arrow's picture, then the way back to the user's own cursors.
    void BuildSysCursorMenu(const TSystemCursorCtrl& schemes);

    // Runs the handler of a command; false when the id is none of the menu's. A group or scheme item
    // beyond the current lists does nothing.
    bool Execute(UINT id, const TTrayMenuHandlers& handlers, int groupCount, int schemeCount);

private:
    void LoadMenuImages();

    UniqueHMenu FMenuBar; // the menu resource; its first submenu is the tray menu
    HMENU FMenu = nullptr;
    HMENU FPauseForMenu = nullptr;
    HMENU FGroupMenu = nullptr;
    HMENU FSchemeMenu = nullptr;
    std::vector<UniqueGdiObj> FItemPictures;   // bitmaps of the fixed items
    std::vector<UniqueGdiObj> FSchemePictures; // one per scheme item
};

} // namespace dovex
