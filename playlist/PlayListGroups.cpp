// The playlist window's group tree: showing, leaving, adding, renaming and deleting groups, and the drops
// on a group.
#include "playlist/PlayList.h"

#include <algorithm>

#include "base/Exception.h"
#include "base/Gdi.h"
#include "base/Text.h"
#include "model/PlayListCtrls.h"
#include "model/RegistryEx.h"
#include "playlist/IconIndexThread.h"
#include "playlist/PlayListIds.h"
#include "playlist/PlayListText.h"

namespace dovex {

namespace {

constexpr int kGroupImage = 14;
constexpr int kShownGroupImage = 15;
constexpr wchar_t kEmptyTreeHint[] = L"グループを作成してカーソルを追加してください。";
constexpr wchar_t kGroupNamePrefix[] = L"グループ";

} // namespace

LRESULT TfrmPlayList::tvGroupNotify(NMHDR& header) {
    switch (header.code) {
    case TVN_SELCHANGINGW:
        tvGroupChanging();
        return FALSE;
    case TVN_SELCHANGEDW:
        tvGroupChange(reinterpret_cast<const NMTREEVIEWW&>(header).itemNew.hItem);
        return 0;
    case TVN_BEGINLABELEDITW:
        if (const HWND edit = TreeView_GetEditControl(FTree))
            ::SendMessageW(edit, EM_LIMITTEXT, kMaxGroupNameLength, 0);
        return FALSE;
    case TVN_ENDLABELEDITW: {
        const auto& edit = reinterpret_cast<const NMTVDISPINFOW&>(header);
        return tvGroupEdited(edit.item.hItem, edit.item.pszText);
    }
    case TVN_DELETEITEMW:
        tvGroupDeletion(reinterpret_cast<const NMTREEVIEWW&>(header).itemOld.hItem);
        return 0;
    case NM_CUSTOMDRAW:
        return tvGroupCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW&>(header));
    }
    return 0;
}

TCursorGroupCtrl* TfrmPlayList::NodeGroup(HTREEITEM node) const noexcept {
    if (!node)
        return nullptr;
    TVITEMW item{};
    item.mask = TVIF_HANDLE | TVIF_PARAM;
    item.hItem = node;
    if (!TreeView_GetItem(FTree, &item))
        return nullptr;
    return reinterpret_cast<TCursorGroupCtrl*>(item.lParam);
}

HTREEITEM TfrmPlayList::AddGroupNode(TCursorGroupCtrl& group) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(group.Name().c_str());
    insert.item.iImage = kGroupImage;
    insert.item.iSelectedImage = kShownGroupImage;
    insert.item.lParam = reinterpret_cast<LPARAM>(&group);
    const HTREEITEM node = TreeView_InsertItem(FTree, &insert);
    if (!node)
        throw Exception(L"グループを一覧に追加できません");
    return node;
}

int TfrmPlayList::IndexOfGroupName(const std::wstring& name) const noexcept {
    for (size_t i = 0; i < FGroups.size(); ++i)
        if (SameText(FGroups[i]->Name(), name))
            return static_cast<int>(i);
    return -1;
}

// Leaving the shown group: its unsaved changes are written now.
void TfrmPlayList::tvGroupChanging() {
    FIconThread->ClearRequests();
    if (FShownGroup && FShownGroup->SaveIfModified())
        FModified = true;
}

void TfrmPlayList::tvGroupChange(HTREEITEM node) {
    TCursorGroupCtrl* group = NodeGroup(node);
    if (!group) {
        ShowNoGroup();
        return;
    }
    ::UpdateWindow(FTree);
    const HCURSOR normal = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    // Also when showing fails: the picture and the normal cursor.
    ScopeGuard loaded([&] {
        FInfoPane->SetGroupPicture(FGroupPicture.get());
        ::SetCursor(normal);
    });
    FShownGroup = group;
    SetPreviewFile(L"");
    FInfoPane->SaverOperation().LoadGroup(group);
    ::UpdateWindow(Handle());
    {
        BeginListUpdate();
        ScopeGuard shown([&] {
            if (ListView_GetItemCount(FList) > 0) {
                ListView_SetItemState(FList, 0, LVIS_FOCUSED, LVIS_FOCUSED);
                ListView_SetItemState(FList, -1, 0, LVIS_SELECTED);
                ListView_EnsureVisible(FList, 0, FALSE);
            }
            PostItemInfo();
            EndListUpdate();
        });
        SetListItemCount(group->Count());
    }
    FInfoPane->SetGroupName(group->Name());
}

// No group to show: the list is empty and the pane says nothing of a group.
void TfrmPlayList::ShowNoGroup() {
    FShownGroup = nullptr;
    SetPreviewFile(L"");
    FInfoPane->SaverOperation().LoadGroup(nullptr);
    SetListItemCount(0);
    FInfoPane->ClearGroup();
    FInfoPane->SetItemInfo(L"", false);
    FInfoPane->SetPreviewVisible(false);
    FInfoPane->SetTitle(L"", false);
}

TCursorGroupCtrl* TfrmPlayList::AddGroup(const std::wstring& name) {
    if (name.empty() || IndexOfGroupName(name) >= 0)
        return nullptr;
    FGroups.push_back(TCursorGroupCtrl::CreateNew(name, FPlaylistKey));
    FModified = true;
    return FGroups.back().get();
}

void TfrmPlayList::actAddGroupExecute(const TAction&) {
    TCursorGroupCtrl* group = nullptr;
    for (int n = 1; !group; ++n)
        group = AddGroup(kGroupNamePrefix + std::to_wstring(n));
    const HTREEITEM node = AddGroupNode(*group);
    TreeView_SelectItem(FTree, node);
    ::SetFocus(FTree);
    TreeView_EditLabel(FTree, node);
}

void TfrmPlayList::actRenameGroupExecute(const TAction&) {
    const HTREEITEM node = TreeView_GetSelection(FTree);
    if (TreeView_GetEditControl(FTree) || !node)
        return;
    ::SetFocus(FTree);
    TreeView_EditLabel(FTree, node);
}

// A confirmed label edit; true lets the node take the text.
bool TfrmPlayList::tvGroupEdited(HTREEITEM node, const wchar_t* text) {
    TCursorGroupCtrl* group = NodeGroup(node);
    if (!text || !group)
        return false; // cancelled
    const std::wstring name = text;
    if (name.empty() || name == group->Name()) {
        FInfoPane->SetGroupName(group->Name());
        return false;
    }
    if (IndexOfGroupName(name) >= 0)
        throw Exception(FormatText(kItemMsgGroupExists, {name}));
    if (const std::wstring problem = GroupNameProblem(name); !problem.empty())
        throw Exception(problem);
    const std::wstring oldName = group->Name();
    group->Rename(name);
    FInfoPane->SetGroupName(name);
    FHost->GroupNameChanged(oldName, name);
    return true;
}

void TfrmPlayList::actPlayListDeleteExecute(const TAction&) {
    const HWND focus = ::GetFocus();
    if (focus == FTree) {
        if (const HTREEITEM node = TreeView_GetSelection(FTree))
            TreeView_DeleteItem(FTree, node);
    } else if (focus == FList) {
        RemoveSelectedItems();
    }
}

void TfrmPlayList::tvGroupDeletion(HTREEITEM node) {
    if (FDestroying)
        return;
    DeleteGroup(NodeGroup(node));
}

void TfrmPlayList::DeleteGroup(TCursorGroupCtrl* group) {
    const auto found =
        std::find_if(FGroups.begin(), FGroups.end(), [&](const auto& g) { return g.get() == group; });
    if (found == FGroups.end())
        return;
    if (group == FShownGroup) {
        FIconThread->ClearRequests();
        ShowNoGroup();
    }
    const std::wstring name = group->Name();
    for (auto& drop : FFolderDrops)
        if (drop.Target == group)
            drop.Folders.clear(); // dropped on a group that is gone
    FGroups.erase(found);
    // Only a name of its own: an empty one or one with a backslash would name another key. A name the user
    // could not type (a control character, too long) is still the group's own key.
    if (IsGroupKeyName(name)) {
        TRegistryEx reg;
        reg.DeleteKey(FPlaylistKey + L"\\" + name);
    }
    FModified = true;
    if (FGroups.empty())
        SetListItemCount(0);
}

HTREEITEM TfrmPlayList::NodeAt(POINT client) const noexcept {
    if (::ChildWindowFromPointEx(Handle(), client, CWP_SKIPINVISIBLE) != FTree)
        return nullptr;
    TVHITTESTINFO hit{};
    hit.pt = client;
    ::MapWindowPoints(Handle(), FTree, &hit.pt, 1);
    const HTREEITEM node = TreeView_HitTest(FTree, &hit);
    return (hit.flags & TVHT_ONITEM) ? node : nullptr;
}

// Items dragged from the list onto a group move to the end of that group.
void TfrmPlayList::DragItemsOnto(HTREEITEM node, const std::vector<TCursorItem*>& items) {
    TCursorGroupCtrl* target = NodeGroup(node);
    if (!target || !FShownGroup)
        return;
    BeginListUpdate();
    {
        ScopeGuard end([&] { EndListUpdate(); });
        for (TCursorItem* item : items)
            FShownGroup->MoveItemTo(target, item);
        SetListItemCount(FShownGroup->Count());
    }
    ListView_SetItemState(FList, -1, 0, LVIS_SELECTED);
    ::InvalidateRect(FTree, nullptr, TRUE);
}

LRESULT TfrmPlayList::tvGroupCustomDraw(NMTVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return TreeView_GetCount(FTree) == 0 ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
    case CDDS_POSTPAINT:
        if (TreeView_GetCount(FTree) == 0)
            PaintEmptyTreeHint(draw.nmcd.hdc);
        return CDRF_DODEFAULT;
    }
    return CDRF_DODEFAULT;
}

// Grey, word-wrapped, every line centred, the whole block in the middle of the tree.
void TfrmPlayList::PaintEmptyTreeHint(HDC dc) const {
    RECT client{};
    ::GetClientRect(FTree, &client);
    TSelectObject font(dc, FFont.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
    std::wstring text = kEmptyTreeHint;
    constexpr UINT kFormat = DT_WORDBREAK | DT_CENTER | DT_NOPREFIX;
    RECT block = client;
    ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &block, kFormat | DT_CALCRECT);
    ::OffsetRect(&block, (client.right - block.right) / 2, (client.bottom - block.bottom) / 2);
    ::DrawTextW(dc, text.data(), static_cast<int>(text.size()), &block, kFormat);
}

// ---- files dropped from the shell ----

void TfrmPlayList::DropTarget1DragOver(POINT point) {
    if (const HTREEITEM node = NodeAt(point))
        TreeView_SelectDropTarget(FTree, node);
}

void TfrmPlayList::DropTarget1DragLeave() noexcept {
    TreeView_SelectDropTarget(FTree, nullptr);
}

void TfrmPlayList::DropTarget1DropFiles(const std::vector<std::wstring>& files, POINT point) {
    TreeView_SelectDropTarget(FTree, nullptr);
    TCursorGroupCtrl* target = NodeGroup(NodeAt(point));
    std::vector<std::wstring> folders;
    for (const auto& file : files) {
        const DWORD attributes = ::GetFileAttributesW(file.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            folders.push_back(file);
    }
    if (!folders.empty()) {
        // Folders on a group fill it; on the tree's empty space they become groups; elsewhere they fill the
        // shown group. Done after the drop has returned: the drag source waits for the drop, and a box may
        // ask.
        const bool onTree = ::ChildWindowFromPointEx(Handle(), point, CWP_SKIPINVISIBLE) == FTree;
        FFolderDrops.push_back(TFolderDrop{folders, target ? target : onTree ? nullptr : FShownGroup});
        ::PostMessageW(Handle(), WM_DROPFOLDERS, 0, 0);
    }
    if (!target)
        target = FShownGroup;
    if (!target || folders.size() == files.size())
        return;
    const HCURSOR normal = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    ScopeGuard finish([&] {
        if (target == FShownGroup) {
            SetListItemCount(target->Count());
            ::InvalidateRect(FList, nullptr, TRUE);
        }
        ::InvalidateRect(FTree, nullptr, TRUE);
        ::SetCursor(normal);
    });
    for (const auto& file : files)
        if (HasAniExtension(file) && std::find(folders.begin(), folders.end(), file) == folders.end())
            target->AddItem(file);
}

} // namespace dovex
