// Answers the standard message boxes a test provokes: a helper thread finds each box, keeps its text and
// presses one of its buttons, so that no box is ever left open.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dovex::test {

class TMessageBoxAnswerer {
public:
    // Boxes with this caption, of this process, are answered with the button `button` (IDOK, IDYES...).
    explicit TMessageBoxAnswerer(std::wstring caption, int button = IDOK)
        : FCaption(std::move(caption)), FButton(button), FDesktop(::GetThreadDesktop(::GetCurrentThreadId())),
          FThread([this] { Run(); }) {}
    TMessageBoxAnswerer(const TMessageBoxAnswerer&) = delete;
    TMessageBoxAnswerer& operator=(const TMessageBoxAnswerer&) = delete;
    ~TMessageBoxAnswerer() {
        FStop = true;
        FThread.join();
    }

    // The texts of the boxes answered so far.
    std::vector<std::wstring> Texts() {
        std::lock_guard lock(FLock);
        return FTexts;
    }

private:
    void Run() {
        ::SetThreadDesktop(FDesktop); // FindWindow sees only the windows of the thread's own desktop
        while (!FStop) {
            HWND box = nullptr;
            while ((box = ::FindWindowExW(nullptr, box, L"#32770", FCaption.c_str())) != nullptr) {
                DWORD pid = 0;
                ::GetWindowThreadProcessId(box, &pid);
                if (pid != ::GetCurrentProcessId() || !::IsWindowVisible(box))
                    continue;
                wchar_t text[1024] = {};
                ::GetDlgItemTextW(box, 0xFFFF, text, 1024);
                {
                    std::lock_guard lock(FLock);
                    FTexts.push_back(text);
                }
                ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(FButton, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(box, FButton)));
                // Wait until the box is gone so that it is counted once.
                for (int i = 0; i < 200 && ::IsWindow(box) && ::IsWindowVisible(box); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    std::wstring FCaption;
    int FButton;
    HDESK FDesktop;
    std::atomic<bool> FStop{false};
    std::mutex FLock;
    std::vector<std::wstring> FTexts;
    std::thread FThread;
};

} // namespace dovex::test
