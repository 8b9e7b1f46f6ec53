// Cursor packs on the disk: a pack's folders with their files and scheme INF files, read without opening
// any cursor file, and the animated cursors of a system cursor scheme.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/CursorPack.h"

namespace dovex {

// Folders below a pack's own that are looked into; a pack is a few levels deep, a drive is not a pack.
inline constexpr int kMaxPackDepth = 4;
inline constexpr size_t kMaxPackFolders = 500;

// Bytes in the system's ANSI code page, refused when not valid there.
std::optional<std::wstring> AnsiCodePageText(std::string_view bytes);

// The scheme an INF file installs. Throws EDovexItemsError for a file that cannot be read or is larger than
// kMaxInfBytes.
TInfScheme ReadInfFile(const std::wstring& fileName);

// The pack's folder and those below it (to kMaxPackDepth), each with its files; a folder's INF files are
// read (the first that is a scheme's counts), nothing else is opened. Throws EDovexItemsError for a folder
// that cannot be read, too many folders, or an INF that cannot be read.
std::vector<TPackFolder> ScanPackFolder(const std::wstring& folder);

// The groups a pack's folder gives (PlanCursorPack), named after the folder when no INF names them.
TPackPlan ReadCursorPack(const std::wstring& folder);

// The full name of a file of the plan's group.
std::wstring PackFilePath(const std::wstring& folder, const TPackGroupPlan& group, const std::wstring& name);

// The animated cursors of a system cursor scheme's file list, in role order, each once, environment
// variables expanded; static cursors and other files are skipped, animated ones that do not exist missing.
struct TSchemeCursors {
    std::vector<std::wstring> Files;
    int Skipped = 0;
    int Missing = 0;
};
TSchemeCursors SchemeCursors(const std::vector<std::wstring>& files);

// The last name of a path, trailing separators aside: "C:\Packs\Sakura\" is "Sakura".
std::wstring FolderDisplayName(const std::wstring& folder);

} // namespace dovex
