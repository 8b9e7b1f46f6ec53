#include "settings/VersionInfo.h"

#include <windows.h>

#include <vector>

#include "base/ProgramPath.h"
#include "base/Text.h"

namespace dovex {

namespace {

std::wstring QueryString(const std::vector<BYTE>& block, const wchar_t* name) {
    const std::wstring path = std::wstring(L"\\StringFileInfo\\041103A4\\") + name;
    void* text = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), path.c_str(), &text, &length) || !text || length == 0)
        return {};
    std::wstring value(static_cast<const wchar_t*>(text), length);
    value.resize(wcsnlen(value.c_str(), value.size())); // the length may count the terminator
    return value;
}

} // namespace

TVersionInfo ReadVersionInfo(const std::wstring& path) {
    TVersionInfo info;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return info;
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data()))
        return info;
    void* fixed = nullptr;
    UINT length = 0;
    if (::VerQueryValueW(block.data(), L"\\", &fixed, &length) && fixed &&
        length >= sizeof(VS_FIXEDFILEINFO)) {
        const auto& file = *static_cast<const VS_FIXEDFILEINFO*>(fixed);
        info.Major = HIWORD(file.dwFileVersionMS);
        info.Minor = LOWORD(file.dwFileVersionMS);
        info.Release = HIWORD(file.dwFileVersionLS);
        info.Build = LOWORD(file.dwFileVersionLS);
    }
    info.Copyright = QueryString(block, L"LegalCopyright");
    info.ProductName = QueryString(block, L"ProductName");
    return info;
}

const TVersionInfo& ProgramVersion() {
    static const TVersionInfo info = ReadVersionInfo(ProgramPath());
    return info;
}

std::wstring VersionLine(const TVersionInfo& info) {
    return FormatText(L"Version %d.%d Release %d (Build:%d)",
                      {std::to_wstring(info.Major), std::to_wstring(info.Minor),
                       std::to_wstring(info.Release), std::to_wstring(info.Build)});
}

} // namespace dovex
