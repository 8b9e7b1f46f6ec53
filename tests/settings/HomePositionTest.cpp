// The home position picker, the confirmation flash and a stored position that does not parse.
#include <gtest/gtest.h>

#include "SettingsEnvironment.h"
#include "base/ErrorBox.h"

using namespace dovex;
using namespace dovex::test;

namespace {

// Real mouse input at a point of the virtual screen.
void MouseAt(POINT point, DWORD buttons = 0) {
    const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN), top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = ::GetSystemMetrics(SM_CXVIRTUALSCREEN), height = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = ::MulDiv(point.x - left, 65535, width - 1);
    in.mi.dy = ::MulDiv(point.y - top, 65535, height - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | buttons;
    ::SendInput(1, &in, sizeof(in));
}

// A drag moves the pointer in steps, as a hand does.
void MouseAlong(POINT from, POINT to, DWORD lastButtons = 0) {
    constexpr int kSteps = 4;
    for (int i = 1; i <= kSteps; ++i) {
        const POINT step{from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps};
        MouseAt(step, i == kSteps ? lastButtons : 0);
        PumpModelessFor(20ms);
    }
}

COLORREF ScreenPixel(POINT point) {
    const HDC screen = ::GetDC(nullptr);
    const COLORREF color = ::GetPixel(screen, point.x, point.y);
    ::ReleaseDC(nullptr, screen);
    return color;
}

class HomePosition : public PropertyFormTest {};

} // namespace

TEST_F(HomePosition, DraggingTheToolFollowsThePointerAndEndsInTheSlot) {
    const TfrmProperty& form = Open();
    const TPositionTool& tool = form.PositionTool();
    RECT slot{};
    ::GetWindowRect(Control(0, IDC_POSITIONTOOL), &slot);
    const POINT centre{(slot.left + slot.right) / 2, (slot.top + slot.bottom) / 2};
    MouseAt(centre);
    PumpModelessFor(100ms);
    const COLORREF withTool = ScreenPixel(centre);

    MouseAt(centre, MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(PumpModeless([&] { return tool.Dragging(); }, 2s));
    PumpModelessFor(100ms);
    EXPECT_EQ(::GetCursor(), tool.DragCursor());
    EXPECT_NE(ScreenPixel(centre), withTool) << "the slot shows empty while the tool is away";

    // The numbers follow the pointer, and with them the settings.
    MouseAlong(centre, {100, 120});
    ASSERT_TRUE(PumpModeless(
        [&] { return Text(Control(0, IDC_HOMEPOSX)) == L"100" && Text(Control(0, IDC_HOMEPOSY)) == L"120"; },
        2s));
    EXPECT_EQ(form.SaverProperty().HomePosition, (TPoint32{100, 120}));
    EXPECT_TRUE(ApplyEnabled());
    EXPECT_TRUE(tool.Dragging());

    MouseAlong({100, 120}, {0, 0}, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(PumpModeless([&] { return !tool.Dragging(); }, 2s));
    PumpModelessFor(100ms);
    EXPECT_EQ(Text(Control(0, IDC_HOMEPOSX)), L"0");
    EXPECT_EQ(Text(Control(0, IDC_HOMEPOSY)), L"0");
    EXPECT_EQ(form.SaverProperty().HomePosition, (TPoint32{0, 0}));
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(ScreenPixel(centre), withTool) << "the tool is back in its slot";
}

TEST_F(HomePosition, ConfirmingFlashesASquareOnThePointFiveTimesWithoutTakingTheFocus) {
    SetSetting(L"HomePosition", std::wstring(L"300,200"));
    const TfrmProperty& form = Open();
    const HWND foreground = ::GetForegroundWindow();
    Click(0, IDC_CONFIRMHOMEPOSITION);
    const HWND flash = ::FindWindowW(TPositionFlash::kClassName, nullptr);
    ASSERT_NE(flash, nullptr);
    RECT rect{};
    ::GetWindowRect(flash, &rect);
    EXPECT_EQ(rect.left, 284);
    EXPECT_EQ(rect.top, 184);
    EXPECT_EQ(rect.right, 316);
    EXPECT_EQ(rect.bottom, 216);
    EXPECT_TRUE(::GetWindowLongPtrW(flash, GWL_EXSTYLE) & WS_EX_TOPMOST);

    int shown = 0;
    bool visible = false;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpModeless(
        [&] {
            const bool now = ::IsWindowVisible(flash) != FALSE;
            shown += now && !visible;
            visible = now;
            return !form.PositionFlash()->Flashing();
        },
        5s));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(shown, 5);
    EXPECT_FALSE(::IsWindowVisible(flash));
    EXPECT_GE(took, 800ms);
    EXPECT_LT(took, 3s);
    EXPECT_EQ(::GetForegroundWindow(), foreground);
}

TEST_F(HomePosition, AStoredValueThatDoesNotParseIsShownAndNothingElseIsLost) {
    SetSetting(L"HomePosition", std::wstring(L"abc,5"));
    SetSetting(L"HideCursor", 1);
    SetSetting(L"TrayAnimation", 0);
    TBoxAnswerer box(ApplicationTitle());
    const TfrmProperty& form = Open();
    ASSERT_TRUE(PumpModeless([&] { return box.Done(); }, 30s));
    EXPECT_EQ(box.Text(), L"'abc' は整数ではありません");
    EXPECT_EQ(form.SaverProperty().Options, soHideCursor | soSuppressFullScreen | soSuppressOnBatterySaver);
    EXPECT_EQ(::IsDlgButtonChecked(Page(0), IDC_HIDECURSOR), BST_CHECKED);

    // Still usable: an edit is saved with the options as they were and a position that parses.
    SetEdit(IDC_SAVERWAITSEC, L"30");
    PressSheetButton(PSBTN_OK);
    EXPECT_EQ(FindPropertyForm(), nullptr);
    EXPECT_EQ(SettingDword(L"WaitTime"), 90000u);
    EXPECT_EQ(SettingDword(L"HideCursor"), 1u);
    EXPECT_EQ(SettingDword(L"TrayAnimation"), 0u);
    EXPECT_EQ(SettingText(L"HomePosition"), L"0,0");
}
