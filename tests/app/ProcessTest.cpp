// The real Dovex.exe, started as a separate process in the test desktop and watched from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ShowEnvironment.h"
#include "app/SingleInstance.h"

using namespace std::chrono_literals;
using dovex::test::CleanDovexKey;
using dovex::test::WaitFor;

namespace {

using Process = dovex::test::TChildProcess;

void StartDovex(Process& process) {
    ASSERT_TRUE(process.Start(dovex::test::WindowsPath(DOVEX_EXE))) << "cannot start " << DOVEX_EXE;
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

TEST(SingleInstance, WhatTheMutexAnswersMeans) {
    const struct {
        bool Opened;
        DWORD OpenError;
        bool Created;
        DWORD CreateError;
        bool Another;
    } cases[] = {
        {true, ERROR_SUCCESS, false, ERROR_SUCCESS, true},                 // opened: it runs
        {false, ERROR_ACCESS_DENIED, false, ERROR_SUCCESS, true},          // exists, other rights
        {false, ERROR_FILE_NOT_FOUND, true, ERROR_SUCCESS, false},         // the first instance
        {false, ERROR_FILE_NOT_FOUND, true, ERROR_ALREADY_EXISTS, true},   // started at the same moment
        {false, ERROR_FILE_NOT_FOUND, false, ERROR_ACCESS_DENIED, true},   // made meanwhile, other rights
        {false, ERROR_FILE_NOT_FOUND, false, ERROR_INVALID_HANDLE, false}, // no mutex at all: run anyway
    };
    for (const auto& c : cases)
        EXPECT_EQ(dovex::IsAnotherInstance(c.Opened, c.OpenError, c.Created, c.CreateError), c.Another)
            << c.Opened << " " << c.OpenError << " " << c.Created << " " << c.CreateError;
}

// An instance that runs with other rights owns a mutex this user may not open: that is another instance
// too, and the start ends at once instead of putting a second saver on the desktop.
TEST_F(DovexProcess, AMutexThatMayNotBeOpenedMeansAnotherInstance) {
    SECURITY_DESCRIPTOR noAccess{};
    ASSERT_TRUE(::InitializeSecurityDescriptor(&noAccess, SECURITY_DESCRIPTOR_REVISION));
    ACL emptyAcl{};
    ASSERT_TRUE(::InitializeAcl(&emptyAcl, sizeof(emptyAcl), ACL_REVISION));
    ASSERT_TRUE(
        ::SetSecurityDescriptorDacl(&noAccess, TRUE, &emptyAcl, FALSE)); // an empty list grants nothing
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), &noAccess, FALSE};
    const HANDLE mutex = ::CreateMutexW(&attributes, FALSE, L"CursorSaver-Dovex");
    ASSERT_NE(mutex, nullptr);
    const HANDLE opened = ::OpenMutexW(SYNCHRONIZE, FALSE, L"CursorSaver-Dovex");
    const DWORD openError = ::GetLastError();
    if (opened) {
        ::CloseHandle(opened);
        ::CloseHandle(mutex);
        GTEST_SKIP() << "this system does not check the rights of named objects (Wine): the decision is "
                        "tested in SingleInstance.WhatTheMutexAnswersMeans";
    }
    ASSERT_EQ(openError, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    Process dovex;
    StartDovex(dovex);
    ASSERT_TRUE(dovex.Exited(10000)) << "a second saver started";
    EXPECT_EQ(dovex.ExitCode(), 0u);
    EXPECT_TRUE(DovexWindows().empty());
    ::CloseHandle(mutex);
}
