#include "app/MouseWatch.h"

#include <cstring>

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

bool TMouseHook::InstallMouseHook(HWND target) noexcept {
    RemoveMouseHook();
    UniqueHModule lib(::LoadLibraryW(kHookLibraryName));
    if (!lib)
        return false;
    auto proc =
        reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(::GetProcAddress(lib.get(), kHookProcName)));
    if (!proc)
        return false;
    UniqueHandle mapping(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              kHookMappingSize, kHookMappingName));
    if (!mapping)
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
    // The hook machinery may hold references of its own in this process: drop them all.
    if (HMODULE lib = FHookLib.release()) {
        while (::FreeLibrary(lib)) {
        }
    }
    FHookMapping.reset();
}

} // namespace dovex
