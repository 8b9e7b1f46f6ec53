// A plain window of a 32-bit program, for the tests of a 64-bit Dovex: the hook library cannot enter such
// a process. Shows a top-most window over the rectangle given as "left top width height" and runs until
// the window is closed.
#include <windows.h>

#include <cwchar>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, msg, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int rect[4] = {300, 200, 400, 300};
    for (int i = 0; i < 4 && i + 1 < __argc; ++i)
        rect[i] = static_cast<int>(std::wcstol(__wargv[i + 1], nullptr, 10));
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"DovexWindow32";
    ::RegisterClassW(&wc);
    const HWND window =
        ::CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"Window32", WS_POPUP | WS_BORDER, rect[0],
                          rect[1], rect[2], rect[3], nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
