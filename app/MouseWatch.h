// Watching the mouse: the system-wide hook through Dovex.dll, and which hook reports count as activity.
#pragma once

#include <windows.h>

#include <cstdint>
#include <thread>

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

// Whether the hook still sees the mouse. The hook can be blind without failing: a window it cannot enter
// (an elevated one, a process of the other bitness whose input never reaches its thread), a process the
// library could not be loaded into, a hook the system removed. A move that the program's own pointer
// checks found before any report raises a doubt; a hook that reports nothing within the grace time after
// it is blind. The first time it is installed again; if it stays blind, polling takes over.
class THookWatch {
public:
    enum class TVerdict { Sees, Reinstall, Poll };
    static constexpr uint64_t kGraceMs = 500;

    // A report of the hook arrived (any mouse message).
    void Reported(uint64_t now) noexcept { FLastReport = now; }
    // A pointer check found a move no report had told of. True when a new doubt begins: the caller asks
    // for the verdict once the grace time is over.
    bool Missed(uint64_t now) noexcept;
    bool Doubting() const noexcept { return FDoubting; }
    // After the grace time: whether a report came since the doubt began, and what to do if none did.
    TVerdict Judge() noexcept;

private:
    uint64_t FLastReport = 0;
    uint64_t FDoubtSince = 0;
    bool FDoubting = false;
    int FBlindTimes = 0;
};

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
    // Removes the hook, releases the library as far as it was loaded here and closes the block.
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

// Installs the hook on a thread of its own that does nothing but pump messages. The system hands the
// mouse input of programs of the other bitness to the thread that installed the hook and waits for it:
// that thread must answer at once, whatever the main thread is doing (loading a cursor from a network
// path, sleeping between two cursors).
class TMouseHookThread {
public:
    TMouseHookThread() = default;
    TMouseHookThread(const TMouseHookThread&) = delete;
    TMouseHookThread& operator=(const TMouseHookThread&) = delete;
    ~TMouseHookThread() { Stop(); }

    // Starts the thread on the caller's desktop and waits until the hook is installed or has failed;
    // false (and no thread) on failure: the caller then polls.
    bool Start(HWND target) noexcept;
    // Removes the hook on its thread and ends the thread.
    void Stop() noexcept;

    bool Installed() const noexcept { return FThread.joinable(); }
    // The thread's message-only window; it answers sent messages for as long as the hook is installed.
    HWND Window() const noexcept { return FWindow; }
    // Valid while installed.
    const TMouseHook& Hook() const noexcept { return FHook; }

private:
    void Run(HWND target, HDESK desktop, HANDLE ready) noexcept;

    TMouseHook FHook; // touched only by the thread between Start and Stop
    std::thread FThread;
    HWND FWindow = nullptr;
    bool FStarted = false;
};

} // namespace dovex
