#include "app/MemCheck.h"

#include <windows.h>

#include <cstdlib>

namespace dovex {

namespace {

void* SystemGet(size_t size) {
    return std::malloc(size);
}
int SystemFree(void* block) {
    std::free(block);
    return 0;
}
void* SystemResize(void* block, size_t size) {
    return std::realloc(block, size);
}

constinit TAllocationCounter gCounter{TMemoryManager{&SystemGet, &SystemFree, &SystemResize}};
int32_t gBaseline = 0;

void CheckAtExit() noexcept {
    const int32_t leaked = gCounter.LiveBlocks() - gBaseline;
    if (leaked > 0)
        ::MessageBoxW(nullptr, LeakWarningText(leaked).c_str(), kLeakWarningCaption, MB_ICONWARNING);
}

} // namespace

void* TAllocationCounter::Get(size_t size) noexcept {
    void* result = FSaved.GetMem(size);
    if (result)
        FLiveBlocks.fetch_add(1, std::memory_order_relaxed);
    return result;
}

int TAllocationCounter::Free(void* block) noexcept {
    const int status = FSaved.FreeMem(block);
    if (block)
        FLiveBlocks.fetch_sub(1, std::memory_order_relaxed);
    return status;
}

void* TAllocationCounter::Resize(void* block, size_t size) noexcept {
    void* result = FSaved.ReallocMem(block, size);
    if (result != block) {
        if (block)
            FLiveBlocks.fetch_sub(1, std::memory_order_relaxed);
        if (result)
            FLiveBlocks.fetch_add(1, std::memory_order_relaxed);
    }
    return result;
}

std::wstring IntToText(int32_t value) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    const bool negative = value < 0;
    int64_t rest = value;
    if (negative)
        rest = -rest;
    std::wstring text;
    do {
        text.insert(text.begin(), digits[rest % 10]);
        rest /= 10;
    } while (rest != 0);
    if (negative)
        text.insert(text.begin(), L'-');
    return text;
}

std::wstring LeakWarningText(int32_t count) {
    return IntToText(count) + L" 回メモリーを解放し忘れています";
}

TAllocationCounter& ProcessAllocationCounter() noexcept {
    return gCounter;
}

// Checks when destroyed. As a function-local static made before any other of the program's statics, it
// is destroyed after all of them.
struct TCheckAtExit {
    ~TCheckAtExit() { CheckAtExit(); }
};

void InstallLeakCheck() noexcept {
    gBaseline = gCounter.LiveBlocks();
    static TCheckAtExit check;
}

} // namespace dovex
