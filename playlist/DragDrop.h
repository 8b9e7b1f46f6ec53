// Files dropped on a window from the shell or any other OLE drag source.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace dovex {

// The OLE drop-target object registered for a window: answers copy (move with Shift) and forwards the four
// notifications with screen points. Callbacks that are not set are skipped.
class TDropTargetObject final : public IDropTarget {
public:
    using TOverEvent = std::function<void(DWORD keyState, POINT screen, DWORD effect)>;
    using TLeaveEvent = std::function<void()>;
    // files is the HDROP of the dropped data, or null when the data offers no file list.
    using TDropEvent = std::function<void(HDROP files, POINT screen, DWORD keyState)>;

    TDropTargetObject() = default;
    TDropTargetObject(const TDropTargetObject&) = delete;
    TDropTargetObject& operator=(const TDropTargetObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

    TOverEvent FOnEnter;
    TOverEvent FOnOver;
    TLeaveEvent FOnLeave;
    TDropEvent FOnDrop;

private:
    ~TDropTargetObject() = default;
    std::atomic<ULONG> FRefCount{1};
};

// Makes a window a drop target for file lists and reports drags and drops in its client coordinates.
// Lives on the thread that owns the window, which must have initialised OLE. Exceptions of the events
// never reach OLE: they are shown in the error box after the notification has returned.
class TDropTarget {
public:
    using TNotifyDropTarget = std::function<void(DWORD keyState, POINT point, DWORD effect)>;
    using TNotifyDropLeave = std::function<void()>;
    using TNotifyDropFiles =
        std::function<void(const std::vector<std::wstring>& dropFiles, POINT point, DWORD keyState)>;

    explicit TDropTarget(HWND targetWnd = nullptr) noexcept : FTargetWnd(targetWnd) {}
    TDropTarget(const TDropTarget&) = delete;
    TDropTarget& operator=(const TDropTarget&) = delete;
    ~TDropTarget();

    bool Active() const noexcept { return FDropTargetObject != nullptr; }
    // Registers the target window; stays inactive while there is no window or the registration fails.
    void SetActive(bool value);
    HWND TargetWnd() const noexcept { return FTargetWnd; }
    // Deactivates first; activating again is the caller's business.
    void SetTargetWnd(HWND value);
    // The registered object while active.
    IDropTarget* DropTargetObject() const noexcept { return FDropTargetObject; }

    TNotifyDropTarget OnDragEnter;
    TNotifyDropTarget OnDragOver;
    TNotifyDropLeave OnDragLeave;
    TNotifyDropFiles OnDropFiles;

private:
    void DoEnterOver(const TNotifyDropTarget& event, DWORD keyState, POINT screen, DWORD effect) noexcept;
    void DoLeave() noexcept;
    void DoDrop(HDROP files, POINT screen, DWORD keyState) noexcept;
    POINT ToClient(POINT screen) const noexcept;

    HWND FTargetWnd;
    HWND FRegisteredWnd = nullptr;
    TDropTargetObject* FDropTargetObject = nullptr;
};

// Every name of a file list, each read at its full length.
std::vector<std::wstring> DroppedFileNames(HDROP files);

} // namespace dovex
