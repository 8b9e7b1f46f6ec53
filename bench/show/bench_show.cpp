// Measures, on the real main window in this process:
//  1. how long each item of a long show stays, against how long it should (count and time modes), with
//     the pointer at the system's size (32 pixels at 96 DPI) and at the largest common size (128 pixels);
//  2. main-thread time per WM_SAVERMOUSE (a move that is not activity) against an empty message;
//  3. the main thread's wake-ups while waiting, with the hook and with polling;
//  4. how soon a move ends a show, reported by the hook and found by the pointer check alone (the hook's
//     reports dropped), and the cost of that check per second of show.
// It uses the program's own registry key: run it only where Dovex is not in use.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "model/HookTypes.h"
#include "anicursor/AniCursorLoad.h"
#include "app/Main.h"
#include "app/Messages.h"
#include "model/PlayListCtrls.h"

using namespace dovex;
using Clock = std::chrono::steady_clock;

namespace {

std::wstring Sample(const char* file) {
    std::wstring path = L"Z:";
    for (const char* p = DOVEX_SAMPLES_DIR; *p; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    path += L'\\';
    for (const char* p = file; *p; ++p)
        path += static_cast<wchar_t>(*p);
    return path;
}

// Windows and hooks work on the desktop that gets the input: the project's virtual desktop under Wine.
void JoinDesktop() {
    wchar_t name[128] = {};
    if (::GetEnvironmentVariableW(L"DOVEX_DESKTOP", name, 128))
        if (HDESK desk = ::OpenDesktopW(name, 0, FALSE, GENERIC_ALL))
            ::SetThreadDesktop(desk);
}

void SetDword(const wchar_t* key, const wchar_t* name, DWORD value) {
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_DWORD, &value, sizeof(value));
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Plays a show of the given group settings for `seconds` and reports each item's stay against its due.
void MeasureShow(const char* label, DWORD mode, DWORD nums, DWORD time, double seconds) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kDovexKey);
    SetDword(kSettingsKey, L"WaitTime", 100);
    SetDword(kSettingsKey, L"TrayAnimation", 0);
    const std::wstring group = std::wstring(kPlaylistKey) + L"\\Bench";
    SetDword(group.c_str(), L"SaverMode", mode);
    SetDword(group.c_str(), L"SaverPlayNums", nums);
    SetDword(group.c_str(), L"SaverPlayTime", time);
    const char* files[] = {"star32.ani", "ball32.ani", "clock32.ani", "heart32.ani", "moon32.ani"};
    for (int i = 0; i < 5; ++i) {
        const std::wstring path = Sample(files[i]);
        ::RegSetKeyValueW(HKEY_CURRENT_USER, group.c_str(), std::to_wstring(i).c_str(), REG_SZ, path.c_str(),
                          static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    }
    TfrmDovexMain form;
    std::vector<double> errors;
    std::wstring shown;
    Clock::time_point since{};
    double due = 0;
    const auto end = Clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    while (Clock::now() < end) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        Pump();
        if (!form.SaverShowing())
            continue;
        const std::wstring& current = form.SaverData().CurrentFile;
        if (current == shown)
            continue;
        const auto now = Clock::now();
        if (!shown.empty()) {
            const double stayed = std::chrono::duration<double, std::milli>(now - since).count();
            errors.push_back(stayed - due);
        }
        shown = current;
        since = now;
        // What the item should take: its cycles (count mode) or the group's time, plus the blank gap.
        const TCursorItem& item = form.GroupManager().Items(form.SaverData().Index);
        due = (mode == 0 ? double(item.PlayTime) * std::max<DWORD>(nums, 1) : double(time)) +
              form.SaverProperty().DisplayInterval;
    }
    if (errors.empty()) {
        std::printf("%-28s no item changes seen\n", label);
        return;
    }
    double sum = 0, worst = 0;
    for (double e : errors) {
        sum += e;
        worst = std::max(worst, std::fabs(e));
    }
    std::printf("%-28s items %3zu  mean error %+7.2f ms  worst |error| %7.2f ms\n", label, errors.size(),
                sum / errors.size(), worst);
}

// Main-thread time for a batch of posted messages, handled by the real window procedure.
double TimePosted(HWND hwnd, UINT msg, WPARAM wParam, int count, LPARAM lParam = 0) {
    Pump();
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        ::PostMessageW(hwnd, msg, wParam, lParam);
        if ((i & 1023) == 1023)
            Pump(); // keep well below the queue's limit
    }
    Pump();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void MeasureActivityCost() {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kDovexKey);
    SetDword(kSettingsKey, L"WaitTime", 600000);
    TfrmDovexMain form;
    Pump();
    const int count = 100000;
    const double empty = TimePosted(form.Handle(), WM_NULL, 0, count);
    // A move report carries the pointer's position, as the hook library sends it: here, where it is.
    POINT pointer{};
    ::GetCursorPos(&pointer);
    const double moves =
        TimePosted(form.Handle(), WM_SAVERMOUSE, WM_MOUSEMOVE, count, MAKELPARAM(pointer.x, pointer.y));
    const double clicks = TimePosted(form.Handle(), WM_SAVERMOUSE, WM_LBUTTONDOWN, count);
    std::printf("%d posted messages: empty %.3f us each; WM_SAVERMOUSE move (no change) %.3f us (x%.2f); "
                "click (restarts the wait) %.3f us (x%.2f)\n",
                count, empty / count, moves / count, moves / empty, clicks / count, clicks / empty);
}

// Dispatches this thread's messages for `ms`, dropping the hook's reports when `blind`; counts the
// messages that reached the main window.
int PumpFor(HWND form, int ms, bool blind = false) {
    int count = 0;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == form)
                ++count;
            if (blind && msg.message == WM_SAVERMOUSE)
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return count;
}

void PrepareGroup(DWORD waitTime) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kDovexKey);
    SetDword(kSettingsKey, L"WaitTime", waitTime);
    SetDword(kSettingsKey, L"TrayAnimation", 0);
    const std::wstring group = std::wstring(kPlaylistKey) + L"\\Bench";
    SetDword(group.c_str(), L"SaverMode", 1);
    SetDword(group.c_str(), L"SaverPlayTime", 60000);
    const std::wstring path = Sample("star32.ani");
    ::RegSetKeyValueW(HKEY_CURRENT_USER, group.c_str(), L"0", REG_SZ, path.c_str(),
                      static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
}

void MeasureWaitingWakeUps() {
    PrepareGroup(600000);
    TfrmDovexMain form;
    PumpFor(form.Handle(), 300); // the resume after start-up
    const int hook = form.MouseHook().Installed() ? PumpFor(form.Handle(), 3000) : -1;
    const auto polling = [&] {
        // The program alone, as when Dovex.dll is missing: the same window polls.
        return form.CursorCheckTimer().Enabled() ? PumpFor(form.Handle(), 3000) : -1;
    };
    if (hook < 0)
        std::printf("waiting 3 s: no hook library here (polling %d messages)\n", polling());
    else
        std::printf("waiting 3 s with the hook: %d messages to the main window (polling takes about 30)\n",
                    hook);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A move during a show, `rounds` times: by real input (the hook reports it) or, blind, by moving the
// pointer with its reports dropped (the pointer check finds it).
void MeasureEndAfterMove(bool blind, int rounds) {
    PrepareGroup(150);
    TfrmDovexMain form;
    std::vector<double> ends;
    POINT start{};
    ::GetCursorPos(&start);
    for (int i = 0; i < rounds; ++i) {
        const auto limit = Clock::now() + std::chrono::seconds(3);
        while (!form.SaverShowing() && Clock::now() < limit)
            PumpFor(form.Handle(), 5, blind);
        if (!form.SaverShowing())
            break;
        const int x = start.x + (i % 2 ? 7 : -7), y = start.y;
        const auto moved = Clock::now();
        if (blind) {
            ::SetCursorPos(x, y);
        } else {
            std::thread([x, y] {
                JoinDesktop();
                INPUT in{};
                in.type = INPUT_MOUSE;
                in.mi.dx = x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
                in.mi.dy = y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
                in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
                ::SendInput(1, &in, sizeof(in));
            }).join();
        }
        while (form.SaverShowing() && Clock::now() - moved < std::chrono::seconds(2))
            PumpFor(form.Handle(), 1, blind);
        ends.push_back(std::chrono::duration<double, std::milli>(Clock::now() - moved).count());
    }
    if (ends.empty()) {
        std::printf("%-34s no show started\n",
                    blind ? "end after a move, hook blind:" : "end after a move, hook:");
        return;
    }
    std::printf("%-34s %2zu moves  median %6.1f ms  worst %6.1f ms%s\n",
                blind ? "end after a move, hook blind:" : "end after a move, hook:", ends.size(),
                Median(ends), *std::max_element(ends.begin(), ends.end()),
                !blind && !form.MouseHook().Installed() ? "  (no hook library: polling)" : "");
}

// The pointer check costs one WM_TIMER each 50 ms of show: its time, against an empty message, as main-
// thread CPU per second of show.
void MeasureShowCheckCost() {
    PrepareGroup(100);
    TfrmDovexMain form;
    const auto limit = Clock::now() + std::chrono::seconds(3);
    while (!form.SaverShowing() && Clock::now() < limit)
        PumpFor(form.Handle(), 5);
    if (!form.ShowCheckTimer().Enabled()) {
        std::printf("pointer check: no show started\n");
        return;
    }
    const int count = 100000;
    const double empty = TimePosted(form.Handle(), WM_NULL, 0, count);
    const double checks = TimePosted(form.Handle(), WM_TIMER, form.ShowCheckTimer().Id(), count);
    const double perSecond = 1000.0 / form.ShowCheckTimer().Interval();
    std::printf("pointer check during a show: %.3f us each (empty message %.3f us, x%.2f); %.0f a second "
                "= %.3f ms CPU per second of show (without it: %.3f ms)\n",
                checks / count, empty / count, checks / empty, perSecond, checks / count * perSecond / 1000,
                empty / count * perSecond / 1000);
}

// Main-thread time to make one show cursor, as the engine does ahead of each item: at the file's own
// image sizes, scaled from the nearest larger one, and at 128 px; beside the platform's own load.
void MeasureCursorLoads() {
    const char* files[] = {"star32.ani", "ball32.ani", "clock32.ani", "heart32.ani", "moon32.ani"};
    const auto time = [&](const auto& load) {
        constexpr int kRounds = 4;
        const auto start = Clock::now();
        for (int round = 0; round < kRounds; ++round)
            for (const char* file : files)
                load(Sample(file));
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / (kRounds * 5);
    };
    const auto atSide = [&](int side) {
        return time([&](const std::wstring& f) { LoadCursorAtSize(f, side); });
    };
    const double platform = time([](const std::wstring& f) {
        ::DestroyCursor(
            static_cast<HCURSOR>(::LoadImageW(nullptr, f.c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE)));
    });
    std::printf("one show cursor made: 32 px %.2f ms, 40 px (scaled) %.2f ms, 128 px %.2f ms; the platform's "
                "load at the file's first size %.2f ms\n",
                atSide(32), atSide(40), atSide(128), platform);
}

// The user's pointer size setting for the measures of one size; the setting from before afterwards.
class TPointerSize {
public:
    explicit TPointerSize(DWORD side) {
        DWORD size = sizeof(FOld);
        FHad = ::RegGetValueW(HKEY_CURRENT_USER, kKey, kName, RRF_RT_REG_DWORD, nullptr, &FOld, &size) ==
               ERROR_SUCCESS;
        SetDword(kKey, kName, side);
    }
    ~TPointerSize() {
        if (FHad)
            SetDword(kKey, kName, FOld);
        else
            ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kName);
    }

private:
    static constexpr const wchar_t* kKey = L"Control Panel\\Cursors";
    static constexpr const wchar_t* kName = L"CursorBaseSize";
    DWORD FOld = 0;
    bool FHad = false;
};

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    JoinDesktop();
    MeasureShow("time mode, 500 ms each", 1, 1, 500, seconds);
    MeasureShow("count mode, 2 cycles each", 0, 2, 1000, seconds);
    {
        const TPointerSize large(128);
        MeasureShow("time mode, 500 ms, 128 px", 1, 1, 500, seconds);
        MeasureShow("count mode, 2 cycles, 128 px", 0, 2, 1000, seconds);
    }
    MeasureCursorLoads();
    MeasureActivityCost();
    MeasureWaitingWakeUps();
    MeasureEndAfterMove(false, 15);
    MeasureEndAfterMove(true, 15);
    MeasureShowCheckCost();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kDovexKey);
    return 0;
}
