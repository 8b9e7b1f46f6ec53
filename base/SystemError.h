// Failed system calls as the program's errors, with the system's error code.
#pragma once

#include <windows.h>

#include <string>

#include "base/Exception.h"

namespace dovex {

// Throws `message` with the calling thread's last error code.
[[noreturn]] inline void ThrowLastError(std::wstring message) {
    const DWORD code = ::GetLastError();
    throw Exception(std::move(message), code);
}

// `result` when the call succeeded (non-null, non-zero); otherwise throws `message` with the last error.
template <typename T> T CheckLastError(T result, const wchar_t* message) {
    if (!result)
        ThrowLastError(message);
    return result;
}

} // namespace dovex
