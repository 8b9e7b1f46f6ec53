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
    } cases[] = {{96, 32, 16}, {144, 48, 24}, {0, 32, 16}}; // 0: a DPI nobody told is the design one
    const LOGFONTW designFont = MessageFontForDpi(96);
    for (const auto& c : cases) {
        const TDpiScale dpi(c.Dpi);
        EXPECT_EQ(dpi.Metric(SM_CXICON), c.Icon) << c.Dpi;
        EXPECT_EQ(dpi.Metric(SM_CXSMICON), c.SmallIcon) << c.Dpi;
        EXPECT_EQ(dpi.Unscale(dpi(160)), 160) << c.Dpi;
        LOGFONTW font{};
        ::GetObjectW(dpi.MessageFont().get(), sizeof(font), &font);
        EXPECT_NEAR(font.lfHeight, ScaleForDpi(designFont.lfHeight, dpi.Dpi()), 1) << c.Dpi;
        ::GetObjectW(dpi.MessageFont(12, FW_BOLD).get(), sizeof(font), &font);
        EXPECT_EQ(font.lfHeight, -dpi(12)) << c.Dpi;
        EXPECT_EQ(font.lfWeight, FW_BOLD) << c.Dpi;
        ::GetObjectW(CreateFontForDpi(L"Arial", 12, dpi.Dpi()).get(), sizeof(font), &font);
        EXPECT_EQ(font.lfHeight, -dpi(12)) << c.Dpi;
    }
}

TEST(Dpi, AWindowIsAtTheScreensDpiUnderWine) {
    struct TPlainWindow : TWindow {
        TPlainWindow() { CreateHandle(L"DovexDpiTestWindow", L"", WS_OVERLAPPEDWINDOW, 0); }
    } window;
    EXPECT_EQ(WindowDpi(window.Handle()), 96u); // Wine's default screen
    EXPECT_EQ(TDpiScale::ForWindow(window.Handle()).Dpi(), 96u);
    EXPECT_EQ(MonitorDpiAt(POINT{10, 10}), 96u);
    EXPECT_EQ(MonitorDpiAt(POINT{-100000, 100000}), 96u); // off every screen: the nearest monitor's
}
