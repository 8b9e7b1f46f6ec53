#include "base/ModalLoop.h"

#include <utility>
#include <vector>

#include "base/Dialog.h"

namespace dovex {

namespace {

// Per thread: only the thread that owns a loop's windows counts it.
struct TLoops {
    int Depth = 0;
    bool Cancelling = false;
    std::vector<std::pair<HWND, UINT>> AfterLast;
};

thread_local TLoops gLoops;

BOOL CALLBACK CancelOne(HWND window, LPARAM) noexcept {
    // The program's own modeless dialogs are windows of the program, not loops.
    if (IsStandardDialog(window) && !IsModelessWindow(window))
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return TRUE;
}

void CancelOpenBoxes() noexcept {
    ::EnumThreadWindows(::GetCurrentThreadId(), &CancelOne, 0);
}

} // namespace

bool IsStandardDialog(HWND window) noexcept {
    wchar_t name[16] = {};
    return ::GetClassNameW(window, name, 16) > 0 && ::lstrcmpW(name, L"#32770") == 0;
}

TModalLoop::TModalLoop() noexcept {
    ++gLoops.Depth;
}

TModalLoop::~TModalLoop() {
    if (--gLoops.Depth > 0) {
        if (gLoops.Cancelling)
            CancelOpenBoxes(); // one may have opened while the inner one ran
        return;
    }
    gLoops.Cancelling = false;
    for (const auto& [window, message] : std::exchange(gLoops.AfterLast, {}))
        ::PostMessageW(window, message, 0, 0);
}

bool InModalLoop() noexcept {
    return gLoops.Depth > 0;
}

void PostAfterModalLoops(HWND window, UINT message) noexcept {
    if (gLoops.Depth == 0) {
        ::PostMessageW(window, message, 0, 0);
        return;
    }
    for (const auto& waiting : gLoops.AfterLast)
        if (waiting.first == window && waiting.second == message)
            return;
    try {
        gLoops.AfterLast.emplace_back(window, message);
    } catch (...) {
        ::PostMessageW(window, message, 0, 0); // no memory to wait: the caller's own check holds it back
    }
}

void CancelModalLoops() noexcept {
    if (gLoops.Depth == 0)
        return;
    gLoops.Cancelling = true;
    CancelOpenBoxes();
}

} // namespace dovex
