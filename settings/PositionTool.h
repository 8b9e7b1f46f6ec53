// The home position picker of the settings dialog: a tool icon in its slot that the user drags to any
// point of the screen, and the flashing square that shows where a position is.
#pragma once

#include <windows.h>

#include <functional>

#include "base/Subclass.h"
#include "base/UniqueHandle.h"
#include "base/Window.h"

namespace dovex {

class TPositionTool : public TSubclass {
public:
    // Called with the pointer's screen position while dragging and at the release.
    using TMoveEvent = std::function<void(POINT screen)>;

    // Makes `control` (a static of the dialog) the tool: sized for its DPI, showing the tool icon.
    void Attach(HWND control, TMoveEvent onMove);
    // The window's DPI changed: the icon and the slot take the new size.
    void UpdateDpi();
    bool Dragging() const noexcept { return FDragging; }
    HCURSOR DragCursor() const noexcept { return FCursor.get(); }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();
    void EndDrag() noexcept;
    void Report(LPARAM clientPoint);

    TMoveEvent FOnMove;
    UniqueHIcon FIcon;
    UniqueHCursor FCursor; // the icon with its point in the middle: what the pointer shows while dragging
    int FSize = 0;
    bool FDragging = false;
};

// A borderless top-most square in the highlight colour, centred on a point: five times shown and hidden
// over a second, without taking the focus or stopping the dialog.
class TPositionFlash : public TWindow {
public:
    static constexpr wchar_t kClassName[] = L"DovexPositionFlash";
    static constexpr int kFlashes = 5;
    static constexpr UINT kPhase = 100; // ms shown, then ms hidden

    TPositionFlash();
    // Starts (or restarts) the flashing at `point`, `size` pixels square.
    void Flash(POINT point, int size);
    bool Flashing() const noexcept { return FTimer.Enabled(); }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void NextPhase() noexcept;

    TTimer FTimer;
    int FPhase = 0;
};

} // namespace dovex
