#include "base/PaintedControl.h"

#include <uxtheme.h>

#include "base/Gdi.h"

namespace dovex {

SIZE TPaintedControl::Size() const noexcept {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    return SIZE{client.right, client.bottom};
}

void TPaintedControl::FillBackground(HDC dc, const RECT& rect) const {
    if (FTransparent) {
        RECT area = rect;
        ::DrawThemeParentBackground(Handle(), dc, &area);
        return;
    }
    const COLORREF old = ::SetDCBrushColor(dc, FColor);
    ::FillRect(dc, &rect, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    ::SetDCBrushColor(dc, old);
}

LRESULT TPaintedControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintBuffered(Handle(), [this](HDC dc, int width, int height) { DrawContent(dc, width, height); });
        return 0;
    case WM_PRINTCLIENT: {
        const SIZE size = Size();
        DrawContent(reinterpret_cast<HDC>(wParam), size.cx, size.cy);
        return 0;
    }
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace dovex
