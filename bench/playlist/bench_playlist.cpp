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
#include "tools/host/Art.h"

namespace fs = std::filesystem;

namespace {

const std::wstring kBenchRoot = L"Software\\Vantoquil\\DovexBench";
const std::wstring kBenchPlaylist = kBenchRoot + L"\\Playlist";
const std::wstring kBenchGroup = L"Bench";

void Generate(const fs::path& dir, int count) {
    fs::create_directories(dir);
    const auto& designs = art::Designs();
    std::vector<std::vector<art::Image>> frames;
    for (const auto& d : designs) {
        std::vector<art::Image> f;
        for (int i = 0; i < d.frames; ++i)
            f.push_back(art::DrawDesign(d, 32, i));
        frames.push_back(std::move(f));
    }
    for (int i = 0; i < count; ++i) {
        const std::size_t k = std::size_t(i) % designs.size();
        art::AniRecipe ani;
        ani.frames = frames[k];
        ani.steps = static_cast<std::uint32_t>(ani.frames.size() + (i % 3));
        ani.jifRate = 1 + i % 12;
        if (i & 1)
            ani.rates = std::vector<std::uint32_t>(ani.steps, 2 + i % 7);
        if (i & 4)
            ani.title = "Bench cursor " + std::to_string(i);
        if (i & 8)
            ani.author = "Dovex bench";
        art::SaveFile((dir / ("bench" + std::to_string(i) + ".ani")).string(), art::WriteAniFile(ani));
    }
}

double Seconds(const std::function<void()>& f) {
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "dovex_bench_playlist";
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5000;
    std::vector<fs::path> files;
    for (int i = 0; i < count; ++i)
        files.push_back(dir / ("bench" + std::to_string(i) + ".ani"));
    if (!std::all_of(files.begin(), files.end(), [](const fs::path& f) { return fs::exists(f); })) {
        std::printf("generating %d files in %s\n", count, dir.string().c_str());
        Generate(dir, count);
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

    const double tReader = Seconds([&] {
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
    const double tManager = Seconds([&] {
        dovex::TCursorGroupManager manager(kBenchPlaylist);
        playable = manager.PlayableCount();
    });
    int loaded = 0;
    const double tCtrl =
        Seconds([&] { loaded = dovex::TCursorGroupCtrl::Create(kBenchGroup, kBenchPlaylist)->Count(); });
    int usable = 0;
    const double tCtrlAll = Seconds([&] {
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
