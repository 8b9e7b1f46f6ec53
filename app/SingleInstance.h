// One instance per desktop, through the named mutex "CursorSaver-Dovex".
#pragma once

#include <windows.h>

#include "base/UniqueHandle.h"

namespace dovex {

inline constexpr wchar_t kInstanceMutex[] = L"CursorSaver-Dovex";

// Whether what opening and creating the mutex answered means that another instance runs. A mutex that
// exists but may not be opened (an instance running with other rights) is one too.
bool IsAnotherInstance(bool opened, DWORD openError, bool created, DWORD createError) noexcept;

// Takes the mutex for this instance; false (and no mutex) when another instance runs.
bool ClaimSingleInstance(UniqueHandle& mutex) noexcept;

} // namespace dovex
