// The mouse hook library: runs inside every process of the desktop that receives mouse input, so it does
// as little as possible. No C++ runtime: no static constructors, no exceptions, no heap.
#include <windows.h>

#include <cstdint>

namespace {

// Layout of the shared block the program writes before it installs the hook.
struct TSharedBlock {
    uint32_t Window;  // target window, a user handle (32 bits even in 64-bit processes)
    uint32_t Message; // message number to post
    uint32_t Hook;    // the hook handle, for CallNextHookEx
};
constexpr wchar_t kMappingName[] = L"DovexVer1";
constexpr ULONGLONG kMappingSize = sizeof(TSharedBlock);
static_assert(kMappingSize == 12);

// This process's copy of the block, read when the first mouse message arrives and again whenever its
// window is gone (the program ended or started again). Plain values: no view stays mapped that another
// thread could still be reading.
volatile uint32_t GWindow = 0;
volatile uint32_t GMessage = 0;
volatile uint32_t GHook = 0;

// User handles are sign-extended when widened to a pointer.
template <typename T> T Widen(uint32_t value) {
    return reinterpret_cast<T>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}

// A block of another size belongs to someone else. Windows reports the exact size, Wine the size rounded
// up to whole pages.
using TNtQuerySection = LONG(NTAPI*)(HANDLE, int, PVOID, SIZE_T, PSIZE_T);
struct TSectionBasicInformation {
    PVOID BaseAddress;
    ULONG Attributes;
    LARGE_INTEGER MaximumSize;
};

bool HasExpectedSize(HANDLE section) {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    auto query = ntdll ? reinterpret_cast<TNtQuerySection>(
                             reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQuerySection")))
                       : nullptr;
    if (!query)
        return true; // cannot tell: the 12-byte view below still has to fit
    TSectionBasicInformation info{};
    constexpr int SectionBasicInformation = 0;
    if (query(section, SectionBasicInformation, &info, sizeof(info), nullptr) < 0)
        return false;
    SYSTEM_INFO system;
    ::GetSystemInfo(&system);
    const auto size = static_cast<ULONGLONG>(info.MaximumSize.QuadPart);
    return size == kMappingSize || size == system.dwPageSize;
}

// Copies the block into this process; a missing or foreign block leaves zeros.
void ReadBlock() {
    uint32_t window = 0, message = 0, hook = 0;
    if (HANDLE section = ::OpenFileMappingW(FILE_MAP_READ | SECTION_QUERY, FALSE, kMappingName)) {
        if (HasExpectedSize(section)) {
            if (auto* block = static_cast<const volatile TSharedBlock*>(
                    ::MapViewOfFile(section, FILE_MAP_READ, 0, 0, kMappingSize))) {
                // Only private messages: a foreign block must not make every process post system ones.
                if (block->Message >= WM_USER && block->Message <= 0xFFFF) {
                    window = block->Window;
                    message = block->Message;
                    hook = block->Hook;
                }
                ::UnmapViewOfFile(const_cast<const TSharedBlock*>(block));
            }
        }
        ::CloseHandle(section);
    }
    GWindow = window;
    GMessage = message;
    GHook = hook;
}

} // namespace

extern "C" LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam) {
    // HC_NOREMOVE would report a message that is seen again when it is removed.
    if (code == HC_ACTION) {
        // The hook handle is written just after the hook is installed: read again until it is there.
        if (!GWindow || !GHook || !::IsWindow(Widen<HWND>(GWindow)))
            ReadBlock();
        const uint32_t window = GWindow, message = GMessage;
        // The pointer's position goes along (screen coordinates, 16 bits each as in mouse messages), so
        // that the program need not ask the window system where the pointer is.
        const POINT pt = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam)->pt;
        const LPARAM position = MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y));
        if (window && message)
            ::PostMessageW(Widen<HWND>(window), message, wParam, position);
    }
    return ::CallNextHookEx(Widen<HHOOK>(GHook), code, wParam, lParam);
}

// The entry point in place of the C runtime's: nothing to set up.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        ::DisableThreadLibraryCalls(instance);
    return TRUE;
}
