#include "base/Gdi.h"

#include <gtest/gtest.h>

#include "base/Window.h"

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

namespace {

class TRedWindow : public TWindow {
public:
    TRedWindow() {
        CreateHandle(L"DovexGdiTestWindow", L"", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
        ::SetWindowPos(Handle(), HWND_TOPMOST, 10, 10, 40, 30, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    }
    SIZE Drawn{};
    DWORD DrawnOn = 0;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_ERASEBKGND)
            return 1;
        if (msg != WM_PAINT)
            return TWindow::WndProc(msg, wParam, lParam);
        PaintBuffered(Handle(), [this](HDC dc, int width, int height) {
            Drawn = {width, height};
            DrawnOn = ::GetObjectType(dc);
            const RECT all{0, 0, width, height};
            UniqueGdiObj red(::CreateSolidBrush(RGB(255, 0, 0)));
            ::FillRect(dc, &all, static_cast<HBRUSH>(red.get()));
        });
        return 0;
    }
};

} // namespace

// The whole client area is drawn off screen, then copied to the window once.
TEST(Gdi, APaintIsDrawnThroughABufferOfTheClientSize) {
    TRedWindow window;
    ::InvalidateRect(window.Handle(), nullptr, FALSE);
    ::UpdateWindow(window.Handle());
    EXPECT_EQ(window.Drawn.cx, 40);
    EXPECT_EQ(window.Drawn.cy, 30);
    EXPECT_EQ(window.DrawnOn, static_cast<DWORD>(OBJ_MEMDC));
    const HDC dc = ::GetDC(window.Handle());
    EXPECT_EQ(::GetPixel(dc, 20, 15), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(dc, 39, 29), RGB(255, 0, 0));
    ::ReleaseDC(window.Handle(), dc);
}
