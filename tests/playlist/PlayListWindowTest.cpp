// The playlist window as a whole: creation, the group tree, closing, keyboard and layout.
#include <gtest/gtest.h>

#include <algorithm>

#include "PlayListWindowSupport.h"
#include "tests/Pixels.h"
#include "tests/model/RegistryGate.h"
#include "base/Gdi.h"
#include "base/UniqueHandle.h"

using namespace dovex;
using namespace dovex::test;
using namespace std::chrono_literals;

namespace {

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

} // namespace

TEST_F(PlayListWindow, FirstStartWithoutAPlaylistKey) {
    ASSERT_FALSE(KeyExists(kPlaylistKey));
    TfrmPlayList& form = Open();
    EXPECT_TRUE(KeyExists(kPlaylistKey)) << "the key is created";
    EXPECT_EQ(WindowText(form.Handle()), L"Dovex - プレイリストの管理");
    EXPECT_EQ(ClassOf(form.tvGroup()), WC_TREEVIEWW);
    EXPECT_EQ(ClassOf(form.lvGroupList()), WC_LISTVIEWW);
    EXPECT_TRUE(::GetWindowLongPtrW(form.lvGroupList(), GWL_STYLE) & LVS_OWNERDATA);
    EXPECT_EQ(TreeView_GetCount(form.tvGroup()), 0u);
    EXPECT_EQ(ListView_GetItemCount(form.lvGroupList()), 0);
    EXPECT_FALSE(form.InfoPane().PreviewVisible());
    EXPECT_FALSE(::IsWindowVisible(form.InfoPane().PreviewBasePanel()));
    EXPECT_FALSE(form.InfoPane().ItemInfoVisible());

    // The hint: grey text, its block in the middle of the empty tree.
    const TPixels tree = PrintClient(form.tvGroup());
    const RECT text = tree.Extent(::GetSysColor(COLOR_GRAYTEXT));
    ASSERT_LT(text.left, text.right) << "no grey text in the empty tree";
    EXPECT_NEAR((text.left + text.right) / 2.0, tree.width / 2.0, 4.0);
    EXPECT_NEAR((text.top + text.bottom) / 2.0, tree.height / 2.0, 6.0);
    EXPECT_GT(text.bottom - text.top, 20) << "word-wrapped into lines";
}

// Stored bounds are taken where they are on a monitor; anywhere else (no monitor there, no size, edges no
// coordinate can hold) the window comes at its designed size on the pointer's monitor.
TEST_F(PlayListWindow, StoredBoundsAreTakenOnlyWhereTheyCanBeReached) {
    const struct {
        const wchar_t* Stored;
        bool Taken;
    } cases[] = {
        {L"100,80,640,480", true},
        {L"-5000,80,640,480", false},
        {L"100,80,0,480", false},
        {L"2000000000,0,2000000000,100", false},
        {L"0,2000000000,100,2000000000", false},
        {L"-2147483648,-2147483648,2147483647,2147483647", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "FormBounds " << std::string(c.Stored, c.Stored + wcslen(c.Stored)));
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kPlaylistKey, L"FormBounds", REG_SZ, c.Stored,
                          static_cast<DWORD>((wcslen(c.Stored) + 1) * sizeof(wchar_t)));
        TfrmPlayList& form = Open();
        RECT rc{};
        ::GetWindowRect(form.Handle(), &rc);
        if (c.Taken) {
            EXPECT_EQ(rc.left, 100);
            EXPECT_EQ(rc.right - rc.left, 640);
        } else {
            EXPECT_TRUE(::MonitorFromRect(&rc, MONITOR_DEFAULTTONULL)) << "out of reach";
            EXPECT_GT(rc.right - rc.left, 100);
            EXPECT_GT(rc.bottom - rc.top, 100);
        }
        ClosePlayListForm();
        PumpIdle(std::chrono::milliseconds(50));
    }
}

TEST_F(PlayListWindow, TwoStoredGroupsShowTheFirstGroupsItems) {
    WriteGroup(L"Alpha", {SamplePath("star32.ani"), SamplePath("clock32.ani"), SamplePath("heart32.ani")});
    WriteGroup(L"Beta", {SamplePath("moon32.ani")});
    TfrmPlayList& form = Open();
    EXPECT_EQ(NodeTexts(form.tvGroup()), (std::vector<std::wstring>{L"Alpha", L"Beta"}));
    EXPECT_EQ(form.ShownGroup(), &form.Groups(0));
    ASSERT_EQ(ListView_GetItemCount(form.lvGroupList()), 3);
    EXPECT_EQ(CellText(form.lvGroupList(), 0, 0), L"Spinning Star");
    EXPECT_EQ(CellText(form.lvGroupList(), 1, 3), SamplePath("clock32.ani"));
    EXPECT_EQ(ListView_GetSelectedCount(form.lvGroupList()), 0u);
    EXPECT_EQ(ListView_GetNextItem(form.lvGroupList(), -1, LVNI_FOCUSED), 0)
        << "the first item has the focus mark";
    EXPECT_EQ(form.InfoPane().GroupName(), L"Alpha");
    EXPECT_TRUE(form.InfoPane().GroupPictureShown());
    EXPECT_EQ(form.InfoPane().Title(), L"カーソルを選択すると、その説明が表示されます。");
    EXPECT_EQ(FOwner.Reloads, 0);
}

TEST_F(PlayListWindow, KeyboardAddsEditsDeletesAndCloses) {
    TMessageBoxAnswerer answerer(ApplicationTitle());
    TfrmPlayList& form = Open();
    ASSERT_EQ(::GetForegroundWindow(), form.Handle());

    PressKeys({{'P', {VK_MENU}}, {'G'}}); // プレイリスト(&P), グループの追加(&G)
    ASSERT_TRUE(Pump([&] { return TreeView_GetCount(form.tvGroup()) == 1; }));
    EXPECT_TRUE(KeyExists(GroupKey(L"グループ1"))) << "the new group's key is written at once";
    const HWND edit = TreeView_GetEditControl(form.tvGroup());
    ASSERT_TRUE(edit) << "the new group's name is being edited";
    EXPECT_EQ(::GetFocus(), edit);
    PressKey(VK_ESCAPE);
    EXPECT_FALSE(TreeView_GetEditControl(form.tvGroup()));
    EXPECT_EQ(NodeTexts(form.tvGroup()), std::vector<std::wstring>{L"グループ1"});
    EXPECT_EQ(::GetFocus(), form.tvGroup());

    PressKey(VK_DELETE);
    EXPECT_EQ(TreeView_GetCount(form.tvGroup()), 0u);
    EXPECT_FALSE(KeyExists(GroupKey(L"グループ1"))) << "the key goes with the group";
    EXPECT_EQ(form.GroupCount(), 0);
    EXPECT_TRUE(answerer.Texts().empty()) << "no question is asked";

    PressKeys({{'P', {VK_MENU}}, {'C'}}); // 閉じる(&C)
    ASSERT_TRUE(Pump([&] { return PlayListForm() == nullptr && FHost.Destroyed == 1; }));
    EXPECT_EQ(FOwner.Reloads, 1) << "a group was added and deleted";

    TfrmPlayList& again = Open();
    EXPECT_TRUE(::IsWindowVisible(again.Handle()));
    EXPECT_EQ(PlayListForm(), &again);
    EXPECT_EQ(TreeView_GetCount(again.tvGroup()), 0u);
}

TEST_F(PlayListWindow, ShortcutsAndTabWorkFromTheKeyboard) {
    WriteGroup(L"G", {SamplePath("star32.ani"), SamplePath("ball32.ani"), SamplePath("clock32.ani")});
    TfrmPlayList& form = Open();
    const HWND list = form.lvGroupList();
    const TSaverOperationPane& settings = form.InfoPane().SaverOperation();
    EXPECT_EQ(::GetFocus(), form.tvGroup());
    for (HWND next : {settings.pcSaverOperation(), settings.edtSaverNums(), list}) {
        PressKey(VK_TAB);
        EXPECT_EQ(::GetFocus(), next) << "Tab goes from the tree through the group's settings to the list";
    }
    for (HWND previous : {settings.edtSaverNums(), settings.pcSaverOperation(), form.tvGroup()}) {
        PressKey(VK_TAB, {VK_SHIFT});
        EXPECT_EQ(::GetFocus(), previous);
    }

    PressKey('A', {VK_CONTROL});
    EXPECT_EQ(ListView_GetSelectedCount(list), 3u);
    EXPECT_EQ(::GetFocus(), list);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
    PressKey(VK_UP, {VK_MENU});
    EXPECT_EQ(CellText(list, 1, 3), SamplePath("clock32.ani")) << "Alt+Up moves the selected item up";
    PressKey(VK_DOWN, {VK_MENU});
    EXPECT_EQ(CellText(list, 2, 3), SamplePath("clock32.ani"));
    // From a number box of the group's settings the window's keys work too; Ctrl+A stays with the box.
    ::SetFocus(settings.edtSaverNums());
    PressKey(VK_UP, {VK_MENU});
    EXPECT_EQ(CellText(list, 1, 3), SamplePath("clock32.ani")) << "Alt+Up from a number box";
    PressKey(VK_DOWN, {VK_MENU});
    EXPECT_EQ(CellText(list, 2, 3), SamplePath("clock32.ani")) << "Alt+Down from a number box";
    PressKey('A', {VK_CONTROL});
    EXPECT_EQ(ListView_GetSelectedCount(list), 1u) << "Ctrl+A belongs to the box";
    EXPECT_EQ(::GetFocus(), settings.edtSaverNums());
    PressKey(VK_F2);
    const HWND renaming = TreeView_GetEditControl(form.tvGroup());
    EXPECT_TRUE(renaming) << "F2 from a number box edits the group's name";
    if (renaming)
        PressKey(VK_ESCAPE);
    ::SetFocus(list);

    PressKey(VK_DELETE);
    EXPECT_EQ(ListView_GetItemCount(list), 2) << "Delete in the list removes the selected items";
    EXPECT_EQ(form.GroupCount(), 1);

    ::SetFocus(form.tvGroup());
    PressKey(VK_F2);
    const HWND edit = TreeView_GetEditControl(form.tvGroup());
    ASSERT_TRUE(edit) << "F2 edits the group's name";
    ::SetWindowTextW(edit, L"GX");
    ::SendMessageW(edit, EM_SETSEL, 0, 0);
    PressKey(VK_DELETE); // inside the label: a key of the editor, not the delete command
    wchar_t typed[16] = {};
    ::GetWindowTextW(edit, typed, 16);
    EXPECT_STREQ(typed, L"X");
    EXPECT_EQ(form.GroupCount(), 1);
    PressKey(VK_ESCAPE);
    EXPECT_EQ(NodeTexts(form.tvGroup()), std::vector<std::wstring>{L"G"});
}

namespace {

// Types a new name into the label editor of the node and confirms it (or cancels the edit).
void EditLabel(TfrmPlayList& form, HTREEITEM node, const std::wstring& text, bool confirm = true) {
    ::SetFocus(form.tvGroup());
    const HWND edit = TreeView_EditLabel(form.tvGroup(), node);
    ASSERT_TRUE(edit);
    ::SetWindowTextW(edit, text.c_str());
    TreeView_EndEditLabelNow(form.tvGroup(), confirm ? FALSE : TRUE);
    PumpIdle();
}

} // namespace

TEST_F(PlayListWindow, NewGroupsAreNumberedAndAFreedNumberIsTakenAgain) {
    TfrmPlayList& form = Open();
    for (int i = 0; i < 3; ++i) {
        form.Execute(IDA_ADDGROUP);
        ASSERT_TRUE(TreeView_GetEditControl(form.tvGroup()));
        TreeView_EndEditLabelNow(form.tvGroup(), TRUE);
    }
    EXPECT_EQ(NodeTexts(form.tvGroup()),
              (std::vector<std::wstring>{L"グループ1", L"グループ2", L"グループ3"}));
    EXPECT_EQ(form.ShownGroup(), &form.Groups(2)) << "the new group is shown";
    for (const wchar_t* name : {L"グループ1", L"グループ2", L"グループ3"})
        EXPECT_TRUE(KeyExists(GroupKey(name))) << name;

    EditLabel(form, NodeOf(form.tvGroup(), 0), L"Stars");
    EXPECT_EQ(NodeTexts(form.tvGroup()), (std::vector<std::wstring>{L"Stars", L"グループ2", L"グループ3"}));
    EXPECT_TRUE(KeyExists(GroupKey(L"Stars")));
    EXPECT_FALSE(KeyExists(GroupKey(L"グループ1"))) << "the key moves at once";
    EXPECT_EQ(FHost.Renames, (std::vector<std::pair<std::wstring, std::wstring>>{{L"グループ1", L"Stars"}}));
    EXPECT_EQ(form.InfoPane().GroupName(), L"Stars");

    form.Execute(IDA_ADDGROUP);
    TreeView_EndEditLabelNow(form.tvGroup(), TRUE);
    EXPECT_EQ(NodeTexts(form.tvGroup()).back(), L"グループ1");
}

TEST_F(PlayListWindow, NamesThatCannotBeAGroupsNameAreRefusedWithAMessage) {
    WriteGroup(L"Alpha", {SamplePath("star32.ani")});
    WriteGroup(L"Beta", {});
    TMessageBoxAnswerer answerer(ApplicationTitle());
    TfrmPlayList& form = Open();
    const std::wstring tooLong(256, L'x');
    struct {
        std::wstring Typed;
        std::wstring Message; // empty: no message
    } const cases[] = {
        {L"Beta", L"グループ名 Beta は既に存在します。"},
        {L"bETA", L"グループ名 bETA は既に存在します。"},
        {L"ALPHA", L"グループ名 ALPHA は既に存在します。"}, // the group's own name in other letters
        {L"Alpha", L""},                                    // unchanged: nothing to do
        {L"", L""},                                         // empty: the old name comes back
        {L"a\\b", L"グループ名に \\ は使えません。"},
        {tooLong, L"グループ名は 255 文字以内にしてください。"},
        {L"tab\there", L"グループ名に制御文字は使えません。"},
    };
    size_t boxes = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed " << c.Typed.size() << " characters");
        EditLabel(form, NodeOf(form.tvGroup(), 0), c.Typed);
        if (!c.Message.empty()) {
            ASSERT_TRUE(Pump([&] { return answerer.Texts().size() > boxes; }));
        }
        PumpIdle();
        const auto texts = answerer.Texts();
        ASSERT_EQ(texts.size(), boxes + (c.Message.empty() ? 0 : 1));
        if (!c.Message.empty()) {
            EXPECT_EQ(texts.back(), c.Message);
        }
        boxes = texts.size();
        EXPECT_EQ(NodeTexts(form.tvGroup()), (std::vector<std::wstring>{L"Alpha", L"Beta"}));
        EXPECT_EQ(form.Groups(0).Name(), L"Alpha");
        EXPECT_EQ(form.InfoPane().GroupName(), L"Alpha");
    }
    std::vector<std::wstring> keys = GroupKeys();
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::wstring>{L"Alpha", L"Beta"}));
    EXPECT_TRUE(FHost.Renames.empty());

    // An edit ended with Escape changes nothing either.
    ::SetFocus(form.tvGroup());
    const HWND edit = TreeView_EditLabel(form.tvGroup(), NodeOf(form.tvGroup(), 0));
    ASSERT_TRUE(edit);
    ::SetWindowTextW(edit, L"Gamma");
    PressKey(VK_ESCAPE);
    EXPECT_FALSE(TreeView_GetEditControl(form.tvGroup()));
    EXPECT_EQ(NodeTexts(form.tvGroup()), (std::vector<std::wstring>{L"Alpha", L"Beta"}));
}

TEST_F(PlayListWindow, DeletingTheShownGroupShowsTheNextOne) {
    WriteGroup(L"Alpha", {SamplePath("star32.ani")});
    WriteGroup(L"Beta", {SamplePath("ball32.ani"), SamplePath("clock32.ani")});
    TfrmPlayList& form = Open();
    ::SetFocus(form.tvGroup());
    form.Execute(IDA_PLAYLISTDELETE);
    EXPECT_FALSE(KeyExists(GroupKey(L"Alpha")));
    EXPECT_EQ(NodeTexts(form.tvGroup()), std::vector<std::wstring>{L"Beta"});
    ASSERT_EQ(form.ShownGroup(), &form.Groups(0));
    EXPECT_EQ(ListView_GetItemCount(form.lvGroupList()), 2);
    EXPECT_EQ(form.InfoPane().GroupName(), L"Beta");

    form.Execute(IDA_PLAYLISTDELETE);
    EXPECT_EQ(form.ShownGroup(), nullptr);
    EXPECT_EQ(ListView_GetItemCount(form.lvGroupList()), 0);
    EXPECT_TRUE(GroupKeys().empty());
    EXPECT_TRUE(KeyExists(kPlaylistKey));
}

TEST_F(PlayListWindow, ClosingAsksForAReloadOnlyAfterWriting) {
    WriteGroup(L"Alpha", {SamplePath("star32.ani")});
    struct {
        const char* Change;
        std::function<void(TfrmPlayList&)> Make;
        bool Reload;
    } const cases[] = {
        {"nothing", [](TfrmPlayList&) {}, false},
        {"a group added", [](TfrmPlayList& f) { f.Execute(IDA_ADDGROUP); }, true},
        {"an item removed",
         [](TfrmPlayList& f) {
             ListView_SetItemState(f.lvGroupList(), 0, LVIS_SELECTED, LVIS_SELECTED);
             ::SetFocus(f.lvGroupList());
             f.Execute(IDA_PLAYLISTDELETE);
         },
         true},
        {"the view style", [](TfrmPlayList& f) { f.Execute(IDA_LISTSMALLICON); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Change);
        TfrmPlayList& form = Open();
        c.Make(form);
        PumpIdle();
        const int before = FOwner.Reloads;
        form.Execute(IDA_EXIT);
        ASSERT_TRUE(Pump([this] { return PlayListForm() == nullptr; }));
        PumpIdle();
        EXPECT_EQ(FOwner.Reloads - before, c.Reload ? 1 : 0);
    }
    EXPECT_TRUE(StoredFiles(L"Alpha").empty()) << "the removed item is written at close";
    DWORD style = 99;
    ASSERT_TRUE(ReadPreference(L"ListViewStyle", style));
    EXPECT_EQ(style, 1u);
}

namespace {

// Opens a menu with `open` and, from another thread while it is open, reads `read`, then closes it with
// Escape from the desktop's keyboard.
template <typename TRead>
auto WhileMenuOpen(const std::function<void()>& open, TRead read, std::vector<WORD> keys = {}) {
    decltype(read()) value{};
    std::atomic<bool> done{false};
    const HDESK desktop = ::GetThreadDesktop(::GetCurrentThreadId());
    std::thread reader([&] {
        ::SetThreadDesktop(desktop);
        auto menuShown = [] {
            const HWND menu = ::FindWindowW(L"#32768", nullptr);
            return menu && ::IsWindowVisible(menu);
        };
        for (int i = 0; i < 300 && !menuShown(); ++i)
            std::this_thread::sleep_for(10ms);
        auto press = [](WORD key) {
            INPUT input[2]{};
            for (auto& k : input) {
                k.type = INPUT_KEYBOARD;
                k.ki.wVk = key;
            }
            input[1].ki.dwFlags = KEYEVENTF_KEYUP;
            ::SendInput(2, input, sizeof(INPUT));
            std::this_thread::sleep_for(150ms);
        };
        std::this_thread::sleep_for(200ms);
        for (WORD key : keys)
            press(key);
        value = read();
        // A menu of the menu bar takes two: one closes the drop-down, one leaves the bar.
        press(VK_ESCAPE);
        press(VK_ESCAPE);
        done = true;
    });
    open();
    Pump([&] { return done.load(); }, 10s);
    reader.join();
    PumpIdle();
    return value;
}

} // namespace

TEST_F(PlayListWindow, OnlyAWidthChangeWritesThePreferencesButAsksForNoReload) {
    WriteGroup(L"G", {SamplePath("star32.ani")});
    Open().Execute(IDA_EXIT); // the first close stores the window's place
    ASSERT_TRUE(Pump([this] { return PlayListForm() == nullptr; }));
    DWORD width = 0;
    ASSERT_TRUE(ReadPreference(L"GroupViewWidth", width));
    EXPECT_EQ(width, 160u);
    const int reloads = FOwner.Reloads;

    TfrmPlayList& form = Open();
    const RECT splitter = form.SplitterRect();
    POINT grab{(splitter.left + splitter.right) / 2, (splitter.top + splitter.bottom) / 2};
    ::ClientToScreen(form.Handle(), &grab);
    MoveMouse({{grab, false},
               {grab, true},
               {POINT{grab.x + 20, grab.y}, true},
               {POINT{grab.x + 60, grab.y}, true},
               {POINT{grab.x + 60, grab.y}, false}});
    EXPECT_NEAR(form.GroupViewWidth(), 220, 1);
    RECT tree{};
    ::GetWindowRect(form.tvGroup(), &tree);
    EXPECT_NEAR(tree.right - tree.left, 220, 1) << "the tree follows the pointer";

    form.Execute(IDA_EXIT);
    ASSERT_TRUE(Pump([this] { return PlayListForm() == nullptr; }));
    ASSERT_TRUE(ReadPreference(L"GroupViewWidth", width));
    EXPECT_NEAR(static_cast<int>(width), 220, 1);
    EXPECT_EQ(FOwner.Reloads, reloads) << "no group was written";
}

TEST_F(PlayListWindow, ANewDpiScalesTheLayoutPicturesAndColumns) {
    WriteGroup(L"G", {SamplePath("star32.ani")});
    TfrmPlayList& form = Open();
    ASSERT_EQ(form.Dpi(), 96u);
    const int column = ListView_GetColumnWidth(form.lvGroupList(), 3);
    for (UINT dpi : {144u, 96u}) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        const RECT suggested{20, 10, 20 + ::MulDiv(800, dpi, 144), 10 + ::MulDiv(700, dpi, 144)};
        ::SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                       reinterpret_cast<LPARAM>(&suggested));
        PumpIdle();
        EXPECT_EQ(form.Dpi(), dpi);
        RECT now{};
        ::GetWindowRect(form.Handle(), &now);
        EXPECT_TRUE(::EqualRect(&now, &suggested)) << "the suggested rectangle";
        ::GetWindowRect(form.tvGroup(), &now);
        EXPECT_EQ(now.right - now.left, ::MulDiv(160, dpi, 96)) << "the tree";
        ::GetWindowRect(form.InfoPane().Handle(), &now);
        EXPECT_EQ(now.right - now.left, ::MulDiv(200, dpi, 96)) << "the information pane";
        int cx = 0, cy = 0;
        ::ImageList_GetIconSize(
            reinterpret_cast<HIMAGELIST>(::SendMessageW(form.ToolBar(), TB_GETIMAGELIST, 0, 0)), &cx, &cy);
        EXPECT_EQ(cx, ::GetSystemMetricsForDpi(SM_CXSMICON, dpi)) << "the tool bar's pictures";
        EXPECT_NEAR(ListView_GetColumnWidth(form.lvGroupList(), 3), ::MulDiv(column, dpi, 96), 1);
        // Every picture of the item menu is one that exists, at the new size; the view styles' entry too.
        const HMENU items = form.pmForItems();
        for (int i = 0; i < ::GetMenuItemCount(items); ++i) {
            MENUITEMINFOW item{};
            item.cbSize = sizeof(item);
            item.fMask = MIIM_BITMAP | MIIM_SUBMENU;
            ASSERT_TRUE(::GetMenuItemInfoW(items, i, TRUE, &item));
            if (!item.hbmpItem && !item.hSubMenu)
                continue;
            BITMAP bitmap{};
            ASSERT_NE(::GetObjectW(item.hbmpItem, sizeof(bitmap), &bitmap), 0) << "entry " << i;
            EXPECT_EQ(bitmap.bmWidth, ::GetSystemMetricsForDpi(SM_CXSMICON, dpi)) << "entry " << i;
        }
    }
    EXPECT_EQ(form.GroupViewWidth(), 160) << "the preference stays in 96-DPI units";
}

TEST_F(PlayListWindow, PopUpMenusOfferDeleteOnlyWhenThereIsSomethingToDelete) {
    TfrmPlayList& form = Open();
    auto deleteState = [&](HWND control, HMENU menu) {
        RECT r{};
        ::GetWindowRect(control, &r);
        return WhileMenuOpen(
            [&] {
                ::SendMessageW(form.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control),
                               MAKELPARAM(r.left + 20, r.top + 20));
            },
            [&] {
                return ::GetMenuState(menu, IDA_PLAYLISTDELETE, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED);
            });
    };
    EXPECT_NE(deleteState(form.tvGroup(), form.pmForGroups()), 0u) << "no group";
    form.Execute(IDA_ADDGROUP);
    TreeView_EndEditLabelNow(form.tvGroup(), FALSE);
    EXPECT_EQ(deleteState(form.tvGroup(), form.pmForGroups()), 0u) << "one group";
    EXPECT_NE(deleteState(form.lvGroupList(), form.pmForItems()), 0u) << "no item selected";
    form.ShownGroup()->AddItem(SamplePath("star32.ani"));
    ListView_SetItemCountEx(form.lvGroupList(), 1, 0);
    ListView_SetItemState(form.lvGroupList(), 0, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(deleteState(form.lvGroupList(), form.pmForItems()), 0u) << "an item selected";
    EXPECT_EQ(TreeView_GetCount(form.tvGroup()), 1u) << "closing a menu runs nothing";

    const bool fromKeyboard = WhileMenuOpen(
        [&] {
            ::SetFocus(form.tvGroup());
            PressKeys({{VK_F10, {VK_SHIFT}}});
        },
        [] {
            const HWND menu = ::FindWindowW(L"#32768", nullptr);
            return menu && ::IsWindowVisible(menu);
        });
    EXPECT_TRUE(fromKeyboard) << "Shift+F10 opens the menu of the control with the focus";
}

TEST_F(PlayListWindow, TheStatusBarShowsTheLongHintOfWhatThePointerOrTheMenuIsOn) {
    TfrmPlayList& form = Open();
    POINT away{0, 0};
    ::ClientToScreen(form.lvGroupList(), &away);
    away.x += 50;
    away.y += 80;
    MoveMouse({{away, false}});
    struct {
        UINT Command;
        const wchar_t* Hint;
    } const buttons[] = {
        {IDA_ADDGROUP, L"新しくグループを作成します。"},
        {IDA_PLAYLISTUP, L"選択したカーソルの順番を上へ移動します。"},
        {IDA_REFRESH, L"プレイリストを最新の状態に更新します。"},
    };
    auto hover = [&](UINT command) {
        RECT r{};
        ::SendMessageW(form.ToolBar(), TB_GETRECT, command, reinterpret_cast<LPARAM>(&r));
        POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ::ClientToScreen(form.ToolBar(), &at);
        MoveMouse({{POINT{at.x - 3, at.y}, false}, {at, false}});
    };
    hover(IDA_PLAYLISTDOWN); // the first hover after the window opened may be lost in Wine's input
    for (const auto& b : buttons) {
        hover(b.Command);
        // The tool bar follows the pointer as its messages come.
        Pump([&] { return StatusText(form.StatusBar()) == b.Hint; }, 1s);
        EXPECT_EQ(StatusText(form.StatusBar()), b.Hint);
    }
    MoveMouse({{away, false}});
    Pump([&] { return StatusText(form.StatusBar()).empty(); }, 1s);
    EXPECT_EQ(StatusText(form.StatusBar()), L"");

    RECT tree{};
    ::GetWindowRect(form.tvGroup(), &tree);
    const std::wstring inMenu = WhileMenuOpen(
        [&] {
            ::SendMessageW(form.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form.tvGroup()),
                           MAKELPARAM(tree.left + 10, tree.top + 10));
        },
        [&] { return StatusText(form.StatusBar()); }, {VK_DOWN});
    EXPECT_EQ(inMenu, L"新しくグループを作成します。") << "the first item of the tree's menu";
    EXPECT_EQ(TreeView_GetCount(form.tvGroup()), 0u);
}

TEST_F(PlayListWindow, ANameTakenMeanwhileByAnotherKeyIsRefusedAndKeepsBothKeys) {
    WriteGroup(L"Alpha", {SamplePath("star32.ani")});
    TMessageBoxAnswerer answerer(ApplicationTitle());
    TfrmPlayList& form = Open();
    WriteGroup(L"Gamma", {L"C:\\kept.ani"}); // written by someone else while the window is open
    EditLabel(form, NodeOf(form.tvGroup(), 0), L"Gamma");
    ASSERT_TRUE(Pump([&] { return !answerer.Texts().empty(); }));
    EXPECT_EQ(answerer.Texts().front(), L"グループ名 Gamma は既に存在します。");
    EXPECT_EQ(NodeTexts(form.tvGroup()), std::vector<std::wstring>{L"Alpha"});
    EXPECT_EQ(form.Groups(0).Name(), L"Alpha");
    EXPECT_EQ(StoredFiles(L"Gamma"), std::vector<std::wstring>{L"C:\\kept.ani"});
    EXPECT_EQ(StoredFiles(L"Alpha"), std::vector<std::wstring>{SamplePath("star32.ani")});
    EXPECT_TRUE(FHost.Renames.empty());
}

// A stored name the user could not type is still the group's own key: deleting the group deletes it.
TEST_F(PlayListWindow, DeletingAGroupWithAControlCharacterInItsNameDeletesItsKey) {
    const std::wstring names[] = {std::wstring(L"Tab\there"), std::wstring(L"Bell\x07"), L"Del\x7F"};
    for (const auto& name : names) {
        WriteGroup(name, {SamplePath("star32.ani")});
        TfrmPlayList& form = Open();
        ASSERT_EQ(NodeTexts(form.tvGroup()).size(), 1u);
        ::SetFocus(form.tvGroup());
        form.Execute(IDA_PLAYLISTDELETE);
        EXPECT_TRUE(NodeTexts(form.tvGroup()).empty());
        EXPECT_FALSE(KeyExists(GroupKey(name))) << "the key stays and the group comes back";
        form.Execute(IDA_EXIT);
        ASSERT_TRUE(Pump([this] { return PlayListForm() == nullptr; }));
    }
}

// A group that cannot be written keeps the window open with a message that names it; a second close
// drops the edits.
TEST_F(PlayListWindow, AGroupThatCannotBeSavedKeepsTheWindowOpenUntilClosedAgain) {
    WriteGroup(L"Alpha", {SamplePath("star32.ani"), SamplePath("ball32.ani")});
    TfrmPlayList& form = Open();
    ListView_SetItemState(form.lvGroupList(), 0, LVIS_SELECTED, LVIS_SELECTED);
    ::SetFocus(form.lvGroupList());
    form.Execute(IDA_PLAYLISTDELETE);
    PumpIdle();
    TMessageBoxAnswerer answerer(ApplicationTitle());
    {
        TRegistryGateScope gate([](TRegistryChange change, const std::wstring&, int) {
            return change != TRegistryChange::SetValue;
        });
        form.Execute(IDA_EXIT);
        PumpIdle();
        ASSERT_EQ(PlayListForm(), &form) << "the window closed and the edits are gone";
        EXPECT_TRUE(::IsWindowVisible(form.Handle()));
        ASSERT_EQ(answerer.Texts().size(), 1u);
        EXPECT_NE(answerer.Texts()[0].find(L"「Alpha」"), std::wstring::npos) << answerer.Texts()[0];
        form.Execute(IDA_EXIT);
        ASSERT_TRUE(Pump([this] { return PlayListForm() == nullptr; }));
    }
    EXPECT_EQ(answerer.Texts().size(), 1u) << "the second close says nothing more";
    EXPECT_EQ(StoredFiles(L"Alpha").size(), 2u);
}
