#include "base/Window.h"

#include "base/ErrorBox.h"
#include "base/Exception.h"
#include "base/SystemError.h"

namespace dovex {

TWindow::~TWindow() {
    if (!FHandle)
        return;
    // What derived from this object is gone already: the window's last messages go to the system's
    // handler, not to the object (a derived window that needs them destroys its window itself, first).
    const HWND hwnd = FHandle;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    FHandle = nullptr;
    ::DestroyWindow(hwnd);
    ShowPendingError(hwnd); // its message will never arrive
}

void TWindow::CreateHandle(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle,
                           HWND parent, HICON icon) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(instance, className, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &TWindow::StaticWndProc;
        wc.hInstance = instance;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = icon;
        wc.lpszClassName = className;
        if (!::RegisterClassExW(&wc))
            ThrowLastError(L"ウィンドウクラスを登録できません");
    }
    const HWND hwnd =
        ::CreateWindowExW(exStyle, className, caption, style, 0, 0, 0, 0, parent, nullptr, instance, this);
    if (!hwnd)
        ThrowLastError(L"ウィンドウを作成できません");
}

void TWindow::DestroyHandle() noexcept {
    if (FHandle) {
        const HWND hwnd = FHandle;
        ::DestroyWindow(hwnd); // WM_NCDESTROY clears FHandle
        FHandle = nullptr;
    }
}

LRESULT TWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefaultHandler(msg, wParam, lParam);
}

LRESULT TWindow::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    return ::DefWindowProcW(FHandle, msg, wParam, lParam);
}

LRESULT CALLBACK TWindow::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    TWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->FHandle = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<TWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self)
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == PendingErrorMessage()) {
        ShowPendingError(hwnd);
        return 0;
    }
    LRESULT result = 0;
    try {
        result = self->WndProc(msg, wParam, lParam);
    } catch (...) {
        DeferCurrentException(hwnd);
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->FHandle = nullptr;
        ShowPendingError(hwnd); // its message will never arrive
    }
    return result;
}

void TTimer::SetEnabled(bool value) noexcept {
    if (value == FEnabled)
        return;
    FEnabled = value;
    Update();
}

void TTimer::SetInterval(UINT value) noexcept {
    if (value == FInterval)
        return;
    FInterval = value;
    Update();
}

void TTimer::Update() noexcept {
    ::KillTimer(FOwner, FId);
    if (FEnabled && FInterval != 0 && FOwner)
        ::SetTimer(FOwner, FId, FInterval, nullptr);
}

bool TTimer::HandleTimer(UINT_PTR id) {
    if (id != FId)
        return false;
    if (FEnabled && FInterval != 0 && FOnTimer)
        FOnTimer();
    return true;
}

} // namespace dovex
