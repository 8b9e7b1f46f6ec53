// Counts the heap blocks the process holds and warns at exit about those never released.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace dovex {

// The three entry points of a memory manager: get, free (returns a status) and resize.
struct TMemoryManager {
    void* (*GetMem)(size_t size);
    int (*FreeMem)(void* block);
    void* (*ReallocMem)(void* block, size_t size);
};

// Wraps a memory manager and keeps the count of blocks it handed out and that are not yet released.
class TAllocationCounter {
public:
    constexpr explicit TAllocationCounter(TMemoryManager saved) noexcept : FSaved(saved) {}

    void* Get(size_t size) noexcept;
    int Free(void* block) noexcept;
    void* Resize(void* block, size_t size) noexcept;
    int32_t LiveBlocks() const noexcept { return FLiveBlocks.load(std::memory_order_relaxed); }

private:
    TMemoryManager FSaved;
    std::atomic<int32_t> FLiveBlocks{0};
};

// Decimal text of a count, as the warning shows it.
std::wstring IntToText(int32_t value);
std::wstring LeakWarningText(int32_t count);
inline constexpr wchar_t kLeakWarningCaption[] = L"メモリーリークエラー";

// The process's counter, fed by the program's replaced global allocation functions.
TAllocationCounter& ProcessAllocationCounter() noexcept;

// Starts the check: blocks held now belong to objects that outlive it. At exit, once everything
// created later has been destroyed, a count above that shows the warning box.
void InstallLeakCheck() noexcept;

} // namespace dovex
