#include "settings/PropertyPage.h"

#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include "SettingsEnvironment.h"
#include "base/ErrorBox.h"

using namespace dovex;
using namespace dovex::test;

TEST_F(PropertyFormTest, OpensWithItsCaptionPagesAndApplyDisabled) {
    Open();
    ASSERT_NE(Sheet(), nullptr);
    EXPECT_EQ(Text(Sheet()), L"Dovex - プロパティ設定");
    EXPECT_TRUE(::IsWindowVisible(Sheet()));
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ(Text(::GetDlgItem(Sheet(), IDOK)), L"OK");
    EXPECT_EQ(Text(::GetDlgItem(Sheet(), IDCANCEL)), L"キャンセル");
    EXPECT_EQ(Text(ApplyButton()), L"適用(&A)");
    const HWND tabs = PropSheet_GetTabControl(Sheet());
    ASSERT_EQ(TabCtrl_GetItemCount(tabs), kPageCount);
    const wchar_t* const names[] = {L"全般", L"その他", L"ホットキー", L"除外プログラム", L"バージョン情報"};
    for (int i = 0; i < kPageCount; ++i) {
        wchar_t name[64] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = name;
        item.cchTextMax = 64;
        TabCtrl_GetItem(tabs, i, &item);
        EXPECT_STREQ(name, names[i]);
    }
    // The defaults of a missing key.
    EXPECT_EQ(Text(Control(0, IDC_SAVERWAITMIN)), L"1");
    EXPECT_EQ(Text(Control(0, IDC_SAVERWAITSEC)), L"0");
    EXPECT_EQ(::IsDlgButtonChecked(Page(0), IDC_ORDER_SEQUENTIAL), BST_CHECKED);
}

TEST_F(PropertyFormTest, WaitTimeIsStoredWithinTenSecondsAndTwoHours) {
    struct {
        const wchar_t* Minutes;
        const wchar_t* Seconds;
        DWORD Stored;
    } const cases[] = {
        {L"0", L"3", 10000},  {L"120", L"59", 7200000}, {L"1", L"30", 90000},
        {L"0", L"12", 12000}, {L"999", L"0", 7200000}, // typed past the up-down's range
    };
    for (const auto& c : cases) {
        TfrmProperty& form = Open();
        SetEdit(IDC_SAVERWAITMIN, c.Minutes);
        SetEdit(IDC_SAVERWAITSEC, c.Seconds);
        EXPECT_TRUE(ApplyEnabled());
        PressSheetButton(PSBTN_APPLYNOW);
        EXPECT_EQ(SettingDword(L"WaitTime"), c.Stored) << c.Minutes << ":" << c.Seconds;
        EXPECT_FALSE(ApplyEnabled());
        EXPECT_FALSE(form.Modified());
        // The controls keep what was typed.
        EXPECT_EQ(Text(Control(0, IDC_SAVERWAITSEC)), c.Seconds);
        DestroyPropertyForm();
    }
}

TEST_F(PropertyFormTest, StoredWaitTimeShowsInWholeSecondsWithoutAChange) {
    struct {
        DWORD Stored;
        const wchar_t* Minutes;
        const wchar_t* Seconds;
    } const cases[] = {
        {90500, L"1", L"30"},      {60000, L"1", L"0"}, {7200000, L"120", L"0"},
        {10800000, L"120", L"59"}, {0, L"0", L"0"},
    };
    for (const auto& c : cases) {
        SetSetting(L"WaitTime", c.Stored);
        TfrmProperty& form = Open();
        EXPECT_EQ(Text(Control(0, IDC_SAVERWAITMIN)), c.Minutes) << c.Stored;
        EXPECT_EQ(Text(Control(0, IDC_SAVERWAITSEC)), c.Seconds) << c.Stored;
        EXPECT_EQ(form.SaverProperty().WaitTime, static_cast<int32_t>(c.Stored));
        EXPECT_FALSE(ApplyEnabled());
        DestroyPropertyForm();
    }
}

TEST_F(PropertyFormTest, PlayOrderKeepsApplyEnabledUntilSaved) {
    TfrmProperty& form = Open();
    Click(0, IDC_ORDER_RANDOM);
    EXPECT_EQ(form.SaverProperty().PlaySequence, 1);
    EXPECT_TRUE(ApplyEnabled());
    Click(0, IDC_ORDER_SEQUENTIAL);
    EXPECT_EQ(form.SaverProperty().PlaySequence, 0);
    EXPECT_TRUE(ApplyEnabled()); // only saving clears it
    PressSheetButton(PSBTN_APPLYNOW);
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ(SettingDword(L"PlaySequence"), 0u);
}

TEST_F(PropertyFormTest, EachCheckBoxChangesOnlyItsOwnOption) {
    struct {
        int Page;
        int CheckBox;
        const wchar_t* Value;
    } const cases[] = {
        {0, IDC_USEHOMEPOSITION, L"UseHomePosition"},
        {0, IDC_HIDECURSOR, L"HideCursor"},
        {1, IDC_TRAYANIMATION, L"TrayAnimation"},
        {1, IDC_SUPPRESSFULLSCREEN, L"SuppressFullScreen"},
        {1, IDC_SUPPRESSBATTERYSAVER, L"SuppressOnBatterySaver"},
    };
    const wchar_t* const values[] = {L"UseHomePosition", L"HideCursor", L"TrayAnimation",
                                     L"SuppressFullScreen", L"SuppressOnBatterySaver"};
    for (const auto& c : cases) {
        // A mix of on and off, so that a lost or an invented bit shows.
        SetSetting(L"UseHomePosition", 1);
        SetSetting(L"HideCursor", 0);
        SetSetting(L"TrayAnimation", 0);
        SetSetting(L"SuppressFullScreen", 1);
        SetSetting(L"SuppressOnBatterySaver", 0);
        DWORD before[5];
        for (int i = 0; i < 5; ++i)
            before[i] = SettingDword(values[i]);
        Open();
        ShowPage(c.Page);
        Click(c.Page, c.CheckBox);
        PressSheetButton(PSBTN_OK);
        EXPECT_EQ(FindPropertyForm(), nullptr);
        for (int i = 0; i < 5; ++i) {
            const bool toggled = std::wstring(values[i]) == c.Value;
            EXPECT_EQ(SettingDword(values[i]), toggled ? 1 - before[i] : before[i])
                << c.Value << " " << values[i];
        }
    }
}

// "わずかな動きは無視する": the pixels typed, within 0 to 20; the stored value shows when the page opens.
TEST_F(PropertyFormTest, MoveThresholdIsStoredWithinItsRange) {
    SetSetting(L"MoveThreshold", 4);
    const struct {
        const wchar_t* Typed;
        DWORD Stored;
    } cases[] = {{L"10", 10}, {L"0", 0}, {L"20", 20}, {L"35", 20}, {L"", 0}};
    for (const auto& c : cases) {
        Open();
        ShowPage(1);
        EXPECT_EQ(Text(Control(1, IDC_MOVETHRESHOLD)), std::to_wstring(SettingDword(L"MoveThreshold")));
        EXPECT_FALSE(ApplyEnabled());
        ::SetWindowTextW(Control(1, IDC_MOVETHRESHOLD), c.Typed);
        PumpModelessFor(10ms);
        PressSheetButton(PSBTN_APPLYNOW);
        EXPECT_EQ(SettingDword(L"MoveThreshold"), c.Stored) << c.Typed;
        DestroyPropertyForm();
    }
    // The up-down steps within the range.
    Open();
    ShowPage(1);
    int low = -1, high = -1;
    ::SendMessageW(Control(1, IDC_MOVETHRESHOLD_UD), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                   reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 20);
}

TEST_F(PropertyFormTest, IgnoredMouseInputIsWrittenBackNormalised) {
    SetSetting(L"IgnoreMouse", std::wstring(L"Wheel, LsftClick"));
    Open();
    Click(0, IDC_HIDECURSOR);
    PressSheetButton(PSBTN_OK);
    EXPECT_EQ(SettingText(L"IgnoreMouse"), L"LsftClick,Wheel");
}

TEST_F(PropertyFormTest, OkWithoutChangesWritesAndPostsNothing) {
    Open();
    PressSheetButton(PSBTN_OK);
    PumpModelessFor(50ms);
    EXPECT_EQ(FindPropertyForm(), nullptr);
    EXPECT_FALSE(SettingExists(L"WaitTime"));
    EXPECT_FALSE(SettingExists(L"TrayAnimation"));
    EXPECT_TRUE(Host.Main.Posted.empty());
}

TEST_F(PropertyFormTest, ApplyAndOkTellTheMainWindowOnce) {
    TfrmProperty& form = Open();
    SetEdit(IDC_SAVERWAITSEC, L"20");
    PressSheetButton(PSBTN_APPLYNOW);
    PumpModelessFor(50ms);
    EXPECT_EQ(FindPropertyForm(), &form); // Apply leaves it open
    EXPECT_EQ(ReloadsPosted(), 1);
    ASSERT_EQ(Host.Main.Posted.size(), 1u);
    EXPECT_EQ(Host.Main.Posted[0].first, WM_SAVERRELOAD);
    PressSheetButton(PSBTN_APPLYNOW); // nothing changed since
    EXPECT_EQ(ReloadsPosted(), 1);
    Click(0, IDC_ORDER_RANDOM);
    PressSheetButton(PSBTN_OK);
    PumpModelessFor(50ms);
    EXPECT_EQ(ReloadsPosted(), 2);
    EXPECT_EQ(FindPropertyForm(), nullptr);
}

TEST_F(PropertyFormTest, ClosingWithoutOkSavesNothing) {
    enum class How { Cancel, CloseBox, Escape };
    for (How how : {How::Cancel, How::CloseBox, How::Escape}) {
        Open();
        SetEdit(IDC_SAVERWAITMIN, L"7");
        switch (how) {
        case How::Cancel:
            PressSheetButton(PSBTN_CANCEL);
            break;
        case How::CloseBox:
            ::SendMessageW(Sheet(), WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case How::Escape:
            ::SetFocus(Control(0, IDC_SAVERWAITSEC));
            PressKeys({VK_ESCAPE});
            break;
        }
        EXPECT_TRUE(PumpModeless([this] { return FindPropertyForm() == nullptr; }, 2s)) << int(how);
        EXPECT_FALSE(SettingExists(L"WaitTime")) << int(how);
        EXPECT_TRUE(Host.Main.Posted.empty()) << int(how);
        DestroyPropertyForm();
    }
}

TEST_F(PropertyFormTest, SecondOpenBringsTheSameDialogWithItsEdits) {
    TfrmProperty& first = Open();
    SetEdit(IDC_SAVERWAITMIN, L"7");
    const HWND sheet = Sheet();
    ::SetForegroundWindow(Host.Main.Handle());
    TfrmProperty& second = Open();
    EXPECT_EQ(&second, &first);
    EXPECT_EQ(Sheet(), sheet);
    EXPECT_EQ(Text(Control(0, IDC_SAVERWAITMIN)), L"7");
    EXPECT_TRUE(second.Modified());
    EXPECT_EQ(::GetForegroundWindow(), sheet);
}

TEST_F(PropertyFormTest, KeyboardTypesSwitchesPagesAndPressesMnemonics) {
    TfrmProperty& form = Open();
    ASSERT_EQ(::GetForegroundWindow(), Sheet());
    // The first page starts on its top-most edit: the minutes; Tab goes on to the seconds.
    ASSERT_EQ(::GetFocus(), Control(0, IDC_SAVERWAITMIN));
    TypeText(L"0");
    PressKeys({VK_TAB});
    TypeText(L"12");
    ASSERT_TRUE(PumpModeless([&] { return Text(Control(0, IDC_SAVERWAITSEC)) == L"12"; }, 2s));
    EXPECT_TRUE(ApplyEnabled());
    PressKeys({VK_MENU, 'A'}); // 適用(&A)
    ASSERT_TRUE(PumpModeless([&] { return !ApplyEnabled(); }, 2s));
    EXPECT_EQ(SettingDword(L"WaitTime"), 12000u);

    PressKeys({VK_MENU, 'H'}); // カーソルを消す(&H)
    ASSERT_TRUE(PumpModeless([&] { return form.Modified(); }, 2s));
    EXPECT_EQ(::IsDlgButtonChecked(Page(0), IDC_HIDECURSOR), BST_CHECKED);

    for (int page = kWholePage; page < kAboutPage; ++page)
        PressKeys({VK_CONTROL, VK_TAB});
    ASSERT_TRUE(PumpModeless([&] { return PropSheet_GetCurrentPageHwnd(Sheet()) == Page(kAboutPage); }, 2s));
    const HWND version = Control(kAboutPage, IDC_ABOUT_VERSION);
    EXPECT_TRUE(::IsWindowVisible(version));
    EXPECT_EQ(Text(version), L"Version 1.0 Release 0 (Build:1)");
    PressKeys({VK_CONTROL, VK_SHIFT, VK_TAB});
    ASSERT_TRUE(
        PumpModeless([&] { return PropSheet_GetCurrentPageHwnd(Sheet()) == Page(kAboutPage - 1); }, 2s));
}

TEST_F(PropertyFormTest, HomePositionCoversTheVirtualScreenAndKeepsExactNumbers) {
    SetSetting(L"HomePosition", std::wstring(L"-100,-50"));
    TfrmProperty& form = Open();
    EXPECT_EQ(Text(Control(0, IDC_HOMEPOSX)), L"-100");
    EXPECT_EQ(Text(Control(0, IDC_HOMEPOSY)), L"-50");
    EXPECT_FALSE(ApplyEnabled());
    int low = 0, high = 0;
    ::SendMessageW(Control(0, IDC_HOMEPOSX_UD), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                   reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, ::GetSystemMetrics(SM_XVIRTUALSCREEN));
    EXPECT_EQ(high, low + ::GetSystemMetrics(SM_CXVIRTUALSCREEN) - 1);
    ::SendMessageW(Control(0, IDC_HOMEPOSY_UD), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                   reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, ::GetSystemMetrics(SM_YVIRTUALSCREEN));
    EXPECT_EQ(high, low + ::GetSystemMetrics(SM_CYVIRTUALSCREEN) - 1);

    SetEdit(IDC_HOMEPOSX, L"-20");
    EXPECT_EQ(form.SaverProperty().HomePosition, (TPoint32{-20, -50}));
    PressSheetButton(PSBTN_APPLYNOW);
    EXPECT_EQ(SettingText(L"HomePosition"), L"-20,-50");
}

TEST_F(PropertyFormTest, EntriesThatAreNoNumbersAreRefusedWithAMessage) {
    struct {
        int Edit;
        const wchar_t* Typed;
        const wchar_t* Message;
    } const cases[] = {
        {IDC_HOMEPOSX, L"1,280", L"「X」には整数を入力してください。"},
        {IDC_HOMEPOSY, L"-", L"「Y」には整数を入力してください。"},
        {IDC_SAVERWAITMIN, L"", L"「分」には整数を入力してください。"},
    };
    for (const auto& c : cases) {
        TfrmProperty& form = Open();
        SetEdit(c.Edit, c.Typed);
        TBoxAnswerer box(ApplicationTitle());
        PropSheet_PressButton(Sheet(), PSBTN_OK);
        ASSERT_TRUE(PumpModeless([&] { return box.Done(); }, 30s));
        EXPECT_EQ(box.Text(), c.Message);
        PumpModelessFor(100ms);
        EXPECT_EQ(FindPropertyForm(), &form) << "still open";
        EXPECT_FALSE(SettingExists(L"HomePosition"));
        EXPECT_EQ(::GetFocus(), Control(0, c.Edit));
        DestroyPropertyForm();
    }
}

// A click on 適用 saves and disables the button under the focus: the keyboard goes on working.
TEST_F(PropertyFormTest, AfterAClickOnApplyTheKeyboardStillWorks) {
    Open();
    ASSERT_EQ(::GetForegroundWindow(), Sheet());
    SetEdit(IDC_SAVERWAITMIN, L"3");
    ASSERT_TRUE(ApplyEnabled());
    RECT button{};
    ::GetWindowRect(ApplyButton(), &button);
    SendMouse({MoveTo((button.left + button.right) / 2, (button.top + button.bottom) / 2),
               Button(MOUSEEVENTF_LEFTDOWN), Button(MOUSEEVENTF_LEFTUP)});
    ASSERT_TRUE(PumpModeless([&] { return !ApplyEnabled(); }, 2s));
    EXPECT_EQ(SettingDword(L"WaitTime"), 180000u);
    PumpModelessFor(100ms);
    EXPECT_NE(::GetFocus(), ApplyButton());
    EXPECT_TRUE(::IsWindowEnabled(::GetFocus()));
    PressKeys({VK_CONTROL, VK_TAB});
    EXPECT_TRUE(PumpModeless([&] { return PropSheet_GetCurrentPageHwnd(Sheet()) == Page(1); }, 2s))
        << "Ctrl+Tab did not reach the dialog";
}

// Memory the process holds: the commit charge (Windows' private bytes; Wine reports its own count here)
// and the GDI objects, where the system counts them.
struct TProcessUse {
    size_t Bytes = 0;
    DWORD GdiObjects = 0;
};
static TProcessUse ProcessUse() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
    return {counters.PagefileUsage, ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)};
}

TEST_F(PropertyFormTest, OpeningAndCancellingManyTimesLeavesNothingBehind) {
    const auto openVisitCancel = [&] {
        Open();
        for (int page = 1; page <= kPageCount; ++page)
            ShowPage(page % kPageCount);
        PressSheetButton(PSBTN_CANCEL);
        ASSERT_TRUE(PumpModeless([this] { return FindPropertyForm() == nullptr; }, 2s));
    };
    for (int i = 0; i < 3; ++i)
        openVisitCancel();
    const TProcessUse before = ProcessUse();
    ASSERT_GT(before.Bytes, 0u);
    constexpr int kOpenings = 20;
    for (int i = 0; i < kOpenings; ++i)
        openVisitCancel();
    const TProcessUse after = ProcessUse();
    // Heap noise stays well under the 20 KB that one kept bitmap or page per opening would add.
    const double bytesPerOpening = (double(after.Bytes) - double(before.Bytes)) / kOpenings;
    EXPECT_LT(bytesPerOpening, 8 * 1024.0) << before.Bytes << " -> " << after.Bytes;
    if (before.GdiObjects != 0) {
        EXPECT_LE(after.GdiObjects, before.GdiObjects + 2);
    }
}

// "除外プログラム": names typed or picked with the open dialog, each once whatever its letter case; 削除
// takes the selected one; Apply stores the list as REG_MULTI_SZ.
TEST_F(PropertyFormTest, ExcludedProgramsAreTypedPickedRemovedAndStored) {
    SetSetting(L"ExcludedPrograms", std::wstring(L"old.exe\0", 8), REG_MULTI_SZ);
    TfrmProperty& form = Open();
    ShowPage(kExcludePage);
    const HWND list = Control(kExcludePage, IDC_EXCLUDED_LIST);
    const auto listed = [&] {
        std::vector<std::wstring> items;
        const auto count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[MAX_PATH] = {};
            ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
        return items;
    };
    const auto typeName = [&](const wchar_t* name) {
        ::SetWindowTextW(Control(kExcludePage, IDC_EXCLUDED_NAME), name);
        Click(kExcludePage, IDC_EXCLUDED_ADDNAME);
    };
    EXPECT_EQ(listed(), (std::vector<std::wstring>{L"old.exe"}));
    EXPECT_FALSE(ApplyEnabled());

    typeName(L"  Game.exe ");
    typeName(L"GAME.EXE"); // there already
    typeName(L"   ");      // nothing
    typeName(L"C:\\Tools\\player.exe");
    EXPECT_EQ(listed(), (std::vector<std::wstring>{L"old.exe", L"Game.exe", L"C:\\Tools\\player.exe"}));
    EXPECT_EQ(Text(Control(kExcludePage, IDC_EXCLUDED_NAME)), L"");
    EXPECT_TRUE(ApplyEnabled());

    // The open dialog gives the file name of the chosen program.
    wchar_t own[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, own, MAX_PATH);
    TDialogDriver picker(L"プログラムの選択", [&](HWND dialog) {
        // The file name box: a combo box in the Explorer-style dialog, an edit in older ones.
        if (!::SetDlgItemTextW(dialog, 0x47C, own))
            ::SetDlgItemTextW(dialog, 0x480, own);
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    Click(kExcludePage, IDC_EXCLUDED_BROWSE);
    ASSERT_TRUE(PumpModeless([&] { return listed().size() == 4; }, 5s)) << "nothing was added";
    EXPECT_TRUE(picker.Worked());
    EXPECT_EQ(listed().back(), L"test_property.exe");
    EXPECT_EQ(::SendMessageW(list, LB_GETCURSEL, 0, 0), 3);

    ::SendMessageW(list, LB_SETCURSEL, 0, 0);
    Click(kExcludePage, IDC_EXCLUDED_REMOVE);
    EXPECT_EQ(listed(),
              (std::vector<std::wstring>{L"Game.exe", L"C:\\Tools\\player.exe", L"test_property.exe"}));
    EXPECT_EQ(form.SaverProperty().ExcludedPrograms, listed());

    PressSheetButton(PSBTN_APPLYNOW);
    EXPECT_FALSE(ApplyEnabled());
    DWORD type = 0, size = 0;
    ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"ExcludedPrograms", RRF_RT_ANY, &type, nullptr,
                             &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    std::wstring stored(size / sizeof(wchar_t), L'\0');
    ::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"ExcludedPrograms", RRF_RT_ANY, nullptr, stored.data(),
                   &size);
    EXPECT_EQ(stored, std::wstring(L"Game.exe\0C:\\Tools\\player.exe\0test_property.exe\0\0", 48));
}

// "ホットキー": two standard hot key controls; keys pressed in them are stored as the control's value; the
// same key for both actions is refused with a message that names it.
TEST_F(PropertyFormTest, HotKeysArePressedInTheirControlsStoredAndAClashIsRefused) {
    SetSetting(L"HotKeyPause", 0x0170); // Shift+F1
    TfrmProperty& form = Open();
    ShowPage(kHotKeyPage);
    const HWND start = Control(kHotKeyPage, IDC_HOTKEY_START), pause = Control(kHotKeyPage, IDC_HOTKEY_PAUSE);
    for (const HWND control : {start, pause}) {
        wchar_t name[64] = {};
        ::GetClassNameW(control, name, 64);
        EXPECT_STREQ(name, L"msctls_hotkey32");
    }
    EXPECT_EQ(LOWORD(::SendMessageW(start, HKM_GETHOTKEY, 0, 0)), 0);
    EXPECT_EQ(LOWORD(::SendMessageW(pause, HKM_GETHOTKEY, 0, 0)), 0x0170);
    EXPECT_FALSE(ApplyEnabled());

    ::SetFocus(start);
    PressKeys({VK_CONTROL, VK_MENU, 'D'});
    ASSERT_TRUE(PumpModeless([&] { return form.SaverProperty().HotKeyStart == 0x0644; }, 2s))
        << std::hex << form.SaverProperty().HotKeyStart;
    EXPECT_EQ(LOWORD(::SendMessageW(start, HKM_GETHOTKEY, 0, 0)), 0x0644);
    EXPECT_TRUE(ApplyEnabled());
    PressSheetButton(PSBTN_APPLYNOW);
    EXPECT_EQ(SettingDword(L"HotKeyStart"), 0x0644u);
    EXPECT_EQ(SettingDword(L"HotKeyPause"), 0x0170u);

    // The pause key made the same: Apply refuses, names the key, and stores nothing.
    ::SetFocus(pause);
    PressKeys({VK_CONTROL, VK_MENU, 'D'});
    ASSERT_TRUE(PumpModeless([&] { return form.SaverProperty().HotKeyPause == 0x0644; }, 2s));
    TBoxAnswerer box(ApplicationTitle());
    PropSheet_PressButton(Sheet(), PSBTN_APPLYNOW);
    ASSERT_TRUE(PumpModeless([&] { return box.Done(); }, 30s));
    EXPECT_EQ(box.Text(),
              L"「今すぐセーバーを開始」と「一時停止の切り替え」に同じキー Ctrl+Alt+D は使えません。");
    PumpModelessFor(100ms);
    EXPECT_EQ(SettingDword(L"HotKeyPause"), 0x0170u);
    EXPECT_TRUE(ApplyEnabled());
}
