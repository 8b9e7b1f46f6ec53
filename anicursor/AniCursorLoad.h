// Animated cursors made at the size the pointer is shown at, from the best image of each frame.
#pragma once

#include <windows.h>

#include <string>

#include "base/UniqueHandle.h"

namespace dovex {

// The cursor of the file with every frame `side` pixels wide: each frame's image of that width where the
// file has one, else its nearest wider image scaled down, else its widest scaled up; the hot spot scaled
// with it. A file that is no animated cursor is loaded as the system loads it at that size. Empty when
// the system makes no cursor of the file.
UniqueHCursor LoadCursorAtSize(const std::wstring& fileName, int side) noexcept;

} // namespace dovex
