// Cursor packs as their authors ship them: a folder of cursor files, often with an INF that would install
// them as a system cursor scheme, often with one folder per size. The INF is only read, never run: it gives a
// group name and an order, nothing else. Portable: the file system is the caller's.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dovex {

// An INF larger than this is no cursor pack's.
inline constexpr size_t kMaxInfBytes = size_t{1} << 20;

// Decodes bytes of the system's ANSI code page; nothing when they are not valid there.
using TAnsiDecoder = std::function<std::optional<std::wstring>(std::string_view bytes)>;

// The text of an INF's bytes: UTF-16 (either byte order) or UTF-8 after a byte order mark; without one,
// UTF-8 when the bytes are valid UTF-8, else the ANSI code page when `ansi` accepts them, else
// Windows-1252 (packs from Western authors read on a Japanese system).
std::wstring DecodeInfText(std::string_view bytes, const TAnsiDecoder& ansi);

// What an INF says of the cursor scheme it installs.
struct TInfScheme {
    // It has a line for the Control Panel\Cursors key: it is a cursor scheme's INF.
    bool Found = false;
    // The scheme's name, its %strings% expanded; empty when it names none.
    std::wstring Name;
    // Bare file names (any folder the INF gives is dropped), in the order of the cursor roles, each once;
    // empty role slots are left out.
    std::vector<std::wstring> Files;
};
TInfScheme ReadInfScheme(std::wstring_view text);

// Order of names as people count: runs of digits compare as numbers ("2" before "10"), letters without
// regard to case.
bool NaturalLess(std::wstring_view a, std::wstring_view b) noexcept;
// Equality of file names as the file system sees it, letter case ignored (ASCII letters).
bool SameFileName(std::wstring_view a, std::wstring_view b) noexcept;
// Whether the name ends in the extension (".ani"), letter case ignored.
bool HasFileExtension(std::wstring_view name, std::wstring_view extension) noexcept;

// One folder of a pack as scanned.
struct TPackFolder {
    // Relative to the pack's folder: "" for the pack's folder itself, "large", "sizes\\large".
    std::wstring RelativePath;
    // Names of the animated cursor files directly in it, in any order.
    std::vector<std::wstring> AniFiles;
    // Names of its other files (static cursors, texts), INF files aside.
    std::vector<std::wstring> OtherFiles;
    // Its scheme INF, when one of its INF files is a scheme's.
    std::optional<TInfScheme> Inf;
};

// A group to be made of one folder.
struct TPackGroupPlan {
    std::wstring Name;
    std::wstring RelativePath;
    std::vector<std::wstring> Files; // names in the folder, in the group's order
};

struct TPackPlan {
    std::vector<TPackGroupPlan> Groups;
    int Skipped = 0; // files that are no animated cursors
    int Missing = 0; // files an INF names that its folder lacks
};

// One group per folder that directly holds animated cursors. A single group is named after the scheme of
// the nearest INF (its own folder's, else the closest one above it) or else after the pack's folder; with
// several, each is "pack - subfolder" (the pack being the top INF's scheme or the folder's name). Files come
// in the INF's order, then the rest by NaturalLess. Group names are raw: not yet checked as key names.
TPackPlan PlanCursorPack(std::wstring_view packFolderName, const std::vector<TPackFolder>& folders);

} // namespace dovex
