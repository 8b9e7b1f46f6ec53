#include "base/Dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "BaseTestIds.h"
#include "DesktopInput.h"
#include "base/ErrorBox.h"
#include "base/Exception.h"
#include "base/Subclass.h"
#include "base/Window.h"

using namespace dovex;
using namespace dovex::test;
using namespace std::chrono_literals;

namespace {

class TTestDialog : public TDialog {
public:
    std::vector<int> Clicked;
    int Failures = 0;
    std::function<void(TTestDialog&)> OnInitialised;
    using TDialog::SetNotifyHandler;

protected:
    bool OnInit() override {
        if (OnInitialised)
            OnInitialised(*this);
        return true;
    }
    void OnCommand(int id, int code) override {
        if (id == IDC_FAIL)
            throw Exception(L"失敗 " + std::to_wstring(++Failures));
        if (code == BN_CLICKED)
            Clicked.push_back(id);
        TDialog::OnCommand(id, code);
    }
};

// A control taken over by an object that fails on a message of its own.
class TFailingControl : public TSubclass {
public:
    static constexpr UINT kFail = WM_APP + 1;
    int Failures = 0;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == kFail)
            throw Exception(L"失敗 " + std::to_wstring(++Failures));
        return TSubclass::WndProc(msg, wParam, lParam);
    }
};

// Takes the deferred-error messages waiting for `window` off the queue; returns how many there were and
// keeps the last one.
int TakePendingErrors(HWND window, MSG& last) {
    int count = 0;
    MSG msg;
    while (::PeekMessageW(&msg, window, PendingErrorMessage(), PendingErrorMessage(), PM_REMOVE)) {
        last = msg;
        ++count;
    }
    return count;
}

} // namespace

TEST(Dialog, SeveralFailuresOpenOneBoxAfterTheFailingMessageReturns) {
    TTestDialog dialog;
    dialog.CreateModeless(nullptr, IDD_BASETEST);
    TFailingControl control;
    control.Attach(dialog.Item(IDC_SECOND));
    const struct {
        const char* Name;
        HWND Window;
        UINT Msg;
        WPARAM WParam;
    } cases[] = {
        {"dialog", dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDC_FAIL, BN_CLICKED)},
        {"subclassed control", control.Handle(), TFailingControl::kFail, 0},
    };
    for (const auto& c : cases) {
        // Answers a box, should one open at once and block the failing message.
        TBoxAnswerer box(ApplicationTitle(), VK_RETURN, 5s);
        for (int i = 0; i < 3; ++i)
            ::SendMessageW(c.Window, c.Msg, c.WParam, 0); // the failure stays inside
        EXPECT_FALSE(box.Done()) << c.Name << ": no box while the message runs";
        MSG pending{};
        ASSERT_EQ(TakePendingErrors(c.Window, pending), 1) << c.Name;
        ::DispatchMessageW(&pending);
        EXPECT_EQ(box.Text(), L"失敗 1") << c.Name;
        EXPECT_TRUE(box.Answered()) << c.Name;
    }
    EXPECT_EQ(dialog.Failures, 3);
    EXPECT_EQ(control.Failures, 3);
}

TEST(Dialog, ModalRunsUntilEndModal) {
    TTestDialog dialog;
    dialog.OnInitialised = [](TTestDialog& d) { ::PostMessageW(d.Handle(), WM_COMMAND, IDOK, 0); };
    EXPECT_EQ(dialog.ShowModal(nullptr, IDD_BASETEST), IDOK);
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_THROW(dialog.ShowModal(nullptr, 9999), Exception); // no such template
}

TEST(Dialog, NotificationsGoToTheHandlerOfTheirControl) {
    TTestDialog dialog;
    dialog.CreateModeless(nullptr, IDD_BASETEST);
    dialog.SetNotifyHandler(IDC_FIRST, [](NMHDR& header) -> LRESULT { return header.code == 7 ? 42 : 1; });
    const struct {
        int Control;
        UINT Code;
        LRESULT Result;
    } cases[] = {{IDC_FIRST, 7, 42}, {IDC_FIRST, 8, 1}, {IDC_SECOND, 7, 0}};
    for (const auto& c : cases) {
        NMHDR header{dialog.Item(c.Control), static_cast<UINT_PTR>(c.Control), c.Code};
        EXPECT_EQ(
            ::SendMessageW(dialog.Handle(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header)),
            c.Result)
            << c.Control << " " << c.Code;
    }
}

TEST(Dialog, TabAndMnemonicsWorkThroughTheModelessLoop) {
    TTestDialog dialog;
    dialog.CreateModeless(nullptr, IDD_BASETEST);
    ::ShowWindow(dialog.Handle(), SW_SHOW);
    ::SetForegroundWindow(dialog.Handle());
    ::SetFocus(dialog.Item(IDC_FIRST));
    PumpModelessFor(100ms);

    PressKeys({VK_TAB});
    EXPECT_TRUE(PumpModeless([&] { return ::GetFocus() == dialog.Item(IDC_SECOND); }, 2s));
    PressKeys({VK_MENU, 'G'});
    EXPECT_TRUE(PumpModeless([&] { return !dialog.Clicked.empty(); }, 2s));
    EXPECT_EQ(dialog.Clicked, std::vector<int>{IDC_GO});

    // Unregistered, the edit keeps the focus: Tab is the dialog manager's doing.
    UnregisterModeless(dialog.Handle());
    ::SetFocus(dialog.Item(IDC_SECOND));
    PressKeys({VK_TAB});
    PumpModelessFor(200ms);
    EXPECT_EQ(::GetFocus(), dialog.Item(IDC_SECOND));
    RegisterModeless(dialog.Handle());

    // Destroyed, it leaves the loop's list by itself.
    const HWND gone = dialog.Handle();
    ::DestroyWindow(gone);
    MSG key{gone, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_FALSE(IsModelessMessage(key));
}

namespace {

// The visible standard boxes of this process with that caption.
int VisibleBoxes(const std::wstring& caption) {
    int count = 0;
    for (HWND box = nullptr; (box = ::FindWindowExW(nullptr, box, L"#32770", caption.c_str())) != nullptr;)
        count += ::IsWindowVisible(box) ? 1 : 0;
    return count;
}

} // namespace

// A fault that repeats while its box is open (a repaint behind the box) opens no second box, then or later.
TEST(Dialog, FailuresWhileTheErrorBoxIsOpenOpenNoOtherBox) {
    TTestDialog dialog;
    dialog.CreateModeless(nullptr, IDD_BASETEST);
    const HWND window = dialog.Handle();
    std::atomic<int> mostAtOnce{0};
    std::atomic<int> answered{0};
    std::thread helper([&] {
        JoinProjectDesktop();
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < end && VisibleBoxes(ApplicationTitle()) == 0)
            std::this_thread::sleep_for(10ms);
        for (int i = 0; i < 2; ++i) // the dialog fails again while its box runs the loop
            ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_FAIL, BN_CLICKED), 0);
        std::this_thread::sleep_for(400ms);
        // Every box there is gets answered, so that the test cannot hang on one.
        while (std::chrono::steady_clock::now() < end) {
            const int open = VisibleBoxes(ApplicationTitle());
            mostAtOnce = std::max(mostAtOnce.load(), open);
            if (open == 0)
                break;
            const HWND box = ::FindWindowW(L"#32770", ApplicationTitle().c_str());
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            ++answered;
            std::this_thread::sleep_for(300ms);
        }
    });
    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_FAIL, BN_CLICKED), 0);
    PumpModelessFor(3s);
    helper.join();
    EXPECT_EQ(dialog.Failures, 3);
    EXPECT_EQ(mostAtOnce.load(), 1);
    EXPECT_EQ(answered.load(), 1) << "the failures while the box was open opened boxes after it";
}

// The standard boxes say "OK" and "キャンセル" whatever language the system speaks.
TEST(Dialog, BoxButtonsSpeakTheProgramsLanguage) {
    const LANGID before = ::GetThreadUILanguage();
    ::SetThreadUILanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    std::wstring ok, cancel;
    std::thread helper([&] {
        JoinProjectDesktop();
        const auto end = std::chrono::steady_clock::now() + 10s;
        HWND box = nullptr;
        while (std::chrono::steady_clock::now() < end && !(box = ::FindWindowW(L"#32770", L"確認")))
            std::this_thread::sleep_for(10ms);
        wchar_t text[64] = {};
        ::GetDlgItemTextW(box, IDOK, text, 64);
        ok = text;
        ::GetDlgItemTextW(box, IDCANCEL, text, 64);
        cancel = text;
        ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(ConfirmationBox(nullptr, L"よろしいですか？"));
    helper.join();
    ::SetThreadUILanguage(before);
    EXPECT_EQ(ok, L"OK");
    EXPECT_EQ(cancel, L"キャンセル");
}

namespace {

class TChildWindow : public TWindow {
public:
    void Create(HWND parent) { CreateHandle(L"DovexCodeTestWindow", L"", WS_CHILD, 0, parent); }
};

} // namespace

// A failed system call shows the system's code after the message; other errors show the message alone.
TEST(ErrorBox, TheSystemsCodeFollowsTheMessage) {
    TChildWindow window;
    std::wstring failed;
    try {
        window.Create(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7FFF0001))); // no such parent
    } catch (const Exception& e) {
        EXPECT_EQ(e.Code(), static_cast<unsigned long>(ERROR_INVALID_WINDOW_HANDLE));
        failed = CurrentExceptionMessage();
    }
    EXPECT_EQ(failed, L"ウィンドウを作成できません\n(コード 1400)");
    try {
        throw Exception(L"グループ名に \\ は使えません。");
    } catch (const Exception&) {
        EXPECT_EQ(CurrentExceptionMessage(), L"グループ名に \\ は使えません。");
    }
}
