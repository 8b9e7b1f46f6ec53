#include "base/ErrorBox.h"

#include <map>
#include <mutex>

#include "base/Exception.h"
#include "base/ModalLoop.h"

namespace dovex {

namespace {
std::wstring& TitleStorage() {
    static std::wstring title = L"Dovex";
    return title;
}
} // namespace

void SetApplicationTitle(std::wstring title) {
    TitleStorage() = std::move(title);
}

const std::wstring& ApplicationTitle() noexcept {
    return TitleStorage();
}

namespace {

thread_local HHOOK gButtonTextHook = nullptr;

// The box's buttons get the program's texts as it becomes active, before it is first painted.
LRESULT CALLBACK ButtonTextHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
    const HHOOK hook = gButtonTextHook;
    if (code == HCBT_ACTIVATE) {
        const auto box = reinterpret_cast<HWND>(wParam);
        if (IsStandardDialog(box)) {
            if (const HWND ok = ::GetDlgItem(box, IDOK))
                ::SetWindowTextW(ok, L"OK");
            if (const HWND cancel = ::GetDlgItem(box, IDCANCEL))
                ::SetWindowTextW(cancel, L"キャンセル");
            ::UnhookWindowsHookEx(hook);
            gButtonTextHook = nullptr;
        }
    }
    return ::CallNextHookEx(hook, code, wParam, lParam);
}

} // namespace

int ShowMessageBox(HWND owner, const std::wstring& text, const wchar_t* caption, UINT type) noexcept {
    const TModalLoop loop;
    if (!gButtonTextHook)
        gButtonTextHook = ::SetWindowsHookExW(WH_CBT, &ButtonTextHook, nullptr, ::GetCurrentThreadId());
    const int answer = ::MessageBoxW(owner, text.c_str(), caption, type);
    if (gButtonTextHook) { // the box never became active
        ::UnhookWindowsHookEx(gButtonTextHook);
        gButtonTextHook = nullptr;
    }
    return answer;
}

void ShowErrorBox(HWND owner, const std::wstring& message) noexcept {
    ShowMessageBox(owner, message, ApplicationTitle().c_str(), MB_OK | MB_ICONERROR);
}

std::wstring CurrentExceptionMessage() noexcept {
    try {
        try {
            throw;
        } catch (const Exception& e) {
            // The system's code after the message, for whoever has to find out what failed.
            return e.Code() != 0 ? e.Message() + L"\n(コード " + std::to_wstring(e.Code()) + L")"
                                 : e.Message();
        } catch (const std::bad_alloc&) {
            return L"メモリが不足しています";
        } catch (...) {
            return L"予期しないエラーが発生しました";
        }
    } catch (...) {
        return std::wstring(); // no memory even for the text
    }
}

void ShowCurrentException(HWND owner) noexcept {
    ShowErrorBox(owner, CurrentExceptionMessage());
}

namespace {
// Errors waiting for their window's posted message; only UI threads touch it, the lock keeps two UI
// threads apart.
std::mutex gPendingLock;
struct TPendingError {
    std::wstring Text;
    bool Showing = false; // its box is open: the entry stays until it closes, so no second box opens
};
std::map<HWND, TPendingError>& PendingErrors() {
    static std::map<HWND, TPendingError> errors;
    return errors;
}
} // namespace

UINT PendingErrorMessage() noexcept {
    static const UINT message = ::RegisterWindowMessageW(L"Dovex.PendingError");
    return message;
}

void DeferCurrentException(HWND window) noexcept {
    std::wstring message = CurrentExceptionMessage();
    try {
        std::lock_guard lock(gPendingLock);
        if (!PendingErrors().emplace(window, TPendingError{std::move(message)}).second)
            return; // one box at a time for a window
    } catch (...) {
        return;
    }
    if (!window || !::PostMessageW(window, PendingErrorMessage(), 0, 0))
        ShowPendingError(window);
}

bool ShowPendingError(HWND window) noexcept {
    std::wstring message;
    {
        std::lock_guard lock(gPendingLock);
        const auto it = PendingErrors().find(window);
        if (it == PendingErrors().end() || it->second.Showing)
            return false;
        message = std::move(it->second.Text);
        it->second.Showing = true;
    }
    ShowErrorBox(::IsWindow(window) ? window : nullptr, message);
    std::lock_guard lock(gPendingLock);
    PendingErrors().erase(window);
    return true;
}

} // namespace dovex
