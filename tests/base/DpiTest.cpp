#include "base/Dpi.h"

#include <gtest/gtest.h>

#include "base/Window.h"

using namespace dovex;

TEST(Dpi, DesignSizesScaleWithTheDpi) {
    const struct {
        int Design;
        UINT Dpi;
        int Scaled;
    } cases[] = {{32, 96, 32}, {32, 144, 48}, {137, 144, 206}, {40, 144, 60}, {12, 120, 15}, {-12, 144, -18}};
    for (const auto& c : cases)
        EXPECT_EQ(ScaleForDpi(c.Design, c.Dpi), c.Scaled) << c.Design << " at " << c.Dpi;
}

TEST(Dpi, SystemSizesAndFontsAtTheDpi) {
    const struct {
        UINT Dpi;
        int Icon;
        int SmallIcon;
    } cases[] = {{96, 32, 16}, {144, 48, 24}};
    const LOGFONTW designFont = MessageFontForDpi(96);
    for (const auto& c : cases) {
        EXPECT_EQ(IconSizeForDpi(c.Dpi).cx, c.Icon) << c.Dpi;
        EXPECT_EQ(IconSizeForDpi(c.Dpi).cy, c.Icon) << c.Dpi;
        EXPECT_EQ(SmallIconSizeForDpi(c.Dpi).cx, c.SmallIcon) << c.Dpi;
        EXPECT_NEAR(MessageFontForDpi(c.Dpi).lfHeight, ScaleForDpi(designFont.lfHeight, c.Dpi), 1) << c.Dpi;
        LOGFONTW font{};
        ::GetObjectW(CreateFontForDpi(L"Arial", 12, c.Dpi).get(), sizeof(font), &font);
        EXPECT_EQ(font.lfHeight, -ScaleForDpi(12, c.Dpi)) << c.Dpi;
    }
}

namespace {

// A top-level window with one child, answering WM_DPICHANGED with the shared helper.
class TScaledWindow : public TWindow {
public:
    TScaledWindow() {
        CreateHandle(L"DovexDpiTestWindow", L"", WS_OVERLAPPEDWINDOW, 0);
        Child =
            ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, Handle(), nullptr, nullptr, nullptr);
    }
    HWND Child = nullptr;
    UINT Dpi = 0;
    UniqueHFont Font;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_DPICHANGED) {
            Dpi = ApplyDpiChange(Handle(), wParam, lParam, Font);
            return 0;
        }
        return TWindow::WndProc(msg, wParam, lParam);
    }
};

} // namespace

TEST(Dpi, ADpiChangeGivesTheChildrenTheNewFontAndTakesTheSuggestedRectangle) {
    TScaledWindow window;
    EXPECT_EQ(WindowDpi(window.Handle()), 96u); // Wine's default screen
    RECT suggested{30, 40, 630, 490};
    ::SendMessageW(window.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                   reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window.Dpi, 144u);
    RECT rect{};
    ::GetWindowRect(window.Handle(), &rect);
    EXPECT_TRUE(::EqualRect(&rect, &suggested));
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(window.Child, WM_GETFONT, 0, 0));
    ASSERT_EQ(font, window.Font.get());
    LOGFONTW logFont{};
    ::GetObjectW(font, sizeof(logFont), &logFont);
    EXPECT_EQ(logFont.lfHeight, MessageFontForDpi(144).lfHeight);
}
