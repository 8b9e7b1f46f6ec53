// A track bar (the common control) that reports the mouse: buttons, moves and the wheel.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "base/UniqueHandle.h"

namespace dovex {

// A mouse event on a control: the message (WM_LBUTTONDOWN, WM_RBUTTONUP, WM_MOUSEMOVE, ...), the MK_*
// keys and buttons held, and the point in client coordinates.
struct TMouseEventArgs {
    UINT message;
    UINT keys;
    POINT pos;
};

// A wheel turn: the MK_* keys, the distance (WHEEL_DELTA a notch, positive away from the user) and the
// point in client coordinates.
struct TMouseWheelArgs {
    UINT keys;
    int delta;
    POINT pos;
};

// Lives on the thread that creates it. Every event comes after the track bar's own handling of the
// message, except the wheel: a wheel handler that returns true keeps the track bar from moving.
class TTrackBarEx {
public:
    using TMouseEvent = std::function<void(TTrackBarEx& sender, const TMouseEventArgs& args)>;
    using TMouseWheelEvent = std::function<bool(TTrackBarEx& sender, const TMouseWheelArgs& args)>;

    // A child track bar with the given control id and TBS_* style (TBS_FIXEDLENGTH lets ThumbLength work).
    TTrackBarEx(HWND parent, int id, int x, int y, int width, int height,
                DWORD style = TBS_HORZ | TBS_NOTICKS);
    TTrackBarEx(const TTrackBarEx&) = delete;
    TTrackBarEx& operator=(const TTrackBarEx&) = delete;
    ~TTrackBarEx();

    HWND Handle() const noexcept { return FHandle.get(); }

    int Min() const noexcept;
    void SetMin(int value) noexcept;
    int Max() const noexcept;
    void SetMax(int value) noexcept;
    // Moving the thumb from code sends no notification; the user's moves reach the parent as WM_HSCROLL
    // (WM_VSCROLL when vertical).
    int Position() const noexcept;
    void SetPosition(int value) noexcept;
    int PageSize() const noexcept;
    void SetPageSize(int value) noexcept;
    int LineSize() const noexcept;
    void SetLineSize(int value) noexcept;
    void SetFrequency(int value) noexcept;
    int ThumbLength() const noexcept;
    void SetThumbLength(int value) noexcept;

    TMouseEvent OnMouseDown; // any button
    TMouseEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    // Asked first; when it does not handle the turn, OnMouseWheelDown (towards the user) or
    // OnMouseWheelUp is asked.
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelEvent OnMouseWheelDown;
    TMouseWheelEvent OnMouseWheelUp;

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self) noexcept;
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool WheelHandled(const TMouseWheelArgs& args);
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept {
        return ::SendMessageW(FHandle.get(), msg, wParam, lParam);
    }

    UniqueHWnd FHandle;
};

} // namespace dovex
