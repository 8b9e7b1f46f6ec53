#include "app/HelpCtrls.h"

#include "base/ProgramPath.h"

namespace dovex {

THelpViewer::THelpViewer(const wchar_t* library) noexcept : FLibrary(::LoadLibraryW(library)) {
    if (FLibrary)
        FHtmlHelp = reinterpret_cast<THtmlHelpA>(
            reinterpret_cast<void*>(::GetProcAddress(FLibrary.get(), "HtmlHelpA")));
}

THelpViewer::~THelpViewer() {
    // Help windows still open belong to the library's code: close them before it goes.
    if (FHtmlHelp && FUsed)
        FHtmlHelp(nullptr, nullptr, kHhCloseAll, 0);
}

HWND THelpViewer::HtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data) const noexcept {
    if (!FHtmlHelp)
        return nullptr;
    FUsed = true;
    return FHtmlHelp(caller, file, command, data);
}

THelpViewer& HelpViewer() noexcept {
    static THelpViewer viewer;
    return viewer;
}

HWND HtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data) noexcept {
    return HelpViewer().HtmlHelp(caller, file, command, data);
}

std::wstring HelpFileFor(const std::wstring& exePath) {
    const size_t nameStart = exePath.find_last_of(L"\\/:");
    const size_t dot = exePath.rfind(L'.');
    const bool hasExtension =
        dot != std::wstring::npos && (nameStart == std::wstring::npos || dot > nameStart);
    return (hasExtension ? exePath.substr(0, dot) : exePath) + L".chm";
}

namespace {

std::string ToSystemCodePage(const std::wstring& text) {
    if (text.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                          nullptr);
    return result;
}

} // namespace

void ShowHelp(HWND owner) noexcept {
    try {
        const std::string file = ToSystemCodePage(HelpFileFor(ProgramPath()));
        HtmlHelp(owner, file.c_str(), kHhDisplayTopic, 0);
    } catch (...) {
        // Out of memory for a path: the help command does nothing, like a missing viewer.
    }
}

} // namespace dovex
