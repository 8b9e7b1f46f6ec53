// Text helpers shared by the settings encodings, the playlist preferences and the cursor schemes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dovex {

// How items of a delimited list are separated.
enum class TSplitBlanks {
    Keep,     // only the delimiters separate; blanks inside an item are kept (scheme file lists)
    Separate, // blanks and control characters separate items too (comma text of the settings)
};

// Splits a delimited list whose items may be double-quoted (a doubled quote inside stands for one).
// Leading blanks and control characters are skipped; "a,b," ends with an empty item; "" gives no items.
std::vector<std::wstring> SplitText(std::wstring_view delimiters, std::wstring_view text,
                                    TSplitBlanks blanks = TSplitBlanks::Keep);

// The comma text of the settings and preferences: commas, blanks and control characters separate.
inline std::vector<std::wstring> SplitCommaText(std::wstring_view text) {
    return SplitText(L",", text, TSplitBlanks::Separate);
}

// A signed 32-bit decimal integer with an optional sign and nothing else, or nothing.
std::optional<int32_t> TryStrToInt(std::wstring_view text);

// Fills "%s" and "%d" placeholders in order; "%%" gives "%". Extra placeholders stay as they are.
std::wstring FormatText(std::wstring_view format, std::initializer_list<std::wstring_view> args);

} // namespace dovex
