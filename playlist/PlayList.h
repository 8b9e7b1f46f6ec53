// The playlist window: the group tree, the information pane and the item list of the shown group, with
// the commands that build the playlist. It edits the registry through its own copy of the groups and asks
// the window that opened it to reload the playlist when it closes after writing.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/UniqueHandle.h"
#include "base/Window.h"
#include "model/HookTypes.h"
#include "playlist/DragDrop.h"
#include "playlist/InfoPane.h"
#include "base/Dpi.h"
#include "playlist/PlayListHost.h"

namespace dovex {

class TCursorGroupCtrl;
class TIconIndexThread;
class TPlayListProperty;
struct TCursorItem;

// OLE for the thread that creates the window, from creation until after the window is gone.
class TOleInitializer {
public:
    TOleInitializer() noexcept : FResult(::OleInitialize(nullptr)) {}
    TOleInitializer(const TOleInitializer&) = delete;
    TOleInitializer& operator=(const TOleInitializer&) = delete;
    ~TOleInitializer() {
        if (SUCCEEDED(FResult))
            ::OleUninitialize();
    }

private:
    HRESULT FResult;
};

class TfrmPlayList : public TWindow, private IPreviewPaneHost {
public:
    static constexpr const wchar_t* kClassName = L"TfrmPlayList";
    static constexpr wchar_t kCaption[] = L"Dovex - プレイリストの管理";
    // Design sizes at 96 DPI.
    static constexpr int kDesignWidth = 735;
    static constexpr int kDesignHeight = 560;
    static constexpr int kSplitterWidth = 3;
    static constexpr int kMinTreeWidth = 50;
    static constexpr int kMinListBaseWidth = 250;
    static constexpr int kInfoPaneWidth = 200;

    // A command of the window: caption, shortcut, picture and hint; the menus, the tool bar and the
    // accelerators are built from the table of them.
    struct TAction {
        UINT Id;
        const wchar_t* Category;
        const wchar_t* Caption;
        BYTE Modifiers; // FALT, FCONTROL, FSHIFT
        WORD Key;       // a virtual key; 0 for no shortcut
        const wchar_t* ShortcutText;
        int Image; // -1 for none
        // The tool tip before the bar, the status bar's text after it; a hint without a bar is both.
        const wchar_t* Hint;
        int Tag;
        // None for the preview's commands, which the preview pane runs.
        void (TfrmPlayList::*OnExecute)(const TAction&);
    };

    // Creates the window (hidden) with its groups read from the registry. `owner` gets the reload request
    // at close; `host` hears of the window's end and of new group names.
    TfrmPlayList(HWND owner, IPlayListHost& host, std::wstring playlistKey = kPlaylistKey);
    ~TfrmPlayList() override;

    // Shows the window and brings it to the front.
    void Show();
    // For the message loop of the program: the window's shortcuts and Tab between its controls. True when
    // the message was used and must not be dispatched.
    bool PreTranslateMessage(MSG& msg);
    // Runs a command of the action table, as its menu item, tool button or shortcut does.
    void Execute(UINT command);
    // Closes as the close command does, then tells the owner (WM_FORMCLOSED), which frees it. A group that
    // cannot be saved keeps the window open, with a message; closing again drops its edits.
    void Close() noexcept;
    // Saves every modified group; false (after a message naming them) when some could not be saved and
    // their edits would be lost. After that message it returns true: the user was told.
    bool SaveBeforeClosing() noexcept;
    bool Closing() const noexcept { return FClosing; }

    HWND ToolBar() const noexcept { return FToolBar; }
    HWND tvGroup() const noexcept { return FTree; }
    HWND lvGroupList() const noexcept { return FList; }
    HWND StatusBar() const noexcept { return FStatusBar; }
    const TInfoPane& InfoPane() const noexcept { return *FInfoPane; }
    TPreviewPane& pnlPreviewBase() const noexcept { return FInfoPane->PreviewPane(); }
    HMENU MainMenu1() const noexcept { return FMainMenu.get(); }
    HMENU pmForGroups() const noexcept { return FGroupsMenu.get(); }
    HMENU pmForItems() const noexcept { return FItemsMenu.get(); }
    HACCEL Accelerators() const noexcept { return FAccelerators.get(); }
    TDropTarget& DropTarget1() noexcept { return FDropTarget; }
    TIconIndexThread& IconThread() noexcept { return *FIconThread; }
    int GroupCount() const noexcept { return static_cast<int>(FGroups.size()); }
    TCursorGroupCtrl& Groups(int index) const { return *FGroups.at(static_cast<size_t>(index)); }
    TCursorGroupCtrl* ShownGroup() const noexcept { return FShownGroup; }
    bool Modified() const noexcept { return FModified; }
    const std::wstring& PreviewFileName() const noexcept { return FPreviewFileName; }
    int ListViewStyle() const noexcept { return FListViewStyle; }
    // The tree's width at 96 DPI, as the preferences keep it.
    int GroupViewWidth() const noexcept { return FGroupViewWidth; }
    UINT Dpi() const noexcept { return FDpi.Dpi(); }
    int DefaultIconIndex() const noexcept { return FDefaultIconIndex; }
    // The client rectangle of the splitter between the tree and the panes.
    RECT SplitterRect() const noexcept;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    static const TAction kActions[];
    static const TAction* FindAction(UINT command) noexcept;

    // Creation, layout and end.
    void CreateControls();
    void CreateMenus();
    void CreateToolBar();
    void CreateAccelerators();
    void FormCreate();
    void ApplyDpi();
    void ApplyFormBounds();
    void LoadGroups();
    void Layout();
    void DpiChanged(UINT dpi, const RECT& suggested);
    void FormCloseQuery();
    void FormDestroy() noexcept;
    void MinMaxInfo(MINMAXINFO& info) const noexcept;
    void ShownWindow();
    void EraseBackground(HDC dc) noexcept;
    void Paint();

    // Menus, tool bar and status bar.
    void UpdateMenu(HMENU menu) noexcept;
    bool ActionChecked(UINT command) const noexcept;
    void ShowPopupMenu(HWND control, LPARAM position);
    void MenuSelect(UINT item, UINT flags);
    void ShowStatusHint(UINT command);
    void ShowStatusText(const std::wstring& text);
    void PointerOver(HWND window);
    LRESULT tbMenuNotify(NMHDR& header);

    // The splitter.
    bool SetSplitterCursor() noexcept;
    void MouseDown(POINT client);
    void MouseMove(POINT client);
    void MouseUp(POINT client);

    // The group tree.
    LRESULT Notify(NMHDR& header);
    LRESULT tvGroupNotify(NMHDR& header);
    void tvGroupChanging();
    void tvGroupChange(HTREEITEM node);
    bool tvGroupEdited(HTREEITEM node, const wchar_t* text);
    void tvGroupDeletion(HTREEITEM node);
    LRESULT tvGroupCustomDraw(NMTVCUSTOMDRAW& draw);
    void PaintEmptyTreeHint(HDC dc) const;
    TCursorGroupCtrl* NodeGroup(HTREEITEM node) const noexcept;
    HTREEITEM AddGroupNode(TCursorGroupCtrl& group);
    TCursorGroupCtrl* AddGroup(const std::wstring& name);
    int IndexOfGroupName(const std::wstring& name) const noexcept;
    void DeleteGroup(TCursorGroupCtrl* group);
    HTREEITEM NodeAt(POINT client) const noexcept;
    void ShowNoGroup();

    // The item list.
    LRESULT lvGroupListNotify(NMHDR& header);
    void lvGroupListData(NMLVDISPINFOW& info);
    LRESULT lvGroupListFind(const NMLVFINDITEMW& find) const;
    LRESULT lvGroupListCustomDraw(NMLVCUSTOMDRAW& draw);
    void lvGroupListSelectItem();
    void lvGroupListStartDrag(const NMLISTVIEW& info);
    void EndItemDrag() noexcept;
    void DragItemsOnto(HTREEITEM node, const std::vector<TCursorItem*>& items);
    void IconIndexArrived(WPARAM index, LPARAM item);
    void PostItemInfo() noexcept;
    void UpdateItemInfo();
    void SetPreviewFile(const std::wstring& fileName);
    void LoadPreview();
    void BeginListUpdate() noexcept;
    void EndListUpdate() noexcept;
    void SetListItemCount(int count) noexcept;
    std::vector<int> SelectedIndexes() const;
    void RemoveSelectedItems();
    void SetListViewStyle(int style) noexcept;
    void ArrangeIcons() noexcept;

    // Files dropped from the shell.
    void DropTarget1DragOver(POINT point);
    void DropTarget1DragLeave() noexcept;
    void DropTarget1DropFiles(const std::vector<std::wstring>& files, POINT point);
    void DroppedFolders();

    // Groups of cursor packs and of system cursor schemes.
    std::wstring PickFolder();
    void MakeGroupsOfFolders(const std::vector<std::wstring>& folders);
    void AddFoldersTo(TCursorGroupCtrl* group, const std::vector<std::wstring>& folders);
    TCursorGroupCtrl* MakeGroup(std::wstring_view name, std::wstring_view fallback,
                                const std::vector<std::wstring>& files);
    void SelectGroup(TCursorGroupCtrl& group);
    void Report(const std::wstring& summary, bool box);

    // Commands.
    void actAddGroupExecute(const TAction&);
    void actAddItemExecute(const TAction&);
    void actPlayListDeleteExecute(const TAction&);
    void actRenameGroupExecute(const TAction&);
    void actExitExecute(const TAction&);
    void actPlaylistUpDownExecute(const TAction& action);
    void actSelectAllExecute(const TAction&);
    void actReverseSelectExecute(const TAction&);
    void actListViewStyleExecute(const TAction& action);
    void actRefreshExecute(const TAction&);
    void actBkGndColorExecute(const TAction&);
    void actFolderGroupExecute(const TAction&);
    void actSchemeGroupExecute(const TAction&);

    // The preview's requests.
    const wchar_t* TransportHint(UINT command) const noexcept override;
    void ShowPreviewHint(const std::wstring& text) override;
    void PreviewResized() override;
    void PreviewDblClick() override;

    TOleInitializer FOle;
    const HWND FOwner; // gets the reload requests and WM_FORMCLOSED
    IPlayListHost* const FHost;
    std::wstring FPlaylistKey;
    TDpiScale FDpi;

    // Controls: children of the window, destroyed with it.
    HWND FToolBar = nullptr;
    HWND FTree = nullptr;
    HWND FList = nullptr;
    HWND FStatusBar = nullptr;
    std::unique_ptr<TInfoPane> FInfoPane;

    UniqueGdiObj FFont;
    UniqueImageList FToolBarImages;
    UniqueHIcon FGroupPicture;
    std::array<UniqueGdiObj, 16> FMenuBitmaps;
    UniqueHMenu FMainMenu;
    UniqueHMenu FGroupsMenu;
    UniqueHMenu FItemsMenu;
    HMENU FViewStyleMenu = nullptr; // the view styles sub-menu of FItemsMenu
    UniqueAny<HandleTraits<HACCEL, ::DestroyAcceleratorTable>> FAccelerators;
    TDropTarget FDropTarget;

    std::unique_ptr<TPlayListProperty> FProperty;
    std::unique_ptr<TIconIndexThread> FIconThread;
    std::vector<std::unique_ptr<TCursorGroupCtrl>> FGroups;
    TCursorGroupCtrl* FShownGroup = nullptr;
    int FDefaultIconIndex = -1;
    std::wstring FPreviewFileName;
    std::vector<TCursorItem*> FDragItems;
    // Folders dropped and not yet made groups of, with the group they were dropped on (none: new groups).
    struct TFolderDrop {
        std::vector<std::wstring> Folders;
        TCursorGroupCtrl* Target;
    };
    std::vector<TFolderDrop> FFolderDrops;
    UniqueImageList FDragImage;
    bool FModified = false;
    int FUpdateCount = 0;
    bool FItemInfoPending = false;
    int FListViewStyle = 0;
    int FGroupViewWidth = 160;
    std::array<COLORREF, 16> FCustomColors; // the colour dialog's own colours, while the window lives
    UINT FStatusCommand = 0;
    HWND FStatusHintControl = nullptr; // the control whose hint the status bar shows
    std::wstring FStatusText;
    bool FSplitterDragging = false;
    int FSplitterGrab = 0;
    bool FClosing = false;
    bool FDestroying = false;
    bool FUnsavedWarned = false; // a failed save was reported: the next close drops the edits
};

} // namespace dovex
