// The mouse watch: which hook reports count as activity, the hook library's shared block, installing and
// removing the hook, and real input reaching a window through Dovex.dll.
#include <windows.h>
#include <windowsx.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "model/HookTypes.h"
#include "model/SaverMessages.h"
#include "app/MouseWatch.h"
#include "tests/base/DesktopInput.h"
#include "tests/TestSupport.h"

using namespace std::chrono_literals;
using namespace dovex;
using dovex::test::Button;
using dovex::test::MoveTo;
using dovex::test::PumpUntil;
using dovex::test::SendMouse;
using dovex::test::TChildProcess;
using dovex::test::WindowsPath;

namespace {

// The main thread joins for the whole run, also when the desktop is just closing; input threads join it
// later, when it surely stays.
const auto* const kProjectDesktop = ::testing::AddGlobalTestEnvironment(new dovex::test::ProjectDesktop);

uint32_t Narrow(const void* handle) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}

// A window that records every WM_SAVERMOUSE it receives.
class TTargetWindow {
public:
    TTargetWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"DovexHookTestTarget";
        ::RegisterClassW(&wc);
        FHandle = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                    wc.hInstance, nullptr);
        ::SetWindowLongPtrW(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TTargetWindow() { ::DestroyWindow(FHandle); }
    HWND Handle() const { return FHandle; }
    const std::vector<WPARAM>& Received() const { return FReceived; }
    const std::vector<POINT>& Positions() const { return FPositions; }
    bool Got(WPARAM message) const {
        return std::find(FReceived.begin(), FReceived.end(), message) != FReceived.end();
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TTargetWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (msg == WM_SAVERMOUSE && self) {
            self->FReceived.push_back(wParam);
            self->FPositions.push_back({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            return 0;
        }
        return ::DefWindowProcW(window, msg, wParam, lParam);
    }
    HWND FHandle = nullptr;
    std::vector<WPARAM> FReceived;
    std::vector<POINT> FPositions;
};

// ---------------------------------------------------------------------------------------------------------
// Which reports count as activity.

constexpr TIgnoreMouse kAllIgnored = imLsftClick | imMiddleClick | imRightClick | imWheel;

TEST(MouseActivity, MovesCountOnlyWhenThePositionChanged) {
    for (WPARAM move : {WPARAM{WM_MOUSEMOVE}, WPARAM{WM_NCMOUSEMOVE}}) {
        for (TIgnoreMouse ignore = 0; ignore <= kAllIgnored; ++ignore) {
            EXPECT_TRUE(IsMouseActivity(move, ignore, true)) << move << " ignore " << int(ignore);
            EXPECT_FALSE(IsMouseActivity(move, ignore, false)) << move << " ignore " << int(ignore);
        }
        EXPECT_TRUE(IsMouseMove(move));
    }
    EXPECT_EQ(0x0200u, WPARAM{WM_MOUSEMOVE});
    EXPECT_EQ(0x00A0u, WPARAM{WM_NCMOUSEMOVE});
    EXPECT_FALSE(IsMouseMove(WM_LBUTTONDOWN));
    EXPECT_FALSE(IsMouseMove(WM_MOUSEWHEEL));
}

// Each button message counts unless its own bit is ignored; other bits and the position change nothing.
TEST(MouseActivity, ButtonsAndWheelFollowTheirOwnIgnoreBit) {
    struct Row {
        WPARAM First, Last;
        TIgnoreMouse Bit;
    };
    const Row rows[] = {
        {0x0201, 0x0203, imLsftClick},  {0x00A1, 0x00A3, imLsftClick},   {0x0204, 0x0206, imRightClick},
        {0x00A4, 0x00A6, imRightClick}, {0x0207, 0x0209, imMiddleClick}, {0x00A7, 0x00A9, imMiddleClick},
        {0x020A, 0x020A, imWheel},
    };
    int checked = 0;
    for (const Row& row : rows) {
        for (WPARAM m = row.First; m <= row.Last; ++m) {
            for (TIgnoreMouse ignore = 0; ignore <= kAllIgnored; ++ignore) {
                const bool expected = !(ignore & row.Bit);
                EXPECT_EQ(expected, IsMouseActivity(m, ignore, false)) << std::hex << m << " " << int(ignore);
                EXPECT_EQ(expected, IsMouseActivity(m, ignore, true)) << std::hex << m << " " << int(ignore);
                ++checked;
            }
        }
    }
    EXPECT_EQ(19 * 16, checked);
    // Spot checks with the names of the messages.
    EXPECT_FALSE(IsMouseActivity(WM_LBUTTONDOWN, imLsftClick | imWheel, true));
    EXPECT_FALSE(IsMouseActivity(WM_MOUSEWHEEL, imLsftClick | imWheel, true));
    EXPECT_TRUE(IsMouseActivity(WM_RBUTTONDOWN, imLsftClick | imWheel, false));
    EXPECT_TRUE(IsMouseActivity(WM_MBUTTONUP, imLsftClick | imWheel, false));
    EXPECT_FALSE(IsMouseActivity(WM_NCMBUTTONDBLCLK, imMiddleClick, false));
}

TEST(MouseActivity, EverythingElseAlwaysCounts) {
    const WPARAM others[] = {0x020B /* WM_XBUTTONDOWN */,
                             0x020C,
                             0x020D,
                             0x020E /* WM_MOUSEHWHEEL */,
                             0x00AB /* WM_NCXBUTTONDOWN */,
                             0x00AC,
                             0x00AD,
                             0x0000,
                             0x02A1,
                             0x0818};
    for (WPARAM m : others) {
        EXPECT_TRUE(IsMouseActivity(m, kAllIgnored, false)) << std::hex << m;
        EXPECT_TRUE(IsMouseActivity(m, 0, false)) << std::hex << m;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Whether the hook still sees the mouse: events in time order, and the verdict after each doubt.

TEST(HookWatch, ABlindHookIsInstalledAgainThenPollingTakesOver) {
    using V = THookWatch::TVerdict;
    struct Step {
        char Event; // 'r' a report, 'm' a move only the pointer check found, 'j' the verdict
        uint64_t At;
        bool NewDoubt; // for 'm': whether a verdict must be asked for
        V Verdict;     // for 'j'
    };
    const struct {
        const char* Name;
        std::vector<Step> Steps;
    } cases[] = {
        {"no doubt, no verdict", {{'r', 100, false, V::Sees}, {'j', 700, false, V::Sees}}},
        {"the report comes after the check",
         {{'m', 100, true, V::Sees}, {'r', 120, false, V::Sees}, {'j', 600, false, V::Sees}}},
        {"the report arrives in the same tick",
         {{'m', 100, true, V::Sees}, {'r', 100, false, V::Sees}, {'j', 600, false, V::Sees}}},
        {"an old report does not clear the doubt",
         {{'r', 50, false, V::Sees}, {'m', 100, true, V::Sees}, {'j', 600, false, V::Reinstall}}},
        {"a doubt is asked for once",
         {{'m', 100, true, V::Sees}, {'m', 150, false, V::Sees}, {'j', 600, false, V::Reinstall}}},
        {"blind again after the new install",
         {{'m', 100, true, V::Sees},
          {'j', 600, false, V::Reinstall},
          {'m', 900, true, V::Sees},
          {'j', 1400, false, V::Poll}}},
        {"seeing in between does not forgive",
         {{'m', 100, true, V::Sees},
          {'j', 600, false, V::Reinstall},
          {'m', 700, true, V::Sees},
          {'r', 710, false, V::Sees},
          {'j', 1200, false, V::Sees},
          {'m', 1300, true, V::Sees},
          {'j', 1800, false, V::Poll}}},
    };
    for (const auto& c : cases) {
        THookWatch watch;
        for (const Step& step : c.Steps) {
            if (step.Event == 'r')
                watch.Reported(step.At);
            else if (step.Event == 'm')
                EXPECT_EQ(watch.Missed(step.At), step.NewDoubt) << c.Name << " at " << step.At;
            else
                EXPECT_EQ(watch.Judge(), step.Verdict) << c.Name << " at " << step.At;
        }
        EXPECT_FALSE(watch.Doubting()) << c.Name;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Installing and removing.

struct TBlock {
    uint32_t Window = 0, Message = 0, Hook = 0;
};

bool ReadBlock(TBlock& block) {
    HANDLE mapping = ::OpenFileMappingW(FILE_MAP_READ, FALSE, kHookMappingName);
    if (!mapping)
        return false;
    const void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, kHookMappingSize);
    if (view) {
        std::memcpy(&block, view, sizeof(block));
        ::UnmapViewOfFile(view);
    }
    ::CloseHandle(mapping);
    return view != nullptr;
}

bool BlockExists() {
    HANDLE mapping = ::OpenFileMappingW(FILE_MAP_READ, FALSE, kHookMappingName);
    if (mapping)
        ::CloseHandle(mapping);
    return mapping != nullptr;
}

TEST(MouseHook, InstallPublishesTheWindowTheMessageAndTheHook) {
    static_assert(sizeof(TBlock) == 12);
    ASSERT_FALSE(BlockExists()) << "another DovexVer1 exists: is Dovex.exe running on this Wine server?";
    TTargetWindow target;
    TMouseHook hook;
    ASSERT_TRUE(hook.InstallMouseHook(target.Handle()));
    EXPECT_TRUE(hook.Installed());
    EXPECT_NE(nullptr, ::GetModuleHandleW(L"Dovex.dll"));

    TBlock block;
    ASSERT_TRUE(ReadBlock(block));
    EXPECT_EQ(Narrow(target.Handle()), block.Window);
    EXPECT_EQ(2072u, block.Message);
    EXPECT_NE(0u, block.Hook);
    EXPECT_EQ(Narrow(hook.Hook()), block.Hook);

    // Handles travel as 32 bits and are sign-extended back.
    const auto widened = reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(block.Window)));
    EXPECT_EQ(target.Handle(), widened);

    hook.RemoveMouseHook();
    EXPECT_FALSE(hook.Installed());
    EXPECT_EQ(nullptr, ::GetModuleHandleW(L"Dovex.dll"));
    EXPECT_FALSE(BlockExists()) << "the block lives only while the hook is installed";
}

// Removal releases the reference the install took, and no other: references that the system or anyone
// else holds keep the library loaded until they are released.
TEST(MouseHook, RemoveReleasesOnlyItsOwnReference) {
    TTargetWindow target;
    TMouseHook hook;
    ASSERT_TRUE(hook.InstallMouseHook(target.Handle()));
    const HMODULE other = ::LoadLibraryW(L"Dovex.dll");
    ASSERT_NE(nullptr, other);
    hook.RemoveMouseHook();
    EXPECT_EQ(other, ::GetModuleHandleW(L"Dovex.dll")) << "another holder's reference was dropped";
    hook.RemoveMouseHook(); // a second removal is harmless
    EXPECT_EQ(other, ::GetModuleHandleW(L"Dovex.dll"));
    ::FreeLibrary(other);
    EXPECT_EQ(nullptr, ::GetModuleHandleW(L"Dovex.dll")) << "the install's own reference was kept";
}

TEST(MouseHook, DestructorRemovesTheHook) {
    TTargetWindow target;
    {
        TMouseHook hook;
        ASSERT_TRUE(hook.InstallMouseHook(target.Handle()));
        ASSERT_TRUE(BlockExists());
    }
    EXPECT_EQ(nullptr, ::GetModuleHandleW(L"Dovex.dll"));
    EXPECT_FALSE(BlockExists());
}

// ---------------------------------------------------------------------------------------------------------
// The hook procedure itself, called directly.

using TMouseHookProc = LRESULT(CALLBACK*)(int, WPARAM, LPARAM);

class HookProc : public ::testing::Test {
protected:
    void SetUp() override {
        FLib = ::LoadLibraryW(L"Dovex.dll");
        ASSERT_NE(nullptr, FLib);
        FProc = reinterpret_cast<TMouseHookProc>(
            reinterpret_cast<void*>(::GetProcAddress(FLib, "MouseHookProc")));
        ASSERT_NE(nullptr, FProc);
    }
    void TearDown() override {
        if (FLib)
            ::FreeLibrary(FLib);
    }
    // Writes a block of the given size, as the program or a stranger would.
    HANDLE WriteBlock(DWORD size, HWND window, uint32_t message) {
        HANDLE mapping =
            ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, kHookMappingName);
        EXPECT_NE(nullptr, mapping);
        void* view = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 12);
        EXPECT_NE(nullptr, view);
        const TBlock block{Narrow(window), message, 0};
        std::memcpy(view, &block, sizeof(block));
        ::UnmapViewOfFile(view);
        return mapping;
    }
    void Call(int code, WPARAM message, POINT at = {}) {
        MOUSEHOOKSTRUCT info{};
        info.pt = at;
        FProc(code, message, reinterpret_cast<LPARAM>(&info));
    }

    HMODULE FLib = nullptr;
    TMouseHookProc FProc = nullptr;
};

TEST_F(HookProc, PostsTheConfiguredMessageWithTheMouseMessage) {
    TTargetWindow target;
    HANDLE mapping = WriteBlock(12, target.Handle(), WM_SAVERMOUSE);
    for (WPARAM m : {WPARAM{WM_MOUSEMOVE}, WPARAM{WM_LBUTTONDOWN}, WPARAM{WM_NCRBUTTONUP}, WPARAM{0x020B}})
        Call(HC_ACTION, m);
    PumpUntil([&] { return target.Received().size() >= 4; }, 2s);
    EXPECT_EQ((std::vector<WPARAM>{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_NCRBUTTONUP, 0x020B}), target.Received());
    ::CloseHandle(mapping);
}

// The pointer's position goes along, so that the program need not ask where the pointer is; monitors
// left of or above the primary one give negative coordinates.
TEST_F(HookProc, PostsThePointersPositionWithIt) {
    TTargetWindow target;
    HANDLE mapping = WriteBlock(12, target.Handle(), WM_SAVERMOUSE);
    const std::vector<POINT> points = {{12, 34}, {-1920, 5}, {3000, -200}};
    for (POINT pt : points)
        Call(HC_ACTION, WM_MOUSEMOVE, pt);
    PumpUntil([&] { return target.Positions().size() >= points.size(); }, 2s);
    ASSERT_EQ(points.size(), target.Positions().size());
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].x, target.Positions()[i].x);
        EXPECT_EQ(points[i].y, target.Positions()[i].y);
    }
    ::CloseHandle(mapping);
}

// A message only peeked at is reported once, when it is removed.
TEST_F(HookProc, IgnoresMessagesThatAreOnlyPeekedAt) {
    TTargetWindow target;
    HANDLE mapping = WriteBlock(12, target.Handle(), WM_SAVERMOUSE);
    Call(HC_NOREMOVE, WM_LBUTTONDOWN);
    Call(HC_ACTION, WM_RBUTTONDOWN);
    PumpUntil([&] { return !target.Received().empty(); }, 2s);
    PumpUntil([] { return false; }, 100ms);
    EXPECT_EQ((std::vector<WPARAM>{WM_RBUTTONDOWN}), target.Received());
    ::CloseHandle(mapping);
}

TEST_F(HookProc, DoesNothingWithoutTheBlock) {
    ASSERT_FALSE(BlockExists());
    TTargetWindow target;
    Call(HC_ACTION, WM_LBUTTONDOWN);
    PumpUntil([] { return false; }, 200ms);
    EXPECT_TRUE(target.Received().empty());
}

TEST_F(HookProc, IgnoresABlockOfAnotherSize) {
    TTargetWindow target;
    HANDLE mapping = WriteBlock(64 * 1024, target.Handle(), WM_SAVERMOUSE);
    Call(HC_ACTION, WM_LBUTTONDOWN);
    PumpUntil([] { return false; }, 200ms);
    EXPECT_TRUE(target.Received().empty());
    ::CloseHandle(mapping);
}

// A block that names a system message must not make every process post it.
TEST_F(HookProc, PostsNoSystemMessages) {
    TTargetWindow target;
    HANDLE mapping = WriteBlock(12, target.Handle(), WM_CLOSE);
    Call(HC_ACTION, WM_LBUTTONDOWN);
    PumpUntil([] { return false; }, 200ms);
    EXPECT_TRUE(::IsWindow(target.Handle()));
    ::CloseHandle(mapping);
}

// The block is read again when the window it names is gone (the program was started anew).
TEST_F(HookProc, FollowsANewBlockWhenItsWindowIsGone) {
    auto first = std::make_unique<TTargetWindow>();
    HANDLE mapping = WriteBlock(12, first->Handle(), WM_SAVERMOUSE);
    Call(HC_ACTION, WM_MOUSEMOVE);
    PumpUntil([&] { return !first->Received().empty(); }, 2s);
    EXPECT_EQ(1u, first->Received().size());
    first.reset();
    ::CloseHandle(mapping);

    TTargetWindow second;
    mapping = WriteBlock(12, second.Handle(), WM_SAVERMOUSE);
    Call(HC_ACTION, WM_MOUSEWHEEL);
    PumpUntil([&] { return !second.Received().empty(); }, 2s);
    EXPECT_EQ((std::vector<WPARAM>{WM_MOUSEWHEEL}), second.Received());
    ::CloseHandle(mapping);
}

// ---------------------------------------------------------------------------------------------------------
// Failing cleanly, checked in a helper process started from a folder of its own.

class TempFolder {
public:
    explicit TempFolder(const std::wstring& tag) {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        FPath = std::wstring(temp) + L"dovex-hook-" + tag + L"-" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(FPath.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const auto& file : FFiles)
            ::DeleteFileW(file.c_str());
        ::RemoveDirectoryW(FPath.c_str());
    }
    std::wstring Add(const std::wstring& source, const std::wstring& name) {
        const std::wstring target = FPath + L"\\" + name;
        EXPECT_TRUE(::CopyFileW(source.c_str(), target.c_str(), FALSE)) << "copy to " << target.size();
        FFiles.push_back(target);
        return target;
    }
    std::wstring File(const std::wstring& name) {
        FFiles.push_back(FPath + L"\\" + name);
        return FFiles.back();
    }
    const std::wstring& Path() const { return FPath; }

private:
    std::wstring FPath;
    std::vector<std::wstring> FFiles;
};

DWORD RunProbe(const std::wstring& exe, const std::wstring& args, const std::wstring& folder) {
    TChildProcess process;
    if (!process.Start(exe, args, folder))
        return 54321;
    return process.Exited(30000) ? process.ExitCode() : 12345;
}

std::wstring ProbeFolder() {
    std::wstring exe = WindowsPath(HOOK_PROBE_EXE);
    return exe.substr(0, exe.rfind(L'\\'));
}

TEST(MouseHookInstall, SucceedsBesideTheLibrary) {
    // The control for the two cases below: the probe itself works where Dovex.dll is.
    EXPECT_EQ(0u, RunProbe(WindowsPath(HOOK_PROBE_EXE), L"install", ProbeFolder()));
}

TEST(MouseHookInstall, FailsCleanlyWhenTheLibraryIsMissing) {
    TempFolder folder(L"nolib");
    const std::wstring probe = folder.Add(WindowsPath(HOOK_PROBE_EXE), L"hook_probe.exe");
    EXPECT_EQ(1u, RunProbe(probe, L"install", folder.Path()));
}

TEST(MouseHookInstall, FailsCleanlyWhenTheHookProcedureIsMissing) {
    TempFolder folder(L"noexport");
    const std::wstring probe = folder.Add(WindowsPath(HOOK_PROBE_EXE), L"hook_probe.exe");
    folder.Add(WindowsPath(NOEXPORT_DLL), L"Dovex.dll");
    EXPECT_EQ(1u, RunProbe(probe, L"install", folder.Path()));
}

// ---------------------------------------------------------------------------------------------------------
// Real input, end to end: SendInput from a thread of the desktop, through the hook in whichever process
// owns the window under the pointer, to the target window.

// Moves, clicks both buttons and turns the wheel, from a thread of its own that joined the desktop.
void SendUserInput() {
    std::thread([] {
        test::JoinProjectDesktop(); // a global hook sees the input of its own desktop
        SendMouse({MoveTo(300, 300)});
        std::this_thread::sleep_for(50ms);
        SendMouse({MoveTo(340, 320)});
        std::this_thread::sleep_for(50ms);
        SendMouse({Button(MOUSEEVENTF_LEFTDOWN), Button(MOUSEEVENTF_LEFTUP)});
        std::this_thread::sleep_for(50ms);
        SendMouse({Button(MOUSEEVENTF_RIGHTDOWN), Button(MOUSEEVENTF_RIGHTUP)});
        std::this_thread::sleep_for(50ms);
        SendMouse({Button(MOUSEEVENTF_WHEEL, WHEEL_DELTA)});
    }).join();
}

const std::set<WPARAM> kExpectedInput = {WM_MOUSEMOVE,   WM_LBUTTONDOWN, WM_LBUTTONUP,
                                         WM_RBUTTONDOWN, WM_RBUTTONUP,   WM_MOUSEWHEEL};

TEST(MouseHookInput, RealInputReachesTheTargetWindow) {
    TTargetWindow target;
    TMouseHook hook;
    ASSERT_TRUE(hook.InstallMouseHook(target.Handle()));
    SendUserInput();
    // One set, kept: its begin and end must come from the same object.
    std::set<WPARAM> got;
    PumpUntil(
        [&] {
            got = std::set<WPARAM>(target.Received().begin(), target.Received().end());
            return std::includes(got.begin(), got.end(), kExpectedInput.begin(), kExpectedInput.end());
        },
        5s);
    for (WPARAM m : kExpectedInput)
        EXPECT_TRUE(got.count(m)) << "missing message " << std::hex << m;
    for (WPARAM m : got)
        EXPECT_TRUE(m == WM_MOUSEMOVE || m == WM_NCMOUSEMOVE || kExpectedInput.count(m))
            << "unexpected " << std::hex << m;

    // After removal nothing arrives any more.
    hook.RemoveMouseHook();
    PumpUntil([] { return false; }, 200ms);
    const size_t before = target.Received().size();
    SendUserInput();
    PumpUntil([] { return false; }, 500ms);
    EXPECT_EQ(before, target.Received().size());
}

std::set<WPARAM> ReadProbeLog(const std::wstring& file, bool& ready) {
    std::set<WPARAM> got;
    ready = false;
    std::ifstream in{std::filesystem::path(file)};
    std::string line;
    while (std::getline(in, line)) {
        if (line == "ready")
            ready = true;
        else if (!line.empty())
            got.insert(std::stoul(line, nullptr, 16));
    }
    return got;
}

// How the program itself is started by its tests: a separate process placed in the desktop.
TEST(MouseHookInput, RealInputReachesAWindowOfAnotherProcess) {
    TempFolder folder(L"listen");
    const std::wstring log = folder.File(L"log.txt");
    TChildProcess probe;
    ASSERT_TRUE(probe.Start(WindowsPath(HOOK_PROBE_EXE), L"listen \"" + log + L"\" 4000", ProbeFolder()));
    bool ready = false;
    ASSERT_TRUE(PumpUntil(
        [&] {
            ReadProbeLog(log, ready);
            return ready;
        },
        10s))
        << "the probe did not start";
    SendUserInput();
    std::set<WPARAM> got;
    PumpUntil(
        [&] {
            got = ReadProbeLog(log, ready);
            return std::includes(got.begin(), got.end(), kExpectedInput.begin(), kExpectedInput.end());
        },
        5s);
    for (WPARAM m : kExpectedInput)
        EXPECT_TRUE(got.count(m)) << "missing message " << std::hex << m;
    ASSERT_TRUE(probe.Exited(10000));
    EXPECT_EQ(0u, probe.ExitCode());
}

// ---------------------------------------------------------------------------------------------------------
// The hook's own thread and the shared block's origin.

// A block that exists before the install was not made by this instance: the hook falls back to polling.
TEST(MouseHook, ABlockThatExistsAlreadyIsNotTrusted) {
    UniqueHandle foreign(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              kHookMappingSize, kHookMappingName));
    ASSERT_TRUE(foreign);
    TTargetWindow target;
    TMouseHook hook;
    EXPECT_FALSE(hook.InstallMouseHook(target.Handle()));
    EXPECT_FALSE(hook.Installed());
    EXPECT_EQ(nullptr, ::GetModuleHandleW(L"Dovex.dll"));
    TBlock block;
    ASSERT_TRUE(ReadBlock(block));
    EXPECT_EQ(0u, block.Window) << "the foreign block is left as it was";
}

// The system hands the input of programs of the other bitness to the hooking thread and waits for it:
// that thread answers while the thread that started it is busy, and the activity still reaches the main
// window.
TEST(MouseHookThread, AnswersWhileTheStartingThreadIsBusy) {
    TTargetWindow target;
    TMouseHookThread hook;
    ASSERT_TRUE(hook.Start(target.Handle()));
    ASSERT_TRUE(hook.Installed());
    ASSERT_NE(nullptr, hook.Window());
    EXPECT_NE(::GetCurrentThreadId(), ::GetWindowThreadProcessId(hook.Window(), nullptr));
    TBlock block;
    ASSERT_TRUE(ReadBlock(block));
    EXPECT_EQ(Narrow(target.Handle()), block.Window) << "the block names the main window, not the thread's";

    std::atomic<bool> busy{true};
    std::atomic<int> answered{0}, unanswered{0};
    std::thread prober([&] {
        while (busy) {
            DWORD_PTR result = 0;
            if (::SendMessageTimeoutW(hook.Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &result))
                ++answered;
            else
                ++unanswered;
            std::this_thread::sleep_for(20ms);
        }
    });
    ::Sleep(1000); // the starting thread neither pumps nor answers for a second
    busy = false;
    prober.join();
    EXPECT_GE(answered.load(), 10);
    EXPECT_EQ(0, unanswered.load());

    SendUserInput();
    EXPECT_TRUE(PumpUntil([&] { return target.Got(WM_MOUSEMOVE) && target.Got(WM_LBUTTONDOWN); }, 5s));

    hook.Stop();
    EXPECT_FALSE(hook.Installed());
    EXPECT_EQ(nullptr, ::GetModuleHandleW(L"Dovex.dll"));
    EXPECT_FALSE(BlockExists());
}

TEST(MouseHookThread, FailsCleanlyAndLeavesNoThreadWhenTheBlockIsForeign) {
    UniqueHandle foreign(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              kHookMappingSize, kHookMappingName));
    TTargetWindow target;
    TMouseHookThread hook;
    EXPECT_FALSE(hook.Start(target.Handle()));
    EXPECT_FALSE(hook.Installed());
    hook.Stop(); // harmless
}

} // namespace
