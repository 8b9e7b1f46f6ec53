// Scans a folder of generated animated cursors with the reader and compares the rate with plain reads
// of each file's first 4 KiB (the I/O floor of a scan that skips frame data) and of whole files.
// Usage: bench_anicursor [FOLDER] [COUNT]   (default: a temporary folder, 2000 files)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "anicursor/AniCurInfo.h"
#include "bench/BenchFiles.h"

namespace fs = std::filesystem;


int main(int argc, char** argv) {
    const fs::path dir = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "dovex_bench_ani";
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2000;
    std::vector<fs::path> files;
    auto list = [&] {
        files.clear();
        if (fs::is_directory(dir))
            for (const auto& e : fs::directory_iterator(dir))
                if (e.path().extension() == ".ani")
                    files.push_back(e.path());
    };
    list();
    if (int(files.size()) < count) {
        std::printf("generating %d files in %s\n", count, dir.string().c_str());
        dovex::bench::GenerateCursorFiles(dir, count);
        list();
    }
    std::uintmax_t bytes = 0;
    for (const auto& f : files)
        bytes += fs::file_size(f);

    std::vector<char> buf(1 << 20);
    std::size_t sink = 0;
    auto readPrefix = [&](std::size_t limit) {
        // The same unbuffered stream primitive the reader uses, so only the amount read differs.
        for (const auto& f : files) {
            std::filebuf in;
            in.pubsetbuf(nullptr, 0);
            if (!in.open(f, std::ios::in | std::ios::binary))
                continue;
            if (limit) {
                sink += std::size_t(in.sgetn(buf.data(), std::streamsize(limit)));
            } else {
                std::streamsize got;
                while ((got = in.sgetn(buf.data(), std::streamsize(buf.size()))) > 0)
                    sink += std::size_t(got);
            }
        }
    };
    readPrefix(0); // warm the cache so every variant reads from memory

    int failures = 0;
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
    const double tPrefix = dovex::bench::BestOfFive([&] { readPrefix(4096); });
    const double tWhole = dovex::bench::BestOfFive([&] { readPrefix(0); });

    const double n = double(files.size());
    std::printf("files: %zu (%.1f MiB, %.1f KiB on average), reader failures: %d\n", files.size(),
                bytes / 1048576.0, bytes / 1024.0 / n, failures);
    std::printf("reader:            %10.0f files/s\n", n / tReader);
    std::printf("read first 4 KiB:  %10.0f files/s\n", n / tPrefix);
    std::printf("read whole files:  %10.0f files/s\n", n / tWhole);
    std::printf("ratio reader / first 4 KiB: %.2f (time), reader / whole files: %.2f\n", tReader / tPrefix,
                tReader / tWhole);
    return (failures || sink == 0) ? 1 : 0;
}
