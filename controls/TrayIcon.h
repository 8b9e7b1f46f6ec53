// An icon in the taskbar's notification area: still image, tip, animation, popup menus and click events.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/Exception.h"
#include "base/UniqueHandle.h"

namespace dovex {

// The icon's callback message, sent by the shell to the component's hidden window.
constexpr UINT WM_TRAYICONNOTIFY = WM_USER + 200;
// Posted to the callback window when the double-click time after a left click has passed; wParam = the
// icon's identifier.
constexpr UINT WM_TRAYICONCLICK = WM_USER + 201;

// The shell refused the icon, or the process already has the most icons it may have.
class ENotifyIconError : public Exception {
public:
    ENotifyIconError();
};

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
using TShiftState = unsigned;
enum : TShiftState { ssLeft = 1, ssRight = 2, ssMiddle = 4 };

class TCallbackWindow;
class TMenuOwnerWindow;

// Lives on the thread that creates it (the user-interface thread): properties, events and menus are used
// there only. Its animation thread touches nothing but the shell.
class TTrayIcon {
public:
    static constexpr int kMaxIcons = 100;
    static constexpr size_t kMaxTipLength = 62;
    static constexpr int kMinAnimateRate = 100;
    static constexpr UINT kRetryInterval = 1000; // ms between attempts to add an icon the shell refused

    enum TAnimateMode : uint8_t { amContinuous = 0, amOneFrame = 1 };
    enum class TNotifyAction { Add, Modify, Delete };

    using TNotifyEvent = std::function<void(TTrayIcon& sender)>;
    using TMouseEvent =
        std::function<void(TTrayIcon& sender, TMouseButton button, TShiftState shift, int x, int y)>;
    using TMouseMoveEvent = std::function<void(TTrayIcon& sender, TShiftState shift, int x, int y)>;

    // `owner` receives the popup menus' WM_COMMAND and lends its icon when none is set; it may be null.
    // Throws ENotifyIconError when the process already holds kMaxIcons icons.
    explicit TTrayIcon(HWND owner = nullptr);
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;
    ~TTrayIcon();

    // Frames of the animation; not owned. Refused (the old list stays) while animating.
    HIMAGELIST AnimateIcons() const noexcept { return FAnimateIcons; }
    void SetAnimateIcons(HIMAGELIST value) noexcept;
    // Milliseconds per frame; values below kMinAnimateRate are stored as kMinAnimateRate.
    int AnimateRate() const noexcept;
    void SetAnimateRate(int value) noexcept;
    bool AutoPopup() const noexcept { return FAutoPopup; }
    void SetAutoPopup(bool value) noexcept { FAutoPopup = value; }
    // When false, every shell callback for this icon is ignored.
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool value) noexcept;
    // The still image: the icon is copied; null clears it. Use SmallIconSize() for the size.
    HICON Icon() const noexcept { return FIcon.get(); }
    void SetIcon(HICON value);
    // Popup menus (CreatePopupMenu), not owned; their commands go to the owner as WM_COMMAND.
    HMENU LBPopupMenu() const noexcept { return FLBPopupMenu; }
    void SetLBPopupMenu(HMENU value) noexcept { FLBPopupMenu = value; }
    HMENU RBPopupMenu() const noexcept { return FRBPopupMenu; }
    void SetRBPopupMenu(HMENU value) noexcept { FRBPopupMenu = value; }
    // At most kMaxTipLength characters; longer text is cut.
    std::wstring TipHelp() const;
    void SetTipHelp(const std::wstring& value);
    // Whether the icon is meant to be in the notification area. It stays on while the shell is away; the
    // icon is added again when the shell comes back.
    bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool value);

    TNotifyEvent OnClick;    // single left click, double-click time + 50 ms after the release
    TNotifyEvent OnDblClick; // left double click
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

    // Continuous: a frame every AnimateRate ms; one frame: the next frame once per start. Nothing happens
    // while an animation runs or without frames.
    void StartAnimation(TAnimateMode mode = amContinuous);
    // Puts the still image back once the animation thread has stopped.
    void StopAnimation();
    bool Animating() const noexcept { return FAnimating; }

    // The identifier shared with the shell (uID), 1 to kMaxIcons.
    int ID() const noexcept { return FID; }
    // The shell holds the icon now.
    bool Registered() const noexcept { return FRegistered; }
    // The image the icon shows when it is not animating: own icon, else the owner's, else the program's.
    HICON GetIconHandle() const noexcept;

    // The hidden window that receives the shell's callbacks for every icon of the process (null if none).
    static HWND CallbackWindow() noexcept;
    // The window that owns this icon's popup menus: shown, with no size, only while one is open; null
    // before the first.
    HWND MenuOwnerWindow() const noexcept;

    // The shell's entry point for icons. Tests put another in its place to act out a shell that refuses
    // or times out; returns the one it replaces. Used by every icon and the animation threads.
    using TShellNotify = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAW data);
    static TShellNotify SetShellNotify(TShellNotify notify) noexcept;
    static size_t IconCount() noexcept;
    // The size of a notification-area icon at the system's current scaling.
    static SIZE SmallIconSize() noexcept;

private:
    friend class TCallbackWindow;
    friend class TMenuOwnerWindow;

    // Returns whether the shell accepted the request; refusals of add and modify schedule a retry.
    bool Notify(TNotifyAction action) noexcept;
    void IconChanged() noexcept;
    bool CallShell(DWORD message, HICON icon, const std::wstring& tip) const noexcept;
    void HandleCallback(UINT mouseMessage);
    void PopupMenu(HMENU menu, bool rightButton, int x, int y);
    void SingleClickEnded();
    void AnimateLoop() noexcept;
    void Park(std::unique_lock<std::mutex>& lock) noexcept;
    void WaitParked() noexcept;
    void EndAnimateThread() noexcept;

    HWND FOwner;
    HWND FCallbackHandle = nullptr;
    int FID = 0;
    HIMAGELIST FAnimateIcons = nullptr;
    bool FAutoPopup = true;
    bool FEnabled = true;
    UniqueHIcon FIcon;
    HMENU FLBPopupMenu = nullptr;
    HMENU FRBPopupMenu = nullptr;
    bool FVisible = false;
    bool FClickPending = false;
    std::unique_ptr<TMenuOwnerWindow> FMenuOwner;
    std::atomic<bool> FRegistered{false};

    // Shared with the animation thread; FAnimating is the hand-over flag.
    mutable std::mutex FLock;
    std::condition_variable FWake;   // the thread waits here while parked or between frames
    std::condition_variable FParked; // StopAnimation waits here for the thread to park
    std::atomic<bool> FAnimating{false};
    TAnimateMode FAnimateMode = amContinuous;
    int FAnimateRate = 500;
    std::wstring FTipHelp = L"TipHelp";
    std::vector<UniqueHIcon> FFrames; // copied from AnimateIcons at each start, while the thread is parked
    int FFrame = 0;                   // next frame to show
    int FShownFrame = -1;             // frame the shell shows, -1 before the first
    uint64_t FWakeSeq = 0;            // raised by each start, stop and the end
    uint64_t FParkedSeq = UINT64_MAX; // FWakeSeq as the thread saw it when it parked last
    bool FTerminate = false;
    std::thread FAnimateThread;
};

} // namespace dovex
