#include "base/ErrorBox.h"

#include <map>
#include <mutex>

#include "base/Exception.h"

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

void ShowErrorBox(HWND owner, const std::wstring& message) noexcept {
    ::MessageBoxW(owner, message.c_str(), ApplicationTitle().c_str(), MB_OK | MB_ICONERROR);
}

std::wstring CurrentExceptionMessage() noexcept {
    try {
        try {
            throw;
        } catch (const Exception& e) {
            return e.Message();
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
std::map<HWND, std::wstring>& PendingErrors() {
    static std::map<HWND, std::wstring> errors;
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
        if (!PendingErrors().emplace(window, std::move(message)).second)
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
        if (it == PendingErrors().end())
            return false;
        message = std::move(it->second);
        PendingErrors().erase(it);
    }
    ShowErrorBox(::IsWindow(window) ? window : nullptr, message);
    return true;
}

} // namespace dovex
