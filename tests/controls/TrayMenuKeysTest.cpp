// The tray icon's popup menu under real X input: a right click on the icon in the taskbar opens it, and
// the keyboard works in it every time, also after other windows of the program were shown and after a
// menu closed with Escape.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "TaskbarSupport.h"
#include "controls/TrayIcon.h"

using namespace std::chrono_literals;
using dovex::TTrayIcon;
using dovex::test::PumpFor;
using dovex::test::PumpUntil;

namespace {

constexpr UINT kPause = 101, kExit = 102;
constexpr UINT_PTR kWatchdogTimer = 7;
constexpr auto kMenuLimit = 6s; // a menu that ignores its keys is closed after this

// Hidden like the program's main window: receives the menu's notices and its commands. When a menu shows,
// it types the keys it was given through X, in a thread of their own (the menu's loop runs here).
class MenuOwner {
public:
    MenuOwner() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &MenuOwner::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TrayMenuKeysOwner";
        ::RegisterClassW(&wc);
        handle = ::CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"owner", WS_POPUP, 0, 0, 0, 0,
                                   nullptr, nullptr, wc.hInstance, this);
    }
    ~MenuOwner() {
        if (typist.joinable())
            typist.join();
        ::DestroyWindow(handle);
    }

    HWND handle = nullptr;
    const TTrayIcon* icon = nullptr;
    std::string keys;                     // typed into the next menu once it shows
    int opened = 0;                       // menus shown
    int closedByWatchdog = 0;             // menus that ignored their keys
    bool ownerShownAndForeground = false; // the component's menu owner, while the last menu was open
    std::vector<std::pair<WPARAM, LPARAM>> commands;
    std::atomic<int> typingFailures{0}; // xdotool runs that failed (assertions stay on this thread)
    std::thread typist;

private:
    void MenuShown(HWND) {
        const HWND menuOwner = icon ? icon->MenuOwnerWindow() : nullptr;
        ownerShownAndForeground =
            menuOwner && ::IsWindowVisible(menuOwner) && ::GetForegroundWindow() == menuOwner;
        if (typist.joinable())
            typist.join();
        typist = std::thread([this, keys = keys] {
            if (!dovex::test::XKey(keys))
                ++typingFailures;
        });
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE)
            ::SetWindowLongPtrW(
                hwnd, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<MenuOwner*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self)
            return ::DefWindowProcW(hwnd, msg, wParam, lParam);
        switch (msg) {
        case WM_INITMENUPOPUP:
            ++self->opened;
            self->FOpenedAt = std::chrono::steady_clock::now();
            self->FTyped = false;
            ::SetTimer(hwnd, kWatchdogTimer, 200, nullptr);
            break;
        case WM_ENTERIDLE:
            if (wParam == MSGF_MENU && !self->FTyped) {
                self->FTyped = true;
                self->MenuShown(reinterpret_cast<HWND>(lParam));
            }
            break;
        case WM_TIMER:
            if (wParam == kWatchdogTimer && std::chrono::steady_clock::now() - self->FOpenedAt > kMenuLimit) {
                ::KillTimer(hwnd, kWatchdogTimer);
                ++self->closedByWatchdog;
                ::EndMenu();
            }
            return 0;
        case WM_UNINITMENUPOPUP:
            ::KillTimer(hwnd, kWatchdogTimer);
            break;
        case WM_COMMAND:
            self->commands.emplace_back(wParam, lParam);
            return 0;
        }
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    std::chrono::steady_clock::time_point FOpenedAt;
    bool FTyped = false;
};

// Another window of the program, shown, used and hidden again, as the show or a dialog would be.
void ShowAndHideAnotherWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TrayMenuKeysOther";
    ::RegisterClassW(&wc);
    HWND other = ::CreateWindowExW(0, wc.lpszClassName, L"other", WS_OVERLAPPEDWINDOW, 200, 200, 300, 200,
                                   nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, other);
    ::ShowWindow(other, SW_SHOW);
    ::SetForegroundWindow(other);
    EXPECT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == other; }, 3s));
    ::ShowWindow(other, SW_HIDE);
    ::DestroyWindow(other);
    PumpFor(100ms);
}

class TrayMenuKeys : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(PumpUntil(dovex::test::NotificationAreaReady, 10s)) << "the taskbar takes no icons";
        FMenu.reset(::CreatePopupMenu());
        ::AppendMenuW(FMenu.get(), MF_STRING, kPause, L"一時停止(&S)");
        ::AppendMenuW(FMenu.get(), MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(FMenu.get(), MF_STRING, kExit, L"終了(&X)");
        FIcon = std::make_unique<TTrayIcon>(FOwner.handle);
        FOwner.icon = FIcon.get();
        FStill = dovex::test::SolidColourIcon(kColour);
        FIcon->SetIcon(FStill.get());
        FIcon->SetRBPopupMenu(FMenu.get());
        FIcon->SetVisible(true);
    }
    void TearDown() override {
        FIcon.reset();
        PumpFor(100ms);
    }

    // Right-clicks the icon through X and types the keys into the menu; true when a menu opened.
    bool OpenMenuAndType(const std::string& keys) {
        const auto at = dovex::test::SettledOnTaskbar(kColour, 3s);
        if (!at) {
            ADD_FAILURE() << "the icon is not on the taskbar";
            return false;
        }
        const int before = FOwner.opened;
        FOwner.keys = keys;
        // A second press within the double-click time would make a double click.
        PumpFor(std::chrono::milliseconds(::GetDoubleClickTime() + 100));
        EXPECT_TRUE(dovex::test::XClick(*at, 3)) << "xdotool click";
        return PumpUntil([&] { return FOwner.opened > before; }, 5s);
    }

    static constexpr COLORREF kColour = RGB(40, 200, 120);
    MenuOwner FOwner;
    dovex::UniqueHMenu FMenu;
    dovex::UniqueHIcon FStill;
    std::unique_ptr<TTrayIcon> FIcon;
};

TEST_F(TrayMenuKeys, MnemonicsWorkEveryTimeAfterOtherWindowsWereShown) {
    for (int opening = 1; opening <= 3; ++opening) {
        SCOPED_TRACE(testing::Message() << "opening " << opening);
        ShowAndHideAnotherWindow();
        ASSERT_TRUE(OpenMenuAndType("s")) << "no menu";
        ASSERT_TRUE(PumpUntil([&] { return FOwner.commands.size() == static_cast<size_t>(opening); }, 3s))
            << "the key chose nothing; menus closed for ignoring their keys: " << FOwner.closedByWatchdog;
        // As the menu itself would send it.
        EXPECT_EQ(FOwner.commands.back(), (std::pair<WPARAM, LPARAM>{MAKEWPARAM(kPause, 0), 0}));
        EXPECT_TRUE(FOwner.ownerShownAndForeground) << "the menu's owner was not shown in front";
        EXPECT_FALSE(::IsWindowVisible(FIcon->MenuOwnerWindow())) << "the menu's owner stayed on the screen";
        EXPECT_FALSE(::IsWindowVisible(FOwner.handle)) << "the component's owner must stay hidden";
    }
    EXPECT_EQ(FOwner.closedByWatchdog, 0);
    EXPECT_EQ(FOwner.typingFailures, 0);
}

TEST_F(TrayMenuKeys, AfterEscapeTheNextRightClickOpensTheMenuAgain) {
    ShowAndHideAnotherWindow();
    ASSERT_TRUE(OpenMenuAndType("Escape")) << "no menu";
    PumpFor(200ms);
    EXPECT_TRUE(FOwner.commands.empty()) << "Escape chose a command";
    for (int opening = 2; opening <= 3; ++opening) {
        SCOPED_TRACE(testing::Message() << "opening " << opening);
        ASSERT_TRUE(OpenMenuAndType("x")) << "the right click after Escape opened no menu";
        ASSERT_TRUE(
            PumpUntil([&] { return FOwner.commands.size() == static_cast<size_t>(opening - 1); }, 3s));
        EXPECT_EQ(LOWORD(FOwner.commands.back().first), kExit);
        ASSERT_TRUE(OpenMenuAndType("Escape")) << "no menu";
    }
    EXPECT_EQ(FOwner.closedByWatchdog, 0);
    EXPECT_EQ(FOwner.typingFailures, 0);
}

} // namespace
