// Reading and writing the saver settings in the registry.
#pragma once

#include "model/HookTypes.h"

namespace dovex {

// Reads the Settings key (created when missing) into `property`. A key that cannot be opened leaves it
// as it was. A "HomePosition" that does not parse throws once every other value is read; the position
// keeps its old value.
void ReadSaverProperty(TSaverProperty& property);

// Writes what the settings dialog edits (not "UseGroup" or "DisplayInterval"); failures are ignored.
void WriteSaverProperty(const TSaverProperty& property) noexcept;

// Writes the group in use; failures are ignored.
void WriteUseGroup(const std::wstring& group) noexcept;

} // namespace dovex
