// The version resource of a module file, and the running program's own, read once.
#pragma once

#include <string>

namespace dovex {

struct TVersionInfo {
    int Major = 0;
    int Minor = 0;
    int Release = 0;
    int Build = 0;
    // From the Japanese string table (language 0411, code page 932); empty without it.
    std::wstring Copyright;
    std::wstring ProductName;
};

// A file without a readable version resource gives zeros and empty texts.
TVersionInfo ReadVersionInfo(const std::wstring& path);
const TVersionInfo& ProgramVersion();
// "Version 1.0 Release 2 (Build:35)".
std::wstring VersionLine(const TVersionInfo& info);

} // namespace dovex
