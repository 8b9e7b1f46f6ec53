// Routes the program's global allocation functions through the process's allocation counter.
#include <new>

#include "app/MemCheck.h"

namespace {

void* CountedNew(std::size_t size) {
    if (size == 0)
        size = 1;
    for (;;) {
        if (void* p = dovex::ProcessAllocationCounter().Get(size))
            return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

void* CountedNewNoThrow(std::size_t size) noexcept {
    try {
        return CountedNew(size);
    } catch (...) {
        return nullptr;
    }
}

void CountedDelete(void* p) noexcept {
    if (p)
        dovex::ProcessAllocationCounter().Free(p);
}

} // namespace

void* operator new(std::size_t size) {
    return CountedNew(size);
}
void* operator new[](std::size_t size) {
    return CountedNew(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return CountedNewNoThrow(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return CountedNewNoThrow(size);
}
void operator delete(void* p) noexcept {
    CountedDelete(p);
}
void operator delete[](void* p) noexcept {
    CountedDelete(p);
}
void operator delete(void* p, std::size_t) noexcept {
    CountedDelete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    CountedDelete(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    CountedDelete(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    CountedDelete(p);
}
