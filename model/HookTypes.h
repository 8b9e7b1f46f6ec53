// The saver settings record and its text encodings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dovex {

// Everything the program keeps lives below this key of the current user.
inline constexpr wchar_t kDovexKey[] = L"Software\\Vantoquil\\Dovex";
inline constexpr wchar_t kSettingsKey[] = L"Software\\Vantoquil\\Dovex\\Settings";
inline constexpr wchar_t kPlaylistKey[] = L"Software\\Vantoquil\\Dovex\\Playlist";

// Mouse inputs that do not end a show: one bit each.
using TIgnoreMouse = uint8_t;
enum : TIgnoreMouse {
    imLsftClick = 1 << 0,
    imMiddleClick = 1 << 1,
    imRightClick = 1 << 2,
    imWheel = 1 << 3,
};

struct TIgnoreMouseStr {
    const wchar_t* Name;
    uint8_t Bit;
};
extern const TIgnoreMouseStr IgnoreMouseNames[8];

using TSaverOptions = uint8_t;
enum : TSaverOptions {
    soUseHomePosition = 1 << 0,
    soHideCursor = 1 << 1,
    soTrayAnimation = 1 << 2,
    soSuppressFullScreen = 1 << 3,     // no show over a full-screen program or a presentation
    soSuppressOnBatterySaver = 1 << 4, // no show while the system's battery saver is on
};

struct TPoint32 {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TPoint32&) const = default;
};

struct TSaverProperty {
    int32_t WaitTime = 0;
    uint8_t PlaySequence = 0;
    TIgnoreMouse IgnoreMouse = 0;
    TPoint32 HomePosition;
    std::wstring UseGroup;
    int32_t DisplayInterval = 0;
    TSaverOptions Options = 0;
    int32_t MoveThreshold = 0; // pixels a pointer may wander from where a show began without ending it
    std::vector<std::wstring> ExcludedPrograms; // no show while one of them is in front
    uint16_t HotKeyStart = 0;                   // hot key control values (model/HotKey.h); 0 = none
    uint16_t HotKeyPause = 0;
    bool operator==(const TSaverProperty&) const = default;
};

std::wstring IgnoreMouseToText(TIgnoreMouse set);
// Unknown names are dropped; names compare case-sensitively.
TIgnoreMouse TextToIgnoreMouse(std::wstring_view text);
std::wstring PointToText(TPoint32 point);
// Throws EListError for fewer than two items, EConvertError for an item that is not an integer.
TPoint32 TextToPoint(std::wstring_view text);

// The blank gap between two cursors is slept on the main thread: keep it short enough not to stall it.
constexpr int32_t kMaxDisplayInterval = 1000;
int32_t BoundDisplayInterval(int32_t value);

// A steady hand: 0 (every move counts) to 20 pixels.
constexpr int32_t kMaxMoveThreshold = 20;
int32_t BoundMoveThreshold(int32_t value);
// Whether the pointer at `now` is still within `threshold` pixels (straight-line distance) of where the
// show began; with 0 only the very point is.
bool WithinMoveThreshold(TPoint32 origin, TPoint32 now, int32_t threshold);

} // namespace dovex
