#include "base/Gdi.h"

#include <gtest/gtest.h>

using namespace dovex;

TEST(Gdi, SelectedObjectsArePutBackWhenTheScopeEnds) {
    UniqueHDC dc(::CreateCompatibleDC(nullptr));
    UniqueGdiObj pen(::CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
    UniqueGdiObj brush(::CreateSolidBrush(RGB(0, 255, 0)));
    UniqueGdiObj font(::CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
    const struct {
        UINT Kind;
        HGDIOBJ Object;
    } cases[] = {{OBJ_PEN, pen.get()}, {OBJ_BRUSH, brush.get()}, {OBJ_FONT, font.get()}};
    for (const auto& c : cases) {
        const HGDIOBJ before = ::GetCurrentObject(dc.get(), c.Kind);
        {
            TSelectObject select(dc.get(), c.Object);
            EXPECT_EQ(::GetCurrentObject(dc.get(), c.Kind), c.Object);
        }
        EXPECT_EQ(::GetCurrentObject(dc.get(), c.Kind), before) << c.Kind;
    }
}

TEST(Gdi, AMemoryDcPaintsOffScreenAndCopiesOnce) {
    const HDC screen = ::GetDC(nullptr);
    TMemoryDC target(screen, 20, 10);
    {
        TMemoryDC buffer(screen, 20, 10);
        UniqueGdiObj red(::CreateSolidBrush(RGB(255, 0, 0)));
        RECT all{0, 0, 20, 10};
        ::FillRect(buffer.get(), &all, static_cast<HBRUSH>(red.get()));
        EXPECT_EQ(::GetPixel(target.get(), 5, 5) & 0xFFFFFF, 0u) << "nothing on the target before the copy";
        buffer.CopyTo(target.get());
    }
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(::GetPixel(target.get(), 5, 5), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(target.get(), 19, 9), RGB(255, 0, 0));
}
