#include "base/Subclass.h"

#include <commctrl.h>

#include "base/ErrorBox.h"
#include "base/Exception.h"
#include "base/SystemError.h"

namespace dovex {

void TSubclass::Attach(HWND window) {
    Detach();
    if (!window || !::SetWindowSubclass(window, &TSubclass::StaticWndProc, reinterpret_cast<UINT_PTR>(this),
                                        reinterpret_cast<DWORD_PTR>(this)))
        ThrowLastError(L"コントロールを準備できません");
    FHandle = window;
}

void TSubclass::Detach() noexcept {
    if (!FHandle)
        return;
    ::RemoveWindowSubclass(FHandle, &TSubclass::StaticWndProc, reinterpret_cast<UINT_PTR>(this));
    FHandle = nullptr;
}

LRESULT TSubclass::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefaultHandler(msg, wParam, lParam);
}

LRESULT TSubclass::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    return ::DefSubclassProc(FHandle, msg, wParam, lParam);
}

LRESULT CALLBACK TSubclass::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<TSubclass*>(data);
    if (msg == PendingErrorMessage()) {
        ShowPendingError(hwnd);
        return 0;
    }
    if (msg == WM_NCDESTROY) {
        self->Detach();
        ShowPendingError(hwnd); // its message will never arrive
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    try {
        return self->WndProc(msg, wParam, lParam);
    } catch (...) {
        DeferCurrentException(hwnd);
    }
    return 0;
}

} // namespace dovex
