// Waiting helpers shared by the Windows tests.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace dovex::test {

// A window's look at a message before it is dispatched, as the program's loop gives it: true when the
// window used the message (a shortcut, Tab in a modeless window) and it must not be dispatched.
using TPreTranslate = std::function<bool(MSG&)>;

// Dispatches this thread's messages until the condition holds or the time is up. A WM_QUIT left by a
// destroyed main window is dropped, so that it cannot end a later message loop.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
                      const TPreTranslate& preTranslate = {}) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT || (preTranslate && preTranslate(msg)))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

inline void PumpFor(std::chrono::milliseconds time) {
    PumpUntil([] { return false; }, time);
}

// Polls without handling messages (for what other processes do).
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Whether the registry key exists (below HKEY_CURRENT_USER unless told).
inline bool KeyExists(const std::wstring& path, HKEY root = HKEY_CURRENT_USER) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

// Waits on a thread of its own for a dialog with that caption of this process, and works it from there.
class TDialogDriver {
public:
    TDialogDriver(std::wstring caption, std::function<void(HWND)> work)
        : FCaption(std::move(caption)), FWork(std::move(work)),
          FDesktop(::GetThreadDesktop(::GetCurrentThreadId())), FThread([this] { Run(); }) {}
    TDialogDriver(const TDialogDriver&) = delete;
    TDialogDriver& operator=(const TDialogDriver&) = delete;
    ~TDialogDriver() {
        FStop = true;
        FThread.join();
    }
    bool Worked() const { return FWorked; }

private:
    void Run() {
        ::SetThreadDesktop(FDesktop);
        while (!FStop && !FWorked) {
            HWND dialog = ::FindWindowW(L"#32770", FCaption.c_str());
            if (dialog && ::IsWindowVisible(dialog)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let it finish its set-up
                FWork(dialog);
                FWorked = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    std::wstring FCaption;
    std::function<void(HWND)> FWork;
    HDESK FDesktop;
    std::atomic<bool> FStop{false};
    std::atomic<bool> FWorked{false};
    std::thread FThread;
};

} // namespace dovex::test
