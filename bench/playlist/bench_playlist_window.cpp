// Showing a large group in the playlist window: the time from selecting the group's node to the end of the
// list's first paint, and how many of the group's files were read for it, against a group of 100 items and
// against reading every file of the large group.
// Usage: bench_playlist_window [FOLDER] [COUNT]   (default: a temporary folder, 10000 files)
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchFiles.h"
#include "model/PlayListCtrls.h"
#include "model/RegistryEx.h"
#include "playlist/IconIndexThread.h"
#include "playlist/PlayList.h"
#include "playlist/PlayListIds.h"

namespace fs = std::filesystem;

namespace {

const std::wstring kBenchRoot = L"Software\\Vantoquil\\DovexBench";
const std::wstring kBenchPlaylist = kBenchRoot + L"\\Playlist";

struct TQuietHost : dovex::IPlayListHost {
    void PlayListDestroyed() override {}
    void GroupNameChanged(const std::wstring&, const std::wstring&) override {}
};

void WriteGroup(const std::wstring& name, const std::vector<fs::path>& files) {
    dovex::TRegistryEx reg;
    if (!reg.OpenKey(kBenchPlaylist + L"\\" + name, true))
        return;
    for (size_t i = 0; i < files.size(); ++i)
        reg.WriteStringSafe(std::to_wstring(i), files[i].wstring());
}

void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

int Examined(dovex::TCursorGroupCtrl& group) {
    int n = 0;
    for (int i = 0; i < group.Count(); ++i)
        n += group.TCursorGroupBase::GetItem(i).Status != dovex::isUnchecked;
    return n;
}

struct TShowResult {
    double Seconds = 1e9;
    int Examined = 0;
    size_t IconRequests = 0;
};

// A fresh window each round: it opens on the first group; the time is that of showing group `index`.
TShowResult ShowGroup(int index) {
    TShowResult best;
    for (int round = 0; round < 5; ++round) {
        TQuietHost host;
        auto form = std::make_unique<dovex::TfrmPlayList>(nullptr, host, kBenchPlaylist);
        form->Execute(dovex::IDA_LISTREPORT);
        form->Show();
        ::UpdateWindow(form->Handle());
        PumpMessages();
        const HWND tree = form->tvGroup();
        HTREEITEM node = TreeView_GetRoot(tree);
        for (int i = 0; i < index; ++i)
            node = TreeView_GetNextSibling(tree, node);
        const auto t0 = std::chrono::steady_clock::now();
        TreeView_SelectItem(tree, node);
        ::UpdateWindow(form->lvGroupList());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (seconds < best.Seconds)
            best = {seconds, Examined(*form->ShownGroup()), form->IconThread().PendingCount()};
        PumpMessages();
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    // Windows of a program in Wine's virtual desktop end at once; elsewhere they wait for the X server.
    wchar_t desktop[64] = {};
    if (::GetEnvironmentVariableW(L"DOVEX_DESKTOP", desktop, 64))
        if (HDESK d = ::OpenDesktopW(desktop, 0, FALSE, GENERIC_ALL))
            ::SetThreadDesktop(d);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);

    const fs::path dir =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "dovex_bench_playlist_window";
    const int count = argc > 2 ? std::max(10, std::atoi(argv[2])) : 10000;
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
    }
    // Registry order: the empty group first, so a new window shows it; then the baseline of 100 items (it
    // has a scroll bar too) and the large group.
    constexpr int kBaseline = 100;
    WriteGroup(L"A empty", {});
    WriteGroup(L"B baseline", std::vector<fs::path>(files.begin(), files.begin() + kBaseline));
    WriteGroup(L"C large", files);
    for (const auto& f : files) // the file cache warm, as for a group shown before
        (void)fs::file_size(f);

    const TShowResult small = ShowGroup(1);
    const TShowResult large = ShowGroup(2);
    const double everything = dovex::bench::BestOfFive([&] {
        auto group = dovex::TCursorGroupCtrl::Create(L"C large", kBenchPlaylist);
        for (int i = 0; i < group->Count(); ++i)
            (void)group->Items(i);
    });
    {
        dovex::TRegistryEx reg;
        reg.DeleteKey(kBenchRoot);
    }

    std::printf("showing a group (best of 5, selection to the end of the list's first paint):\n");
    std::printf("  %d items:     %8.2f ms, files read %5d, icon look-ups queued %5zu\n", kBaseline,
                small.Seconds * 1e3, small.Examined, small.IconRequests);
    std::printf("  %d items:   %8.2f ms, files read %5d, icon look-ups queued %5zu\n", count,
                large.Seconds * 1e3, large.Examined, large.IconRequests);
    std::printf("  ratio large / small: %.2f\n", large.Seconds / small.Seconds);
    std::printf("reading every file of the large group: %8.1f ms (ratio to showing it: %.0f)\n",
                everything * 1e3, everything / large.Seconds);
    const bool ok = large.Seconds < 0.1 && large.Examined < 100;
    std::printf("goal (first paint under 100 ms, fewer than 100 files read): %s\n", ok ? "met" : "NOT met");
    return ok ? 0 : 1;
}
