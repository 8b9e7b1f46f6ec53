#include "app/MemCheck.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

using namespace dovex;

namespace {

// A memory manager whose resize can be told to move or not.
bool gResizeInPlace = false;
void* FakeGet(size_t size) {
    return std::malloc(size);
}
int FakeFree(void* block) {
    std::free(block);
    return block ? 0 : 1;
}
void* FakeResize(void* block, size_t size) {
    if (size == 0) {
        std::free(block);
        return nullptr;
    }
    if (gResizeInPlace && block)
        return block;
    return std::realloc(block, size);
}

} // namespace

TEST(AllocationCounter, CountsBlocksByTheWrappersRules) {
    TAllocationCounter counter({&FakeGet, &FakeFree, &FakeResize});
    void* a = counter.Get(16);
    void* b = counter.Get(32);
    EXPECT_EQ(counter.LiveBlocks(), 2);
    EXPECT_EQ(counter.Free(nullptr), 1); // the status of the real manager comes back
    EXPECT_EQ(counter.LiveBlocks(), 2);

    gResizeInPlace = true;
    EXPECT_EQ(counter.Resize(a, 8), a);
    EXPECT_EQ(counter.LiveBlocks(), 2);
    gResizeInPlace = false;

    void* c = counter.Resize(nullptr, 64); // a new block
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(counter.LiveBlocks(), 3);
    EXPECT_EQ(counter.Resize(c, 0), nullptr); // released
    EXPECT_EQ(counter.LiveBlocks(), 2);

    b = counter.Resize(b, 1 << 20); // moved or not, still one block
    EXPECT_EQ(counter.LiveBlocks(), 2);
    counter.Free(a);
    counter.Free(b);
    EXPECT_EQ(counter.LiveBlocks(), 0);
}

TEST(AllocationCounter, StaysExactUnderManyThreads) {
    TAllocationCounter counter({&FakeGet, &FakeFree, &FakeResize});
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i)
                counter.Free(counter.Get(8));
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(counter.LiveBlocks(), 0);
}

TEST(LeakWarning, TextIsTheCountThenTheSentence) {
    EXPECT_EQ(LeakWarningText(3), L"3 回メモリーを解放し忘れています");
    EXPECT_EQ(IntToText(0), L"0");
    EXPECT_EQ(IntToText(1234567890), L"1234567890");
    EXPECT_EQ(IntToText(-42), L"-42");
    EXPECT_EQ(IntToText(INT32_MIN), L"-2147483648");
    EXPECT_STREQ(kLeakWarningCaption, L"メモリーリークエラー");
}
