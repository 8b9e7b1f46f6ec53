// Watching the mouse: the system-wide hook through Dovex.dll, and which hook reports count as activity.
#pragma once

#include <windows.h>

#include <cstdint>

#include "model/HookTypes.h"
#include "base/UniqueHandle.h"

namespace dovex {

// The contract with the hook library: its file, its export, and the shared block it reads.
inline constexpr wchar_t kHookLibraryName[] = L"Dovex.dll";
inline constexpr char kHookProcName[] = "MouseHookProc";
inline constexpr wchar_t kHookMappingName[] = L"DovexVer1";
inline constexpr DWORD kHookMappingSize = 12;
// Offsets in the block; each value is 32 bits, handles included.
inline constexpr DWORD kHookBlockWindow = 0;
inline constexpr DWORD kHookBlockMessage = 4;
inline constexpr DWORD kHookBlockHook = 8;

// Whether a mouse message reported by the hook is a move (judged by the pointer's position, not the hook).
bool IsMouseMove(WPARAM mouseMessage) noexcept;
// Whether a reported mouse message ends a show. `positionChanged` matters only for moves.
bool IsMouseActivity(WPARAM mouseMessage, TIgnoreMouse ignore, bool positionChanged) noexcept;

using UniqueHHook = UniqueAny<HandleTraits<HHOOK, ::UnhookWindowsHookEx>>;

// The system-wide WH_MOUSE hook of Dovex.dll, which posts WM_SAVERMOUSE to one window per mouse message.
// The destructor removes it.
class TMouseHook {
public:
    TMouseHook() = default;
    TMouseHook(const TMouseHook&) = delete;
    TMouseHook& operator=(const TMouseHook&) = delete;
    ~TMouseHook() { RemoveMouseHook(); }

    // Loads the library, publishes `target` and WM_SAVERMOUSE in the shared block and installs the hook.
    // On any failure everything acquired is released and the result is false (the caller then polls).
    bool InstallMouseHook(HWND target) noexcept;
    // Removes the hook and leaves no reference to the library in this process; closes the block.
    void RemoveMouseHook() noexcept;

    bool Installed() const noexcept { return static_cast<bool>(FHook); }
    HMODULE HookLib() const noexcept { return FHookLib.get(); }
    HANDLE HookMapping() const noexcept { return FHookMapping.get(); }
    HHOOK Hook() const noexcept { return FHook.get(); }

private:
    UniqueHModule FHookLib;
    UniqueHandle FHookMapping;
    UniqueHHook FHook;
};

} // namespace dovex
