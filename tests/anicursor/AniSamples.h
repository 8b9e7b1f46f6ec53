// The generated sample cursors the tests read: where they are, and their bytes.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace anitest {

inline std::filesystem::path SamplesDir() {
    std::string dir = DOVEX_SAMPLES_DIR;
#ifdef _WIN32
    if (!dir.empty() && dir[0] == '/')
        dir = "Z:" + dir; // the build tree seen through the emulator's root drive
#endif
    return std::filesystem::path(dir);
}

inline std::string ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every sample cursor's bytes, in name order.
inline std::vector<std::string> SampleBytes() {
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(SamplesDir()))
        if (e.path().extension() == ".ani")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    std::vector<std::string> out;
    for (const auto& f : files)
        out.push_back(ReadBytes(f));
    return out;
}

} // namespace anitest
