#include "app/TimedPause.h"

#include <algorithm>

namespace dovex {

TWallTime WallClock() noexcept {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    return (TWallTime{now.dwHighDateTime} << 32) | now.dwLowDateTime;
}

TWallTime PauseEnd(TWallTime now, int minutes) noexcept {
    return now + static_cast<TWallTime>(std::max(minutes, 0)) * kWallTicksPerMinute;
}

UINT PauseCheckDelay(TWallTime now, TWallTime end) noexcept {
    if (now >= end)
        return 0;
    const TWallTime ms = (end - now + kWallTicksPerMs - 1) / kWallTicksPerMs;
    return static_cast<UINT>(std::min<TWallTime>(ms, kPauseCheckMaxMs));
}

SYSTEMTIME LocalTimeOf(TWallTime time) noexcept {
    FILETIME utc{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    SYSTEMTIME universal{}, local{};
    ::FileTimeToSystemTime(&utc, &universal);
    if (!::SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return universal;
    return local;
}

std::wstring TimedPauseTip(const SYSTEMTIME& localEnd) {
    const std::wstring minutes = std::to_wstring(localEnd.wMinute);
    return L"Dovex - " + std::to_wstring(localEnd.wHour) + L":" + (localEnd.wMinute < 10 ? L"0" : L"") +
           minutes + L" まで一時停止中";
}

} // namespace dovex
