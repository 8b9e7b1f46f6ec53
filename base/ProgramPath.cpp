#include "base/ProgramPath.h"

#include <windows.h>

namespace dovex {

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size() || path.size() >= 32768) {
            path.resize(length < path.size() ? length : 0);
            return path;
        }
        path.resize(path.size() * 2); // cut short: try a longer buffer
    }
}

std::wstring ProgramFolder() {
    std::wstring path = ProgramPath();
    const size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash);
    return path;
}

std::wstring ProgramFile(const wchar_t* name) {
    return ProgramFolder() + L"\\" + name;
}

} // namespace dovex
