#include "app/SingleInstance.h"

namespace dovex {

bool IsAnotherInstance(bool opened, DWORD openError, bool created, DWORD createError) noexcept {
    if (opened || openError == ERROR_ACCESS_DENIED)
        return true;
    // Two starts at the same moment both miss the open; only the one that created the mutex stays.
    if (created)
        return createError == ERROR_ALREADY_EXISTS;
    return createError == ERROR_ACCESS_DENIED;
}

bool ClaimSingleInstance(UniqueHandle& mutex) noexcept {
    UniqueHandle existing(::OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutex));
    const DWORD openError = existing ? ERROR_SUCCESS : ::GetLastError();
    if (IsAnotherInstance(static_cast<bool>(existing), openError, false, ERROR_SUCCESS))
        return false;
    mutex.reset(::CreateMutexW(nullptr, FALSE, kInstanceMutex));
    const DWORD createError = ::GetLastError();
    if (IsAnotherInstance(false, openError, static_cast<bool>(mutex), createError)) {
        mutex.reset();
        return false;
    }
    return true;
}

} // namespace dovex
