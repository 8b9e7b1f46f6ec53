// Reading and writing the saver settings in the registry.
#pragma once

#include "model/HookTypes.h"

namespace dovex {

// Reads the Settings key (created when missing) into `property`. A key that cannot be opened leaves it
// as it was. A "HomePosition" that does not parse throws; the values read before it keep their new
// values, the later ones their old ones.
void ReadSaverProperty(TSaverProperty& property);

// Reads only the options (for a reader that stopped at a "HomePosition" that does not parse).
TSaverOptions ReadSaverOptions();

// Writes what the settings dialog edits (not "UseGroup" or "DisplayInterval"); failures are ignored.
void WriteSaverProperty(const TSaverProperty& property) noexcept;

// Writes the group in use; failures are ignored.
void WriteUseGroup(const std::wstring& group) noexcept;

} // namespace dovex
