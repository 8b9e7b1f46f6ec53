// A control that paints the whole of itself in DrawContent: through a buffer on screen, and the same for
// WM_PRINTCLIENT. Its background is its colour, or, when transparent, what its parent shows beneath.
#pragma once

#include <windows.h>

#include "base/Window.h"

namespace dovex {

class TPaintedControl : public TWindow {
public:
    bool Transparent() const noexcept { return FTransparent; }
    void SetTransparent(bool value) { SetLook(FTransparent, value); }
    COLORREF Color() const noexcept { return FColor; }
    void SetColor(COLORREF value) { SetLook(FColor, value); }
    SIZE Size() const noexcept;

protected:
    explicit TPaintedControl(COLORREF color) noexcept : FColor(color) {}

    // Paints the whole client area, background included.
    virtual void DrawContent(HDC dc, int width, int height) const = 0;
    void FillBackground(HDC dc, const RECT& rect) const;
    void Invalidate() const noexcept { ::InvalidateRect(Handle(), nullptr, FALSE); }
    // Sets a property that changes only the look: repaints when the value changed.
    template <typename T> void SetLook(T& field, const T& value) {
        if (Assign(field, value))
            Invalidate();
    }
    // Erasing, painting and printing; the rest goes to the default handler.
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool FTransparent = false;
    COLORREF FColor;
};

} // namespace dovex
