// The help viewer: "HtmlHelpA" of hhctrl.ocx, looked up at run time, and the program's own help file.
#pragma once

#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"

namespace dovex {

// HH_DISPLAY_TOPIC and HH_CLOSE_ALL of the help viewer's interface.
constexpr UINT kHhDisplayTopic = 0x0000;
constexpr UINT kHhCloseAll = 0x0012;

// One loaded help viewer library. Without the library or its function, HtmlHelp does nothing and
// returns 0; no error is reported.
class THelpViewer {
public:
    explicit THelpViewer(const wchar_t* library = L"hhctrl.ocx") noexcept;
    ~THelpViewer();
    THelpViewer(const THelpViewer&) = delete;
    THelpViewer& operator=(const THelpViewer&) = delete;

    bool Available() const noexcept { return FHtmlHelp != nullptr; }
    HWND HtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data) const noexcept;

private:
    using THtmlHelpA = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    UniqueHModule FLibrary;
    THtmlHelpA FHtmlHelp = nullptr;
    mutable bool FUsed = false;
};

// The program's viewer: hhctrl.ocx is loaded on the first call and freed when the program ends.
THelpViewer& HelpViewer() noexcept;

// "HtmlHelpA" of the program's viewer, or the substitute that does nothing and returns 0.
HWND HtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data) noexcept;

// The program's path with its extension replaced by ".chm" (appended when the file name has none).
std::wstring HelpFileFor(const std::wstring& exePath);

// Opens the help file beside the program (its own path with ".chm") at its default topic.
void ShowHelp(HWND owner) noexcept;

} // namespace dovex
