#include "app/Main.h"

#include <mmsystem.h>

#include <chrono>

#include "app/Messages.h"
#include "app/SettingsStore.h"
#include "base/ErrorBox.h"

namespace dovex {

bool ApplySaverTick(TSaverData& data, WPARAM wParam, LPARAM lParam) noexcept {
    switch (wParam) {
    case SAVERTICK_ONE:
        data.Remaining -= 1;
        break;
    case SAVERTICK_COUNT:
        data.Remaining -= static_cast<int32_t>(lParam);
        break;
    case SAVERTICK_ALL:
        data.Remaining = 0;
        break;
    default:
        return false;
    }
    return data.Remaining <= 0;
}

TfrmDovexMain::TfrmDovexMain()
    : timSaverWait(nullptr, ID_TIMER_SAVERWAIT, 5000, [this] { timSaverWaitTimer(); }),
      timCursorCheck(nullptr, ID_TIMER_CURSORCHECK, 100, [this] { timCursorCheckTimer(); }) {
    CreateHandle(kClassName, kCaption, WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    timSaverWait.SetOwner(Handle());
    timCursorCheck.SetOwner(Handle());
    FormCreate();
}

TfrmDovexMain::~TfrmDovexMain() {
    DestroyHandle();
    FormDestroy(); // when the window was never closed, e.g. after a failed start
}

void TfrmDovexMain::FormCreate() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    // The tray shows small icons: load the size the system asks for at its current scaling.
    const int cx = ::GetSystemMetrics(SM_CXSMICON), cy = ::GetSystemMetrics(SM_CYSMICON);
    FTrayIcons[0].reset(static_cast<HICON>(::LoadImageW(instance, L"Z_NORMAL", IMAGE_ICON, cx, cy, 0)));
    FTrayIcons[1].reset(static_cast<HICON>(::LoadImageW(instance, L"Z_PAUSE", IMAGE_ICON, cx, cy, 0)));

    SetPaused(true);
    FRandom.seed(static_cast<std::mt19937::result_type>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count()));
    timSaverWait.SetEnabled(true);
    ReadSettings();
    timSaverWait.SetEnabled(true);
    if (::timeBeginPeriod(1) == TIMERR_NOERROR)
        FTimePeriodRaised = true;
    FSaverData.Index = -1;
    ::PostMessageW(Handle(), WM_SAVERPAUSE, SAVERPAUSE_RESUME, 0);
}

bool TfrmDovexMain::FormCloseQuery() {
    EndTimePeriod();
    return true;
}

void TfrmDovexMain::FormDestroy() noexcept {
    if (FDestroyed)
        return;
    FDestroyed = true;
    timSaverWait.SetEnabled(false);
    timCursorCheck.SetEnabled(false);
    // Ending without a close (the application asked to terminate) must still give the resolution back.
    EndTimePeriod();
}

void TfrmDovexMain::EndTimePeriod() noexcept {
    if (FTimePeriodRaised) {
        ::timeEndPeriod(1);
        FTimePeriodRaised = false;
    }
}

void TfrmDovexMain::SetPaused(bool value) {
    if (value == FPaused)
        return;
    if (value) {
        timSaverWait.SetEnabled(false);
        FPaused = true;
    } else {
        if (FPlayListOpen)
            return;
        timSaverWait.SetEnabled(true);
        FPaused = false;
    }
}

void TfrmDovexMain::ReadSettings() noexcept {
    const auto applyWaitTime = [this] {
        timSaverWait.SetInterval(static_cast<UINT>(FSaverProperty.WaitTime));
    };
    try {
        ReadSaverProperty(FSaverProperty);
    } catch (...) {
        // What was read stays in force; start-up and the program go on after the report.
        applyWaitTime();
        ShowCurrentException(nullptr);
    }
    applyWaitTime();
}

void TfrmDovexMain::timSaverWaitTimer() {
    timSaverWait.SetEnabled(false);
}

void TfrmDovexMain::timCursorCheckTimer() {}

LRESULT TfrmDovexMain::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        pos->cx = 1;
        pos->cy = 1;
        pos->flags |= SWP_NOACTIVATE;
        return DefaultHandler(msg, wParam, lParam);
    }
    case WM_MOUSEACTIVATE:
        DefaultHandler(msg, wParam, lParam);
        return MA_NOACTIVATEANDEAT;
    case WM_ERASEBKGND:
        return 0;
    case WM_TIMER:
        if (!timSaverWait.HandleTimer(wParam) && !timCursorCheck.HandleTimer(wParam))
            return DefaultHandler(msg, wParam, lParam);
        return 0;
    case WM_SAVERPAUSE:
        if (wParam == SAVERPAUSE_PAUSE)
            SetPaused(true);
        else if (wParam == SAVERPAUSE_RESUME)
            SetPaused(false);
        return 0;
    case WM_SAVERTICK:
        ApplySaverTick(FSaverData, wParam, lParam);
        return 0;
    case WM_SAVERRELOAD:
        if (wParam == RELOAD_SETTINGS)
            ReadSettings();
        return 0;
    case WM_CLOSE:
        if (FormCloseQuery())
            ::DestroyWindow(Handle());
        return 0;
    case WM_DESTROY:
        FormDestroy();
        ::PostQuitMessage(0);
        return 0;
    default:
        return DefaultHandler(msg, wParam, lParam);
    }
}

} // namespace dovex
