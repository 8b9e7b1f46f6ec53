// The tray menu of the real main window, driven by its commands as the menu sends them.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "MainFormTest.h"
#include "ShowEnvironment.h"
#include "playlist/PlayList.h"
#include "settings/PropertyPage.h"
#include "app/Messages.h"
#include "base/ErrorBox.h"
#include "model/PlayListCtrls.h"
#include "playlist/PlayListIds.h"
#include "resources/ResourceIds.h"
#include "tests/base/DesktopInput.h"

using namespace dovex;
using namespace std::chrono_literals;
using dovex::test::PumpUntil;
using dovex::test::SamplePath;

namespace {

std::wstring ItemText(HMENU menu, int position) {
    wchar_t text[256] = {};
    ::GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
    return text;
}

bool ItemChecked(HMENU menu, int position) {
    return (::GetMenuState(menu, position, MF_BYPOSITION) & MF_CHECKED) != 0;
}

std::vector<std::wstring> Items(HMENU menu) {
    std::vector<std::wstring> items;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i)
        items.push_back(ItemText(menu, i));
    return items;
}

// The stored "UseGroup", or "(none)" when there is no such value.
std::wstring StoredUseGroup() {
    wchar_t text[256] = {};
    DWORD size = sizeof(text);
    if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"UseGroup", RRF_RT_REG_SZ, nullptr, text, &size) !=
        ERROR_SUCCESS)
        return L"(none)";
    return text;
}

using TrayMenu = test::MainFormTest;

} // namespace

TEST_F(TrayMenu, ItemsStandInTheirOrderAndEveryWindowCanBeOpened) {
    Create();
    const HMENU menu = FForm->TrayMenu();
    EXPECT_EQ(Items(menu),
              (std::vector<std::wstring>{L"一時停止(&S)", L"一定時間停止(&T)", L"", L"使用するグループ(&U)",
                                         L"カーソルの変更(&C)", L"最新の情報に更新(&R)", L"",
                                         L"プレイリストの管理(&L)...", L"プロパティ(&P)...", L"ヘルプ(&H)",
                                         L"", L"終了(&X)", L"", L"Dovex 1.0  (c) 2026 Vantoquil"}));
    EXPECT_FALSE(::GetMenuState(menu, IDM_PLAYLIST, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(::GetMenuState(menu, IDM_PROPERTY, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(::GetMenuState(menu, IDM_HELP, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(Items(::GetSubMenu(menu, 1)),
              (std::vector<std::wstring>{L"15 分", L"30 分", L"1 時間", L"2 時間"}));
    EXPECT_EQ(::GetSubMenu(menu, 3), FForm->GroupMenu());
    EXPECT_EQ(::GetSubMenu(menu, 4), FForm->SysCursorMenu());
    // Without any scheme the submenu still offers to put the user's own cursors back.
    const auto schemes = Items(FForm->SysCursorMenu());
    ASSERT_FALSE(schemes.empty());
    EXPECT_EQ(schemes.back(), L"Windows の設定に戻す");
}

TEST_F(TrayMenu, GroupChoiceIsStoredOnlyWhenItChangesAndSelectsThePlayedItems) {
    WriteGroup(L"A", {SamplePath("star32.ani")});
    WriteGroup(L"B", {SamplePath("ball32.ani"), SamplePath("clock32.ani")});
    SetSetting(L"UseGroup", L"B");
    Create();
    const HMENU groups = FForm->GroupMenu();
    ASSERT_EQ(Items(groups), (std::vector<std::wstring>{L"(全てのグループ)", L"A", L"B"}));
    EXPECT_FALSE(ItemChecked(groups, 0));
    EXPECT_FALSE(ItemChecked(groups, 1));
    EXPECT_TRUE(ItemChecked(groups, 2));
    EXPECT_EQ(FForm->GroupManager().ItemCount(), 2);

    Command(IDM_USEGROUP_FIRST + 1); // A
    EXPECT_EQ(StoredUseGroup(), L"A");
    EXPECT_EQ(FForm->SaverProperty().UseGroup, L"A");
    EXPECT_EQ(FForm->GroupManager().UseIndex(), 0);
    EXPECT_EQ(FForm->GroupManager().ItemCount(), 1);
    EXPECT_EQ(FForm->GroupManager().Items(0).FileName, SamplePath("star32.ani"));
    EXPECT_TRUE(ItemChecked(groups, 1));
    EXPECT_FALSE(ItemChecked(groups, 2));

    // The group already in use: nothing is written.
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"UseGroup");
    Command(IDM_USEGROUP_FIRST + 1);
    EXPECT_EQ(StoredUseGroup(), L"(none)");

    Command(IDM_USEGROUP_FIRST); // all groups
    EXPECT_EQ(StoredUseGroup(), L"");
    EXPECT_EQ(FForm->GroupManager().UseIndex(), -1);
    EXPECT_EQ(FForm->GroupManager().ItemCount(), 3);
    EXPECT_TRUE(ItemChecked(groups, 0));

    // A group added by another window appears after the reload message.
    WriteGroup(L"C & D", {SamplePath("moon32.ani")});
    ::SendMessageW(FForm->Handle(), WM_SAVERRELOAD, RELOAD_PLAYLIST, 0);
    EXPECT_EQ(Items(groups), (std::vector<std::wstring>{L"(全てのグループ)", L"A", L"B", L"C && D"}));

    // A new name for the group in use carries the choice over.
    Command(IDM_USEGROUP_FIRST + 2); // B
    FForm->GroupNameChanged(L"B", L"Bee");
    EXPECT_EQ(FForm->SaverProperty().UseGroup, L"Bee");
    EXPECT_EQ(StoredUseGroup(), L"Bee");
    EXPECT_EQ(ItemText(groups, 2), L"Bee");
    EXPECT_TRUE(ItemChecked(groups, 2));
}

TEST_F(TrayMenu, AStoredGroupThatIsGoneSelectsAllAndLeavesTheValue) {
    WriteGroup(L"A", {SamplePath("star32.ani")});
    SetSetting(L"UseGroup", L"Gone");
    Create();
    EXPECT_EQ(FForm->GroupManager().UseIndex(), -1);
    EXPECT_EQ(FForm->SaverProperty().UseGroup, L"");
    EXPECT_EQ(StoredUseGroup(), L"Gone");
    EXPECT_TRUE(ItemChecked(FForm->GroupMenu(), 0));
}

TEST_F(TrayMenu, PauseFollowsTheMenuAndThePlaylistWindow) {
    Create();
    const HMENU menu = FForm->TrayMenu();
    const auto pauseChecked = [&] {
        return (::GetMenuState(menu, IDM_PAUSE, MF_BYCOMMAND) & MF_CHECKED) != 0;
    };
    EXPECT_FALSE(pauseChecked());
    Command(IDM_PAUSE);
    EXPECT_TRUE(FForm->Paused());
    EXPECT_TRUE(pauseChecked());
    EXPECT_FALSE(FForm->SaverWaitTimer().Enabled());
    Command(IDM_PAUSE);
    EXPECT_FALSE(FForm->Paused());
    EXPECT_FALSE(pauseChecked());

    // While the playlist window is open the saver stays paused, whatever the menu says.
    FForm->PlayListOpened();
    EXPECT_TRUE(FForm->Paused());
    EXPECT_TRUE(pauseChecked());
    Command(IDM_PAUSE);
    EXPECT_TRUE(FForm->Paused());
    EXPECT_TRUE(pauseChecked());
    ::SendMessageW(FForm->Handle(), WM_SAVERPAUSE, SAVERPAUSE_RESUME, 0);
    EXPECT_TRUE(FForm->Paused());
    FForm->PlayListDestroyed();
    EXPECT_FALSE(FForm->Paused());
    EXPECT_FALSE(pauseChecked());

    // Paused before it opened: paused after it closed.
    Command(IDM_PAUSE);
    FForm->PlayListOpened();
    FForm->PlayListOpened(); // opened again while open: the state from before the first opening stays
    FForm->PlayListDestroyed();
    EXPECT_TRUE(FForm->Paused());
}

// The settings dialog opened from the tray: what Apply stores, the running saver uses from then on.
TEST_F(TrayMenu, SettingsAppliedInTheDialogReachTheRunningSaver) {
    Create();
    Command(IDM_PROPERTY);
    TfrmProperty* dialog = FForm->PropertyForm();
    ASSERT_NE(dialog, nullptr);
    const HWND sheet = dialog->Handle();
    EXPECT_TRUE(::IsWindowVisible(sheet));
    EXPECT_EQ(::GetWindow(sheet, GW_OWNER), FForm->Handle());
    const HWND page = PropSheet_IndexToHwnd(sheet, 0);
    ::SetDlgItemTextW(page, IDC_SAVERWAITMIN, L"0");
    ::SetDlgItemTextW(page, IDC_SAVERWAITSEC, L"12");
    PropSheet_PressButton(sheet, PSBTN_APPLYNOW);
    EXPECT_TRUE(PumpUntil([&] { return FForm->SaverWaitTimer().Interval() == 12000u; }, 2s));
    EXPECT_EQ(FForm->SaverProperty().WaitTime, 12000);
    Command(IDM_PROPERTY); // a second opening brings the same dialog
    EXPECT_EQ(FForm->PropertyForm(), dialog);
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
    EXPECT_TRUE(PumpUntil([&] { return FForm->PropertyForm() == nullptr; }, 2s));
}

// The playlist window from the tray: the saver pauses while it is open and resumes when it is gone.
TEST_F(TrayMenu, PlaylistWindowPausesTheSaverWhileItIsOpen) {
    Create();
    ASSERT_FALSE(FForm->Paused());
    Command(IDM_PLAYLIST);
    TfrmPlayList* window = FForm->PlayListForm();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(::IsWindowVisible(window->Handle()));
    wchar_t caption[64] = {};
    ::GetWindowTextW(window->Handle(), caption, 64);
    EXPECT_STREQ(caption, L"Dovex - プレイリストの管理");
    EXPECT_TRUE(FForm->Paused());
    EXPECT_TRUE(FForm->PlayListOpen());
    window->Close();
    EXPECT_TRUE(PumpUntil([&] { return FForm->PlayListForm() == nullptr; }, 3s));
    EXPECT_FALSE(FForm->PlayListOpen());
    EXPECT_FALSE(FForm->Paused());
}

// After the settings dialog removed every setting, the program ends in the orderly way and writes nothing.
TEST_F(TrayMenu, RemovedSettingsEndTheProgram) {
    Create();
    const HWND hwnd = FForm->Handle();
    Command(IDM_PROPERTY);
    test::PumpModelessFor(200ms);
    const HWND sheet = FForm->PropertyForm()->Handle();
    PropSheet_SetCurSel(sheet, nullptr, 1);
    test::PumpModelessFor(100ms);
    test::TBoxAnswerer confirm(L"確認", VK_RETURN, 5s);
    test::TBoxAnswerer information(L"情報", VK_RETURN, 5s);
    ::PostMessageW(::GetDlgItem(PropSheet_IndexToHwnd(sheet, 1), IDC_STARTUPLEAVE), BM_CLICK, 0, 0);
    EXPECT_TRUE(test::PumpModeless([&] { return !::IsWindow(hwnd); }, 10s));
    EXPECT_FALSE(FForm->TimePeriodRaised()); // the orderly close ran
    EXPECT_EQ(FForm->Handle(), nullptr);
    EXPECT_FALSE(test::KeyExists(kDovexKey));
}

namespace {

HWND gDestroyedMain = nullptr;
HWND gBoxAtExit = nullptr;
bool gBoxOpenAtExit = false;

// Notes whether the box was still there when the main window went.
LRESULT CALLBACK WatchMainDestroy(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_DESTROYWND && reinterpret_cast<HWND>(wParam) == gDestroyedMain)
        gBoxOpenAtExit = ::IsWindow(gBoxAtExit) != FALSE;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

// 終了 from the tray menu while a box or dialog of another window runs its loop: the box is answered with
// キャンセル and closes first, then the program ends in the orderly way; nothing freed is used.
TEST_F(TrayMenu, ExitWhileABoxOfAnotherWindowIsOpenClosesTheBoxFirst) {
    WriteGroup(L"A", {SamplePath("star32.ani")});
    struct {
        const char* Name;
        const wchar_t* Caption;
        std::function<void()> OpenBox;
        bool SettingsRemain;
    } const cases[] = {
        {"the settings dialog's error box after 適用", ApplicationTitle().c_str(),
         [this] {
             Command(IDM_PROPERTY);
             test::PumpModelessFor(200ms);
             const HWND sheet = FForm->PropertyForm()->Handle();
             const HWND page = PropSheet_IndexToHwnd(sheet, 0);
             ::SetDlgItemTextW(page, IDC_SAVERWAITMIN, L"x");
             ::SetForegroundWindow(sheet);
             ::SetFocus(::GetDlgItem(page, IDC_SAVERWAITSEC));
             test::PressKeys({VK_MENU, 'A'}); // 適用(&A)
         },
         true},
        {"the settings dialog's box after removing every setting", L"情報",
         [this] {
             Command(IDM_PLAYLIST); // open too: nothing of it may be written after the removal
             test::PumpModelessFor(300ms);
             Command(IDM_PROPERTY);
             test::PumpModelessFor(200ms);
             const HWND sheet = FForm->PropertyForm()->Handle();
             PropSheet_SetCurSel(sheet, nullptr, 1);
             test::PumpModelessFor(100ms);
             static std::unique_ptr<test::TBoxAnswerer> confirm;
             confirm = std::make_unique<test::TBoxAnswerer>(L"確認", VK_RETURN, 5s);
             ::PostMessageW(::GetDlgItem(PropSheet_IndexToHwnd(sheet, 1), IDC_STARTUPLEAVE), BM_CLICK, 0, 0);
         },
         false},
        {"the playlist window's open dialog of カーソルの追加", L"アニメーションカーソルの選択",
         [this] {
             Command(IDM_PLAYLIST);
             test::PumpModelessFor(300ms);
             ::PostMessageW(FForm->PlayListForm()->Handle(), WM_COMMAND, IDA_ADDITEM, 0);
         },
         true},
        {"the playlist window's folder picker", L"カーソルパックのフォルダーの選択",
         [this] {
             Command(IDM_PLAYLIST);
             test::PumpModelessFor(300ms);
             ::PostMessageW(FForm->PlayListForm()->Handle(), WM_COMMAND, IDA_FOLDERGROUP, 0);
         },
         true},
        {"the playlist window's choice of a cursor scheme", L"スキームからグループを作成",
         [this] {
             Command(IDM_PLAYLIST);
             test::PumpModelessFor(300ms);
             ::PostMessageW(FForm->PlayListForm()->Handle(), WM_COMMAND, IDA_SCHEMEGROUP, 0);
         },
         true},
    };
    // A scheme to choose from, whatever the system has.
    const wchar_t* const schemes = L"Control Panel\\Cursors\\Schemes";
    const std::wstring scheme = L"C:\\nowhere\\busy.ani";
    ::RegSetKeyValueW(HKEY_CURRENT_USER, schemes, L"Dovex Exit Test", REG_SZ, scheme.c_str(),
                      static_cast<DWORD>((scheme.size() + 1) * sizeof(wchar_t)));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteGroup(L"A", {SamplePath("star32.ani")});
        Create();
        const HWND main = FForm->Handle();
        gDestroyedMain = main;
        gBoxAtExit = nullptr;
        gBoxOpenAtExit = false;
        const HHOOK hook = ::SetWindowsHookExW(WH_CBT, &WatchMainDestroy, nullptr, ::GetCurrentThreadId());
        // The exit command arrives while the box's own loop runs, as the tray menu's does.
        test::TDialogDriver exit(c.Caption, [&](HWND box) {
            gBoxAtExit = box;
            ::PostMessageW(main, WM_COMMAND, IDM_EXIT, 0);
        });
        c.OpenBox();
        const bool ended = test::PumpModeless([&] { return !::IsWindow(main); }, 10s);
        ::UnhookWindowsHookEx(hook);
        EXPECT_TRUE(exit.Worked()) << "no box opened";
        EXPECT_TRUE(ended) << "the program did not end";
        EXPECT_FALSE(gBoxOpenAtExit) << "the main window went while the box was still open";
        EXPECT_EQ(FForm->PropertyForm(), nullptr);
        EXPECT_EQ(FForm->PlayListForm(), nullptr);
        EXPECT_EQ(test::KeyExists(kDovexKey), c.SettingsRemain) << "removal writes nothing afterwards";
        FForm.reset();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kDovexKey);
    }
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, schemes, L"Dovex Exit Test");
}

// The hot keys from the settings dialog: a key another program holds is named in a message on Apply while
// everything else is applied; the pause key then works as the menu item does, the start key shows at once.
TEST_F(TrayMenu, HotKeysAreUsedAndOneHeldElsewhereIsReportedOnApply) {
    const HWND other = ::CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP, 0, 0, 1, 1, nullptr,
                                         nullptr, nullptr, nullptr);
    ASSERT_TRUE(::RegisterHotKey(other, 7, MOD_CONTROL | MOD_ALT, 'D'));
    SetSetting(L"WaitTime", 60000);
    WriteGroup(L"A", {SamplePath("star32.ani")});
    Create();
    Command(IDM_PROPERTY);
    test::PumpModelessFor(200ms);
    const HWND sheet = FForm->PropertyForm()->Handle();
    PropSheet_SetCurSel(sheet, nullptr, 2);
    test::PumpModelessFor(100ms);
    const HWND keys = PropSheet_IndexToHwnd(sheet, 2);
    for (const auto& [id, key] : {std::pair{IDC_HOTKEY_START, 0x0644}, std::pair{IDC_HOTKEY_PAUSE, 0x0650}}) {
        ::SendDlgItemMessageW(keys, id, HKM_SETHOTKEY, static_cast<WPARAM>(key), 0);
        ::SendMessageW(keys, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), 0);
    }
    const HWND whole = PropSheet_IndexToHwnd(sheet, 0);
    ::SetDlgItemTextW(whole, IDC_SAVERWAITSEC, L"12");
    test::TBoxAnswerer box(ApplicationTitle(), VK_RETURN, 10s);
    PropSheet_PressButton(sheet, PSBTN_APPLYNOW);
    ASSERT_TRUE(test::PumpModeless([&] { return box.Done(); }, 15s));
    EXPECT_EQ(box.Text(), L"ホットキー Ctrl+Alt+D はほかのプログラムが使用しているため使えません。\n"
                          L"別のキーを選んでください (ほかの設定は保存されました)。");
    EXPECT_TRUE(PumpUntil([&] { return FForm->SaverWaitTimer().Interval() == 72000u; }, 2s));
    EXPECT_EQ(FForm->SaverProperty().HotKeyStart, 0x0644);
    EXPECT_EQ(FForm->SaverProperty().HotKeyPause, 0x0650);
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
    ASSERT_TRUE(PumpUntil([&] { return FForm->PropertyForm() == nullptr; }, 2s));

    // Ctrl+Alt+P pauses and resumes, as the system hands the key to the program.
    test::PressKeys({VK_CONTROL, VK_MENU, 'P'});
    EXPECT_TRUE(PumpUntil([&] { return FForm->Paused(); }, 2s)) << "the pause key did nothing";
    test::PressKeys({VK_CONTROL, VK_MENU, 'P'});
    EXPECT_TRUE(PumpUntil([&] { return !FForm->Paused(); }, 2s));

    // Once the other program lets Ctrl+Alt+D go, the next reading of the settings takes it.
    ::UnregisterHotKey(other, 7);
    ::DestroyWindow(other);
    ::SendMessageW(FForm->Handle(), WM_SAVERRELOAD, RELOAD_SETTINGS, 0);
    test::PressKeys({VK_CONTROL, VK_MENU, 'D'});
    EXPECT_TRUE(PumpUntil([&] { return FForm->SaverShowing(); }, 500ms)) << "the start key showed nothing";
    EXPECT_FALSE(FForm->SaverWaitTimer().Enabled());
    ::SendMessageW(FForm->Handle(), WM_SAVERMOUSE, WM_RBUTTONDOWN, 0); // the mouse ends it
    EXPECT_FALSE(FForm->SaverShowing());
    EXPECT_TRUE(FForm->SaverWaitTimer().Enabled());

    // Paused, the start key starts nothing: the mouse could not end the show.
    Command(IDM_PAUSE);
    ::SendMessageW(FForm->Handle(), WM_HOTKEY, ID_HOTKEY_START, 0);
    EXPECT_FALSE(FForm->SaverShowing());
}
