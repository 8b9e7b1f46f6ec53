#include "anicursor/AniCurInfo.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/anicursor/AniBuilder.h"
#include "tests/anicursor/AniMutator.h"
#include "tests/anicursor/AniSamples.h"

using namespace anitest;
using dovex::EAniCursorViewError;
using dovex::TAniCursorInfo;
namespace fs = std::filesystem;

namespace {

const std::wstring kStructure = L"ファイル構造にエラーがあるため読み込めませんでした。";

class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        FPath = fs::temp_directory_path() / ("dovex_anitest_" + std::to_string(counter++));
        fs::remove_all(FPath);
        fs::create_directories(FPath);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(FPath, ec);
    }
    fs::path File(const Bytes& bytes, const std::string& name = "t.ani") const {
        const fs::path p = FPath / name;
        WriteFile(p, bytes);
        return p;
    }
    const fs::path& Path() const { return FPath; }

private:
    fs::path FPath;
};

// The outcome of one load: everything the reader exposes, or the error text.
struct Outcome {
    bool loaded = false;
    std::optional<std::wstring> error;
    std::array<std::uint32_t, 9> header{};
    std::int32_t steps = 0, defaultRate = 0, total = 0;
    std::vector<std::int32_t> rates, sequence;
    std::string title, author;
    bool operator==(const Outcome&) const = default;
};

Outcome Capture(TAniCursorInfo& info, bool loaded, std::optional<std::wstring> error) {
    return {loaded,           std::move(error), info.Header(),   info.StepCount(), info.DefaultRate(),
            info.TotalTime(), info.Rates(),     info.Sequence(), info.Title(),     info.Author()};
}

// Loads the bytes from memory and from a file; both ways must agree in every field.
Outcome Load(const Bytes& bytes, TAniCursorInfo* keep = nullptr) {
    TAniCursorInfo mem;
    Outcome fromMem;
    try {
        fromMem =
            Capture(mem, mem.LoadFromBytes(bytes.data(), bytes.size(), fs::path("mem.ani")), std::nullopt);
    } catch (const EAniCursorViewError& e) {
        fromMem = Capture(mem, false, e.Message());
    }
    TempDir dir;
    TAniCursorInfo local;
    TAniCursorInfo& file = keep ? *keep : local;
    Outcome fromFile;
    const fs::path p = dir.File(bytes, "mem.ani");
    try {
        fromFile = Capture(file, file.LoadFromFile(p), std::nullopt);
    } catch (const EAniCursorViewError& e) {
        fromFile = Capture(file, false, e.Message());
    }
    // Messages name the file as passed in; compare them under one name.
    if (fromFile.error && fromFile.error->starts_with(p.wstring()))
        fromFile.error = L"mem.ani" + fromFile.error->substr(p.wstring().size());
    EXPECT_TRUE(fromMem == fromFile) << "memory and file loads differ";
    EXPECT_EQ(file.FileName().empty(), !fromFile.loaded);
    return fromFile;
}

// An outcome in a line, for the tables: "steps 2, total 300, rates 100 200, seq 1 0, title T, author A",
// with empty tables and texts left out; or the error.
std::string Summary(const Outcome& o) {
    if (!o.loaded)
        return "error " + (o.error ? dovex::AniWideToUtf8(*o.error) : std::string());
    std::string line = "steps " + std::to_string(o.steps) + ", total " + std::to_string(o.total);
    const auto add = [&line](const char* name, const std::vector<std::int32_t>& values) {
        if (!values.empty())
            line += std::string(", ") + name;
        for (const std::int32_t v : values)
            line += " " + std::to_string(v);
    };
    add("rates", o.rates);
    add("seq", o.sequence);
    if (!o.title.empty())
        line += ", title " + o.title;
    if (!o.author.empty())
        line += ", author " + o.author;
    return line;
}

struct ReadCase {
    const char* what;
    Bytes file;
    std::string read; // the Summary
};

void ExpectReads(const std::vector<ReadCase>& cases) {
    for (const ReadCase& c : cases)
        EXPECT_EQ(Summary(Load(c.file)), c.read) << c.what;
}

} // namespace

TEST(JiffiesToMs, ConvertsByDividingFirstThenTruncating) {
    EXPECT_EQ(dovex::JiffiesToMs(10), 166);
    EXPECT_EQ(dovex::JiffiesToMs(6), 100);
    EXPECT_EQ(dovex::JiffiesToMs(1), 16);
    EXPECT_EQ(dovex::JiffiesToMs(0), 0);
    EXPECT_EQ(dovex::JiffiesToMs(59), 983);
    EXPECT_EQ(dovex::JiffiesToMs(3), 50);
    EXPECT_EQ(dovex::JiffiesToMs(-1), -16); // toward zero
    EXPECT_EQ(dovex::JiffiesToMs(-7), -116);
}

TEST(JiffiesToMs, LargestHeaderRateWrapsLikeThirtyTwoBitArithmetic) {
    // trunc(4294967295 / 60 * 1000) = 71582788250, kept modulo 2^32 as a signed value.
    EXPECT_EQ(dovex::JiffiesToMs(0xFFFFFFFFll), static_cast<std::int32_t>(71582788250ll - 17 * 4294967296ll));
}

// What the reader makes of the timing tables: the default rate without a rate chunk, each rate truncated on
// its own, tables cut or padded to the step count, chunks found in any order and wherever they stand.
TEST(AniCurInfo, TimesFromTheHeaderAndTheTables) {
    ExpectReads({
        {"no rate chunk: the default rate times the steps", Riff(Anih(6, 10, 1) + Frames(64)),
         "steps 6, total 996"},
        {"rates converted and summed", Riff(Anih(3, 10, 1) + Chunk("rate", Table({6, 12, 30})) + Frames(8)),
         "steps 3, total 800, rates 100 200 500"},
        {"each rate truncated on its own: 48, not 50", Riff(Anih(3, 60) + Chunk("rate", Table({1, 1, 1}))),
         "steps 3, total 48, rates 16 16 16"},
        {"a short rate chunk leaves the missing steps at 0", Riff(Anih(4, 10) + Chunk("rate", Table({6, 6}))),
         "steps 4, total 200, rates 100 100 0 0"},
        {"a long rate chunk: the step count's entries, the sequence found after it",
         Riff(Anih(2, 10) + Chunk("rate", Table({6, 6, 60, 60})) + Chunk("seq ", Table({1, 0}))),
         "steps 2, total 200, rates 100 100, seq 1 0"},
        {"an odd-sized rate chunk fills the low bytes, and its pad byte is skipped",
         Riff(Anih(3, 10) + Chunk("rate", Table({6}) + Bytes("\x0C", 1)) + Chunk("seq ", Table({2, 1, 0}))),
         "steps 3, total 300, rates 100 200 0, seq 2 1 0"},
        {"rates are signed", Riff(Anih(2, 10) + Chunk("rate", Table({0xFFFFFFFAu, 12}))),
         "steps 2, total 100, rates -100 200"},
        {"the sequence taken as it is, padded with zeros",
         Riff(Anih(5, 10, 3) + Chunk("seq ", Table({2, 1, 2}))), "steps 5, total 830, seq 2 1 2 0 0"},
        {"zero steps: empty tables, no time",
         Riff(Anih(0, 10) + Chunk("rate", Table({6, 6})) + Chunk("seq ", Table({0, 1}))), "steps 0, total 0"},
        {"chunks in any order",
         Riff(Chunk("seq ", Table({1, 0})) + Frames(16) + Chunk("rate", Table({6, 12})) + Anih(2, 10, 1) +
              Info(Text("INAM", "T") + Text("IART", "A"))),
         "steps 2, total 300, rates 100 200, seq 1 0, title T, author A"},
        {"searches run past the form to the end of the file",
         Riff(Info(Text("INAM", "T"))) + Anih(2, 6) + Chunk("rate", Table({6, 6})),
         "steps 2, total 200, rates 100 100, title T"},
        {"odd chunks and trailing bytes",
         Riff(Chunk("junk", "abc") + Anih(1, 6) + Chunk("odd ", "x")) + Bytes("\0\0\0", 3),
         "steps 1, total 100"},
        {"the form found after another RIFF", Riff(Anih(9, 9), "WAVE") + Riff(Anih(2, 6)),
         "steps 2, total 200"},
    });
}

// Title and author come from an INFO list, the author only after a title; texts end at a NUL or 261 bytes.
TEST(AniCurInfo, TitleAndAuthorFromTheInfoList) {
    const Bytes sjis = "\x83\x5c\x81\x5b\x83\x5f"; // ソーダ: a trail byte equal to a backslash
    ExpectReads({
        {"both", Riff(Info(Text("INAM", sjis) + Text("IART", "Someone")) + Anih(1, 1)),
         "steps 1, total 16, title " + sjis + ", author Someone"},
        {"an author before the title is not taken",
         Riff(Info(Text("IART", "Someone") + Text("INAM", "Name")) + Anih(1, 1)),
         "steps 1, total 16, title Name"},
        {"an author without a title is not taken",
         Riff(Info(Text("ICOP", "c") + Text("IART", "Someone")) + Anih(1, 1)), "steps 1, total 16"},
        {"other info chunks between are skipped",
         Riff(Anih(1, 1) +
              Info(Text("ISFT", "x") + Text("INAM", "T") + Chunk("ICMT", "abc") + Text("IART", "A"))),
         "steps 1, total 16, title T, author A"},
        {"texts end at the first NUL, or hold every byte",
         Riff(Info(Chunk("INAM", Bytes("ab\0cd", 5)) + Chunk("IART", "xyz")) + Anih(1, 1)),
         "steps 1, total 16, title ab, author xyz"},
        {"texts are cut at 261 bytes",
         Riff(Info(Text("INAM", Bytes(300, 'L')) + Text("IART", Bytes(261, 'E'))) + Anih(1, 1)),
         "steps 1, total 16, title " + Bytes(261, 'L') + ", author " + Bytes(261, 'E')},
        {"empty texts", Riff(Info(Chunk("INAM", "") + Chunk("IART", "")) + Anih(1, 1)), "steps 1, total 16"},
        {"lists of other types are not entered",
         Riff(List("adtl", Text("INAM", "wrong")) + Anih(1, 1) + Info(Text("INAM", "right"))),
         "steps 1, total 16, title right"},
        {"a list too small for its type is skipped",
         Riff(Chunk("LIST", "IN") + Anih(1, 6) + Info(Text("INAM", "T"))), "steps 1, total 100, title T"},
        {"five bytes left in a list hold no chunk head",
         Riff(Info(Text("INAM", "T") + Bytes("IART\x01", 5)) + Anih(1, 1)), "steps 1, total 16, title T"},
    });
}

TEST(AniCurInfo, ForgedHugeStepCountDoesNotDriveAllocation) {
    // 4,000,000,000 steps would need 16 GB per table; the tables stay within what the file can hold.
    const Bytes file =
        Riff(Anih(4000000000u, 10) + Chunk("rate", Table({6, 12})) + Chunk("seq ", Table({1, 0})));
    const Outcome o = Load(file);
    ASSERT_TRUE(o.loaded);
    EXPECT_EQ(o.header[dovex::ahSteps], 4000000000u);
    EXPECT_EQ(o.steps, static_cast<std::int32_t>(4000000000u));
    EXPECT_LE(o.rates.size(), file.size() / 4);
    ASSERT_GE(o.rates.size(), 2u);
    EXPECT_EQ(o.rates[0], 100);
    EXPECT_EQ(o.rates[1], 200);
    EXPECT_EQ(o.sequence[0], 1);
    EXPECT_EQ(o.total, 0); // a negative step count sums no entry
}

TEST(AniCurInfo, LargestPositiveStepCountSumsWhatTheFileHolds) {
    const Bytes file = Riff(Anih(0x7FFFFFFF, 10) + Chunk("rate", Table({6, 12, 30})));
    const Outcome o = Load(file);
    ASSERT_TRUE(o.loaded);
    EXPECT_LE(o.rates.size(), file.size() / 4);
    EXPECT_EQ(o.total, 800);
}

TEST(AniCurInfo, HugeStepCountWithoutRatesWrapsInsteadOfOverflowing) {
    const Outcome o = Load(Riff(Anih(0x7FFFFFFF, 0xFFFFFFFFu)));
    ASSERT_TRUE(o.loaded);
    const std::int64_t product = std::int64_t(o.defaultRate) * 0x7FFFFFFF;
    EXPECT_EQ(o.total, static_cast<std::int32_t>(static_cast<std::uint32_t>(product)));
}

TEST(AniCurInfo, HeaderFieldsAndGetAniInfo) {
    const Outcome o = Load(Riff(Anih(5, 7, 4, 3, 32, 48)));
    ASSERT_TRUE(o.loaded);
    TAniCursorInfo info;
    const Bytes b = Riff(Anih(5, 7, 4, 3, 32, 48));
    ASSERT_TRUE(info.LoadFromBytes(b.data(), b.size(), fs::path("h.ani")));
    EXPECT_EQ(info.GetAniInfo(dovex::ahSize), 36);
    EXPECT_EQ(info.GetAniInfo(dovex::ahFrames), 4);
    EXPECT_EQ(info.GetAniInfo(dovex::ahSteps), 5);
    EXPECT_EQ(info.GetAniInfo(dovex::ahWidth), 32);
    EXPECT_EQ(info.GetAniInfo(dovex::ahHeight), 48);
    EXPECT_EQ(info.GetAniInfo(dovex::ahJifRate), 7);
    EXPECT_EQ(info.GetAniInfo(dovex::ahFlags), 3);
    EXPECT_EQ(info.GetAniInfo(-1), -1);
    EXPECT_EQ(info.GetAniInfo(9), -1);
    EXPECT_EQ(info.GetAniInfo(1000), -1);
    EXPECT_EQ(info.DefaultRate(), 116);
}

TEST(AniCurInfo, GetAniInfoReturnsFieldsAsStored) {
    TAniCursorInfo info;
    const Bytes b = Riff(Anih(0xFFFFFFFFu, 1));
    ASSERT_TRUE(info.LoadFromBytes(b.data(), b.size(), fs::path("h.ani")));
    EXPECT_EQ(info.GetAniInfo(dovex::ahSteps), -1); // stored 0xFFFFFFFF, read as signed
    EXPECT_EQ(info.StepCount(), -1);
}

// --- failures ---------------------------------------------------------------------------------------------

TEST(AniCurInfoErrors, MessagesAreExact) {
    EXPECT_EQ(Load(Riff(Chunk("rate", Table({1})))).error, kStructure);
    TAniCursorInfo info;
    try {
        info.LoadFromBytes("abcd", 4, fs::path("x.cur"));
        FAIL() << "no error";
    } catch (const EAniCursorViewError& e) {
        EXPECT_EQ(e.Message(), L"x.curはアニメーションカーソルファイルではありません。");
        EXPECT_STREQ(e.what(), "x.curはアニメーションカーソルファイルではありません。");
    }
}

TEST(AniCurInfoErrors, NotAnAnimatedCursor) {
    const Bytes cur = Bytes("\0\0\2\0\1\0\x20\x20\0\0\x10\0\x10\0", 14) + Bytes(300, '\x11'); // a static .cur
    for (const Bytes& b :
         {cur, Bytes(), Bytes("RIFF", 4), Bytes("RIFF\x04\0\0", 7), Riff(Anih(1, 1), "WAVE"),
          Chunk("RIFX", "ACON" + Anih(1, 1)), List("ACON", Anih(1, 1)), Chunk("RIFF", "AC")}) {
        const Outcome o = Load(b);
        EXPECT_FALSE(o.loaded);
        EXPECT_EQ(o.error, L"mem.aniはアニメーションカーソルファイルではありません。") << b.size();
    }
}

TEST(AniCurInfoErrors, MissingOrShortHeaderIsAStructureError) {
    EXPECT_EQ(Load(Riff(Info(Text("INAM", "T")) + Frames(8))).error, kStructure);
    // A 20-byte header followed by more bytes: the chunk, not the file, must hold 36 bytes.
    const Outcome shortHead =
        Load(Riff(Chunk("anih", Table({36, 1, 1, 0, 0})) + Chunk("rate", Table({1, 2, 3, 4}))));
    EXPECT_EQ(shortHead.error, kStructure);
    EXPECT_EQ(shortHead.title, "");
    const Outcome bigHead = Load(Riff(Chunk("anih", Table({36, 1, 2, 0, 0, 0, 0, 6, 1, 99}))));
    EXPECT_TRUE(bigHead.loaded);
    EXPECT_EQ(bigHead.total, 200);
}

// Files as real writers leave them: a last size a few bytes too large, bytes after the last chunk. The
// system's loader plays them, so the reader takes a size past the end as "up to the end" and a search
// that reaches the end as "not found".
TEST(AniCurInfoLenient, SizesPastTheEndAndTrailingBytesAreRead) {
    const Bytes body = Anih(2, 6) + Chunk("rate", Table({6, 12}));
    const std::uint32_t formSize = static_cast<std::uint32_t>(4 + body.size());
    const std::string twoSteps = "steps 2, total 300, rates 100 200";
    ExpectReads({
        {"form size a few bytes past the end", RawChunk("RIFF", formSize + 6, "ACON" + body), twoSteps},
        {"form size far past the end, the frames found before it",
         RawChunk("RIFF", 0xFFFFFFF0u, "ACON" + Anih(2, 6, 1) + Chunk("rate", Table({6, 12})) + Frames(8)),
         twoSteps},
        {"trailing zero bytes", Riff(body) + Bytes(16, '\0'), twoSteps},
        {"trailing bytes that look like a huge chunk", Riff(body) + RawChunk("JUNK", 0xFFFFFFF0u, "xxxx"),
         twoSteps},
        {"trailing text", Riff(body) + "written by some editor\r\n", twoSteps},
        {"unrelated chunk past the end after the form", Riff(Anih(2, 6)) + RawChunk("junk", 50, "xx"),
         "steps 2, total 200"},
        {"header chunk past the end holding all 36 bytes",
         Chunk("RIFF", "ACON" + Chunk("rate", Table({6, 6})) +
                           RawChunk("anih", 4000, Table({36, 1, 1, 0, 0, 0, 0, 6, 1}))),
         "steps 1, total 100, rates 100"},
        {"last rate chunk cut short: what is there counts, the rest is 0",
         Chunk("RIFF", "ACON" + Anih(3, 6) + RawChunk("rate", 12, Table({6, 12}))),
         "steps 3, total 300, rates 100 200 0"},
        {"sequence one byte past the end", Chunk("RIFF", "ACON" + Anih(1, 6) + RawChunk("seq ", 5, U32(7))),
         "steps 1, total 100, seq 7"},
        {"title chunk past its list: the list's end bounds it, no author after it",
         Riff(Chunk("LIST", "INFO" + RawChunk("INAM", 40, Bytes("T\0\0\0", 4))) + Text("IART", "A") +
              Anih(1, 6) + Bytes(64, 'p')),
         "steps 1, total 100, title T"},
        {"info list past the end of the file",
         Chunk("RIFF",
               "ACON" + Anih(1, 6) + RawChunk("LIST", 400, "INFO" + Text("INAM", "T") + Text("IART", "A"))),
         "steps 1, total 100, title T, author A"},
        {"author cut by the end of the file",
         Chunk("RIFF", "ACON" + Anih(1, 6) +
                           RawChunk("LIST", 400, "INFO" + Text("INAM", "T") + RawChunk("IART", 9, "Auth"))),
         "steps 1, total 100, title T, author Auth"},
    });
}

// Only the one required chunk can make a file unreadable: a header that is missing or cut short.
// A file with a frame the platform's loader would fall over is refused before it gets there; every frame
// is looked at, not only the first.
TEST(AniCurInfoErrors, FramesTheLoaderCannotSurviveAreStructureErrors) {
    for (const auto& c : FrameCases()) {
        SCOPED_TRACE(c.what);
        const Bytes good = Chunk("icon", IconImage());
        const Bytes frames = List("fram", good + Chunk("icon", c.frame) + good);
        const Outcome o = Load(Riff(Anih(3, 10) + frames));
        EXPECT_EQ(o.loaded, !c.refused);
        if (c.refused) {
            EXPECT_EQ(o.error, kStructure);
        }
    }
}

// The platform's loader walks a cursor by what its header and sizes promise, without checking: a file it
// would fall over, hang on or read past is a structure error, and the files next to those, which it
// plays, are read.
TEST(AniCurInfoErrors, FilesTheLoaderCannotSurviveAreStructureErrors) {
    for (const auto& c : LoaderCases()) {
        SCOPED_TRACE(c.what);
        const Outcome o = Load(c.file);
        EXPECT_EQ(o.loaded, !c.refused);
        if (c.refused) {
            EXPECT_EQ(o.error, kStructure);
        }
    }
}

// Damaged copies of the sample cursors: the reader takes each the same from memory and from a file, says
// either yes or one of its two errors, and meets both outcomes.
TEST(AniCurInfoErrors, MutatedSamplesReadAlikeFromMemoryAndFile) {
    const auto samples = anitest::SampleBytes();
    ASSERT_FALSE(samples.empty());
    anitest::TMutator mutator(0xD0E5A11Eu);
    int loaded = 0, refused = 0;
    for (int i = 0; i < 400; ++i) {
        const anitest::TMutant m = mutator.Mutate(samples[static_cast<std::size_t>(i) % samples.size()]);
        SCOPED_TRACE(m.what);
        const Outcome o = Load(m.bytes);
        if (o.loaded) {
            ++loaded;
        } else {
            ++refused;
            EXPECT_TRUE(o.error == kStructure ||
                        o.error == L"mem.aniはアニメーションカーソルファイルではありません。");
        }
    }
    EXPECT_GT(loaded, 40);
    EXPECT_GT(refused, 40);
}

TEST(AniCurInfoErrors, HeaderCutShortByTheEndOfTheFileIsAStructureError) {
    const Bytes cutHeads[] = {
        Chunk("RIFF", "ACON" + RawChunk("anih", 36, Table({36, 1, 1, 0, 0}))),
        Chunk("RIFF", "ACON" + RawChunk("anih", 0xFFFFFFF0u, Table({36, 1, 1}))),
        RawChunk("RIFF", 1000, "ACON" + Info(Text("INAM", "T")) + RawChunk("anih", 36, Table({36, 1}))),
        Chunk("RIFF", "ACON" + Chunk("rate", Table({6})) + RawChunk("anih", 36, "")),
    };
    for (const Bytes& b : cutHeads) {
        const Outcome o = Load(b);
        EXPECT_FALSE(o.loaded) << b.size();
        EXPECT_EQ(o.error, kStructure) << b.size();
        EXPECT_TRUE(o.rates.empty());
    }
    // The title before the cut header was read and stays, as after any failure.
    EXPECT_EQ(Load(cutHeads[2]).title, "T");
}

TEST(AniCurInfoErrors, FailedLoadKeepsWhatWasReadFromAClearedStart) {
    TAniCursorInfo info;
    const Bytes good = Riff(Info(Text("INAM", "Old") + Text("IART", "OldA")) + Anih(3, 6) +
                            Chunk("rate", Table({6, 6, 6})) + Chunk("seq ", Table({0, 0, 0})));
    ASSERT_TRUE(info.LoadFromBytes(good.data(), good.size(), fs::path("good.ani")));
    EXPECT_EQ(info.FileName(), fs::path("good.ani"));
    const Bytes bad = Chunk("RIFF", "ACON" + Info(Text("INAM", "New")) + Chunk("seq ", Table({1, 0})) +
                                        RawChunk("anih", 36, Table({36, 2, 2, 0})));
    EXPECT_THROW(info.LoadFromBytes(bad.data(), bad.size(), fs::path("bad.ani")), EAniCursorViewError);
    EXPECT_TRUE(info.FileName().empty());
    EXPECT_EQ(info.Title(), "New");
    EXPECT_EQ(info.Author(), "");
    EXPECT_EQ(info.StepCount(), 0);
    EXPECT_EQ(info.DefaultRate(), 0);
    for (int i = dovex::ahSize; i <= dovex::ahFlags; ++i)
        EXPECT_EQ(info.GetAniInfo(i), 0) << i;
    EXPECT_TRUE(info.Rates().empty());
    EXPECT_TRUE(info.Sequence().empty());
}

// --- files ------------------------------------------------------------------------------------------------

TEST(AniCurInfoFiles, MissingFileAfterSuccessClearsEverything) {
    TempDir dir;
    TAniCursorInfo info;
    const fs::path p = dir.File(Riff(Info(Text("INAM", "T") + Text("IART", "A")) + Anih(2, 6, 2, 3, 1, 1) +
                                     Chunk("rate", Table({6, 6})) + Chunk("seq ", Table({1, 0}))));
    ASSERT_TRUE(info.LoadFromFile(p));
    EXPECT_EQ(info.FileName(), p);
    EXPECT_EQ(info.TotalTime(), 200);
    EXPECT_FALSE(info.LoadFromFile(dir.Path() / "missing.ani"));
    EXPECT_TRUE(info.FileName().empty());
    EXPECT_EQ(info.Title(), "");
    EXPECT_EQ(info.Author(), "");
    EXPECT_EQ(info.StepCount(), 0);
    EXPECT_EQ(info.DefaultRate(), 0);
    EXPECT_TRUE(info.Rates().empty());
    EXPECT_TRUE(info.Sequence().empty());
    for (int i = dovex::ahSize; i <= dovex::ahFlags; ++i)
        EXPECT_EQ(info.GetAniInfo(i), 0) << i;
    EXPECT_EQ(info.TotalTime(), 0);
}

TEST(AniCurInfoFiles, DirectoryIsNoFile) {
    TempDir dir;
    TAniCursorInfo info;
    EXPECT_FALSE(info.LoadFromFile(dir.Path()));
    EXPECT_FALSE(info.LoadFromFile(fs::path()));
}

#ifdef _WIN32
TEST(AniCurInfoFiles, AFileHeldByAnotherProgramIsReportedWithTheSystemsCode) {
    TempDir dir;
    const fs::path p = dir.File(Riff(Anih(1, 6)));
    const HANDLE held = ::CreateFileW(p.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    TAniCursorInfo info;
    try {
        info.LoadFromFile(p);
        ADD_FAILURE() << "read a file opened without sharing";
    } catch (const EAniCursorViewError& e) {
        EXPECT_EQ(e.Message(),
                  L"ファイルの読み込みに失敗しました。(" + std::to_wstring(ERROR_SHARING_VIOLATION) + L")");
    }
    ::CloseHandle(held);
    EXPECT_TRUE(info.LoadFromFile(p));
}
#endif

TEST(AniCurInfoFiles, EmptyFileAndStaticCursorNameTheFile) {
    TempDir dir;
    TAniCursorInfo info;
    for (const char* name : {"empty.ani", "static.cur"}) {
        const fs::path p = dir.File(name[0] == 'e' ? Bytes() : Bytes("\0\0\2\0\1\0", 6), name);
        try {
            info.LoadFromFile(p);
            ADD_FAILURE() << name;
        } catch (const EAniCursorViewError& e) {
            EXPECT_EQ(e.Message(), p.wstring() + L"はアニメーションカーソルファイルではありません。");
        }
    }
}

TEST(AniCurInfoFiles, HeadsBeyondTheFirstKibibytesAreFound) {
    // Frame data of 10 KiB before everything else, a chunk head straddling 4 KiB and 8 KiB boundaries.
    TempDir dir;
    const Bytes lead = Frames(10000);
    for (std::size_t shift = 0; shift < 4096; shift += 342) {
        const Bytes file = Riff(Chunk("pad ", Bytes(shift, '\0')) + lead + Info(Text("INAM", "far")) +
                                Chunk("rate", Table({6, 12, 30})) + Anih(3, 1, 1) + Frames(5000));
        TAniCursorInfo info;
        ASSERT_TRUE(info.LoadFromFile(dir.File(file))) << shift;
        EXPECT_EQ(info.Title(), "far");
        EXPECT_EQ(info.TotalTime(), 800);
    }
}

TEST(AniCurInfoFiles, JapaneseFileName) {
    TempDir dir;
    TAniCursorInfo info;
    const fs::path p = dir.Path() / fs::path(u8"回る星.ani");
    WriteFile(p, Riff(Anih(1, 6)));
    ASSERT_TRUE(info.LoadFromFile(p));
    EXPECT_EQ(info.FileName(), p);
    const fs::path bad = dir.Path() / fs::path(u8"時計.cur");
    WriteFile(bad, "not riff");
    try {
        info.LoadFromFile(bad);
        FAIL();
    } catch (const EAniCursorViewError& e) {
        const std::wstring msg = e.Message();
        EXPECT_NE(msg.find(L"時計.curはアニメーション"), std::wstring::npos);
    }
}

TEST(AniCurInfoFiles, SharedInstanceIsOneObject) {
    EXPECT_EQ(&dovex::CursorInfo(), &dovex::CursorInfo());
    EXPECT_FALSE(dovex::CursorInfo().LoadFromFile(fs::path("no/such/file.ani")));
}

TEST(AniText, Utf8RoundTripAndReplacement) {
    const std::string s = "a\xC3\xA9\xE6\x99\x82\xF0\x9F\x98\x80";
    const std::wstring w = dovex::AniUtf8ToWide(s);
    EXPECT_EQ(dovex::AniWideToUtf8(w), s);
    EXPECT_EQ(dovex::AniUtf8ToWide("\xFF"
                                   "a\xE6\x99"),
              std::wstring(L"\uFFFD"
                           L"a\uFFFD\uFFFD"));
}
