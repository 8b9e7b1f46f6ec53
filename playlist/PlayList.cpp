#include "playlist/PlayList.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdint>
#include <span>

#include "base/Dialog.h"
#include "base/ErrorBox.h"
#include "base/Exception.h"
#include "base/Gdi.h"
#include "base/OwnedForm.h"
#include "base/SystemError.h"
#include "base/Text.h"
#include "model/PlayListCtrls.h"
#include "model/RegistryEx.h"
#include "model/SaverMessages.h"
#include "playlist/IconIndexThread.h"
#include "playlist/PlayListIds.h"
#include "playlist/PlayListText.h"
#include "resources/ResourceIds.h"

namespace dovex {

namespace {

constexpr wchar_t kCategoryPlayList[] = L"プレイリスト";
constexpr wchar_t kCategoryEdit[] = L"編集";
constexpr wchar_t kCategoryView[] = L"表示";

} // namespace

// clang-format off
const TfrmPlayList::TAction TfrmPlayList::kActions[] = {
    {IDA_ADDGROUP, kCategoryPlayList, L"グループの追加(&G)", 0, 0, nullptr, 0,
     L"グループの追加|新しくグループを作成します。", 0, &TfrmPlayList::actAddGroupExecute},
    {IDA_FOLDERGROUP, kCategoryPlayList, L"フォルダーからグループを作成(&F)...", 0, 0, nullptr, -1,
     L"カーソルパックのフォルダーから、そのカーソルのグループを作成します。", 0, &TfrmPlayList::actFolderGroupExecute},
    {IDA_SCHEMEGROUP, kCategoryPlayList, L"スキームからグループを作成(&S)...", 0, 0, nullptr, -1,
     L"システムのカーソル スキームから、そのアニメーションカーソルのグループを作成します。", 0,
     &TfrmPlayList::actSchemeGroupExecute},
    {IDA_ADDITEM, kCategoryPlayList, L"カーソルの追加(&A)", 0, 0, nullptr, 1,
     L"カーソルの追加|グループにカーソルを追加します。", 0, &TfrmPlayList::actAddItemExecute},
    {IDA_PLAYLISTDELETE, kCategoryPlayList, L"削除(&D)", 0, 0, nullptr, 3,
     L"削除|選択したグループ、またはカーソルを削除します。", 0, &TfrmPlayList::actPlayListDeleteExecute},
    {IDA_RENAMEGROUP, kCategoryPlayList, L"グループ名の変更(&N)", 0, VK_F2, L"F2", -1,
     L"選択したグループの名称を変更します。", 0, &TfrmPlayList::actRenameGroupExecute},
    {IDA_EXIT, kCategoryPlayList, L"閉じる(&C)", 0, 0, nullptr, -1,
     L"このウィンドを閉じます。", 0, &TfrmPlayList::actExitExecute},
    {IDA_PLAYLISTUP, kCategoryEdit, L"上へ(&U)", FALT, VK_UP, L"Alt+Up", 6,
     L"上へ|選択したカーソルの順番を上へ移動します。", -1, &TfrmPlayList::actPlaylistUpDownExecute},
    {IDA_PLAYLISTDOWN, kCategoryEdit, L"下へ(&D)", FALT, VK_DOWN, L"Alt+Down", 7,
     L"下へ|選択したカーソルの順番を下へ移動します。", 1, &TfrmPlayList::actPlaylistUpDownExecute},
    {IDA_SELECTALL, kCategoryEdit, L"全て選択(&A)", FCONTROL, 'A', L"Ctrl+A", -1,
     L"全て選択|全てのカーソルを選択状態にします。", 0, &TfrmPlayList::actSelectAllExecute},
    {IDA_REVERSESELECT, kCategoryEdit, L"選択の切り替え(&I)", 0, 0, nullptr, -1,
     L"選択の切り替え|カーソルの選択状態を反転させます。", 0, &TfrmPlayList::actReverseSelectExecute},
    {IDA_LISTLARGEICON, kCategoryView, L"大きいアイコン(&G)", 0, 0, nullptr, -1,
     L"プレイリストを大きいアイコンで表示します。", 0, &TfrmPlayList::actListViewStyleExecute},
    {IDA_LISTSMALLICON, kCategoryView, L"小さいアイコン(&M)", 0, 0, nullptr, -1,
     L"プレイリストを小さいアイコンで表示します。", 1, &TfrmPlayList::actListViewStyleExecute},
    {IDA_LISTLIST, kCategoryView, L"一覧(&L)", 0, 0, nullptr, -1,
     L"プレイリストを一覧形式で表示します。", 2, &TfrmPlayList::actListViewStyleExecute},
    {IDA_LISTREPORT, kCategoryView, L"詳細(&D)", 0, 0, nullptr, -1,
     L"プレイリストを詳細形式で表示します。", 3, &TfrmPlayList::actListViewStyleExecute},
    {IDA_REFRESH, kCategoryView, L"最新の情報に更新(&R)", 0, VK_F5, L"F5", 4,
     L"更新|プレイリストを最新の状態に更新します。", 0, &TfrmPlayList::actRefreshExecute},
    {IDA_BKGNDCOLOR, kCategoryView, L"プレビューの背景色(&B)...", 0, 0, nullptr, -1,
     L"カーソルプレビューの背景色を設定します。", 0, &TfrmPlayList::actBkGndColorExecute},
    {IDA_PREVIEWPLAY, L"", L"再生", 0, 0, nullptr, 9, L"再生|カーソルを再生表示します。", 0, nullptr},
    {IDA_PREVIEWPAUSE, L"", L"一時停止", 0, 0, nullptr, 10, L"一時停止|再生を一時停止します。", 0, nullptr},
    {IDA_PREVIEWSTOP, L"", L"停止", 0, 0, nullptr, 11, L"停止|再生を停止します。", 0, nullptr},
};
// clang-format on

namespace {

// Entries of the menus: commands of the action table, separators, and the sub-menu of view styles.
constexpr UINT kSeparator = 0;
constexpr UINT kViewStyleSubMenu = 1;
constexpr wchar_t kCancelCaption[] = L"キャンセル";
constexpr wchar_t kViewStyleCaption[] = L"表示(&V)";
constexpr int kViewStyleImage = 5;

struct TMenuPopup {
    const wchar_t* Caption;
    std::initializer_list<UINT> Items;
};
const TMenuPopup kMainMenu[] = {
    {L"プレイリスト(&P)",
     {IDA_ADDGROUP, IDA_FOLDERGROUP, IDA_SCHEMEGROUP, IDA_ADDITEM, kSeparator, IDA_PLAYLISTDELETE,
      IDA_RENAMEGROUP, kSeparator, IDA_EXIT}},
    {L"編集(&E)", {IDA_PLAYLISTUP, IDA_PLAYLISTDOWN, kSeparator, IDA_SELECTALL, IDA_REVERSESELECT}},
    {L"表示(&V)",
     {IDA_BKGNDCOLOR, kSeparator, IDA_LISTLARGEICON, IDA_LISTSMALLICON, IDA_LISTLIST, IDA_LISTREPORT,
      kSeparator, IDA_REFRESH}},
};
constexpr UINT kGroupsMenu[] = {IDA_ADDGROUP,    IDA_FOLDERGROUP, IDA_SCHEMEGROUP, IDA_PLAYLISTDELETE,
                                IDA_RENAMEGROUP, kSeparator,      IDA_CANCELMENU};
constexpr UINT kItemsMenu[] = {kViewStyleSubMenu, kSeparator,    IDA_ADDITEM,       IDA_PLAYLISTDELETE,
                               kSeparator,        IDA_SELECTALL, IDA_REVERSESELECT, IDA_REFRESH,
                               kSeparator,        IDA_CANCELMENU};
constexpr UINT kViewStyles[] = {IDA_LISTLARGEICON, IDA_LISTSMALLICON, IDA_LISTLIST, IDA_LISTREPORT};

// Tool buttons, left to right: commands, separators, and two buttons of their own.
struct TToolButton {
    UINT Id;
    const wchar_t* Caption; // for buttons that are no command of the table
    int Image;
};
const TToolButton kToolButtons[] = {
    {IDA_ADDGROUP, nullptr, 0},
    {IDA_ADDITEM, nullptr, 1},
    {kSeparator, nullptr, 0},
    {IDA_PLAYLISTDELETE, nullptr, 3},
    {IDA_PROPERTY, L"プロパティ(&R)", 2},
    {kSeparator, nullptr, 0},
    {IDA_REFRESH, nullptr, 4},
    {IDA_LISTVIEWSTYLE, kViewStyleCaption, kViewStyleImage},
    {kSeparator, nullptr, 0},
    {IDA_PLAYLISTUP, nullptr, 6},
    {IDA_PLAYLISTDOWN, nullptr, 7},
};

// The list view's views, in the order of the view-style commands' tags.
constexpr int kListViewCount = 4;

// A caption without its mnemonic mark: "表示(&V)" is "表示".
std::wstring PlainCaption(const wchar_t* caption) {
    std::wstring text(caption);
    if (const size_t mark = text.find(L"(&"); mark != std::wstring::npos)
        text.erase(mark, 4);
    text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
    return text;
}

HWND CreateControl(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent, int id) {
    const HWND control = ::CreateWindowExW(exStyle, className, nullptr, WS_CHILD | WS_VISIBLE | style, 0, 0,
                                           0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                           ::GetModuleHandleW(nullptr), nullptr);
    if (!control)
        ThrowLastError(L"プレイリストの管理ウィンドウの部品を作成できません");
    return control;
}

} // namespace

const TfrmPlayList::TAction* TfrmPlayList::FindAction(UINT command) noexcept {
    for (const auto& action : kActions)
        if (action.Id == command)
            return &action;
    return nullptr;
}

// ---- creation ----

TfrmPlayList::TfrmPlayList(HWND owner, IPlayListHost& host, std::wstring playlistKey)
    : FOwner(owner), FHost(&host), FPlaylistKey(std::move(playlistKey)) {
    CreateHandle(kClassName, kCaption, (WS_OVERLAPPEDWINDOW & ~WS_MINIMIZEBOX) | WS_CLIPCHILDREN, 0, nullptr,
                 ::LoadIconW(::GetModuleHandleW(nullptr), L"MAINICON"));
    FDpi = TDpiScale::ForWindow(Handle());
    FCustomColors.fill(RGB(255, 255, 255));
    CreateControls();
    FormCreate();
    Layout();
    // Its shortcuts and Tab between its controls, through the message loop's one pre-translation path.
    RegisterModeless(Handle(), [this](MSG& msg) { return PreTranslateMessage(msg); });
}

TfrmPlayList::~TfrmPlayList() {
    UnregisterModeless(Handle());
    // The window goes first, while everything its messages use still exists.
    DestroyHandle();
}

void TfrmPlayList::CreateControls() {
    FToolBar = CreateControl(TOOLBARCLASSNAMEW, TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, Handle(),
                             IDC_PL_TOOLBAR);
    FTree = CreateControl(WC_TREEVIEWW, WS_TABSTOP | TVS_EDITLABELS | TVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE,
                          Handle(), IDC_PL_TREE);
    FInfoPane = std::make_unique<TInfoPane>(Handle(), IDC_PL_INFOPANE, Handle(),
                                            static_cast<IPreviewPaneHost&>(*this), FDpi);
    FList = CreateControl(WC_LISTVIEWW,
                          WS_TABSTOP | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS |
                              LVS_AUTOARRANGE | LVS_REPORT,
                          0, Handle(), IDC_PL_LIST);
    FStatusBar = CreateControl(STATUSCLASSNAMEW, SBARS_SIZEGRIP, 0, Handle(), IDC_PL_STATUSBAR);
    ::SendMessageW(FStatusBar, SB_SIMPLE, TRUE, 0);
    ListView_SetExtendedListViewStyle(FList, LVS_EX_DOUBLEBUFFER);
    struct TColumn {
        const wchar_t* Caption;
        int Width;
        bool Right;
    };
    static constexpr TColumn kColumns[kItemColumnCount] = {
        {L"タイトル", 150, false},   {L"ステップ数", 60, true}, {L"時間", 70, true},
        {L"ファイル名", 180, false}, {L"サイズ", 60, true},     {L"更新日時", 110, false},
        {L"作者", 110, false},
    };
    for (int i = 0; i < kItemColumnCount; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = kColumns[i].Right ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = FDpi(kColumns[i].Width);
        column.pszText = const_cast<wchar_t*>(kColumns[i].Caption);
        column.iSubItem = i;
        ListView_InsertColumn(FList, i, &column);
    }
    ApplyDpi();
    CreateToolBar();
    CreateMenus();
    CreateAccelerators();
}

// Fonts and pictures at the window's DPI.
void TfrmPlayList::ApplyDpi() {
    FFont = FDpi.MessageFont();
    for (HWND control : {FToolBar, FTree, FList, FStatusBar})
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.get()), TRUE);
    const int size = FDpi.Metric(SM_CXSMICON);
    UniqueImageList images(
        ::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, IDI_PLAYLIST_IMAGE_COUNT, 0));
    if (!images)
        throw Exception(L"プレイリストの管理ウィンドウの画像を作成できません");
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    for (int i = 0; i < IDI_PLAYLIST_IMAGE_COUNT; ++i) {
        UniqueHIcon icon(static_cast<HICON>(::LoadImageW(
            instance, MAKEINTRESOURCEW(IDI_PLAYLIST_IMAGE_FIRST + i), IMAGE_ICON, size, size, 0)));
        ::ImageList_AddIcon(images.get(), icon.get());
        FMenuBitmaps[static_cast<size_t>(i)] = MenuBitmap(icon.get(), size, size);
    }
    const int groupSize = FDpi(32);
    const bool groupPictureShown = FInfoPane->GroupPictureShown();
    FGroupPicture.reset(static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_PLAYLIST_GROUP), IMAGE_ICON, groupSize, groupSize, 0)));
    ::SendMessageW(FToolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
    ::SendMessageW(FToolBar, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
    TreeView_SetImageList(FTree, images.get(), TVSIL_NORMAL);
    FInfoPane->PreviewPane().SetImages(images.get());
    TreeView_SetIndent(FTree, FDpi(35));
    FToolBarImages = std::move(images);
    FInfoPane->SetDpi(FDpi);
    if (groupPictureShown)
        FInfoPane->SetGroupPicture(FGroupPicture.get());
    if (FMainMenu) {
        for (HMENU menu : {FMainMenu.get(), FGroupsMenu.get(), FItemsMenu.get()})
            UpdateMenu(menu);
        ::DrawMenuBar(Handle());
    }
}

void TfrmPlayList::CreateToolBar() {
    ::SendMessageW(FToolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageW(FToolBar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    std::vector<TBBUTTON> buttons;
    for (const auto& b : kToolButtons) {
        TBBUTTON button{};
        button.iString = -1;
        if (b.Id == kSeparator) {
            button.fsStyle = BTNS_SEP;
        } else {
            button.iBitmap = b.Image;
            button.idCommand = static_cast<int>(b.Id);
            button.fsStyle = BTNS_BUTTON | (b.Id == IDA_LISTVIEWSTYLE ? BTNS_WHOLEDROPDOWN : 0);
            const TAction* action = FindAction(b.Id);
            const bool runs = b.Id == IDA_LISTVIEWSTYLE || (action && action->OnExecute);
            button.fsState = runs ? TBSTATE_ENABLED : 0;
        }
        buttons.push_back(button);
    }
    ::SendMessageW(FToolBar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageW(FToolBar, TB_AUTOSIZE, 0, 0);
}

void TfrmPlayList::CreateMenus() {
    auto append = [&](HMENU menu, UINT id) {
        if (id == kSeparator) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            return;
        }
        if (id == IDA_CANCELMENU) {
            ::AppendMenuW(menu, MF_STRING, id, kCancelCaption);
            return;
        }
        const TAction& action = *FindAction(id);
        std::wstring caption = action.Caption;
        if (action.ShortcutText)
            caption += std::wstring(L"\t") + action.ShortcutText;
        ::AppendMenuW(menu, MF_STRING, id, caption.c_str());
    };
    auto popup = [&](std::span<const UINT> items) {
        HMENU menu = ::CreatePopupMenu();
        for (UINT id : items)
            append(menu, id);
        return menu;
    };
    FMainMenu.reset(::CreateMenu());
    for (const auto& p : kMainMenu)
        ::AppendMenuW(FMainMenu.get(), MF_POPUP,
                      reinterpret_cast<UINT_PTR>(popup({p.Items.begin(), p.Items.size()})), p.Caption);
    FGroupsMenu.reset(::CreatePopupMenu());
    for (UINT id : kGroupsMenu)
        append(FGroupsMenu.get(), id);
    FItemsMenu.reset(::CreatePopupMenu());
    for (UINT id : kItemsMenu) {
        if (id != kViewStyleSubMenu) {
            append(FItemsMenu.get(), id);
            continue;
        }
        FViewStyleMenu = popup(kViewStyles);
        ::AppendMenuW(FItemsMenu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(FViewStyleMenu),
                      kViewStyleCaption);
    }
    for (HMENU menu : {FMainMenu.get(), FGroupsMenu.get(), FItemsMenu.get()})
        UpdateMenu(menu);
    if (!::SetMenu(Handle(), FMainMenu.get()))
        ThrowLastError(L"プレイリストの管理ウィンドウのメニューを作成できません");
}

void TfrmPlayList::CreateAccelerators() {
    std::vector<ACCEL> keys;
    for (const auto& action : kActions)
        if (action.Key)
            keys.push_back(ACCEL{static_cast<BYTE>(FVIRTKEY | action.Modifiers), action.Key,
                                 static_cast<WORD>(action.Id)});
    keys.push_back(ACCEL{FVIRTKEY, VK_DELETE, static_cast<WORD>(IDA_PLAYLISTDELETE)});
    FAccelerators.reset(::CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size())));
    if (!FAccelerators)
        ThrowLastError(L"プレイリストの管理ウィンドウのショートカットを作成できません");
}

void TfrmPlayList::FormCreate() {
    FProperty = std::make_unique<TPlayListProperty>(FPlaylistKey);
    FIconThread = std::make_unique<TIconIndexThread>(Handle());

    FGroupViewWidth = std::max(FProperty->GroupViewWidth(), kMinTreeWidth);
    SetListViewStyle(FProperty->ListViewStyle() < kListViewCount ? FProperty->ListViewStyle() : 0);
    FInfoPane->PreviewPane().SetColor(FProperty->PreviewBackgroundColor());
    ApplyFormBounds();

    SHFILEINFOW info{};
    const auto small = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(L"*.ani", FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                         SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    FDefaultIconIndex = small ? info.iIcon : -1;
    const auto large = reinterpret_cast<HIMAGELIST>(::SHGetFileInfoW(
        L"*.ani", FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX));
    ListView_SetImageList(FList, small, LVSIL_SMALL);
    ListView_SetImageList(FList, large, LVSIL_NORMAL);

    FDropTarget.SetTargetWnd(Handle());
    FDropTarget.OnDragOver = [this](DWORD, POINT point, DWORD) { DropTarget1DragOver(point); };
    FDropTarget.OnDragLeave = [this] { DropTarget1DragLeave(); };
    FDropTarget.OnDropFiles = [this](const std::vector<std::wstring>& files, POINT point, DWORD) {
        DropTarget1DropFiles(files, point);
    };
    FDropTarget.SetActive(true);

    FInfoPane->SetTitle(L"", false);
    LoadGroups();
    for (const auto& group : FGroups)
        AddGroupNode(*group);
    if (HTREEITEM first = TreeView_GetRoot(FTree))
        TreeView_SelectItem(FTree, first);
    FInfoPane->PreviewPane().tbtnZoomClick(); // the view's unzoomed size
}

void TfrmPlayList::ApplyFormBounds() {
    const TFormBounds& stored = FProperty->FormBounds();
    // Bounds that lie on no monitor any more would leave the window out of reach; so would bounds whose
    // right or bottom edge no coordinate can hold.
    const int64_t right = int64_t{stored.Left} + stored.Width, bottom = int64_t{stored.Top} + stored.Height;
    const bool representable = right <= INT32_MAX && bottom <= INT32_MAX;
    RECT bounds{stored.Left, stored.Top, static_cast<LONG>(representable ? right : stored.Left),
                static_cast<LONG>(representable ? bottom : stored.Top)};
    if (representable && stored.Width > 0 && stored.Height > 0 &&
        ::MonitorFromRect(&bounds, MONITOR_DEFAULTTONULL)) {
        ::SetWindowPos(Handle(), nullptr, stored.Left, stored.Top, stored.Width, stored.Height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    // The designed size, centred on the monitor that has the pointer.
    POINT pointer{};
    ::GetCursorPos(&pointer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = std::min<int>(FDpi(kDesignWidth), work.right - work.left);
    const int height = std::min<int>(FDpi(kDesignHeight), work.bottom - work.top);
    ::SetWindowPos(Handle(), nullptr, work.left + (work.right - work.left - width) / 2,
                   work.top + (work.bottom - work.top - height) / 2, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmPlayList::LoadGroups() {
    FGroups.clear();
    TRegistryEx reg;
    if (!reg.OpenKey(FPlaylistKey, true))
        return;
    const auto names = reg.GetKeyNames();
    reg.CloseKey();
    for (const auto& name : names)
        FGroups.push_back(TCursorGroupCtrl::Create(name, FPlaylistKey));
}

void TfrmPlayList::Show() {
    ::ShowWindow(Handle(), SW_SHOW);
    ::SetForegroundWindow(Handle());
    if (!::GetFocus() || !::IsChild(Handle(), ::GetFocus()))
        ::SetFocus(FTree);
}

// ---- layout ----

void TfrmPlayList::Layout() {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    ::SendMessageW(FToolBar, TB_AUTOSIZE, 0, 0);
    ::SendMessageW(FStatusBar, WM_SIZE, 0, 0);
    RECT bar{};
    ::GetWindowRect(FToolBar, &bar);
    const int top = bar.bottom - bar.top;
    ::GetWindowRect(FStatusBar, &bar);
    const int bottom = std::max<int>(top, client.bottom - (bar.bottom - bar.top));
    const int height = bottom - top;

    const int splitter = FDpi(kSplitterWidth);
    const int minTree = FDpi(kMinTreeWidth);
    const int treeWidth =
        std::clamp(FDpi(FGroupViewWidth), minTree,
                   std::max<int>(minTree, client.right - splitter - FDpi(kMinListBaseWidth)));
    const int baseLeft = treeWidth + splitter;
    const int baseWidth = std::max<int>(0, client.right - baseLeft);
    const int paneWidth = std::min(FDpi(kInfoPaneWidth), std::max(0, baseWidth - 2));

    HDWP positions = ::BeginDeferWindowPos(3);
    auto place = [&](HWND window, int x, int y, int width, int h) {
        if (positions)
            positions = ::DeferWindowPos(positions, window, nullptr, x, y, std::max(width, 0), std::max(h, 0),
                                         SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(FTree, 0, top, treeWidth, height);
    // The list base: a one-pixel frame around the pane and the list.
    place(FInfoPane->Handle(), baseLeft + 1, top + 1, paneWidth, height - 2);
    place(FList, baseLeft + 1 + paneWidth, top + 1, baseWidth - 2 - paneWidth, height - 2);
    if (positions)
        ::EndDeferWindowPos(positions);
    ::InvalidateRect(Handle(), nullptr, TRUE);
    if (TreeView_GetCount(FTree) == 0)
        ::InvalidateRect(FTree, nullptr, TRUE); // the hint stays centred
}

RECT TfrmPlayList::SplitterRect() const noexcept {
    RECT tree{};
    ::GetWindowRect(FTree, &tree);
    ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&tree), 2);
    return RECT{tree.right, tree.top, tree.right + FDpi(kSplitterWidth), tree.bottom};
}

void TfrmPlayList::EraseBackground(HDC dc) noexcept {
    FillClient(Handle(), dc, ::GetSysColorBrush(COLOR_BTNFACE));
}

void TfrmPlayList::Paint() {
    TPaintDC paint(Handle());
    const HDC dc = paint.get();
    RECT pane{}, list{};
    ::GetWindowRect(FInfoPane->Handle(), &pane);
    ::GetWindowRect(FList, &list);
    RECT frame{pane.left - 1, pane.top - 1, list.right + 1, list.bottom + 1};
    ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&frame), 2);
    ::FrameRect(dc, &frame, ::GetSysColorBrush(COLOR_BTNSHADOW));
}

void TfrmPlayList::MinMaxInfo(MINMAXINFO& info) const noexcept {
    info.ptMinTrackSize.x = FDpi(kMinTreeWidth + kSplitterWidth + kMinListBaseWidth + 20);
    info.ptMinTrackSize.y = FDpi(240);
}

void TfrmPlayList::DpiChanged(UINT dpi, const RECT& suggested) {
    const UINT old = FDpi.Dpi();
    FDpi = TDpiScale(dpi);
    for (int i = 0; i < kItemColumnCount; ++i)
        ListView_SetColumnWidth(FList, i, ::MulDiv(ListView_GetColumnWidth(FList, i), dpi, old));
    ApplyDpi();
    ::SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}

void TfrmPlayList::ShownWindow() {
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// ---- splitter ----

// The status bar shows the hint of a tool button or of a control with a hint of its own: over any other
// part of the window it goes.
void TfrmPlayList::PointerOver(HWND window) {
    // Only where the pointer is now: a late message of a control it has left says nothing.
    POINT pointer{};
    ::GetCursorPos(&pointer);
    const HWND under = ::WindowFromPoint(pointer);
    if (const wchar_t* hint = FInfoPane->SaverOperation().StatusHint(window); hint && under == window) {
        ShowStatusText(hint);
        FStatusHintControl = window;
        return;
    }
    if (window == FToolBar || (FStatusCommand == 0 && !FStatusHintControl))
        return;
    if (under != FToolBar && under != FStatusHintControl)
        ShowStatusHint(0);
}

bool TfrmPlayList::SetSplitterCursor() noexcept {
    POINT pointer{};
    ::GetCursorPos(&pointer);
    ::ScreenToClient(Handle(), &pointer);
    const RECT splitter = SplitterRect();
    if (!FSplitterDragging && !::PtInRect(&splitter, pointer))
        return false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
    return true;
}

void TfrmPlayList::MouseDown(POINT client) {
    const RECT splitter = SplitterRect();
    if (!::PtInRect(&splitter, client))
        return;
    FSplitterDragging = true;
    FSplitterGrab = client.x - splitter.left;
    ::SetCapture(Handle());
}

void TfrmPlayList::MouseMove(POINT client) {
    if (!FDragItems.empty()) {
        POINT screen = client;
        ::ClientToScreen(Handle(), &screen);
        RECT window{};
        ::GetWindowRect(Handle(), &window);
        ::ImageList_DragMove(screen.x - window.left, screen.y - window.top);
        const HTREEITEM node = NodeAt(client);
        ::ImageList_DragShowNolock(FALSE);
        if (node)
            TreeView_SelectDropTarget(FTree, node);
        ::ImageList_DragShowNolock(TRUE);
        ::SetCursor(::LoadCursorW(nullptr, node ? IDC_ARROW : IDC_NO));
        return;
    }
    if (!FSplitterDragging)
        return;
    // Live: the panes follow the pointer.
    FGroupViewWidth = std::max(kMinTreeWidth, FDpi.Unscale(client.x - FSplitterGrab));
    Layout();
    if (TreeView_GetCount(FTree) == 0)
        ::InvalidateRect(FTree, nullptr, TRUE);
}

void TfrmPlayList::MouseUp(POINT client) {
    if (!FDragItems.empty()) {
        const HTREEITEM node = NodeAt(client);
        std::vector<TCursorItem*> items = std::exchange(FDragItems, {});
        EndItemDrag();
        if (node)
            DragItemsOnto(node, items);
        return;
    }
    if (FSplitterDragging) {
        MouseMove(client);
        FSplitterDragging = false;
        ::ReleaseCapture();
    }
}

// ---- closing ----

void TfrmPlayList::Close() noexcept {
    if (FClosing || !SaveBeforeClosing())
        return;
    try {
        FormCloseQuery();
    } catch (...) {
        ShowCurrentException(nullptr);
    }
    ::PostMessageW(FOwner, WM_FORMCLOSED, 0, 0);
}

bool TfrmPlayList::SaveBeforeClosing() noexcept {
    std::vector<std::wstring> unsaved;
    for (const auto& group : FGroups) {
        try {
            if (group->SaveIfModified())
                FModified = true;
        } catch (...) {
        }
        if (group->Modified())
            unsaved.push_back(L"「" + group->Name() + L"」");
    }
    if (FModified)
        ::PostMessageW(FOwner, WM_SAVERRELOAD, RELOAD_PLAYLIST, 0);
    if (unsaved.empty() || FUnsavedWarned)
        return true;
    FUnsavedWarned = true;
    std::wstring names;
    for (const auto& name : unsaved)
        names += name;
    ShowErrorBox(Handle(), FormatText(L"グループ%sを保存できませんでした。\n"
                                      L"もう一度閉じると、これらのグループの変更は失われます。",
                                      {names}));
    return false;
}

void TfrmPlayList::FormCloseQuery() {
    FClosing = true;
    ::ShowWindow(Handle(), SW_HIDE);
    FProperty->SetColors(plcPreviewBackground, FInfoPane->PreviewPane().Color());
    FProperty->SetListViewStyle(static_cast<uint8_t>(FListViewStyle));
    FProperty->SetGroupViewWidth(FGroupViewWidth);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    RECT bounds{};
    ::GetWindowRect(Handle(), &bounds);
    if (::IsZoomed(Handle()) && ::GetWindowPlacement(Handle(), &placement)) {
        // The normal place, in work area coordinates.
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        ::GetMonitorInfoW(::MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST), &monitor);
        bounds = placement.rcNormalPosition;
        ::OffsetRect(&bounds, monitor.rcWork.left - monitor.rcMonitor.left,
                     monitor.rcWork.top - monitor.rcMonitor.top);
    }
    FProperty->SetFormBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    FProperty->Save();
}

void TfrmPlayList::FormDestroy() noexcept {
    FDestroying = true;
    ::SetMenu(Handle(), nullptr); // the menu is the window's member's to free, not the system's
    FDropTarget.SetActive(false);
    if (FIconThread) {
        FIconThread->Shutdown();
        FIconThread.reset(); // waits for the file in progress
    }
    try {
        FHost->PlayListDestroyed();
    } catch (...) {
        ShowCurrentException(nullptr);
    }
}

// ---- messages ----

LRESULT TfrmPlayList::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const POINT mouse{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // clang-format off
    switch (msg) {
    case WM_SIZE:             Layout(); return 0;
    case WM_DPICHANGED:       DpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_GETMINMAXINFO:    MinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam)); return 0;
    case WM_COMMAND:          Execute(LOWORD(wParam)); return 0;
    case WM_NOTIFY:           return Notify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_INITMENUPOPUP:    UpdateMenu(reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_MENUSELECT:       MenuSelect(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_EXITMENULOOP:     ShowStatusHint(0); return 0;
    case WM_CONTEXTMENU:      ShowPopupMenu(reinterpret_cast<HWND>(wParam), lParam); return 0;
    case WM_SETCURSOR:        PointerOver(reinterpret_cast<HWND>(wParam)); if (SetSplitterCursor()) return TRUE; break;
    case WM_LBUTTONDOWN:      MouseDown(mouse); return 0;
    case WM_MOUSEMOVE:        MouseMove(mouse); return 0;
    case WM_LBUTTONUP:        MouseUp(mouse); return 0;
    case WM_CAPTURECHANGED:   FSplitterDragging = false; EndItemDrag(); return 0;
    case WM_ERASEBKGND:       EraseBackground(reinterpret_cast<HDC>(wParam)); return 1;
    case WM_PAINT:            Paint(); return 0;
    case WM_WINDOWPOSCHANGED: if (reinterpret_cast<WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW) ShownWindow(); break;
    case WM_ICONINDEX:        IconIndexArrived(wParam, lParam); return 0;
    case WM_UPDATEITEMINFO:   UpdateItemInfo(); return 0;
    case WM_LOADPREVIEW:      LoadPreview(); return 0;
    case WM_DROPFOLDERS:      DroppedFolders(); return 0;
    case WM_CLOSE:            Close(); return 0;
    case WM_DESTROY:          FormDestroy(); return 0;
    }
    // clang-format on
    return DefaultHandler(msg, wParam, lParam);
}

LRESULT TfrmPlayList::Notify(NMHDR& header) {
    if (FDestroying)
        return 0;
    // clang-format off
    switch (header.idFrom) {
    case IDC_PL_TREE:    return tvGroupNotify(header);
    case IDC_PL_LIST:    return lvGroupListNotify(header);
    case IDC_PL_TOOLBAR: return tbMenuNotify(header);
    }
    // clang-format on
    // Tool tips of the tool bar come from its tool tip control, by command id.
    if (header.code == TTN_GETDISPINFOW)
        return tbMenuNotify(header);
    return 0;
}

bool TfrmPlayList::PreTranslateMessage(MSG& msg) {
    if (!Handle() || (msg.hwnd != Handle() && !::IsChild(Handle(), msg.hwnd)))
        return false;
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN && msg.message != WM_SYSCHAR)
        return false;
    // A text box keeps its own keys (Delete, Ctrl+A, F2); a label being edited keeps Tab as well.
    wchar_t className[32] = {};
    const HWND focus = ::GetFocus();
    const bool editing = focus && ::GetClassNameW(focus, className, 32) && _wcsicmp(className, L"Edit") == 0;
    const bool labelEditing =
        editing && (focus == TreeView_GetEditControl(FTree) || focus == ListView_GetEditControl(FList));
    // Alt with a label's mnemonic, as a dialog takes it: from the character, so that the key itself has
    // reached the window and the Alt key's release opens no menu.
    if (msg.message == WM_SYSCHAR)
        return !labelEditing && FInfoPane->SaverOperation().FocusMnemonic(static_cast<wchar_t>(msg.wParam));
    if (!FDragItems.empty() && msg.wParam == VK_ESCAPE) {
        EndItemDrag();
        return true;
    }
    // A number box keeps its text keys (Delete, Ctrl+A), but the window's function keys and Alt shortcuts
    // (F2, F5, Alt+Up/Down) work from it too.
    const bool windowKey = msg.message == WM_SYSKEYDOWN || (msg.wParam >= VK_F1 && msg.wParam <= VK_F24);
    if ((!editing || (!labelEditing && windowKey)) &&
        ::TranslateAcceleratorW(Handle(), FAccelerators.get(), &msg))
        return true;
    // The menu key, or Shift+F10, opens the menu of the tree or the list at its selection.
    const bool shift = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
    if (!editing && (msg.wParam == VK_APPS || (msg.wParam == VK_F10 && shift)) &&
        (focus == FTree || focus == FList)) {
        ShowPopupMenu(focus, -1);
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && !labelEditing &&
        !(::GetKeyState(VK_CONTROL) & 0x8000) && !(::GetKeyState(VK_MENU) & 0x8000)) {
        if (const HWND next = ::GetNextDlgTabItem(Handle(), focus, shift))
            ::SetFocus(next);
        return true;
    }
    return false;
}

// ---- commands, menus, tool bar ----

void TfrmPlayList::Execute(UINT command) {
    if (command == IDA_LISTVIEWSTYLE) {
        RECT button{};
        ::SendMessageW(FToolBar, TB_GETRECT, IDA_LISTVIEWSTYLE, reinterpret_cast<LPARAM>(&button));
        ::MapWindowPoints(FToolBar, nullptr, reinterpret_cast<POINT*>(&button), 2);
        UpdateMenu(FViewStyleMenu);
        ::TrackPopupMenu(FViewStyleMenu, TPM_LEFTALIGN | TPM_TOPALIGN, button.left, button.bottom, 0,
                         Handle(), nullptr);
        return;
    }
    const TAction* action = FindAction(command);
    if (action && action->OnExecute)
        (this->*action->OnExecute)(*action);
}

bool TfrmPlayList::ActionChecked(UINT command) const noexcept {
    const TAction* action = FindAction(command);
    return action && action->OnExecute == &TfrmPlayList::actListViewStyleExecute &&
           action->Tag == FListViewStyle;
}

// Check marks, pictures and what may run, just before a menu opens.
void TfrmPlayList::UpdateMenu(HMENU menu) noexcept {
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_ID | MIIM_FTYPE | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, i, TRUE, &item) || (item.fType & MFT_SEPARATOR))
            continue;
        if (item.hSubMenu) {
            // Pictures are replaced when the DPI changes: no entry may keep one that is gone.
            if (item.hSubMenu == FViewStyleMenu) {
                item.fMask = MIIM_BITMAP;
                item.hbmpItem = static_cast<HBITMAP>(FMenuBitmaps[kViewStyleImage].get());
                ::SetMenuItemInfoW(menu, i, TRUE, &item);
            }
            UpdateMenu(item.hSubMenu);
            continue;
        }
        const TAction* action = FindAction(item.wID);
        if (!action)
            continue;
        const bool viewStyle = action->OnExecute == &TfrmPlayList::actListViewStyleExecute;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_BITMAP;
        item.fType = viewStyle ? item.fType | MFT_RADIOCHECK : item.fType;
        item.fState = (ActionChecked(item.wID) ? MFS_CHECKED : MFS_UNCHECKED) |
                      (action->OnExecute ? MFS_ENABLED : MFS_GRAYED);
        item.hbmpItem = action->Image >= 0
                            ? static_cast<HBITMAP>(FMenuBitmaps[static_cast<size_t>(action->Image)].get())
                            : nullptr;
        ::SetMenuItemInfoW(menu, i, TRUE, &item);
    }
    // The pop-up menus offer delete only when there is something to delete.
    if (menu == FGroupsMenu.get() || menu == FItemsMenu.get()) {
        const bool canDelete =
            menu == FGroupsMenu.get() ? TreeView_GetCount(FTree) > 0 : ListView_GetSelectedCount(FList) > 0;
        ::EnableMenuItem(menu, IDA_PLAYLISTDELETE, MF_BYCOMMAND | (canDelete ? MF_ENABLED : MF_GRAYED));
    }
}

void TfrmPlayList::ShowPopupMenu(HWND control, LPARAM position) {
    HMENU menu = nullptr;
    POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    RECT itemRect{};
    if (control == FTree) {
        menu = FGroupsMenu.get();
        if (position == -1 && TreeView_GetSelection(FTree)) { // from the keyboard: at the selected node
            TreeView_GetItemRect(FTree, TreeView_GetSelection(FTree), &itemRect, TRUE);
            at = POINT{itemRect.left, itemRect.bottom};
            ::ClientToScreen(FTree, &at);
        }
    } else if (control == FList) {
        menu = FItemsMenu.get();
        const int focused = ListView_GetNextItem(FList, -1, LVNI_FOCUSED);
        if (position == -1 && focused >= 0) {
            ListView_GetItemRect(FList, focused, &itemRect, LVIR_LABEL);
            at = POINT{itemRect.left, itemRect.bottom};
            ::ClientToScreen(FList, &at);
        }
    } else {
        return;
    }
    if (position == -1 && !itemRect.bottom) {
        at = POINT{0, 0};
        ::ClientToScreen(control, &at);
    }
    ::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
}

void TfrmPlayList::ShowStatusHint(UINT command) {
    FStatusCommand = command;
    FStatusHintControl = nullptr;
    const TAction* action = FindAction(command);
    ShowStatusText(action ? LongHint(action->Hint) : std::wstring());
}

void TfrmPlayList::ShowStatusText(const std::wstring& text) {
    if (text == FStatusText)
        return; // the pointer moving over one control sets its hint again and again
    FStatusText = text;
    ::SendMessageW(FStatusBar, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(FStatusText.c_str()));
}

void TfrmPlayList::MenuSelect(UINT item, UINT flags) {
    ShowStatusHint((flags & MF_POPUP) || flags == 0xFFFF ? 0 : item);
}

LRESULT TfrmPlayList::tbMenuNotify(NMHDR& header) {
    switch (header.code) {
    case TBN_HOTITEMCHANGE: {
        const auto& change = reinterpret_cast<const NMTBHOTITEM&>(header);
        ShowStatusHint((change.dwFlags & HICF_LEAVING) ? 0 : static_cast<UINT>(change.idNew));
        return 0;
    }
    case TBN_DROPDOWN:
        Execute(static_cast<UINT>(reinterpret_cast<const NMTOOLBARW&>(header).iItem));
        return TBDDRET_DEFAULT;
    case TTN_GETDISPINFOW: {
        auto& tip = reinterpret_cast<NMTTDISPINFOW&>(header);
        static thread_local std::wstring text;
        text.clear();
        if (const TAction* action = FindAction(static_cast<UINT>(header.idFrom)))
            text = ShortHint(action->Hint);
        else
            for (const auto& button : kToolButtons)
                if (button.Id == header.idFrom && button.Caption)
                    text = PlainCaption(button.Caption);
        tip.lpszText = text.data();
        return 0;
    }
    }
    return 0;
}

} // namespace dovex
