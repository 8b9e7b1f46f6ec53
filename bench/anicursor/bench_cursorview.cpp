// Measures, on a real 64 x 64 view in a window of this process:
//  1. how long each step of the view's playback stays on screen against the file's own step time (mean
//     and worst error, dropped steps, drift of the whole run);
//  2. the process CPU time per second of playback.
// Baselines in the same run: the idle process (only pumping messages), a player that times each step
// from its own wake-up (so every late wake-up adds up), and a player that busy-waits for each step.
// Usage (under Wine): bench_cursorview [STEPS]   (default 300 steps per measurement)
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "anicursor/AniCursorView.h"
#include "tools/host/Art.h"

using namespace dovex;
namespace fs = std::filesystem;

namespace {

// Posted to the thread by the baseline players: wParam = the step to show.
constexpr UINT WM_BENCHSTEP = WM_APP + 1;

double Now() {
    LARGE_INTEGER t, f;
    ::QueryPerformanceCounter(&t);
    ::QueryPerformanceFrequency(&f);
    return double(t.QuadPart) * 1000.0 / double(f.QuadPart);
}

double ProcessCpuMs() {
    FILETIME created, ended, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto ms = [](FILETIME t) {
        return double(static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

std::wstring WriteCursor(const fs::path& dir, const std::string& name, std::uint32_t jifRate,
                         std::optional<std::vector<std::uint32_t>> rates) {
    art::AniRecipe recipe;
    const art::Design& ball = *art::FindDesign("ball");
    for (int f = 0; f < ball.frames; ++f)
        recipe.frames.push_back(art::DrawDesign(ball, 32, f));
    recipe.steps = static_cast<std::uint32_t>(ball.frames);
    recipe.jifRate = jifRate;
    recipe.rates = std::move(rates);
    art::SaveFile((dir / name).string(), art::WriteAniFile(recipe));
    return (dir / name).wstring();
}

struct Result {
    size_t steps = 0, dropped = 0;
    double meanError = 0, meanAbsError = 0, worstError = 0, drift = 0, cpuPerSecond = 0;
};

class Bench {
public:
    Bench() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = ::DefWindowProcW;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = L"DovexBenchHost";
        ::RegisterClassExW(&wc);
        FHost = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"DovexBenchHost", L"bench",
                                  WS_POPUP | WS_VISIBLE, 100, 100, 84, 84, nullptr, nullptr, wc.hInstance,
                                  nullptr);
        FView = std::make_unique<TAniCursorView>(FHost, 10, 10);
        FView->SetBounds(10, 10, 64, 64);
        FView->SetColor(RGB(0, 0, 0));
        FView->OnPositionChanged = [this](TAniCursorView&, int step) { FEvents.push_back({step, Now()}); };
        FAck = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
        FStop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~Bench() {
        FView.reset();
        ::DestroyWindow(FHost);
        ::CloseHandle(FAck);
        ::CloseHandle(FStop);
    }

    void Load(const std::wstring& file, TAnimationSpeed speed) {
        FView->SetFilename(file);
        FView->SetSpeed(speed);
        FView->SetPosition(0);
    }

    // Idle: nothing plays, the process only waits for messages.
    Result Idle(double ms) {
        return Run([] {}, [] {}, ms, 0);
    }

    Result View(size_t steps) {
        return Run([this] { FView->SetActive(true); }, [this] { FView->SetActive(false); }, 0, steps);
    }

    // A player of the usual design: each wait starts when the thread wakes, so late wake-ups add up.
    Result Relative(size_t steps) {
        return Baseline(steps, [this](int step, double) {
            return ::WaitForSingleObject(FStop, static_cast<DWORD>(FView->StepDuration(step))) ==
                   WAIT_TIMEOUT;
        });
    }

    // A player that spins on the counter until each step is due.
    Result Spinning(size_t steps) {
        return Baseline(steps, [this](int step, double shown) {
            const double due = shown + double(FView->StepDuration(step));
            while (Now() < due)
                if (::WaitForSingleObject(FStop, 0) != WAIT_TIMEOUT)
                    return false;
            return true;
        });
    }

private:
    struct Event {
        int step;
        double at;
    };

    // `wait(step, shown)` waits out `step`, shown since `shown`; false ends the player.
    Result Baseline(size_t steps, const std::function<bool(int, double)>& wait) {
        std::thread player;
        return Run(
            [&] {
                ::ResetEvent(FStop);
                const DWORD ui = ::GetCurrentThreadId();
                player = std::thread([this, ui, wait] {
                    int step = FView->Position();
                    double shown = Now();
                    while (wait(step, shown)) {
                        shown = Now();
                        step = FView->NextStep(step);
                        ::PostThreadMessageW(ui, WM_BENCHSTEP, static_cast<WPARAM>(step), 0);
                        const HANDLE events[] = {FStop, FAck};
                        if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
                            return;
                    }
                });
            },
            [&] {
                ::SetEvent(FStop);
                player.join();
            },
            0, steps);
    }

    Result Run(const std::function<void()>& start, const std::function<void()>& stop, double ms,
               size_t steps) {
        FEvents.clear();
        const double cpu0 = ProcessCpuMs(), t0 = Now();
        start();
        while ((steps && FEvents.size() < steps + 1) || (!steps && Now() - t0 < ms)) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_BENCHSTEP && !msg.hwnd) {
                    FView->SetPosition(static_cast<int>(msg.wParam)); // paints and reports like playback
                    ::SetEvent(FAck);
                    continue;
                }
                ::DispatchMessageW(&msg);
            }
        }
        stop();
        Result r;
        r.cpuPerSecond = (ProcessCpuMs() - cpu0) * 1000.0 / (Now() - t0);
        if (FEvents.size() < 2)
            return r;
        double sum = 0, sumAbs = 0, due = 0;
        for (size_t i = 1; i < FEvents.size(); ++i) {
            // What the file says: the duration of the step shown, plus any dropped after it.
            int step = FEvents[i - 1].step;
            double expected = double(FView->StepDuration(step));
            while ((step = FView->NextStep(step)) != FEvents[i].step) {
                expected += double(FView->StepDuration(step));
                ++r.dropped;
            }
            const double error = FEvents[i].at - FEvents[i - 1].at - expected;
            sum += error;
            sumAbs += std::fabs(error);
            r.worstError = std::max(r.worstError, std::fabs(error));
            due += expected;
        }
        r.steps = FEvents.size() - 1;
        r.meanError = sum / double(r.steps);
        r.meanAbsError = sumAbs / double(r.steps);
        r.drift = FEvents.back().at - FEvents.front().at - due;
        return r;
    }

    HWND FHost = nullptr;
    std::unique_ptr<TAniCursorView> FView;
    std::vector<Event> FEvents;
    HANDLE FAck = nullptr;
    HANDLE FStop = nullptr;
};

void Print(const char* label, const Result& r, const Result& idle) {
    std::printf(
        "%-34s steps %4zu  dropped %3zu  mean error %+6.2f ms  mean |error| %5.2f ms  worst %6.2f ms  "
        "drift %+8.1f ms  CPU %6.1f ms/s (x%.1f idle)\n",
        label, r.steps, r.dropped, r.meanError, r.meanAbsError, r.worstError, r.drift, r.cpuPerSecond,
        r.cpuPerSecond / std::max(idle.cpuPerSecond, 0.1));
}

} // namespace

int main(int argc, char** argv) {
    const size_t steps = argc > 1 ? static_cast<size_t>(std::max(10, std::atoi(argv[1]))) : 300;
    if (wchar_t name[128] = {}; ::GetEnvironmentVariableW(L"DOVEX_DESKTOP", name, 128))
        if (HDESK desk = ::OpenDesktopW(name, 0, FALSE, GENERIC_ALL))
            ::SetThreadDesktop(desk);
    const fs::path dir = fs::temp_directory_path() / "dovex_bench_view";
    fs::create_directories(dir);
    const std::wstring steady = WriteCursor(dir, "steady.ani", 2, std::nullopt); // 33 ms a step
    const std::wstring varied =
        WriteCursor(dir, "varied.ani", 6, std::vector<std::uint32_t>{8, 5, 3, 2, 2, 2, 2, 3, 5, 8});

    Bench bench;
    const Result idle = bench.Idle(3000);
    std::printf("idle process (pumping only)        CPU %6.1f ms/s\n", idle.cpuPerSecond);
    bench.Load(steady, 0);
    Print("view, 33 ms steps", bench.View(steps), idle);
    Print("  baseline: relative waits", bench.Relative(steps), idle);
    Print("  baseline: busy waiting", bench.Spinning(steps), idle);
    bench.Load(varied, 0);
    Print("view, 33..133 ms steps", bench.View(steps), idle);
    bench.Load(varied, 5);
    Print("view, same at speed 5 (6..26 ms)", bench.View(steps), idle);
    bench.Load(L"", 0);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
