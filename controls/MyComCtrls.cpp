#include "controls/MyComCtrls.h"

#include <windowsx.h>

#include "base/ErrorBox.h"
#include "base/Exception.h"
#include "base/SystemError.h"

namespace dovex {

namespace {

constexpr UINT_PTR kSubclassId = 1;

TMouseEventArgs MouseArgs(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    return TMouseEventArgs{msg, static_cast<UINT>(GET_KEYSTATE_WPARAM(wParam)),
                           POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}};
}

bool IsButtonDown(UINT msg) noexcept {
    return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN || msg == WM_XBUTTONDOWN ||
           msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK ||
           msg == WM_XBUTTONDBLCLK;
}

bool IsButtonUp(UINT msg) noexcept {
    return msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP || msg == WM_XBUTTONUP;
}

} // namespace

TTrackBarEx::TTrackBarEx(HWND parent, int id, int x, int y, int width, int height, DWORD style)
    : FHandle(::CreateWindowExW(0, TRACKBAR_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y,
                                width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                ::GetModuleHandleW(nullptr), nullptr)) {
    if (!FHandle)
        ThrowLastError(L"トラックバーを作成できません。");
    if (!::SetWindowSubclass(FHandle.get(), &TTrackBarEx::SubclassProc, kSubclassId,
                             reinterpret_cast<DWORD_PTR>(this)))
        ThrowLastError(L"トラックバーを作成できません。");
}

TTrackBarEx::~TTrackBarEx() {
    if (FHandle)
        ::RemoveWindowSubclass(FHandle.get(), &TTrackBarEx::SubclassProc, kSubclassId);
}

int TTrackBarEx::Min() const noexcept {
    return static_cast<int>(Send(TBM_GETRANGEMIN));
}
void TTrackBarEx::SetMin(int value) noexcept {
    Send(TBM_SETRANGEMIN, TRUE, value);
}
int TTrackBarEx::Max() const noexcept {
    return static_cast<int>(Send(TBM_GETRANGEMAX));
}
void TTrackBarEx::SetMax(int value) noexcept {
    Send(TBM_SETRANGEMAX, TRUE, value);
}
int TTrackBarEx::Position() const noexcept {
    return static_cast<int>(Send(TBM_GETPOS));
}
void TTrackBarEx::SetPosition(int value) noexcept {
    Send(TBM_SETPOS, TRUE, value);
}
int TTrackBarEx::PageSize() const noexcept {
    return static_cast<int>(Send(TBM_GETPAGESIZE));
}
void TTrackBarEx::SetPageSize(int value) noexcept {
    Send(TBM_SETPAGESIZE, 0, value);
}
int TTrackBarEx::LineSize() const noexcept {
    return static_cast<int>(Send(TBM_GETLINESIZE));
}
void TTrackBarEx::SetLineSize(int value) noexcept {
    Send(TBM_SETLINESIZE, 0, value);
}
void TTrackBarEx::SetFrequency(int value) noexcept {
    Send(TBM_SETTICFREQ, static_cast<WPARAM>(value));
}
int TTrackBarEx::ThumbLength() const noexcept {
    return static_cast<int>(Send(TBM_GETTHUMBLENGTH));
}
void TTrackBarEx::SetThumbLength(int value) noexcept {
    Send(TBM_SETTHUMBLENGTH, static_cast<WPARAM>(value));
}

LRESULT CALLBACK TTrackBarEx::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) noexcept {
    if (msg == PendingErrorMessage()) {
        ShowPendingError(hwnd);
        return 0;
    }
    if (msg == WM_NCDESTROY) {
        // Destroyed with its parent: the object outlives the window and must not destroy it again.
        reinterpret_cast<TTrackBarEx*>(self)->FHandle.release();
        ::RemoveWindowSubclass(hwnd, &TTrackBarEx::SubclassProc, kSubclassId);
        ShowPendingError(hwnd); // its message will never arrive
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    try {
        return reinterpret_cast<TTrackBarEx*>(self)->HandleMessage(msg, wParam, lParam);
    } catch (...) {
        DeferCurrentException(hwnd);
        return 0;
    }
}

LRESULT TTrackBarEx::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = FHandle.get();
    if (msg == WM_MOUSEWHEEL) {
        POINT pos{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ScreenToClient(hwnd, &pos);
        if (WheelHandled(
                {static_cast<UINT>(GET_KEYSTATE_WPARAM(wParam)), GET_WHEEL_DELTA_WPARAM(wParam), pos}))
            return 0;
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    const LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
    const TMouseEvent* event = nullptr;
    if (IsButtonDown(msg))
        event = &OnMouseDown;
    else if (IsButtonUp(msg))
        event = &OnMouseUp;
    else if (msg == WM_MOUSEMOVE)
        event = &OnMouseMove;
    if (event && *event)
        (*event)(*this, MouseArgs(msg, wParam, lParam));
    return result;
}

bool TTrackBarEx::WheelHandled(const TMouseWheelArgs& args) {
    if (OnMouseWheel && OnMouseWheel(*this, args))
        return true;
    const TMouseWheelEvent& direction = args.delta < 0 ? OnMouseWheelDown : OnMouseWheelUp;
    return args.delta != 0 && direction && direction(*this, args);
}

} // namespace dovex
