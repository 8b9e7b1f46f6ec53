// The icon thread: its queue, its order, its lock and its end, with the shell's real answers.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "model/PlayListCtrls.h"
#include "playlist/IconIndexThread.h"
#include "playlist/PlayListIds.h"

using namespace dovex;
using namespace std::chrono_literals;

namespace {

// Holds every look-up until opened, and records the names in the order they were asked for.
class TGatedLookup {
public:
    int operator()(const std::wstring& name) {
        std::unique_lock lock(FLock);
        FNames.push_back(name);
        FChanged.notify_all();
        FChanged.wait(lock, [&] { return FOpen; });
        lock.unlock();
        return FAnswer ? FAnswer(name) : 7;
    }
    void Open() {
        std::lock_guard lock(FLock);
        FOpen = true;
        FChanged.notify_all();
    }
    bool WaitForCalls(size_t n) {
        std::unique_lock lock(FLock);
        return FChanged.wait_for(lock, 5s, [&] { return FNames.size() >= n; });
    }
    std::vector<std::wstring> Names() {
        std::lock_guard lock(FLock);
        return FNames;
    }
    TIconIndexThread::TLookup Bind() {
        return [this](const std::wstring& name) { return (*this)(name); };
    }
    std::function<int(const std::wstring&)> FAnswer;

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    std::vector<std::wstring> FNames;
    bool FOpen = false;
};

struct TAnswer {
    int Index;
    LPARAM Item;
};

class IconThread : public ::testing::Test {
protected:
    void SetUp() override {
        FReceiver =
            ::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_TRUE(FReceiver);
    }
    void TearDown() override { ::DestroyWindow(FReceiver); }

    // The answers posted to the receiver until `count` have come or the time is up.
    std::vector<TAnswer> Answers(size_t count, std::chrono::milliseconds limit = 5000ms) {
        std::vector<TAnswer> answers;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (answers.size() < count && std::chrono::steady_clock::now() < end) {
            MSG msg;
            while (::PeekMessageW(&msg, FReceiver, WM_ICONINDEX, WM_ICONINDEX, PM_REMOVE))
                answers.push_back({static_cast<int>(static_cast<INT_PTR>(msg.wParam)), msg.lParam});
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE);
        }
        return answers;
    }

    HWND FReceiver = nullptr;
    TGatedLookup FGate;
};

LPARAM Tag(const TCursorItem& item) {
    return reinterpret_cast<LPARAM>(&item);
}

std::wstring SamplesDir() {
    return std::filesystem::path(L"Z:" + std::filesystem::path(DOVEX_SAMPLES_DIR).wstring())
        .make_preferred()
        .wstring();
}

} // namespace

TEST_F(IconThread, NamesThatDifferOnlyInLetterCaseAreQueuedOnce) {
    TIconIndexThread thread(FReceiver, FGate.Bind());
    TCursorItem busy(L"busy", nullptr), a(L"a", nullptr), b(L"b", nullptr);
    thread.Request(L"C:\\busy.ani", &busy);
    ASSERT_TRUE(FGate.WaitForCalls(1));
    struct {
        const wchar_t* Name;
        const TCursorItem* Item;
    } const requests[] = {
        {L"C:\\Cursors\\Star.ani", &a},
        {L"c:\\cursors\\STAR.ANI", &b},
        {L"C:\\Cursors\\Star.ani", &a},
        {L"C:\\Cursors\\Moon.ani", &b},
    };
    for (const auto& r : requests)
        thread.Request(r.Name, r.Item);
    EXPECT_EQ(thread.PendingCount(), 2u);
    FGate.Open();
    const auto answers = Answers(3);
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(FGate.Names(), (std::vector<std::wstring>{L"C:\\busy.ani", L"C:\\Cursors\\Star.ani",
                                                        L"C:\\Cursors\\Moon.ani"}));
    EXPECT_EQ(answers[1].Item, Tag(a)) << "the first request of a name keeps its item";
    EXPECT_EQ(answers[2].Item, Tag(b));
    EXPECT_TRUE(Answers(1, 300ms).empty()) << "a queued name is looked up once";
}

TEST_F(IconThread, RequestsAreServedFirstInFirstOut) {
    TIconIndexThread thread(FReceiver, FGate.Bind());
    std::vector<TCursorItem> items;
    items.reserve(6);
    std::vector<std::wstring> expected;
    for (int i = 0; i < 6; ++i) {
        items.emplace_back(L"f" + std::to_wstring(5 - i), nullptr);
        expected.push_back(L"D:\\" + items.back().FileName + L".ani");
        thread.Request(expected.back(), &items.back());
    }
    FGate.Open();
    const auto answers = Answers(6);
    ASSERT_EQ(answers.size(), 6u);
    EXPECT_EQ(FGate.Names(), expected);
    for (size_t i = 0; i < answers.size(); ++i) {
        EXPECT_EQ(answers[i].Item, Tag(items[i]));
        EXPECT_EQ(answers[i].Index, 7);
    }
}

TEST_F(IconThread, ClearingDuringALookupLetsThatAnswerThroughAndDropsTheRest) {
    TIconIndexThread thread(FReceiver, FGate.Bind());
    TCursorItem first(L"first", nullptr), waiting(L"waiting", nullptr);
    thread.Request(L"E:\\first.ani", &first);
    ASSERT_TRUE(FGate.WaitForCalls(1));
    // The look-up holds no lock: queueing and clearing finish while it is still running.
    auto queued = std::async(std::launch::async, [&] {
        thread.Request(L"E:\\second.ani", &waiting);
        thread.Request(L"E:\\third.ani", &waiting);
        const size_t pending = thread.PendingCount();
        thread.ClearRequests();
        return pending;
    });
    if (queued.wait_for(2s) != std::future_status::ready) {
        FGate.Open(); // lets the waiting calls finish before the test ends
        FAIL() << "Request or ClearRequests waited for the shell";
    }
    EXPECT_EQ(queued.get(), 2u);
    EXPECT_EQ(thread.PendingCount(), 0u);
    FGate.Open();
    const auto answers = Answers(1);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].Item, Tag(first));
    EXPECT_TRUE(Answers(1, 300ms).empty());
    EXPECT_EQ(FGate.Names(), std::vector<std::wstring>{L"E:\\first.ani"});
}

TEST_F(IconThread, ShutdownWithALongQueueEndsAfterTheFileInProgress) {
    auto thread = std::make_unique<TIconIndexThread>(FReceiver, FGate.Bind());
    TCursorItem item(L"x", nullptr);
    thread->Request(L"F:\\0.ani", &item);
    ASSERT_TRUE(FGate.WaitForCalls(1));
    for (int i = 1; i <= 2000; ++i)
        thread->Request(L"F:\\" + std::to_wstring(i) + L".ani", &item);
    thread->Shutdown();
    FGate.Open();
    const auto started = std::chrono::steady_clock::now();
    thread.reset(); // waits for the thread
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_EQ(FGate.Names().size(), 1u);
    EXPECT_EQ(Answers(1, 200ms).size(), 1u) << "the file in progress still answers";
}

TEST_F(IconThread, AnIdleThreadEndsAtOnce) {
    const auto started = std::chrono::steady_clock::now();
    { TIconIndexThread thread(FReceiver); }
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
}

TEST_F(IconThread, TheShellAnswersForRealFilesAndMinusOneForMissingOnes) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "dovex_iconthread";
    std::filesystem::create_directories(dir);
    const std::wstring doomed = (dir / L"doomed.ani").wstring();
    std::filesystem::copy_file(SamplesDir() + L"\\star32.ani", doomed,
                               std::filesystem::copy_options::overwrite_existing);
    FGate.FAnswer = ShellIconIndex;
    TIconIndexThread thread(FReceiver, FGate.Bind());
    struct {
        std::wstring Name;
        bool Found;
    } const cases[] = {
        {SamplesDir() + L"\\star32.ani", true},
        {SamplesDir() + L"\\MOON32.ANI", true},
        {SamplesDir() + L"\\no such file.ani", false},
        {doomed, false}, // deleted after it was queued
    };
    std::vector<TCursorItem> items;
    items.reserve(std::size(cases));
    for (const auto& c : cases) {
        items.emplace_back(c.Name, nullptr);
        thread.Request(c.Name, &items.back());
    }
    ASSERT_TRUE(FGate.WaitForCalls(1));
    std::filesystem::remove(doomed);
    FGate.Open();
    const auto answers = Answers(std::size(cases));
    ASSERT_EQ(answers.size(), std::size(cases));
    for (size_t i = 0; i < answers.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i);
        EXPECT_EQ(answers[i].Item, Tag(items[i]));
        if (cases[i].Found)
            EXPECT_GE(answers[i].Index, 0);
        else
            EXPECT_EQ(answers[i].Index, -1);
    }
    std::filesystem::remove_all(dir);
}
