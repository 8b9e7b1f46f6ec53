#include "controls/TrayIcon.h"

#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <utility>

#include "base/SystemError.h"
#include "base/Window.h"

namespace dovex {

namespace {

constexpr UINT_PTR kRetryTimer = 1;

// Icons of the process in creation order; identifiers grow along the list.
std::vector<std::pair<int, TTrayIcon*>>& IconRegistry() noexcept {
    static std::vector<std::pair<int, TTrayIcon*>> registry;
    return registry;
}

std::atomic<TTrayIcon::TShellNotify> GShellNotify{&::Shell_NotifyIconW};

TTrayIcon* FindIcon(WPARAM id) noexcept {
    for (const auto& [iconId, icon] : IconRegistry())
        if (static_cast<WPARAM>(iconId) == id)
            return icon;
    return nullptr;
}

} // namespace

ENotifyIconError::ENotifyIconError() : Exception(L"タスクトレイにアイコンを登録できません。") {}

// One hidden top-level window for all icons: top-level so that the shell's "TaskbarCreated" broadcast
// reaches it (a message-only or child window would miss it).
class TCallbackWindow : public TWindow {
public:
    TCallbackWindow() {
        CreateHandle(L"TTrayIconCallback", L"", WS_POPUP, WS_EX_TOOLWINDOW);
        FTaskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    }

    void ScheduleRetry() noexcept {
        if (!FRetrying)
            FRetrying = ::SetTimer(Handle(), kRetryTimer, TTrayIcon::kRetryInterval, nullptr) != 0;
    }

    static TCallbackWindow* Instance;
    static int Users;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TRAYICONNOTIFY) {
            if (TTrayIcon* icon = FindIcon(wParam))
                icon->HandleCallback(static_cast<UINT>(lParam));
            return 0;
        }
        if (msg == WM_TRAYICONCLICK) {
            if (TTrayIcon* icon = FindIcon(wParam))
                icon->SingleClickEnded();
            return 0;
        }
        if (msg == WM_TIMER && wParam == kRetryTimer) {
            AddMissing();
            return 0;
        }
        if (msg == FTaskbarCreated && msg != 0) {
            // The shell (re)started and holds none of our icons.
            for (const auto& entry : IconRegistry())
                entry.second->FRegistered = false;
            AddMissing();
            return 0;
        }
        return DefaultHandler(msg, wParam, lParam);
    }

private:
    void AddMissing() noexcept {
        bool missing = false;
        for (const auto& entry : IconRegistry()) {
            TTrayIcon* icon = entry.second;
            if (icon->FVisible && !icon->FRegistered && !icon->Notify(TTrayIcon::TNotifyAction::Add))
                missing = true; // Notify keeps the retry timer running
        }
        if (!missing && FRetrying) {
            ::KillTimer(Handle(), kRetryTimer);
            FRetrying = false;
        }
    }

    UINT FTaskbarCreated = 0;
    bool FRetrying = false;
};

TCallbackWindow* TCallbackWindow::Instance = nullptr;
int TCallbackWindow::Users = 0;

// The popup menus' owner. The menu gets its keys only while the program holds the keyboard focus: a
// hidden owner made foreground (the main window once was) cannot take it, and from the second opening on,
// once another window of the program was shown, its menu ignores the keys and a menu closed with Escape
// can leave the next click on the icon without a menu (seen in Wine). This tool window of no size is
// shown and made foreground only while the menu is open, hidden after, so it never takes part otherwise.
class TMenuOwnerWindow : public TWindow {
public:
    explicit TMenuOwnerWindow(TTrayIcon& icon) : FIcon(icon) {
        CreateHandle(L"TTrayIconMenuOwner", L"", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    }

    // Opens the menu at the point; returns the chosen command, 0 for none (also while a menu is open).
    UINT Track(HMENU menu, UINT flags, int x, int y) {
        if (FTracking)
            return 0;
        const HWND window = Handle();
        ::SetWindowPos(window, HWND_TOPMOST, x, y, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE);
        // Wine stamps its request for the keyboard focus with the time of the thread's last message. The
        // shell's callback may have been sent, not posted, so that time can be older than the moment
        // another program took the focus (the taskbar does when a window of ours closes), and the request
        // would be refused: a message posted and taken now brings the time up to date.
        MSG now;
        ::PostMessageW(window, WM_NULL, 0, 0);
        ::PeekMessageW(&now, window, WM_NULL, WM_NULL, PM_REMOVE);
        // Without the foreground the menu would get no keys and would not close when the user clicks
        // elsewhere.
        ::SetForegroundWindow(window);
        FTracking = true;
        const auto command =
            static_cast<UINT>(::TrackPopupMenu(menu, flags | TPM_RETURNCMD, x, y, 0, window, nullptr));
        FTracking = false;
        ::ShowWindow(window, SW_HIDE);
        return command;
    }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
        // The menu's notices belong to the component's owner, as if it owned the menu itself.
        case WM_INITMENU:
        case WM_INITMENUPOPUP:
        case WM_UNINITMENUPOPUP:
        case WM_MENUSELECT:
        case WM_MENUCHAR:
        case WM_ENTERIDLE:
        case WM_ENTERMENULOOP:
        case WM_EXITMENULOOP:
        case WM_MEASUREITEM:
        case WM_DRAWITEM:
        case WM_MENURBUTTONUP:
            if (FIcon.FOwner)
                return ::SendMessageW(FIcon.FOwner, msg, wParam, lParam);
            break;
        }
        return DefaultHandler(msg, wParam, lParam);
    }

private:
    TTrayIcon& FIcon;
    bool FTracking = false;
};

TTrayIcon::TTrayIcon(HWND owner) : FOwner(owner) {
    auto& registry = IconRegistry();
    if (registry.size() > static_cast<size_t>(kMaxIcons - 1))
        throw ENotifyIconError();
    if (!TCallbackWindow::Instance)
        TCallbackWindow::Instance = new TCallbackWindow; // throws when the window cannot be made
    ++TCallbackWindow::Users;
    FCallbackHandle = TCallbackWindow::Instance->Handle();
    FID = registry.empty() ? 1 : registry.back().first + 1;
    registry.emplace_back(FID, this);
}

TTrayIcon::~TTrayIcon() {
    EndAnimateThread();
    // Also when an add seemed refused: the shell may hold the icon all the same.
    if (FRegistered || FVisible)
        Notify(TNotifyAction::Delete);
    FMenuOwner.reset();
    auto& registry = IconRegistry();
    registry.erase(std::remove_if(registry.begin(), registry.end(),
                                  [this](const auto& entry) { return entry.second == this; }),
                   registry.end());
    if (--TCallbackWindow::Users == 0) {
        delete TCallbackWindow::Instance;
        TCallbackWindow::Instance = nullptr;
    }
}

HWND TTrayIcon::CallbackWindow() noexcept {
    return TCallbackWindow::Instance ? TCallbackWindow::Instance->Handle() : nullptr;
}

HWND TTrayIcon::MenuOwnerWindow() const noexcept {
    return FMenuOwner ? FMenuOwner->Handle() : nullptr;
}

TTrayIcon::TShellNotify TTrayIcon::SetShellNotify(TShellNotify notify) noexcept {
    return GShellNotify.exchange(notify ? notify : &::Shell_NotifyIconW);
}

size_t TTrayIcon::IconCount() noexcept {
    return IconRegistry().size();
}

SIZE TTrayIcon::SmallIconSize() noexcept {
    return SIZE{::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON)};
}

void TTrayIcon::SetAnimateIcons(HIMAGELIST value) noexcept {
    if (!FAnimating)
        FAnimateIcons = value;
}

int TTrayIcon::AnimateRate() const noexcept {
    std::lock_guard lock(FLock);
    return FAnimateRate;
}

void TTrayIcon::SetAnimateRate(int value) noexcept {
    std::lock_guard lock(FLock);
    FAnimateRate = std::max(value, kMinAnimateRate);
}

void TTrayIcon::SetEnabled(bool value) noexcept {
    if (value == FEnabled)
        return;
    FEnabled = value;
    if (!value)
        FClickPending = false;
}

void TTrayIcon::SetIcon(HICON value) {
    if (value && value == FIcon.get())
        return;
    if (!value && !FIcon)
        return;
    if (value) {
        UniqueHIcon copy(::CopyIcon(value));
        if (!copy)
            ThrowLastError(L"アイコンをコピーできません。");
        FIcon = std::move(copy);
    } else {
        FIcon.reset();
    }
    IconChanged();
}

std::wstring TTrayIcon::TipHelp() const {
    std::lock_guard lock(FLock);
    return FTipHelp;
}

void TTrayIcon::SetTipHelp(const std::wstring& value) {
    size_t length = std::min(value.size(), kMaxTipLength);
    // Never keep half of a surrogate pair.
    if (length < value.size() && length > 0 && IS_HIGH_SURROGATE(value[length - 1]))
        --length;
    std::wstring tip = value.substr(0, length);
    {
        std::lock_guard lock(FLock);
        if (tip == FTipHelp)
            return;
        FTipHelp = std::move(tip);
    }
    IconChanged();
}

void TTrayIcon::SetVisible(bool value) {
    if (value == FVisible)
        return;
    if (value && !GetIconHandle())
        return; // nothing to show: the icon stays hidden
    FVisible = value;
    // A delete also when the add seemed refused: the shell may hold the icon all the same.
    Notify(value ? TNotifyAction::Add : TNotifyAction::Delete);
}

HICON TTrayIcon::GetIconHandle() const noexcept {
    if (FIcon)
        return FIcon.get();
    if (FOwner) {
        auto icon = reinterpret_cast<HICON>(::SendMessageW(FOwner, WM_GETICON, ICON_SMALL, 0));
        if (!icon)
            icon = reinterpret_cast<HICON>(::GetClassLongPtrW(FOwner, GCLP_HICONSM));
        if (!icon)
            icon = reinterpret_cast<HICON>(::GetClassLongPtrW(FOwner, GCLP_HICON));
        if (icon)
            return icon;
    }
    const SIZE size = SmallIconSize();
    return static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size.cx, size.cy, LR_SHARED));
}

bool TTrayIcon::CallShell(DWORD message, HICON icon, const std::wstring& tip) const noexcept {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = FCallbackHandle;
    data.uID = static_cast<UINT>(FID);
    if (message != NIM_DELETE) {
        // The tip always goes along, so that an emptied tip leaves the shell too.
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = WM_TRAYICONNOTIFY;
        data.hIcon = icon;
        const size_t length = std::min(tip.size(), std::size(data.szTip) - 1);
        std::copy_n(tip.data(), length, data.szTip);
    }
    return GShellNotify.load()(message, &data) != FALSE;
}

bool TTrayIcon::Notify(TNotifyAction action) noexcept {
    HICON icon = nullptr;
    std::wstring tip;
    {
        std::lock_guard lock(FLock);
        if (FAnimating && FShownFrame >= 0 && FShownFrame < static_cast<int>(FFrames.size()))
            icon = FFrames[FShownFrame].get();
        try {
            tip = FTipHelp;
        } catch (...) {
            // Out of memory for a short text: the icon goes without its tip.
        }
    }
    if (!icon)
        icon = GetIconHandle();
    switch (action) {
    case TNotifyAction::Add:
        if (!FVisible)
            return true;
        // A busy shell (log-on) can time out on an add it carries out all the same: a modify it accepts
        // shows that it holds the icon.
        if (CallShell(NIM_ADD, icon, tip) || CallShell(NIM_MODIFY, icon, tip)) {
            FRegistered = true;
            return true;
        }
        // The shell is not ready or is restarting: try again later instead of failing.
        if (TCallbackWindow::Instance)
            TCallbackWindow::Instance->ScheduleRetry();
        return false;
    case TNotifyAction::Modify:
        if (CallShell(NIM_MODIFY, icon, tip))
            return true;
        // The shell lost the icon (it restarted without telling): add it again.
        FRegistered = false;
        return Notify(TNotifyAction::Add);
    case TNotifyAction::Delete:
        CallShell(NIM_DELETE, nullptr, tip);
        FRegistered = false;
        return true;
    }
    return false;
}

void TTrayIcon::IconChanged() noexcept {
    // During a continuous animation the thread keeps the shell up to date.
    if (FRegistered && (!FAnimating || FAnimateMode != amContinuous))
        Notify(TNotifyAction::Modify);
}

void TTrayIcon::StartAnimation(TAnimateMode mode) {
    if (FAnimating || !FAnimateIcons)
        return;
    const int count = ImageList_GetImageCount(FAnimateIcons);
    if (count <= 0)
        return;
    // The thread is parked (or not started): the frames can be replaced without it looking.
    std::vector<UniqueHIcon> frames;
    frames.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        UniqueHIcon frame(ImageList_GetIcon(FAnimateIcons, i, ILD_NORMAL));
        if (!frame)
            throw Exception(L"アニメーションのアイコンを取り出せません。");
        frames.push_back(std::move(frame));
    }
    {
        std::lock_guard lock(FLock);
        FFrames = std::move(frames);
        FAnimateMode = mode;
        FAnimating = true;
        ++FWakeSeq;
    }
    if (!FAnimateThread.joinable()) {
        try {
            // The shell is found by window look-up, which sees only the thread's own desktop.
            const HDESK desktop = ::GetThreadDesktop(::GetCurrentThreadId());
            FAnimateThread = std::thread([this, desktop] {
                ::SetThreadDesktop(desktop);
                AnimateLoop();
            });
        } catch (...) {
            std::lock_guard lock(FLock);
            FAnimating = false;
            throw;
        }
    }
    FWake.notify_all();
}

void TTrayIcon::StopAnimation() {
    if (!FAnimating)
        return;
    {
        std::lock_guard lock(FLock);
        FAnimating = false;
        ++FWakeSeq; // in both modes: a continuous animation need not sleep out its frame
    }
    FWake.notify_all();
    WaitParked();
    {
        std::lock_guard lock(FLock);
        FShownFrame = -1;
    }
    IconChanged();
}

void TTrayIcon::WaitParked() noexcept {
    std::unique_lock lock(FLock);
    while (FAnimateThread.joinable() && FParkedSeq != FWakeSeq) {
        FParked.wait_for(lock, std::chrono::milliseconds(10));
        // Messages other threads send to this one must still be answered while we wait.
        lock.unlock();
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        lock.lock();
    }
}

void TTrayIcon::EndAnimateThread() noexcept {
    if (!FAnimateThread.joinable())
        return;
    {
        std::lock_guard lock(FLock);
        FTerminate = true;
        FAnimating = false;
        ++FWakeSeq;
    }
    FWake.notify_all();
    FAnimateThread.join();
}

void TTrayIcon::Park(std::unique_lock<std::mutex>& lock) noexcept {
    FParkedSeq = FWakeSeq;
    FParked.notify_all();
    const uint64_t seen = FParkedSeq;
    FWake.wait(lock, [&] { return FTerminate || FWakeSeq != seen; });
}

void TTrayIcon::AnimateLoop() noexcept {
    std::unique_lock lock(FLock);
    while (!FTerminate) {
        if (!FAnimating) {
            FFrame = 0;
            Park(lock);
            continue;
        }
        const int count = static_cast<int>(FFrames.size());
        if (FFrame > count - 1)
            FFrame = 0;
        const HICON frame = FFrames[FFrame].get();
        FShownFrame = FFrame;
        std::wstring tip;
        try {
            tip = FTipHelp;
        } catch (...) {
        }
        FFrame = FFrame + 1 > count - 1 ? 0 : FFrame + 1;
        lock.unlock();
        if (FRegistered)
            CallShell(NIM_MODIFY, frame, tip); // a refusal is left to the next frame
        lock.lock();
        if (!FAnimating)
            continue;
        if (FAnimateMode == amContinuous) {
            const uint64_t seen = FWakeSeq;
            FWake.wait_for(lock, std::chrono::milliseconds(FAnimateRate),
                           [&] { return FTerminate || FWakeSeq != seen; });
        } else {
            Park(lock);
        }
    }
    FParkedSeq = FWakeSeq;
    FParked.notify_all();
}

void TTrayIcon::HandleCallback(UINT mouseMessage) {
    if (!FEnabled)
        return;
    POINT pt{};
    ::GetCursorPos(&pt);
    switch (mouseMessage) {
    case WM_MOUSEMOVE:
        if (OnMouseMove)
            OnMouseMove(*this, 0, pt.x, pt.y);
        break;
    case WM_LBUTTONDOWN:
        if (FLBPopupMenu && FAutoPopup)
            PopupMenu(FLBPopupMenu, false, pt.x, pt.y);
        else if (OnMouseDown)
            OnMouseDown(*this, TMouseButton::mbLeft, ssLeft, pt.x, pt.y);
        break;
    case WM_LBUTTONUP:
        if (OnMouseUp) {
            OnMouseUp(*this, TMouseButton::mbLeft, ssLeft, pt.x, pt.y);
        } else if (OnClick) {
            if (FClickPending) {
                FClickPending = false; // the release that ends a double click
            } else {
                FClickPending = true;
                // Waits out the double-click time off the user-interface thread, then reports back.
                const HWND window = FCallbackHandle;
                const WPARAM id = static_cast<WPARAM>(FID);
                try {
                    std::thread([window, id]() noexcept {
                        ::Sleep(::GetDoubleClickTime() + 50);
                        ::PostMessageW(window, WM_TRAYICONCLICK, id, 0);
                    }).detach();
                } catch (...) {
                    FClickPending = false;
                    throw;
                }
            }
        } else {
            FClickPending = false;
        }
        break;
    case WM_LBUTTONDBLCLK:
        FClickPending = true;
        if (OnDblClick)
            OnDblClick(*this);
        break;
    case WM_RBUTTONDOWN:
        if (FRBPopupMenu && FAutoPopup)
            PopupMenu(FRBPopupMenu, true, pt.x, pt.y);
        else if (OnMouseDown)
            OnMouseDown(*this, TMouseButton::mbRight, ssRight, pt.x, pt.y);
        break;
    case WM_RBUTTONUP:
        if (OnMouseUp)
            OnMouseUp(*this, TMouseButton::mbRight, ssRight, pt.x, pt.y);
        break;
    case WM_MBUTTONDOWN:
        if (OnMouseDown)
            OnMouseDown(*this, TMouseButton::mbMiddle, ssMiddle, pt.x, pt.y);
        break;
    case WM_MBUTTONUP:
        if (OnMouseUp)
            OnMouseUp(*this, TMouseButton::mbMiddle, ssMiddle, pt.x, pt.y);
        break;
    default:
        break;
    }
}

void TTrayIcon::PopupMenu(HMENU menu, bool rightButton, int x, int y) {
    if (!::IsMenu(menu))
        return; // the menu was destroyed behind our back
    if (!FMenuOwner)
        FMenuOwner = std::make_unique<TMenuOwnerWindow>(*this);
    const UINT flags = TPM_LEFTALIGN | TPM_TOPALIGN | (rightButton ? TPM_RIGHTBUTTON : TPM_LEFTBUTTON);
    const UINT command = FMenuOwner->Track(menu, flags, x, y);
    // Posted, as the menu itself posts it: the command may end this component.
    if (command != 0 && FOwner)
        ::PostMessageW(FOwner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void TTrayIcon::SingleClickEnded() {
    const bool fire = FClickPending && OnClick;
    FClickPending = false;
    if (fire)
        OnClick(*this);
}

} // namespace dovex
