// Program entry: one instance per desktop, a hidden main window, the message loop.
#include <windows.h>
#include <commctrl.h>

#include "app/Main.h"
#include "app/MemCheck.h"
#include "app/SingleInstance.h"
#include "base/Dialog.h"
#include "base/ErrorBox.h"
#include "base/UniqueHandle.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    dovex::InstallLeakCheck();

    // Another instance runs: leave silently.
    dovex::UniqueHandle mutex;
    if (!dovex::ClaimSingleInstance(mutex))
        return 0;

    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    dovex::SetApplicationTitle(L"カーソルセーバー <Dovex>");

    try {
        dovex::TfrmDovexMain form;
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            // Shortcuts, Tab, mnemonics and page keys of the modeless windows.
            if (dovex::IsModelessMessage(msg))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    } catch (...) {
        dovex::ShowCurrentException(nullptr);
        return 1;
    }
    return 0;
}
