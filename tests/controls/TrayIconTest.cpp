// The tray icon component, watched through the real shell of the virtual desktop: what the shell holds,
// what the taskbar draws, and what real mouse input on the icon does.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "TaskbarSupport.h"
#include "controls/TrayIcon.h"

using namespace std::chrono_literals;
using dovex::ENotifyIconError;
using dovex::TMouseButton;
using dovex::TTrayIcon;
using dovex::test::ClickAt;
using dovex::test::FindOnTaskbar;
using dovex::test::PumpFor;
using dovex::test::PumpUntil;
using dovex::test::Screenshot;
using dovex::test::SettledOnTaskbar;
using dovex::test::SolidColourIcon;

namespace {

const auto* const kTaskbarDesktop = ::testing::AddGlobalTestEnvironment(new dovex::test::TaskbarDesktop);

// Whether the shell holds an icon: a modify that changes nothing succeeds only for a known icon.
bool ShellHolds(HWND window, int id) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = static_cast<UINT>(id);
    return ::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool ShellHolds(const TTrayIcon& icon) {
    return ShellHolds(TTrayIcon::CallbackWindow(), icon.ID());
}

struct ImageList {
    HIMAGELIST list = nullptr;
    explicit ImageList(const std::vector<COLORREF>& colours) {
        const SIZE size = TTrayIcon::SmallIconSize();
        list =
            ImageList_Create(size.cx, size.cy, ILC_COLOR32 | ILC_MASK, static_cast<int>(colours.size()), 0);
        for (COLORREF c : colours)
            ImageList_AddIcon(list, SolidColourIcon(c).get());
    }
    ~ImageList() { ImageList_Destroy(list); }
};

// A hidden owner, like the program's main window: it receives the menus' notices and commands.
class OwnerWindow {
public:
    OwnerWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &OwnerWindow::Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TrayIconTestOwner";
        ::RegisterClassW(&wc);
        handle = ::CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"owner", WS_POPUP, 0, 0, 0, 0,
                                   nullptr, nullptr, wc.hInstance, this);
    }
    ~OwnerWindow() { ::DestroyWindow(handle); }

    HWND handle = nullptr;
    int menusOpened = 0;
    RECT menuRect{};
    POINT cursorAtOpen{};
    bool chooseFirstItem = false;
    std::vector<WPARAM> commands;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE)
            ::SetWindowLongPtrW(
                hwnd, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<OwnerWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self) {
            if (msg == WM_INITMENUPOPUP) {
                ++self->menusOpened;
                ::GetCursorPos(&self->cursorAtOpen);
            } else if (msg == WM_ENTERIDLE && wParam == MSGF_MENU) {
                // The menu is on the screen: look at it, then close it as a user would.
                ::GetWindowRect(reinterpret_cast<HWND>(lParam), &self->menuRect);
                if (self->chooseFirstItem) {
                    self->chooseFirstItem = false;
                    const RECT& r = self->menuRect;
                    ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, MOUSEEVENTF_LEFTDOWN,
                            MOUSEEVENTF_LEFTUP);
                } else if (self->commands.empty()) {
                    ::EndMenu();
                }
            } else if (msg == WM_COMMAND) {
                self->commands.push_back(LOWORD(wParam));
            }
        }
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
};

constexpr COLORREF kStill = RGB(250, 20, 180);
constexpr COLORREF kFrames[] = {RGB(20, 180, 250), RGB(180, 250, 20), RGB(120, 60, 10)};

class TrayIconTest : public ::testing::Test {
protected:
    // A shell that was restarted takes a moment before it takes icons again.
    void SetUp() override {
        ASSERT_TRUE(PumpUntil(dovex::test::NotificationAreaReady, 10s)) << "the taskbar takes no icons";
    }
    void TearDown() override { EXPECT_EQ(TTrayIcon::IconCount(), 0u) << "an icon outlived its test"; }

    // Sends the shell's callback for an icon as the shell would.
    static void Callback(const TTrayIcon& icon, UINT mouseMessage) {
        ::SendMessageW(TTrayIcon::CallbackWindow(), dovex::WM_TRAYICONNOTIFY, static_cast<WPARAM>(icon.ID()),
                       mouseMessage);
    }

    dovex::UniqueHIcon still = SolidColourIcon(kStill);
};

TEST_F(TrayIconTest, TipIsCutTo62Characters) {
    TTrayIcon icon;
    EXPECT_EQ(icon.TipHelp(), L"TipHelp");
    const std::wstring seventy(70, L'あ');
    icon.SetTipHelp(seventy);
    EXPECT_EQ(icon.TipHelp(), seventy.substr(0, 62));
    EXPECT_EQ(icon.TipHelp().size(), 62u);
    icon.SetTipHelp(std::wstring(62, L'x'));
    EXPECT_EQ(icon.TipHelp(), std::wstring(62, L'x'));
    icon.SetTipHelp(L"カーソルセーバー(Dovex)");
    EXPECT_EQ(icon.TipHelp(), L"カーソルセーバー(Dovex)");
    // A character outside the basic plane takes two units: never half of it.
    const std::wstring face = L"\U0001F600";
    ASSERT_EQ(face.size(), 2u);
    const struct {
        std::wstring tip, kept;
    } cuts[] = {
        {std::wstring(61, L'x') + face, std::wstring(61, L'x')},               // the pair straddles unit 62
        {std::wstring(61, L'x') + face + L"y", std::wstring(61, L'x')},        // likewise, with more after it
        {std::wstring(60, L'x') + face + L"y", std::wstring(60, L'x') + face}, // it ends at unit 62
        {std::wstring(60, L'x') + face, std::wstring(60, L'x') + face},        // nothing to cut
        {face + std::wstring(61, L'x'), face + std::wstring(60, L'x')},
    };
    for (const auto& cut : cuts) {
        icon.SetTipHelp(cut.tip);
        EXPECT_EQ(icon.TipHelp(), cut.kept) << cut.tip.size() << " units";
    }
    // The tip goes to the shell with the icon.
    icon.SetIcon(still.get());
    icon.SetVisible(true);
    EXPECT_TRUE(icon.Registered());
    icon.SetTipHelp(seventy + L"!");
    EXPECT_EQ(icon.TipHelp(), seventy.substr(0, 62));
    EXPECT_TRUE(ShellHolds(icon));
}

TEST_F(TrayIconTest, TheSameTipTwiceSendsNothingToTheShell) {
    TTrayIcon icon;
    icon.SetIcon(still.get());
    icon.SetTipHelp(L"first");
    icon.SetVisible(true);
    ASSERT_TRUE(PumpUntil([] { return FindOnTaskbar(kStill).has_value(); }, 3s));
    // The shell is given another image behind the component's back: any modify would bring the still
    // image back, and so shows whether one was sent.
    dovex::UniqueHIcon marker = SolidColourIcon(kFrames[1]);
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = TTrayIcon::CallbackWindow();
    data.uID = static_cast<UINT>(icon.ID());
    data.uFlags = NIF_ICON;
    data.hIcon = marker.get();
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_MODIFY, &data));
    ASSERT_TRUE(PumpUntil([] { return FindOnTaskbar(kFrames[1]).has_value(); }, 3s));

    icon.SetTipHelp(L"first");
    icon.SetTipHelp(L"first" + std::wstring(70, L'x')); // cut, and different from the first
    ASSERT_TRUE(PumpUntil([] { return FindOnTaskbar(kStill).has_value(); }, 3s));
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_MODIFY, &data));
    ASSERT_TRUE(PumpUntil([] { return FindOnTaskbar(kFrames[1]).has_value(); }, 3s));
    icon.SetTipHelp(L"first" + std::wstring(80, L'x')); // cut to the same 62 characters as before
    PumpFor(400ms);
    EXPECT_TRUE(FindOnTaskbar(kFrames[1])) << "a modify was sent for an unchanged tip";
    EXPECT_FALSE(FindOnTaskbar(kStill));
}

TEST_F(TrayIconTest, AnimateRateHasAFloorOf100) {
    TTrayIcon icon;
    EXPECT_EQ(icon.AnimateRate(), 500);
    icon.SetAnimateRate(50);
    EXPECT_EQ(icon.AnimateRate(), 100);
    icon.SetAnimateRate(-5);
    EXPECT_EQ(icon.AnimateRate(), 100);
    icon.SetAnimateRate(100);
    EXPECT_EQ(icon.AnimateRate(), 100);
    icon.SetAnimateRate(200);
    EXPECT_EQ(icon.AnimateRate(), 200);
}

TEST_F(TrayIconTest, VisibleAddsAndRemovesTheIconInTheShell) {
    TTrayIcon icon;
    icon.SetIcon(still.get());
    EXPECT_FALSE(icon.Visible());
    EXPECT_FALSE(ShellHolds(icon));

    icon.SetVisible(true);
    EXPECT_TRUE(icon.Registered());
    EXPECT_TRUE(ShellHolds(icon));
    EXPECT_TRUE(PumpUntil([] { return FindOnTaskbar(kStill).has_value(); }, 3s))
        << "not drawn on the taskbar";

    icon.SetVisible(false);
    EXPECT_FALSE(icon.Registered());
    EXPECT_FALSE(ShellHolds(icon));
    EXPECT_TRUE(PumpUntil([] { return !FindOnTaskbar(kStill).has_value(); }, 3s)) << "still on the taskbar";

    icon.SetVisible(true);
    EXPECT_TRUE(ShellHolds(icon));
}

TEST_F(TrayIconTest, DestructionRemovesTheIcon) {
    HWND window = nullptr;
    int id = 0;
    {
        TTrayIcon icon;
        icon.SetIcon(still.get());
        icon.SetVisible(true);
        window = TTrayIcon::CallbackWindow();
        id = icon.ID();
        ASSERT_TRUE(ShellHolds(window, id));
    }
    EXPECT_FALSE(ShellHolds(window, id));
    EXPECT_EQ(TTrayIcon::CallbackWindow(), nullptr);
}

TEST_F(TrayIconTest, WithoutAnyImageTheIconCannotBecomeVisible) {
    TTrayIcon icon; // this test program has no icon of its own, and there is no owner
    ASSERT_EQ(icon.GetIconHandle(), nullptr);
    icon.SetVisible(true);
    EXPECT_FALSE(icon.Visible());
    EXPECT_FALSE(ShellHolds(icon));
}

TEST_F(TrayIconTest, TheOwnersIconStandsInForAMissingOne) {
    OwnerWindow owner;
    ::SendMessageW(owner.handle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(still.get()));
    TTrayIcon icon(owner.handle);
    EXPECT_EQ(icon.GetIconHandle(), still.get());
    icon.SetVisible(true);
    EXPECT_TRUE(icon.Visible());
    EXPECT_TRUE(ShellHolds(icon));
}

TEST_F(TrayIconTest, The101stIconIsRefusedAndTheFirst100KeepWorking) {
    std::vector<std::unique_ptr<TTrayIcon>> icons;
    for (int i = 0; i < 100; ++i)
        icons.push_back(std::make_unique<TTrayIcon>());
    EXPECT_EQ(icons.front()->ID(), 1);
    EXPECT_EQ(icons.back()->ID(), 100);
    try {
        TTrayIcon extra;
        ADD_FAILURE() << "the 101st icon was accepted";
    } catch (const ENotifyIconError& e) {
        EXPECT_EQ(e.Message(), L"タスクトレイにアイコンを登録できません。");
    }
    EXPECT_EQ(TTrayIcon::IconCount(), 100u);
    for (auto* icon : {icons.front().get(), icons.back().get()}) {
        icon->SetIcon(still.get());
        icon->SetVisible(true);
        EXPECT_TRUE(ShellHolds(*icon));
    }
    // Room again once one is gone.
    icons.pop_back();
    EXPECT_NO_THROW(TTrayIcon{});
}

TEST_F(TrayIconTest, AnimationChangesTheIconOnTheTaskbarAndStopPutsTheStillImageBack) {
    ImageList frames({kFrames[0], kFrames[1], kFrames[2]});
    TTrayIcon icon;
    icon.SetIcon(still.get());
    icon.SetAnimateIcons(frames.list);
    icon.SetAnimateRate(100);
    icon.SetVisible(true);
    ASSERT_TRUE(PumpUntil([] { return FindOnTaskbar(kStill).has_value(); }, 3s));

    icon.StartAnimation();
    EXPECT_TRUE(icon.Animating());
    icon.StartAnimation(); // a second start while it runs changes nothing
    EXPECT_TRUE(icon.Animating());
    // Another list is refused while the animation runs.
    ImageList other({RGB(1, 2, 3)});
    icon.SetAnimateIcons(other.list);
    EXPECT_EQ(icon.AnimateIcons(), frames.list);

    std::set<int> seen;
    bool stillSeen = true;
    PumpUntil(
        [&] {
            auto shot = Screenshot::OfTaskbar();
            if (!shot)
                return false;
            for (int i = 0; i < 3; ++i)
                if (shot->Find(kFrames[i]))
                    seen.insert(i);
            stillSeen = shot->Find(kStill).has_value();
            return seen.size() == 3 && !stillSeen;
        },
        3s);
    EXPECT_EQ(seen.size(), 3u) << "the frames shown were not all seen";
    EXPECT_FALSE(stillSeen);

    icon.StopAnimation();
    EXPECT_FALSE(icon.Animating());
    EXPECT_TRUE(PumpUntil([] { return FindOnTaskbar(kStill).has_value(); }, 3s));
    // The thread's last frame must not come back over the still image.
    PumpFor(400ms);
    auto shot = Screenshot::OfTaskbar();
    ASSERT_TRUE(shot);
    EXPECT_TRUE(shot->Find(kStill));
    for (COLORREF c : kFrames)
        EXPECT_FALSE(shot->Find(c));

    // And it starts again.
    icon.StartAnimation();
    EXPECT_TRUE(PumpUntil([] { return !FindOnTaskbar(kStill).has_value(); }, 3s));
    icon.StopAnimation();
}

TEST_F(TrayIconTest, OneFrameModeShowsAFrameAndParks) {
    ImageList frames({kFrames[0], kFrames[1]});
    TTrayIcon icon;
    icon.SetIcon(still.get());
    icon.SetAnimateIcons(frames.list);
    icon.SetAnimateRate(100);
    icon.SetVisible(true);
    icon.StartAnimation(TTrayIcon::amOneFrame);
    ASSERT_TRUE(PumpUntil([] { return FindOnTaskbar(kFrames[0]).has_value(); }, 3s));
    PumpFor(500ms); // parked: no second frame comes
    EXPECT_TRUE(FindOnTaskbar(kFrames[0]));
    EXPECT_FALSE(FindOnTaskbar(kFrames[1]));
    icon.StopAnimation();
    EXPECT_TRUE(PumpUntil([] { return FindOnTaskbar(kStill).has_value(); }, 3s));
}

TEST_F(TrayIconTest, DestroyingAnAnimatingIconEndsItsThread) {
    ImageList frames({kFrames[0], kFrames[1]});
    auto icon = std::make_unique<TTrayIcon>();
    icon->SetIcon(still.get());
    icon->SetAnimateIcons(frames.list);
    icon->SetVisible(true);
    icon->StartAnimation();
    PumpFor(150ms);
    const auto begin = std::chrono::steady_clock::now();
    icon.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 400ms) << "the frame's sleep was waited out";
}

TEST_F(TrayIconTest, RightButtonOnTheTaskbarIconOpensTheMenuAtThePointer) {
    OwnerWindow owner;
    dovex::UniqueHMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.get(), MF_STRING, 1234, L"終了(&X)");
    TTrayIcon icon(owner.handle);
    icon.SetIcon(still.get());
    icon.SetRBPopupMenu(menu.get());
    std::vector<TMouseButton> downs;
    icon.OnMouseDown = [&](TTrayIcon&, TMouseButton b, dovex::TShiftState, int, int) { downs.push_back(b); };
    int rightUps = 0;
    icon.OnMouseUp = [&](TTrayIcon&, TMouseButton b, dovex::TShiftState, int, int) {
        rightUps += b == TMouseButton::mbRight;
    };
    icon.SetVisible(true);
    std::optional<POINT> at;
    ASSERT_TRUE((at = SettledOnTaskbar(kStill, 3s)).has_value());

    // A left click does nothing but report the press: no menu.
    ClickAt(*at, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(PumpUntil([&] { return !downs.empty(); }, 3s)) << "the shell's callback did not arrive";
    EXPECT_EQ(downs.front(), TMouseButton::mbLeft);
    PumpFor(300ms);
    EXPECT_EQ(owner.menusOpened, 0);

    // The right button opens the menu where the pointer is; the user closes it.
    ClickAt(*at, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(PumpUntil([&] { return owner.menusOpened == 1; }, 3s)) << "no menu";
    // At the pointer, moved only as far as needed to stay on the screen's free area.
    const POINT pt = owner.cursorAtOpen;
    const RECT r = owner.menuRect;
    const auto where = ::testing::Message() << "menu " << r.left << "," << r.top << "-" << r.right << ","
                                            << r.bottom << " pointer " << pt.x << "," << pt.y;
    EXPECT_TRUE(r.left <= pt.x && pt.x <= r.right) << where;
    EXPECT_TRUE(r.top - 30 <= pt.y && pt.y <= r.bottom + 30) << where;
    EXPECT_TRUE(downs.size() == 1) << "a press that opens the menu is not reported";

    // Choosing the item sends its command to the owner.
    // A second press within the double-click time would be a double click, which opens nothing.
    PumpFor(std::chrono::milliseconds(::GetDoubleClickTime() + 100));
    ASSERT_TRUE((at = SettledOnTaskbar(kStill, 3s)).has_value());
    owner.chooseFirstItem = true;
    ClickAt(*at, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    ASSERT_TRUE(PumpUntil([&] { return !owner.commands.empty(); }, 3s))
        << "no command; menus opened " << owner.menusOpened << " right releases " << rightUps;
    EXPECT_EQ(owner.commands.front(), 1234u);
    EXPECT_EQ(owner.menusOpened, 2);
}

TEST_F(TrayIconTest, RealClicksOnTheTaskbarIconTellASingleFromADoubleClick) {
    // A busy machine must not split the two clicks of a double click: give them more time.
    const UINT oldDoubleClickTime = ::GetDoubleClickTime();
    ::SetDoubleClickTime(1500);
    struct Restore {
        UINT time;
        ~Restore() { ::SetDoubleClickTime(time); }
    } restore{oldDoubleClickTime};
    TTrayIcon icon;
    icon.SetIcon(still.get());
    std::vector<std::chrono::steady_clock::time_point> clicks;
    int doubleClicks = 0;
    icon.OnClick = [&](TTrayIcon&) { clicks.push_back(std::chrono::steady_clock::now()); };
    icon.OnDblClick = [&](TTrayIcon&) { ++doubleClicks; };
    icon.SetVisible(true);
    std::optional<POINT> at;
    ASSERT_TRUE((at = SettledOnTaskbar(kStill, 3s)).has_value());
    const std::chrono::milliseconds clickDelay{::GetDoubleClickTime() + 50};

    ClickAt(*at, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    ClickAt(*at, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(PumpUntil([&] { return doubleClicks == 1; }, 3s)) << "no double click";
    PumpFor(clickDelay + 300ms);
    EXPECT_TRUE(clicks.empty()) << "a double click also gave a click";

    ASSERT_TRUE((at = SettledOnTaskbar(kStill, 3s)).has_value());
    ClickAt(*at, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    const auto clicked = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpUntil([&] { return !clicks.empty(); }, 3s)) << "no click";
    EXPECT_GE(clicks.front() - clicked, clickDelay - 50ms);
    PumpFor(clickDelay);
    EXPECT_EQ(clicks.size(), 1u);
    EXPECT_EQ(doubleClicks, 1);
}

TEST_F(TrayIconTest, CallbacksReachTheRightIconAndItsEvents) {
    TTrayIcon first, second;
    std::vector<std::pair<int, TMouseButton>> downs, ups;
    std::vector<int> moves;
    for (TTrayIcon* icon : {&first, &second}) {
        icon->OnMouseDown = [&](TTrayIcon& s, TMouseButton b, dovex::TShiftState shift, int, int) {
            downs.emplace_back(s.ID(), b);
            EXPECT_EQ(shift, b == TMouseButton::mbLeft    ? dovex::ssLeft
                             : b == TMouseButton::mbRight ? dovex::ssRight
                                                          : dovex::ssMiddle);
        };
        icon->OnMouseUp = [&](TTrayIcon& s, TMouseButton b, dovex::TShiftState, int, int) {
            ups.emplace_back(s.ID(), b);
        };
        icon->OnMouseMove = [&](TTrayIcon& s, dovex::TShiftState shift, int, int) {
            moves.push_back(s.ID());
            EXPECT_EQ(shift, 0u);
        };
    }
    Callback(second, WM_MOUSEMOVE);
    Callback(second, WM_MBUTTONDOWN);
    Callback(first, WM_RBUTTONDOWN);
    Callback(first, WM_RBUTTONUP);
    Callback(second, WM_MBUTTONUP);
    ::SendMessageW(TTrayIcon::CallbackWindow(), dovex::WM_TRAYICONNOTIFY, 999, WM_LBUTTONDOWN); // unknown id
    EXPECT_EQ(moves, std::vector<int>{second.ID()});
    EXPECT_EQ(downs, (std::vector<std::pair<int, TMouseButton>>{{second.ID(), TMouseButton::mbMiddle},
                                                                {first.ID(), TMouseButton::mbRight}}));
    EXPECT_EQ(ups, (std::vector<std::pair<int, TMouseButton>>{{first.ID(), TMouseButton::mbRight},
                                                              {second.ID(), TMouseButton::mbMiddle}}));
}

class ClickTest : public TrayIconTest {
protected:
    void SetUp() override {
        icon.OnClick = [this](TTrayIcon&) { clicks.push_back(std::chrono::steady_clock::now()); };
        icon.OnDblClick = [this](TTrayIcon&) { ++doubleClicks; };
    }
    void TearDown() override {}

    TTrayIcon icon;
    std::vector<std::chrono::steady_clock::time_point> clicks;
    int doubleClicks = 0;
    const std::chrono::milliseconds clickDelay{::GetDoubleClickTime() + 50};
};

TEST_F(ClickTest, ASingleClickFiresOnClickOnceAfterTheDoubleClickTime) {
    Callback(icon, WM_LBUTTONDOWN);
    Callback(icon, WM_LBUTTONUP);
    const auto released = std::chrono::steady_clock::now();
    PumpFor(clickDelay - 150ms);
    EXPECT_TRUE(clicks.empty()) << "the click came before the double-click time was over";
    ASSERT_TRUE(PumpUntil([&] { return !clicks.empty(); }, 2s));
    EXPECT_GE(clicks.front() - released, clickDelay - 20ms);
    PumpFor(clickDelay);
    EXPECT_EQ(clicks.size(), 1u);
    EXPECT_EQ(doubleClicks, 0);
}

TEST_F(ClickTest, ADoubleClickFiresOnlyOnDblClick) {
    Callback(icon, WM_LBUTTONDOWN);
    Callback(icon, WM_LBUTTONUP);
    Callback(icon, WM_LBUTTONDBLCLK);
    Callback(icon, WM_LBUTTONUP);
    EXPECT_EQ(doubleClicks, 1);
    PumpFor(clickDelay + 300ms);
    EXPECT_TRUE(clicks.empty());
    // The next single click is a click again.
    Callback(icon, WM_LBUTTONDOWN);
    Callback(icon, WM_LBUTTONUP);
    EXPECT_TRUE(PumpUntil([&] { return clicks.size() == 1; }, clickDelay + 1s));
}

TEST_F(ClickTest, WhileDisabledClicksDoNothing) {
    OwnerWindow owner;
    dovex::UniqueHMenu menu(::CreatePopupMenu());
    ::AppendMenuW(menu.get(), MF_STRING, 1, L"item");
    icon.SetRBPopupMenu(menu.get());
    icon.SetEnabled(false);
    Callback(icon, WM_LBUTTONDOWN);
    Callback(icon, WM_LBUTTONUP);
    Callback(icon, WM_LBUTTONDBLCLK);
    Callback(icon, WM_RBUTTONDOWN); // would open the menu (modal) if it were handled
    PumpFor(clickDelay + 200ms);
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(doubleClicks, 0);
    // Disabling also forgets a click that was waiting.
    icon.SetEnabled(true);
    Callback(icon, WM_LBUTTONDOWN);
    Callback(icon, WM_LBUTTONUP);
    icon.SetEnabled(false);
    icon.SetEnabled(true);
    PumpFor(clickDelay + 200ms);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(ClickTest, WithOnMouseUpSetTheReleaseIsNoClick) {
    int ups = 0;
    icon.OnMouseUp = [&](TTrayIcon&, TMouseButton, dovex::TShiftState, int, int) { ++ups; };
    Callback(icon, WM_LBUTTONDOWN);
    Callback(icon, WM_LBUTTONUP);
    PumpFor(clickDelay + 200ms);
    EXPECT_EQ(ups, 1);
    EXPECT_TRUE(clicks.empty());
}

TEST_F(TrayIconTest, TaskbarCreatedAddsTheIconAgain) {
    TTrayIcon icon;
    icon.SetIcon(still.get());
    icon.SetVisible(true);
    const HWND window = TTrayIcon::CallbackWindow();
    // Broadcasts reach only top-level windows.
    EXPECT_EQ(::GetAncestor(window, GA_PARENT), ::GetDesktopWindow());
    // The shell forgets the icon, as a restarted shell would.
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window;
    data.uID = static_cast<UINT>(icon.ID());
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &data));
    ASSERT_FALSE(ShellHolds(icon));
    ::SendMessageW(window, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(icon.Registered());
    EXPECT_TRUE(ShellHolds(icon));
    EXPECT_TRUE(PumpUntil([] { return FindOnTaskbar(kStill).has_value(); }, 3s));
}

// A shell standing in for the real one, as a busy shell behaves at log-on: it may time out on an add it
// carries out all the same, or refuse everything for a while.
struct TBusyShell {
    enum TMode { AddTimesOut, AddTimesOutModifyRefused, RefusesAll };
    static inline std::atomic<TMode> Mode{AddTimesOut};
    static inline std::atomic<bool> Busy{true}; // false: the real shell's answers
    static inline std::atomic<int> Adds{0};

    static BOOL WINAPI Notify(DWORD message, PNOTIFYICONDATAW data) {
        if (message == NIM_ADD)
            ++Adds;
        if (!Busy)
            return ::Shell_NotifyIconW(message, data);
        if (message == NIM_DELETE)
            return ::Shell_NotifyIconW(message, data);
        if (Mode == RefusesAll || (message == NIM_MODIFY && Mode == AddTimesOutModifyRefused))
            return FALSE;
        const BOOL done = ::Shell_NotifyIconW(message, data);
        return message == NIM_ADD ? FALSE : done; // the add is done, but reported as timed out
    }

    explicit TBusyShell(TMode mode) {
        Mode = mode;
        Busy = true;
        Adds = 0;
        TTrayIcon::SetShellNotify(&Notify);
    }
    ~TBusyShell() { TTrayIcon::SetShellNotify(nullptr); }
};

TEST_F(TrayIconTest, AnAddThatTimesOutWithTheIconAddedIsTakenAsAdded) {
    ImageList frames({kFrames[0], kFrames[1]});
    TBusyShell shell(TBusyShell::AddTimesOut);
    TTrayIcon icon;
    icon.SetIcon(still.get());
    icon.SetAnimateIcons(frames.list);
    icon.SetAnimateRate(100);
    icon.SetVisible(true);
    EXPECT_TRUE(icon.Registered()) << "the shell accepted a modify: it holds the icon";
    EXPECT_TRUE(ShellHolds(icon));
    EXPECT_TRUE(PumpUntil([] { return FindOnTaskbar(kStill).has_value(); }, 3s));
    // No retries: the icon is not added again and again.
    PumpFor(std::chrono::milliseconds(2 * TTrayIcon::kRetryInterval + 200));
    EXPECT_EQ(TBusyShell::Adds, 1);

    // Its images reach the shell: the animation, and a new still image.
    icon.StartAnimation();
    EXPECT_TRUE(PumpUntil([] { return FindOnTaskbar(kFrames[0]) || FindOnTaskbar(kFrames[1]); }, 3s));
    icon.StopAnimation();
    dovex::UniqueHIcon paused = SolidColourIcon(kFrames[2]);
    icon.SetIcon(paused.get());
    EXPECT_TRUE(PumpUntil([] { return FindOnTaskbar(kFrames[2]).has_value(); }, 3s));

    icon.SetVisible(false);
    EXPECT_FALSE(ShellHolds(icon));
    EXPECT_TRUE(PumpUntil([] { return !FindOnTaskbar(kFrames[2]).has_value(); }, 3s));
}

// The shell added the icon but answered neither the add nor the modify: hiding the icon, or destroying
// it, still asks the shell to delete it, so that no icon stays behind after the program.
TEST_F(TrayIconTest, AnIconTheShellMayHoldIsDeletedWhenHiddenOrDestroyed) {
    for (bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "hidden");
        HWND window = nullptr;
        int id = 0;
        {
            TTrayIcon icon;
            icon.SetIcon(still.get());
            {
                TBusyShell shell(TBusyShell::AddTimesOutModifyRefused);
                icon.SetVisible(true);
                EXPECT_FALSE(icon.Registered());
            }
            window = TTrayIcon::CallbackWindow();
            id = icon.ID();
            ASSERT_TRUE(ShellHolds(window, id)) << "the shell did add it";
            if (!destroy) {
                icon.SetVisible(false);
                EXPECT_FALSE(ShellHolds(window, id)) << "hidden, yet still in the shell";
            }
        }
        EXPECT_FALSE(ShellHolds(window, id)) << "a ghost icon stayed behind";
    }
}

TEST_F(TrayIconTest, ARefusedAddIsRetriedInsteadOfFailing) {
    TBusyShell shell(TBusyShell::RefusesAll);
    TTrayIcon icon;
    icon.SetIcon(still.get());
    EXPECT_NO_THROW(icon.SetVisible(true));
    EXPECT_TRUE(icon.Visible());
    EXPECT_FALSE(icon.Registered());
    EXPECT_FALSE(ShellHolds(icon));
    // The shell takes icons again: the next attempt gets the icon in.
    TBusyShell::Busy = false;
    EXPECT_TRUE(PumpUntil([&] { return icon.Registered(); },
                          3 * std::chrono::milliseconds(TTrayIcon::kRetryInterval)));
    EXPECT_TRUE(ShellHolds(icon));
    EXPECT_TRUE(PumpUntil([] { return FindOnTaskbar(kStill).has_value(); }, 3s));
}

// Something already holds the icon's place in the shell (the same window and identifier): the shell
// refuses the add, but that icon is this one, and it takes this one's image.
TEST_F(TrayIconTest, AnIconAlreadyInTheShellIsTakenOver) {
    TTrayIcon icon;
    icon.SetIcon(still.get());
    dovex::UniqueHIcon other = SolidColourIcon(kFrames[2]);
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = TTrayIcon::CallbackWindow();
    data.uID = static_cast<UINT>(icon.ID());
    data.uFlags = NIF_ICON;
    data.hIcon = other.get();
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_ADD, &data));
    icon.SetVisible(true);
    EXPECT_TRUE(icon.Registered());
    EXPECT_TRUE(PumpUntil([] { return FindOnTaskbar(kStill) && !FindOnTaskbar(kFrames[2]); }, 3s));
    icon.SetVisible(false);
    EXPECT_FALSE(ShellHolds(icon));
}

TEST_F(TrayIconTest, AModifyTheShellRefusesAddsTheIconAgain) {
    TTrayIcon icon;
    icon.SetIcon(still.get());
    icon.SetVisible(true);
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = TTrayIcon::CallbackWindow();
    data.uID = static_cast<UINT>(icon.ID());
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &data)); // lost without a TaskbarCreated
    dovex::UniqueHIcon next = SolidColourIcon(kFrames[1]);
    EXPECT_NO_THROW(icon.SetIcon(next.get()));
    EXPECT_TRUE(ShellHolds(icon));
    EXPECT_TRUE(PumpUntil([] { return FindOnTaskbar(kFrames[1]).has_value(); }, 3s));
}

// Not a check: keeps the program's icon animating in the tray for a screenshot.
// --gtest_also_run_disabled_tests --gtest_filter=*Screenshot*
TEST_F(TrayIconTest, DISABLED_ShowForScreenshot) {
    const SIZE size = TTrayIcon::SmallIconSize();
    auto load = [&](const std::string& name) {
        std::wstring path = L"Z:";
        for (char c : std::string(DOVEX_ART_DIR) + "/" + name)
            path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
        return dovex::UniqueHIcon(static_cast<HICON>(
            ::LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size.cx, size.cy, LR_LOADFROMFILE)));
    };
    HIMAGELIST frames = ImageList_Create(size.cx, size.cy, ILC_COLOR32 | ILC_MASK, 11, 0);
    for (int i = 0; i <= 10; ++i)
        ImageList_AddIcon(frames, load((i < 10 ? "anim0" : "anim") + std::to_string(i) + ".ico").get());
    TTrayIcon icon;
    auto normal = load("Z_NORMAL.ico");
    ASSERT_TRUE(normal);
    icon.SetIcon(normal.get());
    icon.SetTipHelp(L"カーソルセーバー(Dovex)");
    icon.SetAnimateIcons(frames);
    icon.SetAnimateRate(200);
    icon.SetVisible(true);
    PumpFor(8s);
    icon.StartAnimation();
    PumpFor(8s);
    icon.StopAnimation();
    ImageList_Destroy(frames);
}

} // namespace
