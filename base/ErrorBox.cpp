#include "base/ErrorBox.h"

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

void ShowCurrentException(HWND owner) noexcept {
    try {
        throw;
    } catch (const Exception& e) {
        ShowErrorBox(owner, e.Message());
    } catch (const std::bad_alloc&) {
        ShowErrorBox(owner, L"メモリが不足しています");
    } catch (...) {
        ShowErrorBox(owner, L"予期しないエラーが発生しました");
    }
}

} // namespace dovex
