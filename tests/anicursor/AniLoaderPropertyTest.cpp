// What the reader's structure checks are for: every file it accepts, the platform's loader survives.
// Thousands of seeded mutants of the sample cursors go through the reader; each one it accepts goes to the
// loader, the show's call and the preview's, in a child process (ani_load_probe) that must get through
// them all. When the child dies or stops answering, the file it was on is kept and named, and the child
// starts again after it.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "anicursor/AniCurInfo.h"
#include "anicursor/AniSizing.h"
#include "tests/anicursor/AniBuilder.h"
#include "tests/anicursor/AniMutator.h"
#include "tests/anicursor/AniSamples.h"

namespace fs = std::filesystem;

namespace {

// The same files every run; DOVEX_ANI_SEED and DOVEX_ANI_MUTANTS explore others by hand.
constexpr std::uint64_t kSeed = 0x0A11C0DEu;
constexpr int kMutants = 3000;

// The sample with each frame cut to its first `keep` images. The samples hold every frame at five sizes,
// up to 128 pixels: thousands of mutants of the whole files would be gigabytes, while those of their first
// sizes still have frames of more than one image.
anitest::Bytes FirstImages(const anitest::Bytes& sample, std::size_t keep) {
    dovex::TAniCursorInfo info;
    EXPECT_TRUE(info.LoadFromBytes(sample.data(), sample.size(), fs::path("sample.ani")));
    const dovex::TAniLayout& layout = info.Layout();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(sample.data());
    std::vector<std::vector<std::uint8_t>> frames;
    for (std::size_t f = 0; f < layout.FrameCount(); ++f) {
        const std::size_t count = std::min(keep, layout.FrameImageCount(f));
        const anitest::Bytes head = anitest::IconDir(static_cast<std::uint16_t>(count));
        std::vector<std::uint8_t> frame(head.begin(), head.end());
        std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * count);
        for (std::size_t i = 0; i < count; ++i) {
            const dovex::TAniImage& image = layout.FrameImages(f)[i];
            const anitest::Bytes entry =
                anitest::Bytes{static_cast<char>(image.Width), static_cast<char>(image.Height), 0, 0} +
                anitest::U16(static_cast<std::uint16_t>(image.HotX)) +
                anitest::U16(static_cast<std::uint16_t>(image.HotY)) + anitest::U32(image.Bytes) +
                anitest::U32(offset);
            frame.insert(frame.end(), entry.begin(), entry.end());
            offset += image.Bytes;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const dovex::TAniImage& image = layout.FrameImages(f)[i];
            frame.insert(frame.end(), bytes + image.Offset, bytes + image.Offset + image.Bytes);
        }
        frames.push_back(std::move(frame));
    }
    const auto out = dovex::ReplaceAniFrames(bytes, sample.size(), layout, frames);
    return anitest::Bytes(out.begin(), out.end());
}

std::uint64_t FromEnvironment(const char* name, std::uint64_t fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::strtoull(value, nullptr, 0) : fallback;
}

fs::path ProbePath() {
    wchar_t self[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    return fs::path(std::wstring(self, n)).parent_path() / L"ani_load_probe.exe";
}

class TScratch {
public:
    explicit TScratch(const char* name) : FPath(fs::temp_directory_path() / name) {
        std::error_code ec;
        fs::remove_all(FPath, ec);
        fs::create_directories(FPath);
    }
    ~TScratch() {
        std::error_code ec;
        fs::remove_all(FPath, ec);
    }
    const fs::path& Path() const { return FPath; }

private:
    fs::path FPath;
};

// Where a run of the probe ended: the index of the first file it did not get through (all: the count of
// files), and what it said last.
struct TProbeEnd {
    std::size_t next = 0;
    std::string last;
};

// Runs the probe over the listed files from `first` on. A probe silent for `stallMs` is ended.
TProbeEnd RunProbe(const fs::path& list, std::size_t count, std::size_t first, DWORD stallMs) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return {first, "no pipe"};
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi{};
    std::wstring command =
        L"\"" + ProbePath().wstring() + L"\" \"" + list.wstring() + L"\" " + std::to_wstring(first);
    const BOOL started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                          nullptr, nullptr, &si, &pi);
    ::CloseHandle(writeEnd);
    if (!started) {
        ::CloseHandle(readEnd);
        return {first, "the probe did not start (" + std::to_string(::GetLastError()) + ")"};
    }
    ::CloseHandle(pi.hThread);
    TProbeEnd end{first, ""};
    std::string pending;
    bool done = false;
    auto lastNews = std::chrono::steady_clock::now();
    for (;;) {
        DWORD available = 0;
        const bool open = ::PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr);
        if (available > 0) {
            char buf[4096];
            DWORD got = 0;
            if (::ReadFile(readEnd, buf, std::min<DWORD>(available, sizeof buf), &got, nullptr) && got > 0) {
                pending.append(buf, got);
                lastNews = std::chrono::steady_clock::now();
            }
            for (std::size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
                const std::string line = pending.substr(0, eol);
                pending.erase(0, eol + 1);
                end.last = line;
                if (line.starts_with("ok "))
                    end.next = std::stoul(line.substr(3)) + 1;
                done = done || line == "done";
            }
            continue;
        }
        if (!open || ::WaitForSingleObject(pi.hProcess, 5) == WAIT_OBJECT_0) {
            if (open && ::PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0)
                continue; // what it wrote before it ended
            break;
        }
        if (std::chrono::steady_clock::now() - lastNews > std::chrono::milliseconds(stallMs)) {
            ::TerminateProcess(pi.hProcess, 1);
            ::WaitForSingleObject(pi.hProcess, INFINITE);
            end.last = "no answer for " + std::to_string(stallMs / 1000) + " s after: " + end.last;
            break;
        }
    }
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(readEnd);
    if (done)
        end.next = count;
    return end;
}

void WriteList(const fs::path& list, const std::vector<fs::path>& files) {
    std::ofstream out(list, std::ios::binary | std::ios::trunc);
    for (const auto& f : files)
        out << dovex::AniWideToUtf8(f.wstring()) << '\n';
}

struct TLoss {
    fs::path file;
    std::string what, how;
};

// Hands every file to the probe, starting it again after each file it does not get through.
std::vector<TLoss> LoadAll(const fs::path& dir, const std::vector<fs::path>& files,
                           const std::vector<std::string>& whats, DWORD stallMs) {
    const fs::path list = dir / "list.txt";
    WriteList(list, files);
    std::vector<TLoss> losses;
    for (std::size_t next = 0; next < files.size();) {
        const TProbeEnd end = RunProbe(list, files.size(), next, stallMs);
        if (end.next >= files.size())
            break;
        losses.push_back({files[end.next], whats[end.next], end.last});
        if (end.last.starts_with("the probe did not start") || end.last == "no pipe")
            break;
        next = end.next + 1;
    }
    return losses;
}

std::string Describe(const std::vector<TLoss>& losses) {
    std::string text;
    for (const auto& l : losses)
        text += dovex::AniWideToUtf8(l.file.wstring()) + ": " + l.what + " => " + l.how + "\n";
    return text;
}

} // namespace

// The harness itself: a probe that faults or stops answering is noticed, on the file it was on, and the
// files after it are still loaded.
TEST(AniLoaderProperty, ProbeFaultsAndStallsAreNoticed) {
    TScratch dir("dovex_ani_probe_check");
    const fs::path good = dir.Path() / "good.ani";
    anitest::WriteFile(good, anitest::Riff(anitest::Anih(2, 6) + anitest::IconFrames(2)));
    const std::vector<fs::path> files = {good, L"<fault>", good, L"<stall>", good};
    const std::vector<std::string> whats = {"good", "fault", "good", "stall", "good"};
    const auto losses = LoadAll(dir.Path(), files, whats, 3000);
    ASSERT_EQ(losses.size(), 2u) << Describe(losses);
    EXPECT_EQ(losses[0].what, "fault");
    EXPECT_TRUE(losses[0].how.starts_with("fault 1 0xC0000005")) << losses[0].how;
    EXPECT_EQ(losses[1].what, "stall");
    EXPECT_TRUE(losses[1].how.starts_with("no answer")) << losses[1].how;
}

TEST(AniLoaderProperty, LoaderSurvivesEveryFileTheReaderAccepts) {
    const std::uint64_t seed = FromEnvironment("DOVEX_ANI_SEED", kSeed);
    const auto mutants = static_cast<int>(FromEnvironment("DOVEX_ANI_MUTANTS", kMutants));
    std::vector<anitest::Bytes> samples;
    for (const auto& sample : anitest::SampleBytes())
        samples.push_back(FirstImages(sample, 2));
    ASSERT_FALSE(samples.empty());
    TScratch dir("dovex_ani_property");
    const fs::path kept = fs::temp_directory_path() / "dovex_ani_property_losses";

    // The cases the reader's own tests accept come first, then the mutants.
    std::vector<std::pair<anitest::Bytes, std::string>> candidates;
    for (const auto& c : anitest::LoaderCases())
        candidates.push_back({c.file, c.what});
    for (const auto& c : anitest::FrameCases())
        candidates.push_back(
            {anitest::Riff(anitest::Anih(2, 6) +
                           anitest::List("fram", anitest::Chunk("icon", anitest::IconImage()) +
                                                     anitest::Chunk("icon", c.frame))),
             c.what});
    anitest::TMutator mutator(seed);
    for (int i = 0; i < mutants; ++i) {
        anitest::TMutant m = mutator.Mutate(samples[static_cast<std::size_t>(i) % samples.size()]);
        candidates.push_back({std::move(m.bytes), "mutant " + std::to_string(i) + ": " + m.what});
    }

    std::vector<fs::path> files;
    std::vector<std::string> whats;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const auto& [bytes, what] = candidates[i];
        dovex::TAniCursorInfo info;
        try {
            if (!info.LoadFromBytes(bytes.data(), bytes.size(), fs::path("mutant.ani")))
                continue;
        } catch (const dovex::EAniCursorViewError&) {
            continue;
        }
        files.push_back(dir.Path() / ("m" + std::to_string(i) + ".ani"));
        anitest::WriteFile(files.back(), bytes);
        whats.push_back(what);
    }
    // Not a vacuous pass: a good share of the mutants is accepted.
    ASSERT_GT(files.size(), candidates.size() / 4) << "seed " << seed;

    const auto t0 = std::chrono::steady_clock::now();
    const auto losses = LoadAll(dir.Path(), files, whats, 20000);
    std::printf("seed %llu: %zu of %zu files accepted and loaded in %.1f s\n",
                static_cast<unsigned long long>(seed), files.size(), candidates.size(),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    if (!losses.empty()) {
        fs::create_directories(kept);
        for (const auto& l : losses)
            fs::copy_file(l.file, kept / l.file.filename(), fs::copy_options::overwrite_existing);
    }
    EXPECT_TRUE(losses.empty()) << "seed " << seed << ": the loader did not get through " << losses.size()
                                << " file(s) the reader accepts (kept in "
                                << dovex::AniWideToUtf8(kept.wstring()) << "):\n"
                                << Describe(losses);
}
