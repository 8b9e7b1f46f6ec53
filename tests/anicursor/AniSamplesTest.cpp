// The generated sample cursors: the reader must find what the manifest says each file holds, and on
// Windows the system must accept each file as an animated cursor and draw every step.
#include "anicursor/AniCurInfo.h"
#include "tests/anicursor/AniBuilder.h"
#include "tests/anicursor/AniSamples.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "tests/Pixels.h"
#include "tests/TestSupport.h"
#endif

namespace fs = std::filesystem;
using anitest::SamplesDir;

namespace {

struct Entry {
    std::string file;
    int size = 0;
    std::uint32_t frames = 0, steps = 0, jifRate = 0, flags = 0;
    bool hasRates = false, hasSeq = false;
    std::vector<std::uint32_t> rates, seq;
    std::string title, author;
    int hotX = 0, hotY = 0;
    std::vector<std::uint32_t> sizes; // of each frame's images, in file order
};

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string cur;
    std::istringstream in(s);
    while (std::getline(in, cur, sep))
        out.push_back(cur);
    if (!s.empty() && s.back() == sep)
        out.emplace_back();
    return out;
}

std::vector<std::uint32_t> Numbers(const std::string& s) {
    std::vector<std::uint32_t> v;
    for (const auto& p : Split(s, ','))
        v.push_back(static_cast<std::uint32_t>(std::stoul(p)));
    return v;
}

std::string Unhex(const std::string& h) {
    std::string out;
    for (std::size_t i = 0; i + 1 < h.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16)));
    return out;
}

std::vector<Entry> Manifest() {
    std::vector<Entry> out;
    std::ifstream in(SamplesDir() / "manifest.tsv", std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const auto f = Split(line, '\t');
        if (f.size() < 15)
            continue;
        Entry e;
        e.file = f[0];
        e.size = std::stoi(f[1]);
        e.frames = std::stoul(f[2]);
        e.steps = std::stoul(f[3]);
        e.jifRate = std::stoul(f[4]);
        e.flags = std::stoul(f[5]);
        e.hasRates = f[6] != "-";
        e.hasSeq = f[7] != "-";
        if (e.hasRates)
            e.rates = Numbers(f[6]);
        if (e.hasSeq)
            e.seq = Numbers(f[7]);
        e.title = Unhex(f[8]);
        e.author = Unhex(f[9]);
        e.hotX = std::stoi(f[12]);
        e.hotY = std::stoi(f[13]);
        e.sizes = Numbers(f[14]);
        out.push_back(e);
    }
    return out;
}

} // namespace

TEST(AniSamples, ManifestCoversTheRequiredVariety) {
    const auto all = Manifest();
    ASSERT_GE(all.size(), 10u);
    std::set<int> sizes;
    int withRate = 0, withSeq = 0, withTitle = 0, withAuthor = 0, japanese = 0, bare = 0;
    for (const auto& e : all) {
        sizes.insert(e.size);
        withRate += e.hasRates;
        withSeq += e.hasSeq;
        withTitle += !e.title.empty();
        withAuthor += !e.author.empty();
        japanese += (!e.title.empty() && static_cast<unsigned char>(e.title[0]) >= 0x81);
        bare += !e.hasRates && !e.hasSeq && e.title.empty() && e.author.empty();
        EXPECT_TRUE(fs::is_regular_file(SamplesDir() / e.file)) << e.file;
    }
    EXPECT_EQ(sizes, (std::set<int>{32, 48, 64}));
    EXPECT_GT(withRate, 0);
    EXPECT_LT(withRate, int(all.size()));
    EXPECT_GT(withSeq, 0);
    EXPECT_LT(withSeq, int(all.size()));
    EXPECT_GT(withTitle, 0);
    EXPECT_GT(withAuthor, 1);
    EXPECT_GT(japanese, 2);
    EXPECT_GT(bare, 0);
}

TEST(AniSamples, ReaderFindsWhatEachFileHolds) {
    const auto all = Manifest();
    ASSERT_FALSE(all.empty());
    for (const auto& e : all) {
        SCOPED_TRACE(e.file);
        dovex::TAniCursorInfo info;
        ASSERT_TRUE(info.LoadFromFile(SamplesDir() / e.file));
        EXPECT_EQ(std::uint32_t(info.GetAniInfo(dovex::ahFrames)), e.frames);
        EXPECT_EQ(std::uint32_t(info.StepCount()), e.steps);
        EXPECT_EQ(std::uint32_t(info.GetAniInfo(dovex::ahJifRate)), e.jifRate);
        EXPECT_EQ(std::uint32_t(info.GetAniInfo(dovex::ahFlags)), e.flags);
        EXPECT_EQ(info.Title(), e.title);
        // The author is searched only after the title: without a title there is none.
        EXPECT_EQ(info.Author(), e.title.empty() ? std::string() : e.author);
        std::int32_t total = 0;
        if (e.hasRates) {
            ASSERT_EQ(info.Rates().size(), e.steps);
            for (std::size_t i = 0; i < e.steps; ++i) {
                EXPECT_EQ(info.Rates()[i], dovex::JiffiesToMs(e.rates[i]));
                total += dovex::JiffiesToMs(e.rates[i]);
            }
        } else {
            EXPECT_TRUE(info.Rates().empty());
            total = dovex::JiffiesToMs(e.jifRate) * std::int32_t(e.steps);
        }
        EXPECT_EQ(info.TotalTime(), total);
        if (e.hasSeq) {
            ASSERT_EQ(info.Sequence().size(), e.steps);
            for (std::size_t i = 0; i < e.steps; ++i) {
                EXPECT_EQ(info.Sequence()[i], std::int32_t(e.seq[i]));
                EXPECT_LT(e.seq[i], e.frames);
            }
        } else {
            EXPECT_TRUE(info.Sequence().empty());
        }
        // Every frame at every common pointer size, its own size first, each image square.
        std::vector<std::uint32_t> expected{std::uint32_t(e.size)};
        for (const std::uint32_t side : {32u, 48u, 64u, 96u, 128u})
            if (side != std::uint32_t(e.size))
                expected.push_back(side);
        EXPECT_EQ(e.sizes, expected);
        ASSERT_EQ(info.Layout().FrameCount(), e.frames);
        for (std::size_t frame = 0; frame < e.frames; ++frame) {
            ASSERT_EQ(info.Layout().FrameImageCount(frame), e.sizes.size());
            for (std::size_t i = 0; i < e.sizes.size(); ++i) {
                EXPECT_EQ(std::uint32_t(info.Layout().FrameImages(frame)[i].Width), e.sizes[i]);
                EXPECT_EQ(info.Layout().FrameImages(frame)[i].Height,
                          info.Layout().FrameImages(frame)[i].Width);
            }
        }
    }
}

#ifdef _WIN32

namespace {

// The drawing below needs a desktop: the project's, never the default one.
const auto* const kProjectDesktop = ::testing::AddGlobalTestEnvironment(new dovex::test::ProjectDesktop);

constexpr COLORREF kKey = RGB(255, 0, 255);

// A step of an icon or cursor drawn on the key colour.
dovex::test::TPixels DrawOnKey(HICON icon, int size, UINT step) {
    return dovex::test::DrawToPixels(size, size, [&](HDC dc) {
        ::SetDCBrushColor(dc, kKey);
        const RECT all{0, 0, size, size};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        EXPECT_TRUE(::DrawIconEx(dc, 0, 0, icon, size, size, step, nullptr, DI_NORMAL)) << "step " << step;
    });
}
int Drawn(const dovex::test::TPixels& px) {
    return px.width * px.height - dovex::test::CountColour(px, kKey);
}

// The system loads the file as an animated cursor by both of its calls and draws every step of it.
void ExpectSystemPlays(const fs::path& file, const Entry& e) {
    const std::wstring path = file.wstring();
    HCURSOR cur =
        static_cast<HCURSOR>(LoadImageW(nullptr, path.c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(cur, nullptr) << GetLastError();
    HCURSOR cur2 = LoadCursorFromFileW(path.c_str());
    EXPECT_NE(cur2, nullptr);
    if (cur2)
        DestroyCursor(cur2);
    constexpr COLORREF kKey = RGB(255, 0, 255);
    std::set<std::vector<std::uint32_t>> distinct;
    for (UINT step = 0; step < e.steps; ++step) {
        const auto px = dovex::test::DrawToPixels(e.size, e.size, [&](HDC dc) {
            ::SetDCBrushColor(dc, kKey);
            const RECT all{0, 0, e.size, e.size};
            ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
            EXPECT_TRUE(DrawIconEx(dc, 0, 0, cur, e.size, e.size, step, nullptr, DI_NORMAL))
                << "step " << step;
        });
        EXPECT_GT(e.size * e.size - dovex::test::CountColour(px, kKey), e.size * e.size / 20)
            << "step " << step << " drew almost nothing";
        distinct.insert(px.data);
    }
    EXPECT_GT(distinct.size(), 1u) << "every step drew the same picture";
    ICONINFO ii{};
    if (GetIconInfo(cur, &ii)) {
        EXPECT_FALSE(ii.fIcon);
        EXPECT_EQ(int(ii.xHotspot), e.hotX);
        EXPECT_EQ(int(ii.yHotspot), e.hotY);
        DeleteObject(ii.hbmColor);
        DeleteObject(ii.hbmMask);
    }
    DestroyCursor(cur);
}

} // namespace

TEST(AniSamplesWin32, SystemLoadsEverySampleAndDrawsEveryStep) {
    const auto all = Manifest();
    ASSERT_FALSE(all.empty());
    for (const auto& e : all) {
        SCOPED_TRACE(e.file);
        ExpectSystemPlays(SamplesDir() / e.file, e);
    }
}

// Files with the common writer mistakes: the system plays them, and the reader agrees with it.
TEST(AniSamplesWin32, SystemAndReaderBothAcceptSizesPastTheEndAndTrailingBytes) {
    const auto all = Manifest();
    ASSERT_FALSE(all.empty());
    const fs::path dir = fs::temp_directory_path() / "dovex_lenient_samples";
    fs::create_directories(dir);
    struct Variant {
        const char* what;
        std::string (*make)(std::string);
    };
    const Variant variants[] = {
        {"form size 6 bytes past the end",
         [](std::string b) {
             const auto size = static_cast<std::uint32_t>(b.size() - 8 + 6);
             for (int i = 0; i < 4; ++i)
                 b[4 + i] = static_cast<char>(size >> (8 * i));
             return b;
         }},
        {"trailing bytes", [](std::string b) { return b + std::string("JUNK\xF0\xFF\xFF\xFFtrailer", 16); }},
        {"both",
         [](std::string b) {
             const auto size = static_cast<std::uint32_t>(b.size() - 8 + 2);
             for (int i = 0; i < 4; ++i)
                 b[4 + i] = static_cast<char>(size >> (8 * i));
             return b + std::string(11, '\0');
         }},
    };
    for (const auto& e : {all.front(), all.back()}) {
        const std::string original = anitest::ReadBytes(SamplesDir() / e.file);
        ASSERT_GT(original.size(), 12u);
        for (const Variant& v : variants) {
            SCOPED_TRACE(e.file + ": " + v.what);
            const fs::path file = dir / e.file;
            {
                const std::string bytes = v.make(original);
                std::ofstream out(file, std::ios::binary | std::ios::trunc);
                out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            }
            ExpectSystemPlays(file, e);
            dovex::TAniCursorInfo info;
            bool loaded = false;
            try {
                loaded = info.LoadFromFile(file);
            } catch (const dovex::EAniCursorViewError& err) {
                ADD_FAILURE() << "the reader refused it: " << err.what();
            }
            EXPECT_TRUE(loaded);
            EXPECT_EQ(std::uint32_t(info.StepCount()), e.steps);
            EXPECT_EQ(info.Title(), e.title);
        }
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
}

// Every odd frame the reader lets through is one the system survives: it loads a cursor or says no.
TEST(AniSamplesWin32, SystemSurvivesEveryFrameTheReaderAccepts) {
    const fs::path file = fs::temp_directory_path() / "dovex_odd_frame.ani";
    for (const auto& c : anitest::FrameCases()) {
        if (c.refused)
            continue;
        SCOPED_TRACE(c.what);
        const anitest::Bytes frames =
            anitest::List("fram", anitest::Chunk("icon", c.frame) + anitest::Chunk("icon", c.frame));
        anitest::WriteFile(file, anitest::Riff(anitest::Anih(2, 10) + frames));
        dovex::TAniCursorInfo info;
        ASSERT_TRUE(info.LoadFromFile(file));
        if (HCURSOR cursor = LoadCursorFromFileW(file.c_str()))
            DestroyCursor(cursor);
        if (HANDLE image = LoadImageW(nullptr, file.c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE))
            DestroyCursor(static_cast<HCURSOR>(image));
    }
    std::error_code ec;
    fs::remove(file, ec);
}

TEST(AniSamplesWin32, ProgramIconsLoadAtEverySize) {
    const fs::path art = SamplesDir().parent_path();
    std::vector<std::pair<std::string, std::vector<int>>> icons = {{"MAINICON.ico", {16, 20, 24, 32, 48}},
                                                                   {"Z_NORMAL.ico", {16, 20, 24, 32, 48}},
                                                                   {"Z_PAUSE.ico", {16, 20, 24, 32, 48}}};
    for (int i = 0; i <= 10; ++i)
        icons.push_back({std::string("anim") + (i < 10 ? "0" : "") + std::to_string(i) + ".ico", {16, 32}});
    for (int i = 0; i <= 5; ++i)
        icons.push_back({"menu" + std::to_string(i) + ".ico", {16, 20, 24, 32}});
    for (const auto& [name, sizes] : icons) {
        for (int size : sizes) {
            SCOPED_TRACE(name + " " + std::to_string(size));
            HICON icon = static_cast<HICON>(
                LoadImageW(nullptr, (art / name).wstring().c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
            ASSERT_NE(icon, nullptr);
            EXPECT_GT(Drawn(DrawOnKey(icon, size, 0)), size * size / 10);
            DestroyIcon(icon);
        }
    }
}

#endif
