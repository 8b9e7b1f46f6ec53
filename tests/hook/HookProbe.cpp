// A helper process for the hook tests: installs the mouse hook the way the program does, from wherever it
// was started.
//   hook_probe install         exit 0: installed and removed cleanly; 1: refused and nothing left behind;
//                              2: refused but the library or the shared block is still there
//   hook_probe listen FILE MS  installs the hook on a window of its own, writes "ready" and then one line per
//                              reported mouse message (its hexadecimal id) to FILE, for MS milliseconds
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "model/SaverMessages.h"
#include "app/MouseWatch.h"

namespace {

FILE* GLog = nullptr;

LRESULT CALLBACK ProbeProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == dovex::WM_SAVERMOUSE && GLog) {
        std::fprintf(GLog, "%04x\n", static_cast<unsigned>(wParam));
        std::fflush(GLog);
        return 0;
    }
    return ::DefWindowProcW(window, msg, wParam, lParam);
}

HWND CreateProbeWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DovexHookProbe";
    ::RegisterClassW(&wc);
    return ::CreateWindowExW(0, wc.lpszClassName, L"DovexHookProbe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                             wc.hInstance, nullptr);
}

int Install() {
    HWND window = CreateProbeWindow();
    dovex::TMouseHook hook;
    if (hook.InstallMouseHook(window)) {
        hook.RemoveMouseHook();
        return 0;
    }
    HANDLE block = ::OpenFileMappingW(FILE_MAP_READ, FALSE, dovex::kHookMappingName);
    const bool leftBehind = ::GetModuleHandleW(dovex::kHookLibraryName) || block;
    if (block)
        ::CloseHandle(block);
    return leftBehind ? 2 : 1;
}

int Listen(const wchar_t* file, DWORD ms) {
    GLog = _wfopen(file, L"w");
    if (!GLog)
        return 3;
    HWND window = CreateProbeWindow();
    dovex::TMouseHook hook;
    if (!hook.InstallMouseHook(window))
        return 4;
    std::fprintf(GLog, "ready\n");
    std::fflush(GLog);
    const DWORD end = ::GetTickCount() + ms;
    while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    hook.RemoveMouseHook();
    std::fclose(GLog);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wcscmp(argv[1], L"install") == 0)
        return Install();
    if (argc == 4 && std::wcscmp(argv[1], L"listen") == 0)
        return Listen(argv[2], static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
    return 64;
}
