#include "anicursor/AniCursorView.h"

#include <mmsystem.h>
#include <uxtheme.h>

#include <algorithm>
#include <array>
#include <thread>

#include "anicursor/AniCursorLoad.h"
#include "base/Dpi.h"
#include "base/Gdi.h"
#include "base/Text.h"

namespace dovex {

namespace {

constexpr const wchar_t* kClassName = L"TAniCursorView";

// The playback thread never waits longer than this for the user-interface thread to show a step, so a
// step message that never arrives (a queue that is full or filtered) cannot stall playback.
constexpr DWORD kPaintWaitMs = 1000;

// The longest single wait on the wake event; longer steps are slept in pieces.
constexpr std::int64_t kLongestWaitMs = 0x7FFFFFFE;

// The file's bytes through the platform, so that failures carry the platform's own error codes.
class TPlatformFileSource final : public TAniByteSource {
public:
    // False with the platform's error in GetLastError().
    bool Open(const std::wstring& name) {
        FFile.reset(::CreateFileW(name.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size{};
        if (!FFile || !::GetFileSizeEx(FFile.get(), &size))
            return false;
        FSize = static_cast<std::uint64_t>(size.QuadPart);
        return true;
    }

    std::uint64_t Size() const override { return FSize; }

    std::size_t ReadAt(std::uint64_t offset, void* buf, std::size_t n) override {
        std::size_t done = 0;
        while (done < n && offset + done < FSize) {
            const std::uint64_t at = offset + done;
            OVERLAPPED where{};
            where.Offset = static_cast<DWORD>(at);
            where.OffsetHigh = static_cast<DWORD>(at >> 32);
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 20));
            DWORD got = 0;
            if (!::ReadFile(FFile.get(), static_cast<char*>(buf) + done, want, &got, &where)) {
                const DWORD code = ::GetLastError();
                if (code == ERROR_HANDLE_EOF)
                    break;
                throw EAniSourceReadError(code);
            }
            if (got == 0)
                break;
            done += got;
        }
        return done;
    }

private:
    UniqueFile FFile;
    std::uint64_t FSize = 0;
};

// Whether the name certainly names no file: nothing there, or a folder.
bool NoFileThere(const std::wstring& name) {
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return true;
    default:
        return false; // let the open report why
    }
}

LONGLONG Counter() noexcept {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

} // namespace

EAniSourceReadError::EAniSourceReadError(DWORD code)
    : Exception(FormatText(kAniMsgOpenFailed, {std::to_wstring(code)})), FCode(code) {}

void ReadAniCursorData(TAniCursorInfo& info, TAniByteSource& source, const TAniFileName& name) {
    try {
        info.LoadFromSource(source, name);
    } catch (const EAniSourceReadError&) {
        const bool headerFound = info.Header() != std::array<std::uint32_t, 9>{};
        throw EAniCursorViewError(headerFound ? kAniMsgStructure : kAniMsgInfo);
    }
}

std::int64_t AniStepDuration(const TAniCursorInfo& info, int step, TAnimationSpeed speed) noexcept {
    const auto& rates = info.Rates();
    std::int64_t ms = info.DefaultRate();
    if (!rates.empty())
        ms = step >= 0 && static_cast<std::size_t>(step) < rates.size()
                 ? rates[static_cast<std::size_t>(step)]
                 : 0;
    if (ms <= 0)
        ms = kShortestStepMs;
    if (speed > 1)
        ms /= speed;
    else if (speed < -1)
        ms *= -static_cast<std::int64_t>(speed);
    return std::max<std::int64_t>(ms, 1);
}

// Sleeps through each step on an event, posts the next step to the view with its number inside and
// waits for the view to show it; steps that fell due while the view was busy are dropped. It never
// holds the view's lock while it waits, and it waits on nothing but its own two events.
class TAniCursorViewThread {
public:
    TAniCursorViewThread(TAniCursorView& view, int start, LPARAM run)
        : FView(view), FWindow(view.Handle()), FRun(run), FStart(start), FStartedAt(Counter()),
          FWakeEvent(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
          FPaintedEvent(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
        if (!FWakeEvent || !FPaintedEvent)
            throw Exception(L"再生スレッドのイベントを作成できません。");
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        FTicksPerSecond = frequency.QuadPart;
        FTicksPerMs = std::max<LONGLONG>(FTicksPerSecond / 1000, 1);
        FThread = std::thread([this] { Execute(); });
    }
    TAniCursorViewThread(const TAniCursorViewThread&) = delete;
    TAniCursorViewThread& operator=(const TAniCursorViewThread&) = delete;

    ~TAniCursorViewThread() {
        Wake();
        if (FThread.joinable())
            FThread.join();
    }

    void Wake() noexcept { ::SetEvent(FWakeEvent.get()); }
    // The view has shown the step posted last.
    void Painted() noexcept { ::SetEvent(FPaintedEvent.get()); }

private:
    void Execute() noexcept {
        try {
            Play();
        } catch (...) {
            // Background work fails silently: the view stays on its last step.
        }
    }

    void Play() {
        // Waits of a few milliseconds need the fine timer resolution, whoever else holds it.
        ::timeBeginPeriod(1);
        ScopeGuard resolution([] { ::timeEndPeriod(1); });
        int step = FStart;
        LONGLONG shown = FStartedAt; // when the step on screen was due: at first, when playing began
        for (;;) {
            const LONGLONG due = shown + Ticks(FView.StepDuration(step));
            if (!SleepUntil(due))
                return;
            step = FView.NextStep(step);
            shown = due;
            if (::PostMessageW(FWindow, WM_ANICURSORVIEWSTEP, static_cast<WPARAM>(step), FRun) &&
                !WaitPainted())
                return;
            // Showing it took the time of the steps after it: drop those, unreported, until one is due
            // at least a millisecond from now. Every step lasts at least 1 ms, so this ends.
            for (;;) {
                const LONGLONG next = shown + Ticks(FView.StepDuration(step));
                if (next - Counter() >= FTicksPerMs)
                    break;
                shown = next;
                step = FView.NextStep(step);
            }
        }
    }

    LONGLONG Ticks(std::int64_t ms) const noexcept {
        return ms * (FTicksPerSecond / 1000) + ms * (FTicksPerSecond % 1000) / 1000;
    }

    // False when woken (playback ends) or when the wait fails.
    bool SleepUntil(LONGLONG due) const noexcept {
        for (;;) {
            const std::int64_t ms = (due - Counter() + FTicksPerMs / 2) / FTicksPerMs;
            if (ms <= 0)
                return true;
            if (::WaitForSingleObject(FWakeEvent.get(), static_cast<DWORD>(std::min(ms, kLongestWaitMs))) !=
                WAIT_TIMEOUT)
                return false;
        }
    }

    // False when woken while waiting for the view.
    bool WaitPainted() const noexcept {
        const HANDLE events[] = {FWakeEvent.get(), FPaintedEvent.get()};
        const DWORD result = ::WaitForMultipleObjects(2, events, FALSE, kPaintWaitMs);
        return result == WAIT_OBJECT_0 + 1 || result == WAIT_TIMEOUT;
    }

    TAniCursorView& FView;
    const HWND FWindow;
    const LPARAM FRun;
    const int FStart;
    const LONGLONG FStartedAt; // taken on the user-interface thread, so the thread's start-up costs no time
    UniqueHandle FWakeEvent;
    UniqueHandle FPaintedEvent;
    LONGLONG FTicksPerSecond = 0;
    LONGLONG FTicksPerMs = 1;
    std::thread FThread; // started last, once everything it uses is ready
};

TAniCursorView::TAniCursorView(HWND parent, int x, int y) : TPaintedControl(::GetSysColor(COLOR_WINDOW)) {
    CreateHandle(kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, parent);
    AddClassStyle(Handle(), CS_DBLCLKS);
    const UINT dpi = WindowDpi(Handle());
    ::SetWindowPos(Handle(), nullptr, x, y, SystemMetricForDpi(SM_CXCURSOR, dpi),
                   SystemMetricForDpi(SM_CYCURSOR, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
}

TAniCursorView::~TAniCursorView() {
    Stop();
    DestroyHandle();
}

void TAniCursorView::SetFilename(const std::wstring& value) {
    if (value == FFilename)
        return;
    Stop();
    ScopeGuard repaint([this] { Repaint(); });
    LoadCursorFile(value);
}

void TAniCursorView::LoadCursorFile(const std::wstring& fileName) {
    if (FCursor) {
        if (!::DestroyCursor(FCursor.get()))
            throw EAniCursorViewError(kAniMsgInternal);
        FCursor.release();
    }
    // Clearing includes the header, so that GetAniInfo never describes a file the control does not show.
    FInfo = TAniCursorInfo();
    FPosition = 0;
    FFilename = fileName;
    if (fileName.empty() || NoFileThere(fileName))
        return;
    TAniCursorInfo info;
    {
        TPlatformFileSource source;
        if (!source.Open(fileName))
            throw EAniCursorViewError(FormatText(kAniMsgOpenFailed, {std::to_wstring(::GetLastError())}));
        ReadAniCursorData(info, source, fileName);
    }
    // The platform may still make no cursor of the file: the control then stays empty, without error.
    FCursorSide = DrawnSide();
    FCursor = LoadCursorAtSize(fileName, FCursorSide);
    if (FCursor)
        FInfo = std::move(info);
}

void TAniCursorView::SetActive(bool value) {
    if (value == Active())
        return;
    if (!value) {
        Stop();
        return;
    }
    if (!FCursor || FInfo.StepCount() <= 0 || !Handle())
        return; // nothing to play, or no window left to show it
    FThread = std::make_unique<TAniCursorViewThread>(*this, FPosition, ++FRun);
}

void TAniCursorView::Stop() noexcept {
    FThread.reset(); // wakes the thread and waits for it; it never waits for this thread
}

void TAniCursorView::SetPosition(int value) {
    if (value < 0 || value >= FInfo.StepCount())
        return;
    Stop();
    ShowStep(value);
}

void TAniCursorView::ShowPlayedStep(int step, LPARAM run) {
    if (!FThread || run != FRun)
        return; // posted by a run that has ended since
    // Acknowledged however the notification ends, unless it stopped or restarted playback.
    ScopeGuard acknowledge([this, run] {
        if (FThread && run == FRun)
            FThread->Painted();
    });
    ShowStep(step);
}

void TAniCursorView::ShowStep(int step) {
    FPosition = step;
    Repaint();
    if (OnPositionChanged)
        OnPositionChanged(*this, step);
}

TAnimationSpeed TAniCursorView::Speed() const {
    std::lock_guard lock(FLock);
    return FSpeed;
}

void TAniCursorView::SetSpeed(TAnimationSpeed value) {
    std::lock_guard lock(FLock);
    FSpeed = std::clamp(value, kMinAnimationSpeed, kMaxAnimationSpeed);
}

bool TAniCursorView::Reverse() const {
    std::lock_guard lock(FLock);
    return FReverse;
}

void TAniCursorView::SetReverse(bool value) {
    std::lock_guard lock(FLock);
    FReverse = value;
}

std::int64_t TAniCursorView::StepDuration(int step) const {
    std::lock_guard lock(FLock);
    return AniStepDuration(FInfo, step, FSpeed);
}

int TAniCursorView::NextStep(int step) const {
    const int count = FInfo.StepCount();
    if (count <= 0)
        return 0;
    std::lock_guard lock(FLock);
    if (FReverse)
        return step - 1 < 0 ? count - 1 : step - 1;
    return step + 1 >= count ? 0 : step + 1;
}

void TAniCursorView::SetAutoSize(bool value) {
    if (!Assign(FAutoSize, value))
        return;
    if (value) {
        const UINT dpi = WindowDpi(Handle());
        ::SetWindowPos(Handle(), nullptr, 0, 0, SystemMetricForDpi(SM_CXCURSOR, dpi),
                       SystemMetricForDpi(SM_CYCURSOR, dpi), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

bool TAniCursorView::SetBounds(int x, int y, int width, int height) {
    ::SetWindowPos(Handle(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    const SIZE size = Size();
    return size.cx == width && size.cy == height;
}

void TAniCursorView::KeepCursorSize(WINDOWPOS& pos) const noexcept {
    if (!FAutoSize || (pos.flags & SWP_NOSIZE))
        return;
    const UINT dpi = WindowDpi(Handle());
    if (pos.cx != SystemMetricForDpi(SM_CXCURSOR, dpi) || pos.cy != SystemMetricForDpi(SM_CYCURSOR, dpi))
        pos.flags |= SWP_NOSIZE;
}

int TAniCursorView::DrawnSide() const noexcept {
    const SIZE size = Size();
    const int side = std::max(size.cx, size.cy);
    return side > 0 ? side : SystemMetricForDpi(SM_CXCURSOR, WindowDpi(Handle()));
}

// A zoomed view draws the file's own larger image where it has one, not the small one stretched.
void TAniCursorView::FitCursorToSize() noexcept {
    const int side = DrawnSide();
    if (!FCursor || side == FCursorSide)
        return;
    if (UniqueHCursor cursor = LoadCursorAtSize(FFilename, side)) {
        FCursor = std::move(cursor);
        FCursorSide = side;
    }
}

void TAniCursorView::Repaint() noexcept {
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TAniCursorView::DrawContent(HDC dc, int width, int height) const {
    FillBackground(dc, RECT{0, 0, width, height});
    // A step beyond the cursor's own (a header that claims more) draws nothing.
    if (FCursor)
        ::DrawIconEx(dc, 0, 0, FCursor.get(), width, height, static_cast<UINT>(FPosition), nullptr,
                     DI_NORMAL);
}

LRESULT TAniCursorView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        FitCursorToSize();
        Invalidate();
        return 0;
    case WM_WINDOWPOSCHANGING:
        KeepCursorSize(*reinterpret_cast<WINDOWPOS*>(lParam));
        return 0;
    case WM_ANICURSORVIEWSTEP:
        ShowPlayedStep(static_cast<int>(wParam), lParam);
        return 0;
    case WM_LBUTTONUP:
        if (OnClick)
            OnClick(*this);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (OnDblClick)
            OnDblClick(*this);
        return 0;
    case WM_DESTROY:
        Stop();
        break;
    }
    return TPaintedControl::WndProc(msg, wParam, lParam);
}

} // namespace dovex
