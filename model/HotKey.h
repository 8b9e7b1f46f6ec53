// The saver's hot keys as the standard hot key control gives them, and what RegisterHotKey and a message
// need of them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace dovex {

// The hot key control's value (HKM_GETHOTKEY): the virtual key in the low byte, HOTKEYF_ flags in the high
// one; 0 = none.
using THotKey = uint16_t;

// A stored value as a hot key: anything the control could not have given (more than 16 bits, no key,
// unknown modifier flags) is none.
THotKey BoundHotKey(int32_t stored) noexcept;
// The MOD_ flags of RegisterHotKey; a held key does not repeat.
UINT HotKeyModifiers(THotKey key) noexcept;
UINT HotKeyVirtualKey(THotKey key) noexcept;
// "Ctrl+Alt+D": the modifiers in the system's order, then the key's name.
std::wstring HotKeyText(THotKey key);
// Both actions on one key: only one of them could have it.
bool HotKeysClash(THotKey start, THotKey pause) noexcept;

} // namespace dovex
