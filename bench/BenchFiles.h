// What the benchmarks share: a folder of generated animated cursors, and timing by the best of five runs.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tools/host/Art.h"

namespace dovex::bench {

// Writes `count` cursors bench0.ani … into `dir`: the sample designs at 32 px, with and without "rate",
// "seq " and INFO texts, so that the files vary as a real collection does.
inline void GenerateCursorFiles(const std::filesystem::path& dir, int count) {
    std::filesystem::create_directories(dir);
    const auto& designs = art::Designs();
    std::vector<std::vector<art::Image>> frames;
    for (const auto& d : designs) {
        std::vector<art::Image> f;
        for (int i = 0; i < d.frames; ++i)
            f.push_back(art::DrawDesign(d, 32, i));
        frames.push_back(std::move(f));
    }
    for (int i = 0; i < count; ++i) {
        art::AniRecipe recipe;
        recipe.frames = frames[static_cast<std::size_t>(i) % designs.size()];
        recipe.steps = static_cast<std::uint32_t>(recipe.frames.size() + (i % 3));
        recipe.jifRate = 1 + i % 12;
        if (i & 1)
            recipe.rates = std::vector<std::uint32_t>(recipe.steps, 2 + i % 7);
        if (i & 2) {
            std::vector<std::uint32_t> seq;
            for (std::uint32_t s = 0; s < recipe.steps; ++s)
                seq.push_back(s % recipe.frames.size());
            recipe.sequence = seq;
        }
        if (i & 4)
            recipe.title = "Bench cursor " + std::to_string(i);
        if (i & 8)
            recipe.author = "Dovex bench";
        art::SaveFile((dir / ("bench" + std::to_string(i) + ".ani")).string(), art::WriteAniFile(recipe));
    }
}

// The shortest of five runs, in seconds.
inline double BestOfFive(const std::function<void()>& run) {
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        const auto t0 = std::chrono::steady_clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

} // namespace dovex::bench
