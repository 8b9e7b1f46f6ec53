// Texts of the playlist window: the cells of the item list, parts of file names, and the rules for group
// names.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace dovex {

struct TCursorItem;

// "1,234": whole numbers with grouped thousands.
std::wstring FormatGrouped(int64_t value);
// Steps of the animation, grouped.
std::wstring FormatSteps(int32_t steps);
// Minutes, seconds and milliseconds as %.2d'%.2d"%.3d: 83,500 ms is 01'23"500.
std::wstring FormatPlayTime(int32_t milliseconds);
// Whole kilobytes rounded up, grouped: 1,025 bytes is "2 KB", 0 bytes "0 KB".
std::wstring FormatFileSize(uint32_t bytes);
// %d/%.2d/%.2d %.2d:%.2d: "2002/05/07 09:05".
std::wstring FormatFileTime(const SYSTEMTIME& time);

// The columns of the detail view, in order.
enum TItemColumn : int {
    icTitle = 0,
    icSteps = 1,
    icTime = 2,
    icFileName = 3,
    icSize = 4,
    icDate = 5,
    icAuthor = 6,
};
inline constexpr int kItemColumnCount = 7;
// The text of one cell of an item, whatever the item's status.
std::wstring ItemColumnText(const TCursorItem& item, int column);
// Whether the detail view shows the cell for an item of that status.
bool ItemColumnShown(const TCursorItem& item, int column) noexcept;

// The name after the last folder separator or drive colon, and what comes before it (separator included).
std::wstring_view ExtractFileName(std::wstring_view path) noexcept;
std::wstring_view ExtractFilePath(std::wstring_view path) noexcept;
// Whether the name's extension is .ani in any letter case.
bool HasAniExtension(std::wstring_view path) noexcept;

// The parts of a hint "tool tip|status bar text"; a hint without the bar is both.
std::wstring ShortHint(std::wstring_view hint);
std::wstring LongHint(std::wstring_view hint);

// Equality without regard to letter case, as the registry compares key names.
bool SameText(std::wstring_view a, std::wstring_view b) noexcept;

// The longest group name: the longest name a registry key may have.
inline constexpr size_t kMaxGroupNameLength = 255;
// Why a non-empty name cannot be a group's key name, or empty when it can.
std::wstring GroupNameProblem(std::wstring_view name);
// A name from outside (a pack, a folder, a scheme) made fit for a group's key: a backslash becomes "-", a
// control character a blank, the blanks at its ends go, and it is cut to kMaxGroupNameLength.
std::wstring GroupNameFrom(std::wstring_view raw);
// The name followed by " (n)", the name cut so that the whole stays within kMaxGroupNameLength; n below 2
// gives the name itself.
std::wstring NumberedGroupName(std::wstring_view name, int n);

} // namespace dovex
