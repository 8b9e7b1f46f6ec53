// Looks up the shell icons of cursor files away from the user-interface thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <utility>

#include "base/UniqueHandle.h"

namespace dovex {

struct TCursorItem;

// The index of the file's own icon in the system image list, or -1. Opens the file.
int ShellIconIndex(const std::wstring& fileName) noexcept;

// A queue of file names served first in, first out by a thread of its own; every answer is posted to the
// receiver as WM_ICONINDEX (index, item). The thread owns no window and never touches the items: it only
// hands their addresses back.
class TIconIndexThread {
public:
    using TLookup = std::function<int(const std::wstring& fileName)>;

    // Starts the thread once everything it uses exists.
    explicit TIconIndexThread(HWND receiver, TLookup lookup = ShellIconIndex);
    TIconIndexThread(const TIconIndexThread&) = delete;
    TIconIndexThread& operator=(const TIconIndexThread&) = delete;
    // Shuts down and waits for the file in progress, if any.
    ~TIconIndexThread();

    // Queues the name unless it is already waiting (letter case ignored).
    void Request(const std::wstring& fileName, const TCursorItem* item);
    // Drops every waiting request; a look-up in progress still answers.
    void ClearRequests();
    // Asks the thread to end after the file in progress.
    void Shutdown() noexcept;
    std::size_t PendingCount();

private:
    void Execute() noexcept;
    bool TakeNext(std::wstring& fileName, const TCursorItem*& item);
    bool HasPending() noexcept;

    UniqueHandle FWakeEvent;
    HWND FWindow;
    TLookup FLookup;
    std::mutex FQueueLock;
    std::deque<std::pair<std::wstring, const TCursorItem*>> FQueue;
    std::unordered_set<std::wstring> FQueuedKeys; // upper-cased names of FQueue
    std::atomic<bool> FTerminated{false};
    std::thread FThread;
};

} // namespace dovex
