// For tests of windows that take real input: the project's Wine virtual desktop, keys sent with SendInput,
// a message loop that hands keyboard input to modeless dialogs, and message boxes answered from a helper
// thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "base/Dialog.h"
#include "tests/TestSupport.h"

namespace dovex::test {

// Presses the keys in order and releases them in reverse: {VK_CONTROL, VK_TAB} is Ctrl+Tab.
inline void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = key;
        inputs.push_back(in);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *--it;
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Mouse input as the system's input queue gets it: call from a thread that joined the desktop.
inline void SendMouse(std::initializer_list<INPUT> inputs) {
    std::vector<INPUT> list(inputs);
    ::SendInput(static_cast<UINT>(list.size()), list.data(), sizeof(INPUT));
}

inline INPUT MoveTo(int x, int y) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return in;
}

inline INPUT Button(DWORD flags, DWORD data = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.mouseData = data;
    return in;
}

// Digits and capital letters, one key each.
inline void TypeText(const std::wstring& text) {
    for (wchar_t c : text)
        PressKeys({static_cast<WORD>(c)});
}

// The program's message loop in small: modeless dialogs get their keyboard input first.
inline bool PumpModeless(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return PumpUntil(done, limit, [](MSG& msg) { return IsModelessMessage(msg); });
}

inline void PumpModelessFor(std::chrono::milliseconds time) {
    PumpModeless([] { return false; }, time);
}

// Waits, on a thread of its own, for a visible standard dialog with the caption, keeps its text and answers
// it with a real key (Enter: the default button; Escape: キャンセル). The object waits for its thread.
class TBoxAnswerer {
public:
    explicit TBoxAnswerer(std::wstring caption, WORD key = VK_RETURN,
                          std::chrono::milliseconds limit = std::chrono::seconds(20))
        : FThread([this, caption = std::move(caption), key, limit] { Run(caption, key, limit); }) {}
    TBoxAnswerer(const TBoxAnswerer&) = delete;
    TBoxAnswerer& operator=(const TBoxAnswerer&) = delete;
    ~TBoxAnswerer() { Join(); }

    // The box was answered, or the time is up.
    bool Done() const noexcept { return FDone; }
    void Join() {
        if (FThread.joinable())
            FThread.join();
    }
    bool Answered() {
        Join();
        return FAnswered;
    }
    std::wstring Text() {
        Join();
        return FText;
    }

private:
    void Run(const std::wstring& caption, WORD key, std::chrono::milliseconds limit) {
        struct TDone {
            std::atomic<bool>& Flag;
            ~TDone() { Flag = true; }
        } done{FDone};
        JoinProjectDesktop();
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            const HWND box = ::FindWindowW(L"#32770", caption.c_str());
            if (box && ::IsWindowVisible(box) && ::GetForegroundWindow() == box) {
                wchar_t text[512] = {};
                ::GetDlgItemTextW(box, 0xFFFF, text, 512);
                FText = text;
                PressKeys({key});
                // The key reaches the box through its owner's thread; wait until it is gone.
                while (::IsWindow(box) && std::chrono::steady_clock::now() < end)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                FAnswered = !::IsWindow(box);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    std::wstring FText;
    std::atomic<bool> FAnswered{false};
    std::atomic<bool> FDone{false};
    std::thread FThread;
};

} // namespace dovex::test
