// The preview of the playlist window: the selected cursor playing, the transport buttons worked with the
// real mouse, the track bar, zoom and the background colour, with real cursor files.
#include <gtest/gtest.h>

#include "PlayListWindowSupport.h"
#include "playlist/PreviewPane.h"
#include "tools/host/Art.h"

using namespace dovex;
using namespace dovex::test;
using namespace std::chrono_literals;

namespace {

class Preview : public PlayListWindow {
protected:
    // A group of the given files, shown, with its first cursor selected and playing.
    TfrmPlayList& OpenWith(const std::vector<std::wstring>& files) {
        WriteGroup(L"G", files);
        TfrmPlayList& form = Open();
        Select(form, 0);
        return form;
    }

    // Selects one row as the user does and waits for the preview to take it.
    void Select(TfrmPlayList& form, int row) {
        ListView_SetItemState(form.lvGroupList(), -1, 0, LVIS_SELECTED);
        ListView_SetItemState(form.lvGroupList(), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        const std::wstring& file = form.ShownGroup()->Items(row).FileName;
        ASSERT_TRUE(Pump([&] { return Pane(form).acvScreen().Filename() == file; }));
        PumpIdle(50ms);
    }

    static TPreviewPane& Pane(TfrmPlayList& form) { return form.pnlPreviewBase(); }
    static bool Checked(TfrmPlayList& form, UINT button) {
        return ::SendMessageW(Pane(form).tbPreviewNavigator(), TB_ISBUTTONCHECKED, button, 0) != 0;
    }
    // The pressed one of play, pause and stop: exactly one is.
    static std::vector<UINT> PressedTransport(TfrmPlayList& form) {
        std::vector<UINT> pressed;
        for (UINT button : {IDA_PREVIEWPLAY, IDA_PREVIEWPAUSE, IDA_PREVIEWSTOP})
            if (Checked(form, button))
                pressed.push_back(button);
        return pressed;
    }
    static POINT ButtonCentre(TfrmPlayList& form, UINT button) {
        RECT rect{};
        ::SendMessageW(Pane(form).tbPreviewNavigator(), TB_GETRECT, button, reinterpret_cast<LPARAM>(&rect));
        POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ::ClientToScreen(Pane(form).tbPreviewNavigator(), &centre);
        return centre;
    }
    static void Click(TfrmPlayList& form, UINT button) {
        const POINT at = ButtonCentre(form, button);
        MoveMouse({{at, false}, {at, true}, {at, false}});
    }

    // A cursor of `steps` steps, 6 jiffies each, written to the test's folder.
    std::wstring Generated(const std::wstring& name, std::uint32_t steps) {
        art::AniRecipe recipe;
        const art::Design& star = *art::FindDesign("star");
        for (std::uint32_t f = 0; f < steps; ++f)
            recipe.frames.push_back(art::DrawDesign(star, 32, static_cast<int>(f % star.frames)));
        recipe.steps = steps;
        recipe.jifRate = 6;
        const auto bytes = art::WriteAniFile(recipe);
        return TempFile(name, std::string(bytes.begin(), bytes.end()));
    }
};

// Presses a mouse button (MOUSEEVENTF_LEFTDOWN, RIGHTDOWN...) at a point on the screen, or releases it.
void MouseButton(POINT at, DWORD flag) {
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = ::MulDiv(at.x, 65536, width) + 1;
    input.mi.dy = ::MulDiv(at.y, 65536, height) + 1;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flag;
    ::SendInput(1, &input, sizeof(input));
    PumpIdle(150ms);
}

} // namespace

// Seen from outside: a click on a cursor plays it within a second, End moves to the last cursor and the
// preview follows.
TEST_F(Preview, ClickingACursorPlaysItAndEndMovesThePreviewToTheLast) {
    WriteGroup(L"G", {SamplePath("star32.ani"), SamplePath("clock32.ani"), SamplePath("heart64.ani")});
    TfrmPlayList& form = Open();
    const HWND list = form.lvGroupList();
    ASSERT_FALSE(Pane(form).Visible());
    RECT row{};
    ListView_GetItemRect(list, 1, &row, LVIR_LABEL);
    POINT at{row.left + 5, (row.top + row.bottom) / 2};
    ::ClientToScreen(list, &at);
    MoveMouse({{at, false}, {at, true}, {at, false}});
    const auto clicked = std::chrono::steady_clock::now();
    ASSERT_TRUE(Pump([&] { return Pane(form).acvScreen().Active(); }, 1s));
    EXPECT_LT(std::chrono::steady_clock::now() - clicked, 1s);
    EXPECT_EQ(Pane(form).acvScreen().Filename(), SamplePath("clock32.ani"));
    EXPECT_TRUE(Pane(form).Visible());
    // The track bar follows the playing cursor.
    EXPECT_TRUE(Pump([&] { return Pane(form).tbPlayPosition().Position() > 0; }, 2s));

    PressKey(VK_END);
    EXPECT_TRUE(Pump([&] {
        return Pane(form).acvScreen().Filename() == SamplePath("heart64.ani") &&
               Pane(form).acvScreen().Active();
    }));
    EXPECT_EQ(PressedTransport(form), std::vector<UINT>{IDA_PREVIEWPLAY});
}

// Review and cue play five times faster, backwards or forwards, only while held; on release the preview
// returns to forward speed and to the mode chosen with play, pause or stop.
TEST_F(Preview, ReviewAndCueWhileHeldThenTheChosenModeAgain) {
    struct {
        const char* Name;
        UINT Mode;   // play, pause or stop, chosen first
        UINT Button; // review or cue, held
        DWORD Down, Up;
        bool ActiveAfter;
    } const cases[] = {
        {"review while paused", IDA_PREVIEWPAUSE, IDA_PREVIEWREVIEW, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP,
         false},
        {"cue while stopped", IDA_PREVIEWSTOP, IDA_PREVIEWCUE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP,
         false},
        {"review while playing", IDA_PREVIEWPLAY, IDA_PREVIEWREVIEW, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP,
         true},
        {"cue with the right button", IDA_PREVIEWPAUSE, IDA_PREVIEWCUE, MOUSEEVENTF_RIGHTDOWN,
         MOUSEEVENTF_RIGHTUP, false},
    };
    TfrmPlayList& form = OpenWith({SamplePath("clock32.ani")});
    TAniCursorView& view = Pane(form).acvScreen();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Click(form, c.Mode);
        ASSERT_EQ(PressedTransport(form), std::vector<UINT>{c.Mode});
        const POINT at = ButtonCentre(form, c.Button);
        MouseButton(at, c.Down);
        EXPECT_TRUE(view.Active());
        EXPECT_EQ(view.Speed(), TPreviewPane::kSpeedFast);
        EXPECT_EQ(view.Reverse(), c.Button == IDA_PREVIEWREVIEW);
        const int before = view.Position();
        PumpIdle(300ms); // 33 ms steps: several of them
        EXPECT_NE(view.Position(), before);
        MouseButton(at, c.Up);
        EXPECT_EQ(view.Active(), c.ActiveAfter);
        EXPECT_EQ(view.Speed(), 1);
        EXPECT_FALSE(view.Reverse());
        EXPECT_EQ(PressedTransport(form), std::vector<UINT>{c.Mode});
        if (c.Mode == IDA_PREVIEWSTOP) {
            EXPECT_EQ(view.Position(), 0);
            EXPECT_EQ(Pane(form).tbPlayPosition().Position(), 0);
        }
    }
}

TEST_F(Preview, PausingThenSelectingAnotherCursorPlaysTheNewOne) {
    TfrmPlayList& form = OpenWith({SamplePath("star32.ani"), SamplePath("clock32.ani")});
    Click(form, IDA_PREVIEWPAUSE);
    EXPECT_FALSE(Pane(form).acvScreen().Active());
    EXPECT_EQ(PressedTransport(form), std::vector<UINT>{IDA_PREVIEWPAUSE});
    Select(form, 1);
    EXPECT_TRUE(Pane(form).acvScreen().Active());
    EXPECT_EQ(Pane(form).acvScreen().Position(), 0);
    EXPECT_EQ(PressedTransport(form), std::vector<UINT>{IDA_PREVIEWPLAY});
}

// The track bar moved by the user shows that step, pauses, and stays where the user left it.
TEST_F(Preview, TheTrackBarMovedToTheEndPausesOnTheLastStep) {
    TfrmPlayList& form = OpenWith({SamplePath("clock32.ani")});
    TTrackBarEx& track = Pane(form).tbPlayPosition();
    ::SetFocus(track.Handle());
    PressKey(VK_END);
    EXPECT_EQ(track.Position(), 11);
    EXPECT_EQ(Pane(form).acvScreen().Position(), 11);
    EXPECT_FALSE(Pane(form).acvScreen().Active());
    EXPECT_EQ(PressedTransport(form), std::vector<UINT>{IDA_PREVIEWPAUSE});
    PumpIdle(400ms);
    EXPECT_EQ(track.Position(), 11);

    // Dragging the thumb with the mouse to the left end; paused, the thumb stays where it was put.
    RECT thumb{};
    ::SendMessageW(track.Handle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    POINT from{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    ::ClientToScreen(track.Handle(), &from);
    const POINT to{from.x - 400, from.y};
    MoveMouse({{from, false}, {from, true}, {POINT{from.x - 40, from.y}, true}, {to, true}, {to, false}});
    EXPECT_EQ(track.Position(), 0);
    EXPECT_EQ(Pane(form).acvScreen().Position(), 0);
    EXPECT_FALSE(Pane(form).acvScreen().Active());
    EXPECT_EQ(PressedTransport(form), std::vector<UINT>{IDA_PREVIEWPAUSE});
}

// The sample holds every frame at 32 to 128 pixels: the view draws the image of its own size, not a
// smaller one stretched.
TEST_F(Preview, ZoomTogglesBetween32And64CentredInThePanel) {
    TfrmPlayList& form = OpenWith({SamplePath("heart64.ani")});
    TAniCursorView& view = Pane(form).acvScreen();
    auto cursorWidth = [&] {
        ICONINFO info{};
        if (!::GetIconInfo(view.CursorHandle(), &info))
            return 0;
        BITMAP bitmap{};
        ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        return static_cast<int>(bitmap.bmWidth);
    };
    auto centred = [&](int size) {
        EXPECT_EQ(cursorWidth(), size);
        RECT panel{}, placed{};
        ::GetClientRect(Pane(form).pnlPreview(), &panel);
        ::GetWindowRect(view.Handle(), &placed);
        ::MapWindowPoints(nullptr, Pane(form).pnlPreview(), reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(placed.right - placed.left, size);
        EXPECT_EQ(placed.bottom - placed.top, size);
        EXPECT_EQ(placed.left, (panel.right - size) / 2);
        EXPECT_EQ(panel.bottom, size); // the panel is as high as the view
    };
    centred(32);
    const int height = Pane(form).PreferredHeight();
    Click(form, IDA_PREVIEWZOOM);
    EXPECT_TRUE(Checked(form, IDA_PREVIEWZOOM));
    centred(64);
    EXPECT_EQ(Pane(form).PreferredHeight(), height + 32);
    RECT base{};
    ::GetClientRect(form.InfoPane().PreviewBasePanel(), &base);
    EXPECT_EQ(base.bottom, height + 32);
    Click(form, IDA_PREVIEWZOOM);
    EXPECT_FALSE(Checked(form, IDA_PREVIEWZOOM));
    centred(32);
    EXPECT_TRUE(view.Active()); // zooming leaves playback alone
}

// The pointer on a button shows the long part of its hint in the status bar, and nothing once it has left.
TEST_F(Preview, ButtonHintsReachTheStatusBar) {
    TfrmPlayList& form = OpenWith({SamplePath("clock32.ani")});
    auto status = [&] { return StatusText(form.StatusBar()); };
    struct {
        UINT Button;
        const wchar_t* Text;
    } const cases[] = {
        {IDA_PREVIEWZOOM, L"表示サイズを変更します。"},      {IDA_PREVIEWPLAY, L"カーソルを再生表示します。"},
        {IDA_PREVIEWPAUSE, L"再生を一時停止します。"},       {IDA_PREVIEWSTOP, L"再生を停止します。"},
        {IDA_PREVIEWREVIEW, L"5倍速で巻き戻し再生します。"}, {IDA_PREVIEWCUE, L"5倍速で早送り再生します。"},
    };
    for (const auto& c : cases) {
        const POINT at = ButtonCentre(form, c.Button);
        MoveMouse({{POINT{at.x, at.y - 2}, false}, {at, false}});
        EXPECT_TRUE(Pump([&] { return status() == c.Text; }, 2s)) << status();
    }
    RECT list{};
    ::GetWindowRect(form.lvGroupList(), &list);
    MoveMouse({{POINT{list.left + 200, list.top + 200}, false}});
    EXPECT_TRUE(Pump([&] { return status().empty(); }, 2s)) << status();
}

// The track bar's range: the steps less one, a tenth of it as the page, at least 1.
TEST_F(Preview, TrackBarRangeAndPageFromTheStepCount) {
    struct {
        std::uint32_t Steps;
        int Max, Page;
    } const cases[] = {{25, 24, 2}, {5, 4, 1}, {1, 0, 1}, {21, 20, 2}};
    std::vector<std::wstring> files;
    for (const auto& c : cases)
        files.push_back(Generated(L"steps" + std::to_wstring(c.Steps) + L".ani", c.Steps));
    TfrmPlayList& form = OpenWith(files);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].Steps);
        Select(form, static_cast<int>(i));
        EXPECT_EQ(Pane(form).tbPlayPosition().Max(), cases[i].Max);
        EXPECT_EQ(Pane(form).tbPlayPosition().PageSize(), cases[i].Page);
    }
}

// Two cursors, or a cursor that can no longer be read, leave nothing playing; the latter says nothing.
TEST_F(Preview, NothingPlaysForTwoCursorsOrAFileThatChangedSinceItWasExamined) {
    const std::wstring changing = TempFile(L"changing.ani");
    std::filesystem::copy_file(SamplePath("clock32.ani"), changing,
                               std::filesystem::copy_options::overwrite_existing);
    TfrmPlayList& form = OpenWith({SamplePath("star32.ani"), changing});
    ListView_SetItemState(form.lvGroupList(), 1, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_TRUE(Pump([&] { return !Pane(form).Visible(); }));
    EXPECT_FALSE(Pane(form).acvScreen().Active());
    EXPECT_EQ(Pane(form).acvScreen().Filename(), L"");

    Select(form, 1); // examined as usable, played
    ASSERT_TRUE(Pane(form).acvScreen().Active());
    TMessageBoxAnswerer boxes(L"Dovex");
    TempFile(L"changing.ani", "RIFF\x04\0\0\0ACON");
    ListView_SetItemState(form.lvGroupList(), -1, 0, LVIS_SELECTED);
    PumpIdle(100ms);
    Select(form, 1);
    EXPECT_FALSE(Pane(form).acvScreen().Active());
    EXPECT_EQ(Pane(form).acvScreen().CursorHandle(), nullptr);
    EXPECT_FALSE(::IsWindowEnabled(Pane(form).tbPlayPosition().Handle()));
    PumpIdle(300ms);
    EXPECT_TRUE(boxes.Texts().empty());
}

// A double click on the preview opens the colour dialog with the panel's colour; the chosen colour is the
// new background and is kept for the next opening.
void StorePreviewColor(DWORD value) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kPlaylistKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key, L"PreviewBackgroundColor", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                     sizeof(value));
    ::RegCloseKey(key);
}

// Whatever the stored value, the preview shows a plain colour, and the value is kept as it was.
TEST_F(Preview, StoredBackgroundColoursOfEveryKind) {
    struct {
        DWORD Stored;
        COLORREF Shown;
    } const cases[] = {
        {RGB(0x20, 0x40, 0x60), RGB(0x20, 0x40, 0x60)},
        {0xFF000005, ::GetSysColor(COLOR_WINDOW)}, // a system colour, as older versions kept it
        {0x02123456, 0x123456},                    // a palette-relative value: its colour part
        {0x80000000, ::GetSysColor(0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.Stored);
        StorePreviewColor(c.Stored);
        TfrmPlayList& form = Open();
        EXPECT_EQ(Pane(form).BackgroundColor(), c.Shown);
        EXPECT_EQ(Pane(form).acvScreen().Color(), c.Shown);
        form.Execute(IDA_EXIT);
        ASSERT_TRUE(Pump([this] { return PlayListForm() == nullptr; }));
        DWORD kept = 0;
        ASSERT_TRUE(ReadPreference(L"PreviewBackgroundColor", kept));
        EXPECT_EQ(kept, c.Stored);
    }
}

TEST_F(Preview, DoubleClickChoosesTheBackgroundColourAndItIsKept) {
    const DWORD stored = RGB(0x20, 0x40, 0x60);
    StorePreviewColor(stored);
    TfrmPlayList& form = OpenWith({SamplePath("clock32.ani")});
    EXPECT_EQ(Pane(form).BackgroundColor(), stored);
    EXPECT_EQ(Pane(form).acvScreen().Color(), stored);

    COLORREF offered = 0;
    TDialogDriver driver(L"色", [&](HWND dialog) {
        wchar_t text[8] = {};
        ::GetDlgItemTextW(dialog, 706, text, 8); // red
        offered = RGB(_wtoi(text), 0, 0);
        ::GetDlgItemTextW(dialog, 707, text, 8);
        offered |= RGB(0, _wtoi(text), 0);
        ::GetDlgItemTextW(dialog, 708, text, 8);
        offered |= RGB(0, 0, _wtoi(text));
        ::SetDlgItemTextW(dialog, 706, L"255");
        ::SetDlgItemTextW(dialog, 707, L"128");
        ::SetDlgItemTextW(dialog, 708, L"0");
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    RECT view{};
    ::GetWindowRect(Pane(form).acvScreen().Handle(), &view);
    const POINT at{(view.left + view.right) / 2, (view.top + view.bottom) / 2};
    MoveMouse({{at, false}, {at, true}, {at, false}, {at, true}, {at, false}});
    ASSERT_TRUE(Pump([&] { return driver.Worked(); }, 10s));
    PumpIdle(300ms);
    EXPECT_EQ(offered, stored);
    EXPECT_EQ(Pane(form).BackgroundColor(), RGB(255, 128, 0));
    EXPECT_EQ(Pane(form).acvScreen().Color(), RGB(255, 128, 0));

    form.Execute(IDA_EXIT);
    PumpIdle();
    DWORD kept = 0;
    ASSERT_TRUE(ReadPreference(L"PreviewBackgroundColor", kept));
    EXPECT_EQ(kept, RGB(255, 128, 0));
}

// Sends the window the message of a move to a monitor of another DPI, with a rectangle of that DPI.
void ChangeDpi(TfrmPlayList& form, UINT dpi) {
    const RECT suggested{20, 10, 20 + ::MulDiv(800, dpi, 144), 10 + ::MulDiv(700, dpi, 144)};
    ::SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    PumpIdle();
}

TEST_F(Preview, ANewDpiScalesTheViewTheTrackBarAndTheButtons) {
    TfrmPlayList& form = OpenWith({SamplePath("clock32.ani")});
    for (UINT dpi : {144u, 96u}) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        ChangeDpi(form, dpi);
        EXPECT_EQ(Pane(form).acvScreen().Size().cx, ::MulDiv(32, dpi, 96));
        EXPECT_EQ(Pane(form).tbPlayPosition().ThumbLength(), ::MulDiv(14, dpi, 96));
        const HWND navigator = Pane(form).tbPreviewNavigator();
        int cx = 0, cy = 0;
        ::ImageList_GetIconSize(
            reinterpret_cast<HIMAGELIST>(::SendMessageW(navigator, TB_GETIMAGELIST, 0, 0)), &cx, &cy);
        EXPECT_EQ(cx, ::GetSystemMetricsForDpi(SM_CXSMICON, dpi));
        // Every button whole inside the bar, and the bar inside the preview.
        RECT bar{}, button{}, pane{};
        ::GetClientRect(navigator, &bar);
        ::SendMessageW(navigator, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
        EXPECT_GE(button.bottom - button.top, cy);
        EXPECT_LE(button.bottom, bar.bottom);
        ::GetWindowRect(navigator, &bar);
        ::GetWindowRect(Pane(form).Handle(), &pane);
        EXPECT_LE(bar.bottom, pane.bottom);
        EXPECT_EQ(pane.bottom - pane.top, Pane(form).PreferredHeight());
    }
}

// Not a check: keeps a cursor playing zoomed for a screenshot; DOVEX_PREVIEW_HOLD_MS sets how long,
// DOVEX_PREVIEW_DPI the DPI.
// --gtest_also_run_disabled_tests --gtest_filter=*Screenshot*
TEST_F(Preview, DISABLED_ShowForScreenshot) {
    TfrmPlayList& form = OpenWith({SamplePath("heart64.ani"), SamplePath("clock64.ani")});
    if (const char* dpi = std::getenv("DOVEX_PREVIEW_DPI"))
        ChangeDpi(form, static_cast<UINT>(std::atoi(dpi)));
    Click(form, IDA_PREVIEWZOOM);
    const char* hold = std::getenv("DOVEX_PREVIEW_HOLD_MS");
    PumpIdle(std::chrono::milliseconds(hold ? std::atoi(hold) : 5000));
}
