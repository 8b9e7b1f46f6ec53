// The animated cursor view on a real window under the virtual desktop: loading real cursor files, the
// step timing of its playback thread, what it paints, and how it fails.
#include "anicursor/AniCursorView.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "anicursor/AniCursorLoad.h"
#include "tests/TestSupport.h"
#include "tests/anicursor/AniBuilder.h"
#include "tests/anicursor/WindowTestSupport.h"
#include "tools/host/Art.h"

using namespace std::chrono_literals;
using dovex::EAniCursorViewError;
using dovex::TAniCursorInfo;
using dovex::TAniCursorView;
using dovex::test::Capture;
using dovex::test::CountColour;
using dovex::test::Distance;
using dovex::test::DrawToPixels;
using dovex::test::PumpFor;
using dovex::test::PumpUntil;
using dovex::test::THostWindow;
using dovex::test::TPixels;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const std::wstring kStructure = L"ファイル構造にエラーがあるため読み込めませんでした。";

// Generated cursors in a folder of their own, removed afterwards.
class TCursorFiles {
public:
    TCursorFiles() {
        static std::atomic<int> counter{0};
        FDir = fs::temp_directory_path() / ("dovex_viewtest_" + std::to_string(::GetCurrentProcessId()) +
                                            "_" + std::to_string(counter++));
        fs::create_directories(FDir);
    }
    ~TCursorFiles() {
        std::error_code ec;
        fs::remove_all(FDir, ec);
    }

    // `steps` steps of a star spinning through its frames, 32 x 32.
    std::wstring Ani(const std::string& name, std::uint32_t steps, std::uint32_t jifRate,
                     std::optional<std::vector<std::uint32_t>> rates = std::nullopt) const {
        art::AniRecipe recipe;
        const art::Design& star = *art::FindDesign("star");
        for (std::uint32_t f = 0; f < steps; ++f)
            recipe.frames.push_back(art::DrawDesign(star, 32, static_cast<int>(f % star.frames)));
        recipe.steps = steps;
        recipe.jifRate = jifRate;
        recipe.rates = std::move(rates);
        return Save(name, art::WriteAniFile(recipe));
    }

    std::wstring Cur(const std::string& name) const {
        return Save(name, art::WriteIconFile({art::DrawDesign(*art::FindDesign("arrow"), 32, 0)}, true));
    }

    std::wstring Raw(const std::string& name, const anitest::Bytes& bytes) const {
        return Save(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }

    std::wstring Path(const std::string& name) const { return (FDir / name).wstring(); }

private:
    std::wstring Save(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        const fs::path p = FDir / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return p.wstring();
    }

    fs::path FDir;
};

struct TStepEvent {
    int step;
    double ms; // since the recorder started
};

// Every OnPositionChanged of a view, with the time it came.
class TRecorder {
public:
    explicit TRecorder(TAniCursorView& view) : FStart(Clock::now()) {
        view.OnPositionChanged = [this](TAniCursorView&, int step) {
            FEvents.push_back(
                {step, std::chrono::duration<double, std::milli>(Clock::now() - FStart).count()});
            if (OnStep)
                OnStep(step);
        };
    }
    void Restart() {
        FEvents.clear();
        FStart = Clock::now();
    }
    const std::vector<TStepEvent>& Events() const { return FEvents; }
    std::vector<int> Steps() const {
        std::vector<int> out;
        for (const auto& e : FEvents)
            out.push_back(e.step);
        return out;
    }
    bool WaitFor(size_t count, std::chrono::milliseconds limit) const {
        return PumpUntil([&] { return FEvents.size() >= count; }, limit);
    }
    std::function<void(int)> OnStep;

private:
    Clock::time_point FStart;
    std::vector<TStepEvent> FEvents;
};

double ProcessCpuMs() {
    FILETIME created, ended, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto ms = [](FILETIME t) {
        return double(static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

std::wstring ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EAniCursorViewError& e) {
        return e.Message();
    }
    return L"";
}

class AniCursorViewTest : public ::testing::Test {
protected:
    THostWindow FHost{40, 40, 200, 120};
    TAniCursorView FView{FHost.Handle(), 10, 10};
    TCursorFiles FFiles;

    // The step pictures of the loaded cursor, drawn as the view should show them at its size.
    std::vector<TPixels> StepPictures(int steps) const {
        std::vector<TPixels> out;
        const SIZE size = FView.Size();
        for (int s = 0; s < steps; ++s)
            out.push_back(DrawToPixels(size.cx, size.cy, [&](HDC dc) {
                RECT all{0, 0, size.cx, size.cy};
                const HBRUSH brush = ::CreateSolidBrush(FView.Color());
                ::FillRect(dc, &all, brush);
                ::DeleteObject(brush);
                ::DrawIconEx(dc, 0, 0, FView.CursorHandle(), size.cx, size.cy, UINT(s), nullptr, DI_NORMAL);
            }));
        return out;
    }

    // The step whose picture the view shows, or -1 when it matches none closely.
    int ShownStep(int steps) const {
        const TPixels shown = Capture(FView.Handle());
        const auto pictures = StepPictures(steps);
        int best = -1;
        long long bestDistance = 0;
        for (int s = 0; s < steps; ++s) {
            const long long d = Distance(shown, pictures[size_t(s)]);
            if (d >= 0 && (best < 0 || d < bestDistance)) {
                best = s;
                bestDistance = d;
            }
        }
        // Equal up to rounding of blended edges.
        return bestDistance <= shown.width * shown.height ? best : -1;
    }
};

// --- timing of a step --------------------------------------------------------------------------------

struct DurationCase {
    const char* name;
    anitest::Bytes file;
    dovex::TAnimationSpeed speed;
    std::vector<std::int64_t> expected; // per step
};

TEST(AniStepDurationTest, FollowsTheFileAndTheSpeed) {
    using namespace anitest;
    const Bytes header10 = Riff(Anih(4, 10));
    const Bytes rates = Riff(Anih(3, 10) + Chunk("rate", Table({6, 12, 30})));
    const Bytes zero = Riff(Anih(3, 0));
    const Bytes zeroRates = Riff(Anih(3, 10) + Chunk("rate", Table({0, 0, 0})));
    const Bytes shortRates = Riff(Anih(3, 10) + Chunk("rate", Table({6})));
    const DurationCase cases[] = {
        {"10 jiffies, speed 0", header10, 0, {166, 166, 166, 166}},
        {"speed 1", header10, 1, {166, 166, 166, 166}},
        {"speed -1", header10, -1, {166, 166, 166, 166}},
        {"speed 5 divides", header10, 5, {33, 33, 33, 33}},
        {"speed -2 multiplies", header10, -2, {332, 332, 332, 332}},
        {"speed 10", header10, 10, {16, 16, 16, 16}},
        {"speed -10", header10, -10, {1660, 1660, 1660, 1660}},
        {"rate chunk", rates, 0, {100, 200, 500}},
        {"rate chunk at speed 3", rates, 3, {33, 66, 166}},
        {"zero header rate is one jiffy", zero, 0, {16, 16, 16}},
        {"zero rates are one jiffy", zeroRates, 0, {16, 16, 16}},
        {"zero rate at speed 10 is still a millisecond", zeroRates, 10, {1, 1, 1}},
        {"missing entries of a short rate chunk", shortRates, 0, {100, 16, 16}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TAniCursorInfo info;
        ASSERT_TRUE(info.LoadFromBytes(c.file.data(), c.file.size(), L"t.ani"));
        std::vector<std::int64_t> got;
        for (int step = 0; step < int(c.expected.size()); ++step)
            got.push_back(dovex::AniStepDuration(info, step, c.speed));
        EXPECT_EQ(got, c.expected);
    }
}

TEST_F(AniCursorViewTest, PlaysEachStepForItsDurationAfterSpeed) {
    struct Case {
        dovex::TAnimationSpeed speed;
        double ms;
        size_t intervals;
    };
    const Case cases[] = {{0, 166, 4}, {5, 33, 8}, {-2, 332, 3}};
    FView.SetFilename(FFiles.Ani("ten.ani", 4, 10));
    TRecorder recorder(FView);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        FView.SetSpeed(c.speed);
        EXPECT_EQ(FView.StepDuration(0), std::int64_t(c.ms));
        recorder.Restart();
        FView.SetActive(true);
        ASSERT_TRUE(recorder.WaitFor(c.intervals + 1, 5s));
        FView.SetActive(false);
        std::vector<double> intervals;
        const auto& events = recorder.Events();
        for (size_t i = 1; i < events.size(); ++i)
            intervals.push_back(events[i].ms - events[i - 1].ms);
        std::sort(intervals.begin(), intervals.end());
        EXPECT_NEAR(intervals[intervals.size() / 2], c.ms, 12.0);
        // The first step is shown a whole duration after the start (later only by the thread's start-up).
        EXPECT_GE(events[0].ms, c.ms - 5.0);
        EXPECT_LE(events[0].ms, c.ms + 60.0);
    }
}

TEST_F(AniCursorViewTest, StepsForwardOrBackwardFromWhereItStands) {
    struct Case {
        bool reverse;
        int start;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {false, 0, {1, 2, 3, 0, 1}},
        {true, 0, {3, 2, 1, 0, 3}},
        {true, 2, {1, 0, 3, 2, 1}},
        {false, 3, {0, 1, 2, 3, 0}},
    };
    FView.SetFilename(FFiles.Ani("four.ani", 4, 10));
    FView.SetSpeed(2);
    TRecorder recorder(FView);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "reverse " << c.reverse << " from " << c.start);
        FView.SetPosition(c.start);
        FView.SetReverse(c.reverse);
        recorder.Restart();
        FView.SetActive(true);
        ASSERT_TRUE(recorder.WaitFor(c.expected.size(), 3s));
        FView.SetActive(false);
        auto steps = recorder.Steps();
        steps.resize(c.expected.size());
        EXPECT_EQ(steps, c.expected);
        EXPECT_EQ(FView.Position(), recorder.Steps().back());
    }
}

TEST_F(AniCursorViewTest, ReverseChangedWhilePlayingTurnsAtTheNextStep) {
    FView.SetFilename(FFiles.Ani("turn.ani", 4, 10));
    FView.SetSpeed(2);
    TRecorder recorder(FView);
    recorder.OnStep = [&](int step) {
        if (step == 2)
            FView.SetReverse(true);
    };
    FView.SetActive(true);
    ASSERT_TRUE(recorder.WaitFor(5, 3s));
    FView.SetActive(false);
    auto steps = recorder.Steps();
    steps.resize(5);
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 1, 0, 3}));
}

// --- position ----------------------------------------------------------------------------------------

TEST_F(AniCursorViewTest, PositionOutsideTheStepsIsIgnored) {
    FView.SetFilename(FFiles.Ani("four.ani", 4, 10));
    TRecorder recorder(FView);
    FView.SetActive(true);
    for (int bad : {4, -1, 1000}) {
        FView.SetPosition(bad);
        EXPECT_EQ(FView.Position(), 0) << bad;
    }
    EXPECT_TRUE(FView.Active());
    EXPECT_TRUE(recorder.Events().empty());
    FView.SetActive(false);
}

TEST_F(AniCursorViewTest, PositionWhilePlayingStopsShowsTheStepAndNotifies) {
    FView.SetFilename(FFiles.Ani("four.ani", 4, 10));
    TRecorder recorder(FView);
    FView.SetActive(true);
    ASSERT_TRUE(recorder.WaitFor(1, 2s));
    recorder.Restart();
    FView.SetPosition(3);
    EXPECT_FALSE(FView.Active());
    EXPECT_EQ(FView.Position(), 3);
    EXPECT_EQ(recorder.Steps(), std::vector<int>{3});
    EXPECT_EQ(ShownStep(4), 3);
    // Nothing of the stopped run arrives later.
    PumpFor(400ms);
    EXPECT_EQ(recorder.Steps(), std::vector<int>{3});
    EXPECT_EQ(ShownStep(4), 3);
}

TEST_F(AniCursorViewTest, ShowsEveryStepItReports) {
    FView.SetFilename(FFiles.Ani("four.ani", 4, 10));
    FView.SetBounds(10, 10, 64, 64);
    for (int step : {2, 0, 3, 1})
        FView.SetPosition(step);
    EXPECT_EQ(ShownStep(4), 1);
    TRecorder recorder(FView);
    std::vector<int> shown;
    recorder.OnStep = [&](int) { shown.push_back(ShownStep(4)); };
    FView.SetActive(true);
    ASSERT_TRUE(recorder.WaitFor(4, 3s));
    FView.SetActive(false);
    shown.resize(4);
    EXPECT_EQ(shown, (std::vector<int>{2, 3, 0, 1}));
}

// --- activity ----------------------------------------------------------------------------------------

TEST_F(AniCursorViewTest, ActiveNeedsALoadedCursor) {
    FView.SetActive(true);
    EXPECT_FALSE(FView.Active());
    FView.SetFilename(FFiles.Path("missing.ani"));
    FView.SetActive(true);
    EXPECT_FALSE(FView.Active());
    FView.SetFilename(FFiles.Ani("four.ani", 4, 10));
    FView.SetActive(true);
    EXPECT_TRUE(FView.Active());
    FView.SetFilename(L"");
    EXPECT_FALSE(FView.Active());
    EXPECT_EQ(FView.CursorHandle(), nullptr);
}

TEST_F(AniCursorViewTest, StoppingDoesNotWaitOutALongStep) {
    FView.SetFilename(FFiles.Ani("slow.ani", 2, 6000)); // 100 s a step
    FView.SetActive(true);
    PumpFor(50ms);
    const auto t0 = Clock::now();
    FView.SetActive(false);
    EXPECT_LT(Clock::now() - t0, 200ms);
    EXPECT_FALSE(FView.Active());
}

TEST_F(AniCursorViewTest, TheSameNameAgainLoadsNothing) {
    const std::wstring name = FFiles.Ani("four.ani", 4, 10);
    FView.SetFilename(name);
    const HCURSOR cursor = FView.CursorHandle();
    FView.SetPosition(2);
    FView.SetActive(true);
    FView.SetFilename(name);
    EXPECT_TRUE(FView.Active()); // a load would have stopped it
    EXPECT_EQ(FView.CursorHandle(), cursor);
    FView.SetActive(false);
}

TEST_F(AniCursorViewTest, AutoSizeKeepsTheSystemCursorSize) {
    const int cx = ::GetSystemMetrics(SM_CXCURSOR), cy = ::GetSystemMetrics(SM_CYCURSOR);
    EXPECT_EQ(FView.Size().cx, cx);
    EXPECT_TRUE(FView.SetBounds(10, 10, 64, 64));
    FView.SetAutoSize(true);
    EXPECT_EQ(FView.Size().cx, cx);
    EXPECT_EQ(FView.Size().cy, cy);
    EXPECT_FALSE(FView.SetBounds(20, 10, 50, cy));
    ::SetWindowPos(FView.Handle(), nullptr, 0, 0, 48, 48, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(FView.Size().cx, cx);
    RECT moved{};
    ::GetWindowRect(FView.Handle(), &moved);
    ::MapWindowPoints(nullptr, FHost.Handle(), reinterpret_cast<POINT*>(&moved), 1);
    EXPECT_EQ(moved.left, 20); // refused the size, not the move
    EXPECT_TRUE(FView.SetBounds(10, 10, cx, cy));
    FView.SetAutoSize(false);
    EXPECT_TRUE(FView.SetBounds(10, 10, 64, 64));
}

// --- keeping time ------------------------------------------------------------------------------------

TEST_F(AniCursorViewTest, ASlowStepDropsTheNextOneAndKeepsTheSchedule) {
    FView.SetFilename(FFiles.Ani("ten.ani", 8, 10));
    TRecorder recorder(FView);
    recorder.OnStep = [](int step) {
        if (step == 1)
            std::this_thread::sleep_for(250ms); // longer than the step after it lasts
    };
    FView.SetActive(true);
    ASSERT_TRUE(recorder.WaitFor(3, 3s));
    FView.SetActive(false);
    const auto& e = recorder.Events();
    EXPECT_EQ(e[0].step, 1);
    EXPECT_EQ(e[1].step, 3); // step 2 was dropped, unreported
    EXPECT_EQ(e[2].step, 4);
    EXPECT_NEAR(e[1].ms, 3 * 166, 40.0); // on the schedule it would have had anyway
    EXPECT_NEAR(e[2].ms - e[1].ms, 166, 25.0);
}

TEST_F(AniCursorViewTest, ZeroLengthStepsPlayWithoutSpinning) {
    struct Case {
        const char* name;
        std::wstring file;
    };
    const Case cases[] = {
        {"zero rates", FFiles.Ani("zero.ani", 4, 10, std::vector<std::uint32_t>{0, 0, 0, 0})},
        {"zero header rate", FFiles.Ani("zerohead.ani", 4, 0)},
        {"rate chunk shorter than the steps", FFiles.Ani("short.ani", 4, 10, std::vector<std::uint32_t>{0})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FView.SetFilename(c.file);
        ASSERT_NE(FView.CursorHandle(), nullptr);
        TRecorder recorder(FView);
        const double cpu0 = ProcessCpuMs();
        const auto t0 = Clock::now();
        FView.SetActive(true);
        PumpFor(1000ms);
        FView.SetActive(false);
        const double wall = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        const double cpu = ProcessCpuMs() - cpu0;
        // One jiffy a step: about 60 steps in the second, and the process mostly asleep.
        EXPECT_GT(recorder.Events().size(), 30u);
        EXPECT_LT(recorder.Events().size(), 70u);
        EXPECT_LT(cpu / wall, 0.15) << cpu << " ms of CPU in " << wall << " ms";
    }
}

// --- painting ----------------------------------------------------------------------------------------

TEST_F(AniCursorViewTest, PaintsItsColourOrWhatLiesBeneath) {
    FView.SetBounds(10, 10, 64, 64);
    FView.SetColor(RGB(200, 0, 0));
    const int all = 64 * 64;
    EXPECT_EQ(CountColour(Capture(FView.Handle()), RGB(200, 0, 0)), all); // empty: the colour only
    FView.SetTransparent(true);
    EXPECT_EQ(CountColour(Capture(FView.Handle()), THostWindow::kBackground), all);

    FView.SetFilename(FFiles.Ani("four.ani", 4, 10));
    const TPixels over = Capture(FView.Handle());
    const int beneath = CountColour(over, THostWindow::kBackground);
    EXPECT_GT(beneath, all / 10); // the cursor's clear parts show the host
    EXPECT_LT(beneath, all * 9 / 10);
    EXPECT_EQ(CountColour(over, RGB(200, 0, 0)), 0);

    FView.SetTransparent(false);
    const TPixels opaque = Capture(FView.Handle());
    EXPECT_EQ(CountColour(opaque, THostWindow::kBackground), 0);
    EXPECT_EQ(CountColour(opaque, RGB(200, 0, 0)), beneath); // the same clear parts, now in the colour
    EXPECT_EQ(ShownStep(4), 0);
}

TEST_F(AniCursorViewTest, StretchesTheStepToItsSize) {
    FView.SetFilename(FFiles.Ani("four.ani", 4, 10));
    for (int size : {32, 64, 48}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(FView.SetBounds(10, 10, size, size));
        FView.SetPosition(2);
        EXPECT_EQ(ShownStep(4), 2);
    }
}

// --- loading and failing -----------------------------------------------------------------------------

struct LoadCase {
    const char* name;
    std::function<std::wstring(const TCursorFiles&)> make;
    std::function<std::wstring(const std::wstring& file)> error; // empty: no error
};

TEST_F(AniCursorViewTest, FailedLoadsLeaveItEmptyWithTheName) {
    using namespace anitest;
    const LoadCase cases[] = {
        {"static cursor", [](const TCursorFiles& f) { return f.Cur("arrow.cur"); },
         [](const std::wstring& file) { return file + L"はアニメーションカーソルファイルではありません。"; }},
        {"not RIFF", [](const TCursorFiles& f) { return f.Raw("text.ani", "just some text"); },
         [](const std::wstring& file) { return file + L"はアニメーションカーソルファイルではありません。"; }},
        {"no anih",
         [](const TCursorFiles& f) { return f.Raw("noanih.ani", Riff(Chunk("rate", Table({1})))); },
         [](const std::wstring&) { return kStructure; }},
        {"short anih", [](const TCursorFiles& f) { return f.Raw("short.ani", Riff(Chunk("anih", U32(36)))); },
         [](const std::wstring&) { return kStructure; }},
        {"missing file", [](const TCursorFiles& f) { return f.Path("nothere.ani"); }, nullptr},
        {"missing folder", [](const TCursorFiles& f) { return f.Path("nofolder\\x.ani"); }, nullptr},
        {"a folder", [](const TCursorFiles& f) { return f.Path(""); }, nullptr},
        {"no frames the platform can use",
         [](const TCursorFiles& f) { return f.Raw("noframes.ani", Riff(Anih(4, 10))); }, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FView.SetFilename(FFiles.Ani("good.ani", 4, 10));
        FView.SetPosition(2);
        ASSERT_NE(FView.CursorHandle(), nullptr);
        const std::wstring file = c.make(FFiles);
        EXPECT_EQ(ErrorOf([&] { FView.SetFilename(file); }), c.error ? c.error(file) : L"");
        EXPECT_EQ(FView.Filename(), file);
        EXPECT_EQ(FView.CursorHandle(), nullptr);
        EXPECT_EQ(FView.Position(), 0);
        EXPECT_EQ(FView.GetAniInfo(dovex::ahSteps), 0); // never the previous file's header
        EXPECT_EQ(CountColour(Capture(FView.Handle()), FView.Color()), FView.Size().cx * FView.Size().cy);
        // The same name again does nothing; only a new assignment tries again.
        EXPECT_EQ(ErrorOf([&] { FView.SetFilename(file); }), L"");
        FView.SetFilename(L"");
        EXPECT_EQ(ErrorOf([&] { FView.SetFilename(file); }), c.error ? c.error(file) : L"");
    }
}

TEST_F(AniCursorViewTest, LoadsTheFileDescription) {
    FView.SetFilename(FFiles.Ani("rates.ani", 3, 10, std::vector<std::uint32_t>{6, 12, 30}));
    EXPECT_EQ(FView.GetAniInfo(dovex::ahSteps), 3);
    EXPECT_EQ(FView.GetAniInfo(dovex::ahJifRate), 10);
    EXPECT_EQ(FView.GetAniInfo(9), -1);
    EXPECT_EQ(FView.StepDuration(0), 100);
    EXPECT_EQ(FView.StepDuration(2), 500);
}

TEST_F(AniCursorViewTest, ACursorHandleThatCannotBeDestroyedIsAnInternalError) {
    const std::wstring first = FFiles.Ani("first.ani", 4, 10);
    FView.SetFilename(first);
    FView.SetActive(true);
    ASSERT_TRUE(::DestroyCursor(FView.CursorHandle())); // taken away behind the control's back
    EXPECT_EQ(ErrorOf([&] { FView.SetFilename(FFiles.Ani("second.ani", 4, 10)); }), L"Internal Error");
    EXPECT_EQ(FView.Filename(), first); // nothing else changed
    EXPECT_FALSE(FView.Active());
}

// A source over bytes in memory whose reads fail, as a broken disk's would, from one offset on.
class TFailingSource final : public dovex::TAniByteSource {
public:
    TFailingSource(anitest::Bytes bytes, std::uint64_t failAt) : FBytes(std::move(bytes)), FFailAt(failAt) {}
    std::uint64_t Size() const override { return FBytes.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* buf, std::size_t n) override {
        if (offset + n > FFailAt)
            throw dovex::EAniSourceReadError(ERROR_CRC);
        if (offset >= FBytes.size())
            return 0;
        n = std::min<std::size_t>(n, FBytes.size() - offset);
        std::memcpy(buf, FBytes.data() + offset, n);
        return n;
    }

private:
    anitest::Bytes FBytes;
    std::uint64_t FFailAt;
};

TEST(ReadAniCursorDataTest, ReadFailuresGiveTheViewsMessages) {
    using namespace anitest;
    const Bytes file = Riff(Info(Text("INAM", "Title")) + Anih(2, 10) + Chunk("rate", Table({6, 6})));
    const auto rateData = file.find("rate") + 8;
    struct Case {
        const char* name;
        std::uint64_t failAt;
        std::wstring error;
    };
    const Case cases[] = {
        {"searching the INFO list", 12, L"INFO"},
        {"reading the rate table", rateData, kStructure},
        {"nowhere", file.size(), L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TFailingSource source(file, c.failAt);
        TAniCursorInfo info;
        EXPECT_EQ(ErrorOf([&] { dovex::ReadAniCursorData(info, source, L"t.ani"); }), c.error);
    }
}

// --- lifetime ----------------------------------------------------------------------------------------

// Neither order of tearing down may hang or crash (the ctest time-out guards the hang).
TEST(AniCursorViewLifetimeTest, GoesAwayWhilePlaying) {
    TCursorFiles files;
    const std::wstring name = files.Ani("fast.ani", 4, 1);
    {
        THostWindow host(40, 40, 100, 100);
        auto view = std::make_unique<TAniCursorView>(host.Handle(), 0, 0);
        view->SetFilename(name);
        view->SetActive(true);
        PumpFor(100ms);
        view.reset(); // the object first
    }
    {
        THostWindow host(40, 40, 100, 100);
        TAniCursorView view(host.Handle(), 0, 0);
        view.SetFilename(name);
        view.SetActive(true);
        PumpFor(100ms);
        host.Destroy(); // the window first, with its parent
        EXPECT_EQ(view.Handle(), nullptr);
        EXPECT_FALSE(view.Active());
        PumpFor(100ms);
    }
}

} // namespace

namespace {

// One frame image of a single colour (0xAARRGGBB) and a hot spot of its own.
art::Image SolidImage(int side, std::uint32_t argb, int hotX, int hotY) {
    art::Image image;
    image.width = image.height = side;
    image.hotX = hotX;
    image.hotY = hotY;
    for (int i = 0; i < side * side; ++i)
        for (int k = 0; k < 4; ++k)
            image.bgra.push_back(static_cast<std::uint8_t>(argb >> (8 * k)));
    return image;
}

// A cursor of `frames` frames, each holding one image per size given: red at 32, green at 48, blue at 64.
std::wstring SizedAni(const TCursorFiles& files, const std::string& name, const std::vector<int>& sizes,
                      std::uint32_t frames) {
    const auto image = [](int side) {
        const std::uint32_t colour = side == 32 ? 0xFFFF0000u : side == 48 ? 0xFF00FF00u : 0xFF0000FFu;
        return SolidImage(side, colour, side == 48 ? 20 : side / 16, side == 48 ? 20 : side / 16);
    };
    art::AniRecipe recipe;
    for (std::uint32_t f = 0; f < frames; ++f) {
        recipe.frames.push_back(image(sizes[0]));
        auto& more = recipe.moreImages.emplace_back();
        for (std::size_t i = 1; i < sizes.size(); ++i)
            more.push_back(image(sizes[i]));
    }
    recipe.steps = frames;
    recipe.jifRate = 6;
    const auto bytes = art::WriteAniFile(recipe);
    const std::wstring path = files.Path(name);
    EXPECT_TRUE(art::SaveFile(std::filesystem::path(path).string(), bytes));
    return path;
}

struct TMadeCursor {
    int Width = 0, Height = 0, HotX = -1, HotY = -1;
    std::uint32_t Middle = 0; // the colour in the middle, 0xAARRGGBB
};

TMadeCursor Describe(HCURSOR cursor) {
    TMadeCursor made;
    ICONINFO info{};
    if (!cursor || !::GetIconInfo(cursor, &info))
        return made;
    const dovex::UniqueHBitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    ::GetObjectW(color.get(), sizeof(bm), &bm);
    made.Width = bm.bmWidth;
    made.Height = bm.bmHeight;
    made.HotX = static_cast<int>(info.xHotspot);
    made.HotY = static_cast<int>(info.yHotspot);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = bm.bmWidth;
    bi.bmiHeader.biHeight = -bm.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(bm.bmWidth) * bm.bmHeight);
    const HDC screen = ::GetDC(nullptr);
    if (::GetDIBits(screen, color.get(), 0, bm.bmHeight, pixels.data(), &bi, DIB_RGB_COLORS) == bm.bmHeight)
        made.Middle = pixels[static_cast<std::size_t>(bm.bmHeight / 2) * bm.bmWidth + bm.bmWidth / 2];
    ::ReleaseDC(nullptr, screen);
    return made;
}

} // namespace

// The image each frame gives for a pointer side: that size, else the nearest larger scaled down, else
// the largest scaled up; the hot spot follows. Red images are 32 pixels, green 48, blue 64.
TEST(AniCursorLoad, EachSideIsMadeOfTheBestImage) {
    TCursorFiles files;
    const std::wstring small = SizedAni(files, "small.ani", {32}, 3);
    const std::wstring multi = SizedAni(files, "multi.ani", {32, 48, 64}, 3);
    const std::wstring largeFirst = SizedAni(files, "largefirst.ani", {64, 32, 48}, 3);
    const struct {
        const std::wstring* File;
        int Side;
        TMadeCursor Expected;
    } cases[] = {
        {&small, 32, {32, 32, 2, 2, 0xFFFF0000u}},   {&small, 48, {48, 48, 3, 3, 0xFFFF0000u}},
        {&small, 64, {64, 64, 5, 5, 0xFFFF0000u}},   {&multi, 32, {32, 32, 2, 2, 0xFFFF0000u}},
        {&multi, 48, {48, 48, 20, 20, 0xFF00FF00u}}, {&multi, 40, {40, 40, 17, 17, 0xFF00FF00u}},
        {&multi, 64, {64, 64, 4, 4, 0xFF0000FFu}},   {&multi, 96, {96, 96, 6, 6, 0xFF0000FFu}},
        {&multi, 24, {24, 24, 1, 1, 0xFFFF0000u}},   {&largeFirst, 48, {48, 48, 20, 20, 0xFF00FF00u}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::filesystem::path(*c.File).filename().string() << " at " << c.Side);
        const dovex::UniqueHCursor cursor = dovex::LoadCursorAtSize(*c.File, c.Side);
        ASSERT_TRUE(cursor);
        const TMadeCursor made = Describe(cursor.get());
        EXPECT_EQ(made.Width, c.Expected.Width);
        EXPECT_EQ(made.Height, c.Expected.Height);
        EXPECT_EQ(made.HotX, c.Expected.HotX);
        EXPECT_EQ(made.HotY, c.Expected.HotY);
        EXPECT_EQ(made.Middle, c.Expected.Middle) << std::hex << made.Middle;
    }
}

// A made cursor is still animated, step for step; a file that is no cursor makes none.
TEST(AniCursorLoad, MadeCursorsKeepTheirStepsAndBadFilesMakeNone) {
    TCursorFiles files;
    const std::wstring small = SizedAni(files, "small.ani", {32}, 4);
    const dovex::UniqueHCursor cursor = dovex::LoadCursorAtSize(small, 48);
    ASSERT_TRUE(cursor);
    const HDC screen = ::GetDC(nullptr);
    const HDC dc = ::CreateCompatibleDC(screen);
    const dovex::UniqueHBitmap bitmap(::CreateCompatibleBitmap(screen, 48, 48));
    const HGDIOBJ old = ::SelectObject(dc, bitmap.get());
    EXPECT_TRUE(::DrawIconEx(dc, 0, 0, cursor.get(), 48, 48, 3, nullptr, DI_NORMAL)) << "the last step";
    EXPECT_FALSE(::DrawIconEx(dc, 0, 0, cursor.get(), 48, 48, 4, nullptr, DI_NORMAL)) << "past the last step";
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);

    EXPECT_FALSE(dovex::LoadCursorAtSize(files.Path("missing.ani"), 48));
    EXPECT_FALSE(dovex::LoadCursorAtSize(files.Raw("bad.ani", anitest::Riff(anitest::Anih(2, 6))), 48));
    EXPECT_FALSE(dovex::LoadCursorAtSize(files.Raw("text.ani", "not a cursor at all"), 48));
}
