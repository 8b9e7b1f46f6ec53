// Move-only owners for Win32 handles, and a scope guard.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <utility>

namespace dovex {

// Traits: `type`, `invalid()` and `close(h)`.
template <typename Traits> class UniqueAny {
public:
    using pointer = typename Traits::type;

    UniqueAny() noexcept = default;
    explicit UniqueAny(pointer h) noexcept : FHandle(h) {}
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : FHandle(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueAny() { reset(); }

    pointer get() const noexcept { return FHandle; }
    explicit operator bool() const noexcept { return FHandle != Traits::invalid(); }

    pointer release() noexcept { return std::exchange(FHandle, Traits::invalid()); }
    void reset(pointer h = Traits::invalid()) noexcept {
        pointer old = std::exchange(FHandle, h);
        if (old != Traits::invalid())
            Traits::close(old);
    }
    // For APIs that return a handle through an out parameter; drops what was held.
    pointer* put() noexcept {
        reset();
        return &FHandle;
    }

private:
    pointer FHandle = Traits::invalid();
};

template <typename T, auto Close, T Invalid = T{}> struct HandleTraits {
    using type = T;
    static constexpr T invalid() noexcept { return Invalid; }
    static void close(T h) noexcept { Close(h); }
};

struct FileHandleTraits {
    using type = HANDLE;
    static HANDLE invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) noexcept { ::CloseHandle(h); }
};

// A COM interface pointer, released when its owner goes.
template <typename Interface> struct ComTraits {
    using type = Interface*;
    static constexpr Interface* invalid() noexcept { return nullptr; }
    static void close(Interface* p) noexcept { p->Release(); }
};
template <typename Interface> using UniqueCom = UniqueAny<ComTraits<Interface>>;

using UniqueHKey = UniqueAny<HandleTraits<HKEY, ::RegCloseKey>>;
using UniqueHandle = UniqueAny<HandleTraits<HANDLE, ::CloseHandle>>;
using UniqueFile = UniqueAny<FileHandleTraits>;
using UniqueHModule = UniqueAny<HandleTraits<HMODULE, ::FreeLibrary>>;
using UniqueHIcon = UniqueAny<HandleTraits<HICON, ::DestroyIcon>>;
using UniqueHCursor = UniqueAny<HandleTraits<HCURSOR, ::DestroyCursor>>;
using UniqueHMenu = UniqueAny<HandleTraits<HMENU, ::DestroyMenu>>;
using UniqueGdiObj = UniqueAny<HandleTraits<HGDIOBJ, ::DeleteObject>>;
using UniqueHFont = UniqueAny<HandleTraits<HFONT, ::DeleteObject>>;
using UniqueHBitmap = UniqueAny<HandleTraits<HBITMAP, ::DeleteObject>>;
using UniqueHDC = UniqueAny<HandleTraits<HDC, ::DeleteDC>>;
using UniqueHWnd = UniqueAny<HandleTraits<HWND, ::DestroyWindow>>;
using UniqueImageList = UniqueAny<HandleTraits<HIMAGELIST, ::ImageList_Destroy>>;

// Runs a callable when the scope ends, unless dismissed.
template <typename F> class ScopeGuard {
public:
    explicit ScopeGuard(F f) noexcept : FAction(std::move(f)) {}
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;
    ~ScopeGuard() {
        if (FActive)
            FAction();
    }
    void Dismiss() noexcept { FActive = false; }

private:
    F FAction;
    bool FActive = true;
};

} // namespace dovex
