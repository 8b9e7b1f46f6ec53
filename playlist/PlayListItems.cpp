// The playlist window's item list: an owner-data list view that asks the shown group for each row it
// paints, and the commands on the group's items.
#include "playlist/PlayList.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>

#include "base/Exception.h"
#include "base/ModalLoop.h"
#include "base/Text.h"
#include "model/PlayListCtrls.h"
#include "playlist/IconIndexThread.h"
#include "playlist/PlayListIds.h"
#include "playlist/PlayListText.h"

namespace dovex {

namespace {

constexpr wchar_t kNoSelection[] = L"カーソルを選択すると、その説明が表示されます。";
constexpr wchar_t kSelectionCount[] = L"%d 個のカーソルを選択\r\n";
constexpr wchar_t kOpenTitle[] = L"アニメーションカーソルの選択";
constexpr wchar_t kOpenFilter[] = L"アニメーションカーソル(*.ani)\0*.ani\0";
// Height of one line of file names in the pane, at 96 DPI.
constexpr int kNameLineHeight = 12;
// Characters the open dialog may return at once: folder and names of many files.
constexpr DWORD kOpenBufferLength = 1 << 20;

// The record at a list index, not examined (the group examines items only when they are painted).
TCursorItem& RecordAt(TCursorGroupCtrl& group, int index) {
    return group.TCursorGroupBase::GetItem(index);
}

constexpr DWORD kListViews[] = {LV_VIEW_ICON, LV_VIEW_SMALLICON, LV_VIEW_LIST, LV_VIEW_DETAILS};

} // namespace

LRESULT TfrmPlayList::lvGroupListNotify(NMHDR& header) {
    switch (header.code) {
    case LVN_GETDISPINFOW:
        lvGroupListData(reinterpret_cast<NMLVDISPINFOW&>(header));
        return 0;
    case LVN_ODFINDITEMW:
        return lvGroupListFind(reinterpret_cast<const NMLVFINDITEMW&>(header));
    case LVN_ODCACHEHINT: // rows are produced one at a time, when painted
        return 0;
    case NM_CUSTOMDRAW:
        return lvGroupListCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED))
            lvGroupListSelectItem();
        return 0;
    }
    case LVN_ODSTATECHANGED:
        lvGroupListSelectItem();
        return 0;
    case LVN_BEGINDRAG:
        lvGroupListStartDrag(reinterpret_cast<const NMLISTVIEW&>(header));
        return 0;
    }
    return 0;
}

void TfrmPlayList::lvGroupListData(NMLVDISPINFOW& info) {
    LVITEMW& row = info.item;
    if (FUpdateCount > 0 || !FShownGroup || row.iItem < 0 || row.iItem >= FShownGroup->Count())
        return;
    TCursorItem& item = FShownGroup->Items(row.iItem);
    if (row.mask & LVIF_IMAGE) {
        row.iImage = item.IconIndex != -1 ? item.IconIndex : FDefaultIconIndex;
        if (item.IconIndex == -1)
            FIconThread->Request(item.FileName, &item);
    }
    if ((row.mask & LVIF_TEXT) && row.pszText && row.cchTextMax > 0) {
        const std::wstring text = ItemColumnText(item, row.iSubItem);
        const size_t length = std::min<size_t>(text.size(), static_cast<size_t>(row.cchTextMax) - 1);
        std::copy_n(text.data(), length, row.pszText);
        row.pszText[length] = L'\0';
    }
}

LRESULT TfrmPlayList::lvGroupListFind(const NMLVFINDITEMW& find) const {
    const LVFINDINFOW& what = find.lvfi;
    if (!FShownGroup || !(what.flags & (LVFI_STRING | LVFI_PARTIAL)) || !what.psz)
        return -1;
    return FShownGroup->FindTitle(what.psz, find.iStart, (what.flags & LVFI_WRAP) != 0);
}

LRESULT TfrmPlayList::lvGroupListCustomDraw(NMLVCUSTOMDRAW& draw) {
    const DWORD stage = draw.nmcd.dwDrawStage;
    if (stage == CDDS_PREPAINT)
        return FShownGroup && FUpdateCount == 0 ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    if (!(stage & CDDS_ITEMPREPAINT) || !FShownGroup)
        return CDRF_DODEFAULT;
    const int index = static_cast<int>(draw.nmcd.dwItemSpec);
    if (index < 0 || index >= FShownGroup->Count())
        return CDRF_DODEFAULT;
    const TCursorItem& item = FShownGroup->Items(index);
    if (item.Status != isUsable)
        draw.clrText = ::GetSysColor(COLOR_GRAYTEXT);
    if (stage == CDDS_ITEMPREPAINT)
        return CDRF_NEWFONT | CDRF_NOTIFYSUBITEMDRAW;
    // A cell that means nothing for the item's status stays empty.
    return ItemColumnShown(item, draw.iSubItem) ? CDRF_NEWFONT : CDRF_SKIPDEFAULT;
}

void TfrmPlayList::IconIndexArrived(WPARAM index, LPARAM item) {
    const auto icon = static_cast<int>(static_cast<INT_PTR>(index));
    if (!FShownGroup || !item || icon < 0)
        return;
    const int position = FShownGroup->IndexOfItem(reinterpret_cast<const TCursorItem*>(item));
    if (position < 0)
        return; // another group's, or removed since
    RecordAt(*FShownGroup, position).IconIndex = icon;
    ListView_RedrawItems(FList, position, position);
}

void TfrmPlayList::lvGroupListSelectItem() {
    PostItemInfo();
}

// Selection changes come in bursts (select all, invert): one rebuild of the pane serves a burst.
void TfrmPlayList::PostItemInfo() noexcept {
    if (!FItemInfoPending)
        FItemInfoPending = ::PostMessageW(Handle(), WM_UPDATEITEMINFO, 0, 0) != FALSE;
}

std::vector<int> TfrmPlayList::SelectedIndexes() const {
    std::vector<int> indexes;
    for (int i = ListView_GetNextItem(FList, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(FList, i, LVNI_SELECTED))
        indexes.push_back(i);
    return indexes;
}

void TfrmPlayList::UpdateItemInfo() {
    FItemInfoPending = false;
    if (!FShownGroup)
        return;
    const std::vector<int> selected = SelectedIndexes();
    const size_t count = selected.size();
    std::wstring preview;
    if (count >= 2) {
        FInfoPane->SetTitle(FormatText(kSelectionCount, {std::to_wstring(count)}), false);
        const int room = (FInfoPane->ClientHeight() - FInfoPane->TitleBottom()) / FDpi(kNameLineHeight);
        std::wstring names;
        if (static_cast<int>(count) < room)
            for (int index : selected)
                names += std::wstring(ExtractFileName(RecordAt(*FShownGroup, index).FileName)) + L"\r\n";
        FInfoPane->SetItemInfo(names, true);
    } else if (count == 1) {
        const TCursorItem& item = FShownGroup->Items(selected[0]);
        FInfoPane->SetTitle(item.Title, true);
        std::wstring lines = std::wstring(ExtractFileName(item.FileName)) + L"\r\n" +
                             std::wstring(ExtractFilePath(item.FileName)) + L"\r\n";
        if (item.Status == isUsable)
            lines += L"ステップ:\t" + ItemColumnText(item, icSteps) + L"\r\n時間:\t" +
                     ItemColumnText(item, icTime) + L"\r\n";
        if (item.Status == isUnusable || item.Status == isUsable)
            lines += L"サイズ:\t" + ItemColumnText(item, icSize) + L"\r\n更新日時:\t" +
                     ItemColumnText(item, icDate) + L"\r\n";
        if (item.Status == isUsable)
            lines += L"作者:\t" + item.Author + L"\r\n";
        FInfoPane->SetItemInfo(lines, true);
        if (item.Status == isUsable)
            preview = item.FileName;
    } else {
        FInfoPane->SetTitle(kNoSelection, false);
        FInfoPane->SetItemInfo(L"", false);
    }
    FInfoPane->SetPreviewVisible(!preview.empty());
    FInfoPane->ArrangeInfoPane();
    ::UpdateWindow(FInfoPane->Handle());
    SetPreviewFile(preview);
}

void TfrmPlayList::BeginListUpdate() noexcept {
    if (FUpdateCount++ == 0)
        ::SendMessageW(FList, WM_SETREDRAW, FALSE, 0);
}

void TfrmPlayList::EndListUpdate() noexcept {
    if (FUpdateCount > 0 && --FUpdateCount == 0) {
        ::SendMessageW(FList, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(FList, nullptr, TRUE);
    }
}

void TfrmPlayList::SetListItemCount(int count) noexcept {
    ListView_SetItemCountEx(FList, count, LVSICF_NOINVALIDATEALL);
    ArrangeIcons();
    ::InvalidateRect(FList, nullptr, TRUE);
}

void TfrmPlayList::SetListViewStyle(int style) noexcept {
    FListViewStyle = style;
    ListView_SetView(FList, kListViews[style]);
    ArrangeIcons();
}

// The icon views place every item in the grid again (Wine keeps no places for owner-data items of its own).
void TfrmPlayList::ArrangeIcons() noexcept {
    if (FListViewStyle == 0 || FListViewStyle == 1)
        ListView_Arrange(FList, LVA_DEFAULT);
}

void TfrmPlayList::actListViewStyleExecute(const TAction& action) {
    SetListViewStyle(action.Tag);
}

void TfrmPlayList::actAddItemExecute(const TAction&) {
    if (!FShownGroup)
        return;
    const HWND focus = ::GetFocus();
    ScopeGuard refocus([&] { ::SetFocus(focus && ::IsWindow(focus) ? focus : FList); });
    std::vector<wchar_t> buffer(kOpenBufferLength, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = Handle();
    dialog.lpstrFilter = kOpenFilter;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = kOpenBufferLength;
    dialog.lpstrTitle = kOpenTitle;
    dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                   OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    const TModalLoop loop;
    if (!::GetOpenFileNameW(&dialog)) {
        if (::CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
            throw Exception(L"一度に選択したファイルが多すぎます。何回かに分けて追加してください。");
        return;
    }
    // One full name, or the folder followed by the names in it.
    std::vector<std::wstring> files;
    const wchar_t* part = buffer.data();
    const std::wstring first = part;
    for (part += first.size() + 1; *part; part += std::wcslen(part) + 1)
        files.push_back(first + (first.ends_with(L'\\') ? L"" : L"\\") + part);
    if (files.empty())
        files.push_back(first);

    const HCURSOR normal = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    BeginListUpdate();
    ScopeGuard end([&] {
        SetListItemCount(FShownGroup->Count());
        EndListUpdate();
        ::SetCursor(normal);
    });
    for (const auto& file : files)
        FShownGroup->AddItem(file);
}

void TfrmPlayList::RemoveSelectedItems() {
    if (!FShownGroup || ListView_GetSelectedCount(FList) == 0)
        return;
    BeginListUpdate();
    ScopeGuard end([&] { EndListUpdate(); });
    const std::vector<int> selected = SelectedIndexes();
    for (auto index = selected.rbegin(); index != selected.rend(); ++index)
        FShownGroup->DeleteItem(*index);
    SetListItemCount(FShownGroup->Count());
    ListView_SetItemState(FList, -1, 0, LVIS_SELECTED);
}

void TfrmPlayList::actPlaylistUpDownExecute(const TAction& action) {
    if (!FShownGroup || ListView_GetSelectedCount(FList) == 0)
        return;
    BeginListUpdate();
    ScopeGuard end([&] { EndListUpdate(); });
    const int count = ListView_GetItemCount(FList);
    const int step = action.Tag;
    auto selected = [&](int i) { return ListView_GetItemState(FList, i, LVIS_SELECTED) != 0; };
    for (int n = 0; n < count; ++n) {
        const int i = step <= 0 ? n : count - 1 - n;
        const int j = i + step;
        if (!selected(i) || j < 0 || j >= count || selected(j))
            continue;
        FShownGroup->ExchangeItems(i, j);
        ListView_SetItemState(FList, j, LVIS_SELECTED, LVIS_SELECTED);
        ListView_SetItemState(FList, i, 0, LVIS_SELECTED);
    }
}

void TfrmPlayList::actSelectAllExecute(const TAction&) {
    {
        BeginListUpdate();
        ScopeGuard end([&] { EndListUpdate(); });
        ListView_SetItemState(FList, -1, LVIS_SELECTED, LVIS_SELECTED);
    }
    ::SetFocus(FList);
}

void TfrmPlayList::actReverseSelectExecute(const TAction&) {
    {
        BeginListUpdate();
        ScopeGuard end([&] { EndListUpdate(); });
        const int count = ListView_GetItemCount(FList);
        for (int i = 0; i < count; ++i) {
            const bool selected = ListView_GetItemState(FList, i, LVIS_SELECTED) != 0;
            ListView_SetItemState(FList, i, selected ? 0 : LVIS_SELECTED, LVIS_SELECTED);
        }
    }
    ::SetFocus(FList);
}

void TfrmPlayList::actRefreshExecute(const TAction&) {
    if (!FShownGroup)
        return;
    BeginListUpdate();
    ScopeGuard end([&] {
        PostItemInfo();
        EndListUpdate();
    });
    std::vector<int> indexes = SelectedIndexes();
    if (indexes.empty())
        for (int i = 0; i < FShownGroup->Count(); ++i)
            indexes.push_back(i);
    for (int index : indexes)
        FShownGroup->RefreshItem(index);
}

void TfrmPlayList::actExitExecute(const TAction&) {
    Close();
}

// ---- dragging items to a group ----

void TfrmPlayList::lvGroupListStartDrag(const NMLISTVIEW& info) {
    if (!FShownGroup)
        return;
    FDragItems.clear();
    for (int index : SelectedIndexes())
        FDragItems.push_back(&RecordAt(*FShownGroup, index));
    if (FDragItems.empty())
        return;
    POINT origin{};
    FDragImage.reset(ListView_CreateDragImage(FList, info.iItem, &origin));
    POINT screen = info.ptAction;
    ::ClientToScreen(FList, &screen);
    RECT window{};
    ::GetWindowRect(Handle(), &window);
    if (FDragImage) {
        POINT grab = info.ptAction;
        ::ImageList_BeginDrag(FDragImage.get(), 0, grab.x - origin.x, grab.y - origin.y);
        ::ImageList_DragEnter(Handle(), screen.x - window.left, screen.y - window.top);
    }
    ::SetCapture(Handle());
}

// Ends a drag of items, dropped or not; the dragged items are forgotten.
void TfrmPlayList::EndItemDrag() noexcept {
    if (FDragImage) {
        ::ImageList_DragLeave(Handle());
        ::ImageList_EndDrag();
        FDragImage.reset();
    }
    TreeView_SelectDropTarget(FTree, nullptr);
    FDragItems.clear();
    if (::GetCapture() == Handle())
        ::ReleaseCapture();
}

} // namespace dovex
