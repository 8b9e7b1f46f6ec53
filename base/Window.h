// Binds a window procedure to a C++ object; exceptions never leave the procedure.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace dovex {

class TWindow {
public:
    TWindow() = default;
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;
    virtual ~TWindow();

    HWND Handle() const noexcept { return FHandle; }

protected:
    // Registers the class once per process and creates the window; throws Exception on failure.
    void CreateHandle(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle,
                      HWND parent = nullptr, HICON icon = nullptr);
    void DestroyHandle() noexcept;

    // Called for every message; the default passes it on to DefWindowProc.
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    HWND FHandle = nullptr;
};

// Adds CS_* styles to a window's class: double clicks, for one, reach a window only with CS_DBLCLKS.
inline void AddClassStyle(HWND window, UINT style) noexcept {
    const ULONG_PTR styles = ::GetClassLongPtrW(window, GCL_STYLE);
    if ((styles & style) != style)
        ::SetClassLongPtrW(window, GCL_STYLE, static_cast<LONG_PTR>(styles | style));
}

// Sets a property's field; false when it had that value already (nothing to change or redraw).
template <typename T> bool Assign(T& field, const T& value) {
    if (field == value)
        return false;
    field = value;
    return true;
}

// A window timer: fires `OnTimer` every `Interval` ms while enabled; interval 0 never fires.
class TTimer {
public:
    TTimer(HWND owner, UINT_PTR id, UINT interval, std::function<void()> onTimer) noexcept
        : FOwner(owner), FId(id), FInterval(interval), FOnTimer(std::move(onTimer)) {}
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;
    ~TTimer() { SetEnabled(false); }

    bool Enabled() const noexcept { return FEnabled; }
    UINT Interval() const noexcept { return FInterval; }
    UINT_PTR Id() const noexcept { return FId; }
    void SetOwner(HWND owner) noexcept {
        SetEnabled(false);
        FOwner = owner;
    }
    // Setting the interval it already has changes nothing; another one restarts a running timer.
    void SetEnabled(bool value) noexcept;
    void SetInterval(UINT value) noexcept;
    // Forwarded from the owner's WM_TIMER; returns whether the id was this timer's.
    bool HandleTimer(UINT_PTR id);

private:
    void Update() noexcept;

    HWND FOwner;
    UINT_PTR FId;
    UINT FInterval;
    bool FEnabled = false;
    std::function<void()> FOnTimer;
};

} // namespace dovex
