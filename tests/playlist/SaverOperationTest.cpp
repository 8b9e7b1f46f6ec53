// The group play settings of the playlist window: what the pages and boxes show for a group, what a change
// stores in it and what reaches the registry, with real input and the real window.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "PlayListWindowSupport.h"

using namespace dovex;
using namespace dovex::test;
using namespace std::chrono_literals;

namespace {

using TBox = HWND (TSaverOperationPane::*)() const noexcept;

std::wstring TextOf(HWND window) {
    wchar_t text[64] = {};
    ::GetWindowTextW(window, text, 64);
    return text;
}

// The texts of the count box and of the minute and second boxes.
std::vector<std::wstring> BoxTexts(const TSaverOperationPane& pane) {
    return {TextOf(pane.edtSaverNums()), TextOf(pane.edtSaverTimeMin()), TextOf(pane.edtSaverTimeSec())};
}

RECT ScreenRect(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}

POINT Centre(const RECT& rect) {
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

using TChildren = std::map<std::wstring, std::vector<HWND>>;

BOOL CALLBACK AddVisibleChild(HWND child, LPARAM children) {
    if (::IsWindowVisible(child))
        (*reinterpret_cast<TChildren*>(children))[ClassOf(child)].push_back(child);
    return TRUE;
}

// The visible windows inside a window, by class.
TChildren VisibleChildren(HWND parent) {
    TChildren children;
    ::EnumChildWindows(parent, &AddVisibleChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

class GroupPlay : public PlayListWindow {
protected:
    // A group's key with its play settings, as the program writes them.
    static void WriteSettings(const std::wstring& name, DWORD mode, DWORD nums, DWORD time) {
        WriteGroup(name, {});
        for (const auto& [value, data] :
             {std::pair{L"SaverMode", mode}, {L"SaverPlayNums", nums}, {L"SaverPlayTime", time}})
            SetValue(name, value, data);
    }
    static void SetValue(const std::wstring& group, const wchar_t* name, DWORD data) {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, GroupKey(group).c_str(), name, REG_DWORD, &data, sizeof(data));
    }
    // The stored number, or nothing when the value is missing.
    static std::optional<DWORD> Stored(const std::wstring& group, const wchar_t* name) {
        DWORD data = 0, size = sizeof(data);
        if (::RegGetValueW(HKEY_CURRENT_USER, GroupKey(group).c_str(), name, RRF_RT_REG_DWORD, nullptr, &data,
                           &size) != ERROR_SUCCESS)
            return std::nullopt;
        return data;
    }
    static const TSaverOperationPane& Pane(TfrmPlayList& form) { return form.InfoPane().SaverOperation(); }
    static void ShowGroup(TfrmPlayList& form, int index) {
        TreeView_SelectItem(form.tvGroup(), NodeOf(form.tvGroup(), index));
        PumpIdle(50ms);
    }
    // Clicks the page's button with the desktop's mouse.
    static void ClickPage(TfrmPlayList& form, TSaverPage page) {
        const HWND pages = Pane(form).pcSaverOperation();
        RECT button{};
        TabCtrl_GetItemRect(pages, page, &button);
        POINT at = Centre(button);
        ::ClientToScreen(pages, &at);
        MoveMouse({{at, false}, {at, true}, {at, false}});
    }
    // Types into the box from the desktop's keyboard, over what it held.
    static void TypeInto(HWND box, std::vector<TKeyStroke> keys) {
        ::SetFocus(box);
        ::SendMessageW(box, EM_SETSEL, 0, -1);
        PressKeys(std::move(keys));
    }
};

} // namespace

TEST_F(GroupPlay, WithoutAGroupNothingIsSetAndANewGroupCountsOneCycleOrPlaysOneSecond) {
    WriteSettings(L"A", 1, 4, 2000);
    TfrmPlayList& form = Open();
    const TSaverOperationPane& pane = Pane(form);
    ::SetFocus(form.tvGroup());
    form.Execute(IDA_PLAYLISTDELETE);
    EXPECT_EQ(pane.Group(), nullptr) << "the deleted group is gone from the pane too";
    EXPECT_FALSE(::IsWindowEnabled(pane.pcSaverOperation()));
    EXPECT_FALSE(::IsWindowEnabled(pane.edtSaverNums()));
    EXPECT_EQ(BoxTexts(pane), (std::vector<std::wstring>{L"1", L"0", L"0"}));
    ::SetWindowTextW(pane.edtSaverNums(), L"9");

    form.Execute(IDA_ADDGROUP);
    TreeView_EndEditLabelNow(form.tvGroup(), TRUE);
    ASSERT_NE(form.ShownGroup(), nullptr);
    EXPECT_EQ(pane.Group(), form.ShownGroup());
    EXPECT_TRUE(::IsWindowEnabled(pane.edtSaverNums()));
    EXPECT_EQ(pane.ActivePage(), tsNumTimes);
    EXPECT_EQ(BoxTexts(pane), (std::vector<std::wstring>{L"1", L"0", L"1"}))
        << "nothing typed before is kept";
    EXPECT_TRUE(::IsWindowVisible(pane.edtSaverNums()));
    EXPECT_FALSE(::IsWindowVisible(pane.edtSaverTimeSec())) << "the time page is not shown";
    EXPECT_FALSE(form.ShownGroup()->Modified()) << "showing a group changes nothing in it";
}

TEST_F(GroupPlay, TheTimeBoxesStoreWholeSecondsFromOneSecondToSixtyMinutes) {
    WriteSettings(L"A", 1, 1, 1000);
    WriteSettings(L"B", 0, 1, 1000);
    TfrmPlayList& form = Open();
    const TSaverOperationPane& pane = Pane(form);
    struct {
        const wchar_t *Minutes, *Seconds;
        DWORD Stored;
        std::vector<std::wstring> ShownAgain; // minutes and seconds
    } const cases[] = {
        {L"0", L"0", 1000, {L"0", L"1"}},
        {L"60", L"30", 3600000, {L"60", L"0"}},
        {L"2", L"5", 125000, {L"2", L"5"}},
        {L"0", L"59", 59000, {L"0", L"59"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed " << c.Stored);
        ::SetWindowTextW(pane.edtSaverTimeMin(), c.Minutes);
        ::SetWindowTextW(pane.edtSaverTimeSec(), c.Seconds);
        EXPECT_EQ(form.Groups(0).SaverPlayTime(), static_cast<int32_t>(c.Stored));
        EXPECT_EQ(TextOf(pane.edtSaverTimeMin()), c.Minutes) << "the boxes are not corrected";
        EXPECT_EQ(TextOf(pane.edtSaverTimeSec()), c.Seconds);
        ShowGroup(form, 1);
        EXPECT_EQ(Stored(L"A", L"SaverPlayTime"), c.Stored) << "written when the group is left";
        ShowGroup(form, 0);
        EXPECT_EQ((std::vector{TextOf(pane.edtSaverTimeMin()), TextOf(pane.edtSaverTimeSec())}),
                  c.ShownAgain);
    }
}

TEST_F(GroupPlay, AStoredPartOfASecondStaysUntilABoxChanges) {
    struct {
        TBox Box;
        const wchar_t* Typed;
        DWORD Stored;
    } const cases[] = {
        {&TSaverOperationPane::edtSaverTimeMin, L"1", 61000},
        {&TSaverOperationPane::edtSaverTimeSec, L"1", 1000}, // the text it had, typed again
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed " << c.Stored);
        WriteSettings(L"A", 1, 1, 1500);
        WriteSettings(L"B", 0, 1, 1000);
        TfrmPlayList& form = Open();
        const TSaverOperationPane& pane = Pane(form);
        EXPECT_EQ(pane.ActivePage(), tsTime);
        EXPECT_EQ(BoxTexts(pane)[1], L"0");
        EXPECT_EQ(BoxTexts(pane)[2], L"1");
        ShowGroup(form, 1);
        ShowGroup(form, 0);
        EXPECT_EQ(form.Groups(0).SaverPlayTime(), 1500);
        EXPECT_FALSE(form.Groups(0).Modified());
        ::SetWindowTextW((pane.*c.Box)(), c.Typed);
        EXPECT_EQ(form.Groups(0).SaverPlayTime(), static_cast<int32_t>(c.Stored));
        ClosePlayListForm();
        EXPECT_EQ(Stored(L"A", L"SaverPlayTime"), c.Stored) << "written at close";
    }
}

TEST_F(GroupPlay, ThePickedPageDecidesTheModeWrittenWhenTheGroupIsLeft) {
    struct {
        std::vector<TSaverPage> Clicks;
        DWORD Mode;
        bool Rewritten;
    } const cases[] = {
        {{}, 0, false},
        {{tsTime}, 1, true},
        {{tsTime, tsNumTimes}, 0, true}, // changed twice, back to what was stored
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Clicks.size() << " clicks");
        WriteSettings(L"A", 0, 1, 1000);
        SetValue(L"A", L"Unknown", 7); // a rewrite of the key leaves it out
        WriteSettings(L"B", 0, 1, 1000);
        TfrmPlayList& form = Open();
        const TSaverOperationPane& pane = Pane(form);
        for (TSaverPage page : c.Clicks) {
            ClickPage(form, page);
            EXPECT_EQ(pane.ActivePage(), page);
            EXPECT_EQ(::IsWindowVisible(pane.edtSaverNums()) != FALSE, page == tsNumTimes);
            EXPECT_EQ(::IsWindowVisible(pane.edtSaverTimeMin()) != FALSE, page == tsTime);
        }
        ShowGroup(form, 1);
        EXPECT_EQ(Stored(L"A", L"SaverMode"), c.Mode);
        EXPECT_EQ(Stored(L"A", L"Unknown").has_value(), !c.Rewritten);
        ClosePlayListForm();
    }
}

TEST_F(GroupPlay, ACountTypedForOneGroupStaysWithIt) {
    WriteSettings(L"A", 0, 1, 1000);
    WriteSettings(L"B", 0, 7, 1000);
    TfrmPlayList& form = Open();
    const TSaverOperationPane& pane = Pane(form);
    TypeInto(pane.edtSaverNums(), {{'1'}, {'5'}});
    EXPECT_EQ(form.Groups(0).SaverPlayNums(), 15);

    ShowGroup(form, 1);
    EXPECT_EQ(TextOf(pane.edtSaverNums()), L"7");
    EXPECT_EQ(form.Groups(1).SaverPlayNums(), 7);
    EXPECT_FALSE(form.Groups(1).Modified());
    EXPECT_EQ(Stored(L"A", L"SaverPlayNums"), 15u);
    ShowGroup(form, 0);
    EXPECT_EQ(TextOf(pane.edtSaverNums()), L"15");
}

TEST_F(GroupPlay, ABoxShowsWhatItsGroupHoldsOnceTheKeyboardLeavesIt) {
    WriteSettings(L"A", 0, 20, 1000);
    TfrmPlayList& form = Open();
    const TSaverOperationPane& pane = Pane(form);
    TypeInto(pane.edtSaverNums(), {{'X'}});
    EXPECT_EQ(TextOf(pane.edtSaverNums()), L"20") << "letters are refused";
    TypeInto(pane.edtSaverNums(), {{'1'}, {'5'}, {'0'}});
    const int32_t count = form.Groups(0).SaverPlayNums();
    EXPECT_GE(count, 1);
    EXPECT_LE(count, 100) << "150 is out of the count's range";
    PressKey(VK_TAB);
    EXPECT_EQ(TextOf(pane.edtSaverNums()), std::to_wstring(count));
    EXPECT_EQ(form.Groups(0).SaverPlayNums(), count);
}

TEST_F(GroupPlay, TheKeyboardReachesThePagesAndStepsTheBoxes) {
    WriteSettings(L"A", 0, 3, 1000);
    TfrmPlayList& form = Open();
    const TSaverOperationPane& pane = Pane(form);
    ::SetFocus(form.lvGroupList());
    PressKey('G', {VK_MENU});
    EXPECT_EQ(::GetFocus(), pane.pcSaverOperation()) << "Alt+G, the label's mnemonic";
    for (const auto& [key, page] : {std::pair{VK_RIGHT, tsTime}, {VK_RIGHT, tsTime}, {VK_LEFT, tsNumTimes}}) {
        PressKey(key);
        EXPECT_EQ(pane.ActivePage(), page);
        EXPECT_EQ(form.Groups(0).SaverMode(), page == tsTime ? smTime : smNumTimes);
    }
    PressKey(VK_TAB);
    ASSERT_EQ(::GetFocus(), pane.edtSaverNums()) << "no menu took the keyboard";
    struct {
        WORD Key;
        const wchar_t* Shown;
    } const steps[] = {{VK_UP, L"4"}, {VK_DOWN, L"3"}, {VK_DOWN, L"2"}, {VK_DOWN, L"1"}, {VK_DOWN, L"1"}};
    for (const auto& step : steps) {
        PressKey(step.Key);
        EXPECT_EQ(TextOf(pane.edtSaverNums()), step.Shown);
        EXPECT_EQ(std::to_wstring(form.Groups(0).SaverPlayNums()), step.Shown);
    }
}

TEST_F(GroupPlay, AModeOtherThanACountShowsTheTimePageAndStaysUntilAPageIsPicked) {
    WriteSettings(L"A", 5, 1, 1000);
    TfrmPlayList& form = Open();
    EXPECT_EQ(Pane(form).ActivePage(), tsTime) << "the show plays it by time";
    EXPECT_EQ(form.Groups(0).SaverMode(), 5);
    EXPECT_FALSE(form.Groups(0).Modified());
}

TEST_F(GroupPlay, ThePageControlTellsItsPurposeInTheStatusBar) {
    WriteSettings(L"A", 0, 1, 1000);
    TfrmPlayList& form = Open();
    const POINT away = Centre(ScreenRect(form.lvGroupList()));
    const POINT pages = Centre(ScreenRect(Pane(form).pcSaverOperation()));
    MoveMouse({{away, false}});
    MoveMouse({{POINT{pages.x - 2, pages.y}, false}, {pages, false}});
    Pump([&] { return !StatusText(form.StatusBar()).empty(); }, 1s);
    EXPECT_EQ(StatusText(form.StatusBar()), L"セーバー動作時のカーソル表示動作を選択します。");
    MoveMouse({{POINT{away.x - 2, away.y}, false}, {away, false}});
    Pump([&] { return StatusText(form.StatusBar()).empty(); }, 1s);
    EXPECT_EQ(StatusText(form.StatusBar()), L"");
}

TEST_F(GroupPlay, SeenFromOutsideTheWindowShowsPagesWithUpDowns) {
    WriteSettings(L"A", 1, 1, 1000);
    TfrmPlayList& form = Open();
    auto shown = VisibleChildren(form.Handle());
    ASSERT_EQ(shown[L"SysTabControl32"].size(), 1u);
    EXPECT_GE(shown[L"msctls_updown32"].size(), 2u);
    const HWND pages = shown[L"SysTabControl32"].front();
    std::vector<std::wstring> captions;
    for (int i = 0; i < TabCtrl_GetItemCount(pages); ++i) {
        wchar_t text[32] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 32;
        TabCtrl_GetItem(pages, i, &item);
        captions.emplace_back(text);
    }
    EXPECT_EQ(captions, (std::vector<std::wstring>{L"回数", L"時間"}));
    EXPECT_EQ(::GetWindowLongPtrW(pages, GWL_STYLE) & TCS_BUTTONS, TCS_BUTTONS);
}

TEST_F(GroupPlay, ANewDpiScalesThePagesAndKeepsEveryControlInThePane) {
    WriteSettings(L"A", 1, 1, 1000);
    TfrmPlayList& form = Open();
    const TSaverOperationPane& pane = Pane(form);
    for (UINT dpi : {144u, 96u}) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        const RECT suggested{20, 10, 20 + ::MulDiv(760, dpi, 96), 10 + ::MulDiv(560, dpi, 96)};
        ::SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                       reinterpret_cast<LPARAM>(&suggested));
        PumpIdle();
        RECT button{};
        TabCtrl_GetItemRect(pane.pcSaverOperation(), 0, &button);
        EXPECT_EQ(button.right - button.left, ::MulDiv(68, dpi, 96)) << "the fixed tab width";
        const RECT area = ScreenRect(pane.Handle());
        EXPECT_EQ(area.bottom - area.top, ::MulDiv(94, dpi, 96));
        for (HWND control : {pane.lblSaverOperation(), pane.pcSaverOperation(), pane.edtSaverTimeMin(),
                             pane.udSaverTimeMin(), pane.edtSaverTimeSec(), pane.udSaverTimeSec()}) {
            RECT inside{};
            const RECT rect = ScreenRect(control);
            EXPECT_TRUE(::IntersectRect(&inside, &rect, &area) && ::EqualRect(&inside, &rect))
                << ClassOf(control) << " is cut off";
        }
        const RECT edit = ScreenRect(pane.edtSaverTimeSec()), upDown = ScreenRect(pane.udSaverTimeSec());
        EXPECT_EQ(upDown.left, edit.right) << "the up-down stands beside its box";
        EXPECT_EQ(upDown.top, edit.top);
    }
}
