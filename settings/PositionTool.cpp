#include "settings/PositionTool.h"

#include <windowsx.h>

#include "base/Dpi.h"
#include "base/Exception.h"
#include "base/Gdi.h"
#include "base/SystemError.h"
#include "settings/PropertyMessages.h"

namespace dovex {

namespace {

constexpr int kToolDesignSize = 32;
constexpr wchar_t kToolIcon[] = L"POSITIONTOOL";

UniqueHCursor CursorFromIcon(HICON icon, int size) {
    ICONINFO info{};
    if (!::GetIconInfo(icon, &info))
        ThrowLastError(L"設定ツールのカーソルを作成できません");
    UniqueHBitmap mask(info.hbmMask), color(info.hbmColor);
    info.fIcon = FALSE;
    info.xHotspot = static_cast<DWORD>(size / 2);
    info.yHotspot = static_cast<DWORD>(size / 2);
    UniqueHCursor cursor(::CreateIconIndirect(&info));
    if (!cursor)
        ThrowLastError(L"設定ツールのカーソルを作成できません");
    return cursor;
}

} // namespace

void TPositionTool::Attach(HWND control, TMoveEvent onMove) {
    FOnMove = std::move(onMove);
    TSubclass::Attach(control);
    UpdateDpi();
}

void TPositionTool::UpdateDpi() {
    const int size = ScaleForDpi(kToolDesignSize, WindowDpi(Handle()));
    UniqueHIcon icon(static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), kToolIcon, IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    if (!icon)
        ThrowLastError(L"設定ツールのアイコンを読み込めません");
    FCursor = CursorFromIcon(icon.get(), size);
    FIcon = std::move(icon);
    if (FDragging)
        ::SetCursor(FCursor.get());
    // The slot is a sunken frame around the icon.
    FSize = size;
    const int frame = 2 * ::GetSystemMetrics(SM_CXEDGE);
    ::SetWindowPos(Handle(), nullptr, 0, 0, size + frame, size + frame,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT TPositionTool::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        // The pointer stays captured until the release, wherever it goes.
        ::SetCapture(Handle());
        FDragging = true;
        ::SetCursor(FCursor.get());
        ::InvalidateRect(Handle(), nullptr, FALSE);
        return 0;
    case WM_MOUSEMOVE:
        if (FDragging) {
            ::SetCursor(FCursor.get());
            Report(lParam);
        }
        return 0;
    case WM_LBUTTONUP:
        if (FDragging) {
            EndDrag();
            Report(lParam);
        }
        return 0;
    case WM_CAPTURECHANGED:
        EndDrag(); // taken away (another window, a box): the drag ends where it was
        return 0;
    case WM_SETCURSOR:
        if (FDragging) {
            ::SetCursor(FCursor.get());
            return TRUE;
        }
        break;
    }
    return DefaultHandler(msg, wParam, lParam);
}

void TPositionTool::EndDrag() noexcept {
    if (!FDragging)
        return;
    FDragging = false;
    if (::GetCapture() == Handle())
        ::ReleaseCapture();
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TPositionTool::Report(LPARAM clientPoint) {
    POINT point{GET_X_LPARAM(clientPoint), GET_Y_LPARAM(clientPoint)};
    ::ClientToScreen(Handle(), &point);
    if (FOnMove)
        FOnMove(point);
}

void TPositionTool::Paint() {
    PaintBuffered(Handle(), [this](HDC dc, int width, int height) {
        // The page's own background, themed or not.
        const HWND parent = ::GetParent(Handle());
        auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(
            parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Handle())));
        RECT slot{0, 0, width, height};
        ::FillRect(dc, &slot, brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE));
        ::DrawEdge(dc, &slot, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        if (!FDragging)
            ::DrawIconEx(dc, slot.left, slot.top, FIcon.get(), FSize, FSize, 0, nullptr, DI_NORMAL);
    });
}

TPositionFlash::TPositionFlash() : FTimer(nullptr, ID_TIMER_POSITIONFLASH, kPhase, [this] { NextPhase(); }) {
    CreateHandle(kClassName, L"", WS_POPUP, WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE);
    FTimer.SetOwner(Handle());
}

void TPositionFlash::Flash(POINT point, int size) {
    ::SetWindowPos(Handle(), HWND_TOPMOST, point.x - size / 2, point.y - size / 2, size, size,
                   SWP_NOACTIVATE | SWP_SHOWWINDOW);
    FPhase = 0;
    FTimer.SetEnabled(false);
    FTimer.SetEnabled(true);
}

void TPositionFlash::NextPhase() noexcept {
    ++FPhase; // odd phases hidden, even ones shown
    if (FPhase >= 2 * kFlashes) {
        FTimer.SetEnabled(false);
        ::ShowWindow(Handle(), SW_HIDE);
    } else if (FPhase % 2) {
        ::ShowWindow(Handle(), SW_HIDE);
    } else {
        ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                       SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }
}

LRESULT TPositionFlash::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        TPaintDC paint(Handle());
        FillClient(Handle(), paint.get(), ::GetSysColorBrush(COLOR_HIGHLIGHT));
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        FTimer.HandleTimer(wParam);
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace dovex
