#include "app/MouseWatch.h"

#include <cstring>

#include "base/ProgramPath.h"
#include "model/SaverMessages.h"

namespace dovex {

namespace {

using UniqueView = UniqueAny<HandleTraits<void*, ::UnmapViewOfFile>>;

// Handles of user objects have 32 significant bits in 64-bit processes too.
uint32_t Narrow(const void* handle) noexcept {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}

void Put(void* view, DWORD offset, uint32_t value) noexcept {
    std::memcpy(static_cast<char*>(view) + offset, &value, sizeof(value));
}

bool InRange(WPARAM value, WPARAM first, WPARAM last) noexcept {
    return value >= first && value <= last;
}

} // namespace

bool IsMouseMove(WPARAM mouseMessage) noexcept {
    return mouseMessage == WM_MOUSEMOVE || mouseMessage == WM_NCMOUSEMOVE;
}

bool IsMouseActivity(WPARAM m, TIgnoreMouse ignore, bool positionChanged) noexcept {
    if (IsMouseMove(m))
        return positionChanged;
    if (InRange(m, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK) || InRange(m, WM_NCLBUTTONDOWN, WM_NCLBUTTONDBLCLK))
        return !(ignore & imLsftClick);
    if (InRange(m, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK) || InRange(m, WM_NCRBUTTONDOWN, WM_NCRBUTTONDBLCLK))
        return !(ignore & imRightClick);
    if (InRange(m, WM_MBUTTONDOWN, WM_MBUTTONDBLCLK) || InRange(m, WM_NCMBUTTONDOWN, WM_NCMBUTTONDBLCLK))
        return !(ignore & imMiddleClick);
    if (m == WM_MOUSEWHEEL)
        return !(ignore & imWheel);
    // Extra buttons, the horizontal wheel and anything unknown always count.
    return true;
}

bool THookWatch::Missed(uint64_t now) noexcept {
    if (FDoubting)
        return false;
    FDoubting = true;
    FDoubtSince = now;
    return true;
}

THookWatch::TVerdict THookWatch::Judge() noexcept {
    if (!FDoubting)
        return TVerdict::Sees;
    FDoubting = false;
    // A report at the very moment of the check was on its way: the hook saw the move too.
    if (FLastReport >= FDoubtSince)
        return TVerdict::Sees;
    return ++FBlindTimes == 1 ? TVerdict::Reinstall : TVerdict::Poll;
}

bool TMouseHook::InstallMouseHook(HWND target) noexcept {
    RemoveMouseHook();
    UniqueHModule lib(::LoadLibraryW(ProgramFile(kHookLibraryName).c_str()));
    if (!lib)
        return false;
    auto proc =
        reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(::GetProcAddress(lib.get(), kHookProcName)));
    if (!proc)
        return false;
    UniqueHandle mapping(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              kHookMappingSize, kHookMappingName));
    // A block that exists already was not made by this instance (it is the only one): whoever made it
    // could point every hooked program at any window. Polling is the safe way then.
    if (!mapping || ::GetLastError() == ERROR_ALREADY_EXISTS)
        return false;
    UniqueView view(::MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, kHookMappingSize));
    if (!view)
        return false;
    Put(view.get(), kHookBlockWindow, Narrow(target));
    Put(view.get(), kHookBlockMessage, WM_SAVERMOUSE);
    UniqueHHook hook(::SetWindowsHookExW(WH_MOUSE, proc, lib.get(), 0));
    Put(view.get(), kHookBlockHook, Narrow(hook.get()));
    if (!hook)
        return false;
    // The block must outlive the view: the library opens it by name in every hooked process.
    FHookLib = std::move(lib);
    FHookMapping = std::move(mapping);
    FHook = std::move(hook);
    return true;
}

void TMouseHook::RemoveMouseHook() noexcept {
    FHook.reset();
    // Only the reference taken here: others belong to the system's hook machinery or to someone else.
    FHookLib.reset();
    FHookMapping.reset();
}

bool TMouseHookThread::Start(HWND target) noexcept {
    Stop();
    UniqueHandle ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ready)
        return false;
    try {
        FThread = std::thread(&TMouseHookThread::Run, this, target,
                              ::GetThreadDesktop(::GetCurrentThreadId()), ready.get());
    } catch (...) {
        return false;
    }
    ::WaitForSingleObject(ready.get(), INFINITE);
    if (!FStarted) {
        FThread.join();
        return false;
    }
    return true;
}

void TMouseHookThread::Stop() noexcept {
    if (!FThread.joinable())
        return;
    ::PostMessageW(FWindow, WM_CLOSE, 0, 0);
    FThread.join();
    FWindow = nullptr;
    FStarted = false;
}

void TMouseHookThread::Run(HWND target, HDESK desktop, HANDLE ready) noexcept {
    // The hook sees the input of the desktop its thread is on: the one of the thread that started it.
    ::SetThreadDesktop(desktop);
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"Dovex mouse hook", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                          nullptr, ::GetModuleHandleW(nullptr), nullptr);
    FStarted = window && FHook.InstallMouseHook(target);
    FWindow = window;
    if (!FStarted) {
        if (window)
            ::DestroyWindow(window);
        ::SetEvent(ready);
        return;
    }
    ::SetEvent(ready);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == window && msg.message == WM_CLOSE)
            break;
        ::DispatchMessageW(&msg);
    }
    FHook.RemoveMouseHook();
    ::DestroyWindow(window);
}

} // namespace dovex
