// libFuzzer entry: the INF reader of cursor packs over arbitrary bytes. Besides the sanitizers, checks what
// the reader promises whatever the input: bare file names only, each once, and a bounded name.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/CursorPack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > dovex::kMaxInfBytes)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const dovex::TInfScheme scheme = dovex::ReadInfScheme(dovex::DecodeInfText(bytes, nullptr));
    if (!scheme.Found && (!scheme.Name.empty() || !scheme.Files.empty()))
        std::abort();
    if (scheme.Name.size() > 65536)
        std::abort();
    for (size_t i = 0; i < scheme.Files.size(); ++i) {
        const std::wstring& name = scheme.Files[i];
        if (name.empty() || name == L"." || name == L".." ||
            name.find_first_of(L"\\/:") != std::wstring::npos)
            std::abort();
        for (size_t j = 0; j < i; ++j)
            if (dovex::SameFileName(scheme.Files[j], name))
                std::abort();
    }
    return 0;
}
