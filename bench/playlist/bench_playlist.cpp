// Fills one group key with item values that point at generated animated cursors and times:
//   - the reader's own scan of the same files (the floor),
//   - creating the engine's group manager (loads the key and examines every item),
//   - loading the playlist window's group (loads the key, examines nothing).
// Usage: bench_playlist [FOLDER] [COUNT]   (default: a temporary folder, 5000 files)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "anicursor/AniCurInfo.h"
#include "model/PlayListCtrls.h"
#include "model/RegistryEx.h"
#include "bench/BenchFiles.h"

namespace fs = std::filesystem;

namespace {

const std::wstring kBenchRoot = L"Software\\Vantoquil\\DovexBench";
const std::wstring kBenchPlaylist = kBenchRoot + L"\\Playlist";
const std::wstring kBenchGroup = L"Bench";

} // namespace

int main(int argc, char** argv) {
    const fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "dovex_bench_playlist";
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5000;
    std::vector<fs::path> files;
    for (int i = 0; i < count; ++i)
        files.push_back(dir / ("bench" + std::to_string(i) + ".ani"));
    if (!std::all_of(files.begin(), files.end(), [](const fs::path& f) { return fs::exists(f); })) {
        std::printf("generating %d files in %s\n", count, dir.string().c_str());
        dovex::bench::GenerateCursorFiles(dir, count);
    }

    {
        dovex::TRegistryEx reg;
        reg.DeleteKey(kBenchRoot);
        if (!reg.OpenKey(kBenchPlaylist + L"\\" + kBenchGroup, true)) {
            std::printf("cannot create the group key\n");
            return 1;
        }
        reg.WriteIntegerSafe(L"SaverMode", 0);
        for (int i = 0; i < count; ++i)
            reg.WriteStringSafe(std::to_wstring(i), files[std::size_t(i)].wstring());
    }

    std::size_t sink = 0;
    int failures = 0;
    // Warm the file cache so that every variant reads from memory.
    for (const auto& f : files)
        sink += fs::file_size(f) != 0;

    const double tReader = dovex::bench::BestOfFive([&] {
        dovex::TAniCursorInfo info;
        for (const auto& f : files) {
            try {
                sink += info.LoadFromFile(f) ? std::size_t(info.TotalTime()) : 0;
            } catch (const dovex::EAniCursorViewError&) {
                ++failures;
            }
        }
    });
    int playable = 0;
    const double tManager = dovex::bench::BestOfFive([&] {
        dovex::TCursorGroupManager manager(kBenchPlaylist);
        playable = manager.PlayableCount();
    });
    int loaded = 0;
    const double tCtrl = dovex::bench::BestOfFive(
        [&] { loaded = dovex::TCursorGroupCtrl::Create(kBenchGroup, kBenchPlaylist)->Count(); });
    int usable = 0;
    const double tCtrlAll = dovex::bench::BestOfFive([&] {
        auto group = dovex::TCursorGroupCtrl::Create(kBenchGroup, kBenchPlaylist);
        usable = 0;
        for (int i = 0; i < group->Count(); ++i)
            usable += group->Items(i).Status == dovex::isUsable;
    });

    {
        dovex::TRegistryEx reg;
        reg.DeleteKey(kBenchRoot);
    }

    const double n = double(files.size());
    std::printf("items: %zu, reader failures: %d, playable: %d, loaded: %d, usable when fetched: %d\n",
                files.size(), failures, playable, loaded, usable);
    std::printf("reader scan:                     %8.1f ms (%8.0f files/s)\n", tReader * 1e3, n / tReader);
    std::printf("manager creation (examines all): %8.1f ms (%8.0f items/s)\n", tManager * 1e3, n / tManager);
    std::printf("editable group load (none):      %8.1f ms (%8.0f items/s)\n", tCtrl * 1e3, n / tCtrl);
    std::printf("editable group, all fetched:     %8.1f ms (%8.0f items/s)\n", tCtrlAll * 1e3, n / tCtrlAll);
    std::printf("ratio manager / reader scan: %.2f (limit 1.50)\n", tManager / tReader);
    const bool ok = failures == 0 && playable == count && loaded == count && usable == count && sink != 0;
    return ok ? 0 : 1;
}
