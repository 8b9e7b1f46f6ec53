// libFuzzer entry: the animated cursor reader over arbitrary bytes. Besides the sanitizers, checks the
// bounds the reader promises whatever the input.
#include <cstdint>
#include <cstdlib>

#include "anicursor/AniCurInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dovex::TAniCursorInfo info;
    bool loaded = false;
    try {
        loaded = info.LoadFromBytes(data, size, "fuzz.ani");
    } catch (const dovex::EAniCursorViewError& e) {
        if (e.Message().empty() || !info.FileName().empty())
            std::abort();
    }
    if (info.Title().size() > dovex::kAniMaxTextBytes || info.Author().size() > dovex::kAniMaxTextBytes)
        std::abort();
    if (info.Rates().size() > size / 4 || info.Sequence().size() > size / 4)
        std::abort();
    if (loaded && info.FileName() != "fuzz.ani")
        std::abort();
    volatile std::uint32_t sink = static_cast<std::uint32_t>(info.TotalTime());
    for (int i = -1; i <= 9; ++i)
        sink = sink + static_cast<std::uint32_t>(info.GetAniInfo(i));
    (void)sink;
    return 0;
}
