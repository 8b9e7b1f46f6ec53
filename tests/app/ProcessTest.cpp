// The real Dovex.exe, started as a separate process in the test desktop and watched from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ShowEnvironment.h"

using namespace std::chrono_literals;
using dovex::test::CleanDovexKey;
using dovex::test::WaitFor;

namespace {

struct Process {
    PROCESS_INFORMATION pi{};
    ~Process() {
        if (pi.hProcess) {
            if (::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT)
                ::TerminateProcess(pi.hProcess, 99);
            ::CloseHandle(pi.hProcess);
            ::CloseHandle(pi.hThread);
        }
    }
    bool Exited(DWORD ms) const { return ::WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 12345;
        ::GetExitCodeProcess(pi.hProcess, &code);
        return code;
    }
};

void StartDovex(Process& process) {
    std::wstring exe = dovex::test::WindowsPath(DOVEX_EXE);
    std::wstring desktop = dovex::test::DesktopName();
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.lpDesktop = desktop.empty() ? nullptr : desktop.data();
    std::wstring commandLine = L"\"" + exe + L"\"";
    ASSERT_TRUE(::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &si, &process.pi))
        << "cannot start " << DOVEX_EXE;
}

// The main windows of Dovex.exe processes.
std::vector<HWND> DovexWindows() {
    std::vector<HWND> found;
    HWND w = nullptr;
    while ((w = ::FindWindowExW(nullptr, w, L"TfrmDovexMain", L"Dovex")) != nullptr) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(w, &pid);
        if (pid != ::GetCurrentProcessId())
            found.push_back(w);
    }
    return found;
}

class DovexProcess : public CleanDovexKey {};

} // namespace

TEST_F(DovexProcess, SecondStartEndsAtOnceAndTheFirstRunsOnUntilClosed) {
    Process first;
    StartDovex(first);
    ASSERT_TRUE(WaitFor([] { return DovexWindows().size() == 1; }, 10s)) << "no main window appeared";
    const HWND main = DovexWindows().front();
    EXPECT_FALSE(::IsWindowVisible(main));
    EXPECT_TRUE(::GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_TOOLWINDOW); // never in the taskbar
    EXPECT_TRUE(::GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(::SendMessageW(main, WM_MOUSEACTIVATE, 0, MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATEANDEAT);

    Process second;
    StartDovex(second);
    ASSERT_TRUE(second.Exited(10000)) << "the second instance kept running";
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_FALSE(first.Exited(0));
    EXPECT_EQ(DovexWindows(), std::vector<HWND>{main});

    // Closing the main window ends the program normally; a leak warning would keep it from ending.
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    const bool ended = first.Exited(10000);
    const HWND leakBox = dovex::test::FindDialog(L"メモリーリークエラー");
    EXPECT_EQ(leakBox, nullptr) << "leak warning: " << (leakBox ? "shown" : "");
    if (leakBox)
        ::PostMessageW(leakBox, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(ended || first.Exited(5000));
    EXPECT_EQ(first.ExitCode(), 0u);
    EXPECT_TRUE(DovexWindows().empty());
}

TEST_F(DovexProcess, UnreadableHomePositionIsShownAndTheProgramRunsOn) {
    SetSetting(L"HomePosition", L"left,top");
    Process dovex;
    StartDovex(dovex);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] { return (box = dovex::test::FindDialog(L"カーソルセーバー <Dovex>")) != nullptr; }, 10s));
    EXPECT_EQ(dovex::test::MessageBoxText(box), L"'left' は整数ではありません");
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([] { return DovexWindows().size() == 1; }, 10s));
    EXPECT_FALSE(dovex.Exited(300));
    ::PostMessageW(DovexWindows().front(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(dovex.Exited(10000));
    EXPECT_EQ(dovex.ExitCode(), 0u);
}
