// Fills one group key with item values that point at generated animated cursors and times:
//   - the reader's own scan of the same files (the floor),
//   - creating the engine's group manager (loads the key and examines every item),
//   - loading the playlist window's group (loads the key, examines nothing),
//   - making a group of a cursor pack's folder as the playlist window does (scan, plan, write the key; no
//     cursor file read up front).
// Usage: bench_playlist [FOLDER] [COUNT] [PACK_COUNT]   (default: a temporary folder, 5000 files; a pack
// folder of 10000 files inside it)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "anicursor/AniCurInfo.h"
#include "model/CursorPackFolder.h"
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

    // A pack's folder made a group, as the playlist window's folder command does it.
    const int packCount = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10000;
    const fs::path packDir = dir / ("pack" + std::to_string(packCount));
    if (!fs::exists(packDir / ("bench" + std::to_string(packCount - 1) + ".ani"))) {
        std::printf("generating %d files in %s\n", packCount, packDir.string().c_str());
        dovex::bench::GenerateCursorFiles(packDir, packCount);
    }
    int packItems = 0, packExamined = 0;
    const double tPack = dovex::bench::BestOfFive([&] {
        dovex::TRegistryEx().DeleteKey(kBenchPlaylist + L"\\Pack");
        const dovex::TPackPlan plan = dovex::ReadCursorPack(packDir.wstring());
        auto group = dovex::TCursorGroupCtrl::CreateNew(L"Pack", kBenchPlaylist);
        for (const auto& planned : plan.Groups)
            for (const auto& name : planned.Files)
                group->AddItem(dovex::PackFilePath(packDir.wstring(), planned, name));
        group->SaveIfModified();
        packItems = group->Count();
        packExamined = 0;
        for (int i = 0; i < group->Count(); ++i)
            packExamined += group->TCursorGroupBase::GetItem(i).Status != dovex::isUnchecked;
    });
    const int packStored = dovex::TCursorGroupCtrl::Create(L"Pack", kBenchPlaylist)->Count();

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
    std::printf("pack folder made a group:        %8.1f ms (%d files, %d stored, %d read; limit 1000 ms, "
                "none read)\n",
                tPack * 1e3, packItems, packStored, packExamined);
    const bool packOk = packItems == packCount && packStored == packCount && packExamined == 0 && tPack < 1.0;
    const bool ok =
        failures == 0 && playable == count && loaded == count && usable == count && sink != 0 && packOk;
    return ok ? 0 : 1;
}
