// Binds a C++ object to a window that already exists (a control of a dialog template) through the common
// controls' subclassing, with the same exception barrier as TWindow.
#pragma once

#include <windows.h>

namespace dovex {

class TSubclass {
public:
    TSubclass() = default;
    TSubclass(const TSubclass&) = delete;
    TSubclass& operator=(const TSubclass&) = delete;
    virtual ~TSubclass() { Detach(); }

    HWND Handle() const noexcept { return FHandle; }
    // Throws Exception when the window cannot be subclassed.
    void Attach(HWND window);
    void Detach() noexcept;

protected:
    // Called for every message; the default passes it on to the window's own procedure.
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR self) noexcept;
    HWND FHandle = nullptr;
};

} // namespace dovex
