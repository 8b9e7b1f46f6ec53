// Program entry: one instance per desktop, a hidden main window, the message loop.
#include <windows.h>
#include <commctrl.h>

#include "app/Main.h"
#include "app/MemCheck.h"
#include "base/ErrorBox.h"
#include "base/UniqueHandle.h"

namespace {
constexpr wchar_t kInstanceMutex[] = L"CursorSaver-Dovex";
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    dovex::InstallLeakCheck();

    // Another instance runs: leave silently. A mutex that exists but may not be opened (the other
    // instance runs with other rights) is another instance too.
    if (dovex::UniqueHandle(::OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutex)) ||
        ::GetLastError() == ERROR_ACCESS_DENIED)
        return 0;
    dovex::UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, kInstanceMutex));
    // Two starts at the same moment both miss the open above; only the creator stays.
    const DWORD created = ::GetLastError();
    if (created == ERROR_ALREADY_EXISTS || (!mutex && created == ERROR_ACCESS_DENIED))
        return 0;

    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    dovex::SetApplicationTitle(L"カーソルセーバー <Dovex>");

    try {
        dovex::TfrmDovexMain form;
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    } catch (...) {
        dovex::ShowCurrentException(nullptr);
        return 1;
    }
    return 0;
}
