// A pause for a while: when it ends and what the tray tip says until then. Times are the system's wall
// clock (UTC, 100 ns since 1601), which goes on while the machine sleeps; window timers do not.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace dovex {

// The durations of the tray's "一定時間停止(&T)" submenu, in its order.
inline constexpr int kTimedPauseMinutes[] = {15, 30, 60, 120};

using TWallTime = uint64_t;
inline constexpr TWallTime kWallTicksPerMs = 10'000;
inline constexpr TWallTime kWallTicksPerMinute = 60'000 * kWallTicksPerMs;
// The longest the end of a pause is left unchecked: a timer set before the machine slept may fire late.
inline constexpr UINT kPauseCheckMaxMs = 60'000;

TWallTime WallClock() noexcept;
TWallTime PauseEnd(TWallTime now, int minutes) noexcept;
// How long until the end is checked again: the time left, rounded up to a whole millisecond, at most
// kPauseCheckMaxMs; 0 once the end has come (also after a sleep past it).
UINT PauseCheckDelay(TWallTime now, TWallTime end) noexcept;
// The wall time in the system's time zone.
SYSTEMTIME LocalTimeOf(TWallTime time) noexcept;
// "Dovex - 15:30 まで一時停止中": the end as the clock on the taskbar shows it.
std::wstring TimedPauseTip(const SYSTEMTIME& localEnd);

} // namespace dovex
