#include "playlist/IconIndexThread.h"

#include <shellapi.h>
#include <objbase.h>

#include "base/Exception.h"
#include "base/SystemError.h"
#include "playlist/PlayListIds.h"

namespace dovex {

namespace {

// File names compare as the file system does: without regard to letter case.
std::wstring QueueKey(const std::wstring& fileName) {
    std::wstring key = fileName;
    if (!key.empty())
        ::CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

} // namespace

int ShellIconIndex(const std::wstring& fileName) noexcept {
    SHFILEINFOW info{};
    if (!::SHGetFileInfoW(fileName.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX))
        return -1;
    return info.iIcon;
}

TIconIndexThread::TIconIndexThread(HWND receiver, TLookup lookup)
    : FWakeEvent(::CreateEventW(nullptr, FALSE, FALSE, nullptr)), FWindow(receiver),
      FLookup(std::move(lookup)) {
    if (!FWakeEvent)
        ThrowLastError(L"アイコンを調べるスレッドのイベントを作成できません");
    FThread = std::thread([this] { Execute(); });
}

TIconIndexThread::~TIconIndexThread() {
    Shutdown();
    if (FThread.joinable())
        FThread.join();
}

void TIconIndexThread::Request(const std::wstring& fileName, const TCursorItem* item) {
    bool appended = false;
    {
        std::lock_guard lock(FQueueLock);
        if (FQueuedKeys.insert(QueueKey(fileName)).second) {
            FQueue.emplace_back(fileName, item);
            appended = true;
        }
    }
    if (appended)
        ::SetEvent(FWakeEvent.get());
}

void TIconIndexThread::ClearRequests() {
    std::lock_guard lock(FQueueLock);
    FQueue.clear();
    FQueuedKeys.clear();
}

void TIconIndexThread::Shutdown() noexcept {
    FTerminated = true;
    ::SetEvent(FWakeEvent.get());
}

std::size_t TIconIndexThread::PendingCount() {
    std::lock_guard lock(FQueueLock);
    return FQueue.size();
}

bool TIconIndexThread::HasPending() noexcept {
    try {
        return PendingCount() != 0;
    } catch (...) {
        return false;
    }
}

bool TIconIndexThread::TakeNext(std::wstring& fileName, const TCursorItem*& item) {
    std::lock_guard lock(FQueueLock);
    if (FQueue.empty())
        return false;
    fileName = std::move(FQueue.front().first);
    item = FQueue.front().second;
    FQueue.pop_front();
    FQueuedKeys.erase(QueueKey(fileName));
    return true;
}

void TIconIndexThread::Execute() noexcept {
    // Icon handlers of the shell may be COM objects.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (;;) {
        if (::WaitForSingleObject(FWakeEvent.get(), INFINITE) != WAIT_OBJECT_0 || FTerminated)
            break;
        for (;;) {
            std::wstring fileName;
            const TCursorItem* item = nullptr;
            bool taken = false;
            try {
                taken = TakeNext(fileName, item);
            } catch (...) {
                taken = false; // no memory for the name: the request is lost, the thread goes on
            }
            if (taken) {
                int index = -1;
                try {
                    index = FLookup(fileName); // without the lock: a slow file holds up nobody
                } catch (...) {
                    index = -1;
                }
                ::PostMessageW(FWindow, WM_ICONINDEX, static_cast<WPARAM>(static_cast<INT_PTR>(index)),
                               reinterpret_cast<LPARAM>(item));
            }
            if (FTerminated || !HasPending())
                break;
        }
        if (FTerminated)
            break;
    }
    if (SUCCEEDED(com))
        ::CoUninitialize();
}

} // namespace dovex
