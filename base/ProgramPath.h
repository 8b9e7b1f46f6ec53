#pragma once

#include <string>

namespace dovex {

// The running program's full path, and its folder (no trailing separator). Files that belong to the
// program are opened from its folder by full path: never from the current folder or the search path.
std::wstring ProgramPath();
std::wstring ProgramFolder();
std::wstring ProgramFile(const wchar_t* name);

} // namespace dovex
