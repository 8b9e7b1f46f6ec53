// The playlist window on the program's own registry key, opened the way the main window opens it, with a
// host and an owner that record what the window tells them, and a message loop that gives the window its
// keyboard first, as the program's loop does.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "../TestSupport.h"
#include "../app/AppEnvironment.h"
#include "MessageBoxAnswerer.h"
#include "base/Dialog.h"
#include "base/ErrorBox.h"
#include "base/OwnedForm.h"
#include "base/Window.h"
#include "model/PlayListCtrls.h"
#include "model/SaverMessages.h"
#include "playlist/PlayList.h"
#include "playlist/PlayListIds.h"

namespace dovex::test {

struct THostRecord : IPlayListHost {
    void PlayListDestroyed() override { ++Destroyed; }
    void GroupNameChanged(const std::wstring& oldName, const std::wstring& newName) override {
        Renames.emplace_back(oldName, newName);
    }
    int Destroyed = 0;
    std::vector<std::pair<std::wstring, std::wstring>> Renames;
};

// Stands in for the main window: counts the reload requests posted to it.
// Stands in for the main window: owns the playlist window and frees it once it has closed.
class TOwnerWindow : public TWindow {
public:
    TOwnerWindow() { CreateHandle(L"DovexTestPlayListOwner", L"owner", WS_POPUP, 0); }
    int Reloads = 0;
    TOwnedForm<TfrmPlayList> Form;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_SAVERRELOAD && wParam == RELOAD_PLAYLIST)
            ++Reloads;
        if (msg == WM_FORMCLOSED && MayReleaseForms(Handle()) && Form.Closed())
            Form.Reset();
        return DefaultHandler(msg, wParam, lParam);
    }
};

inline std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

inline HTREEITEM NodeOf(HWND tree, int index) {
    HTREEITEM node = TreeView_GetRoot(tree);
    while (node && index-- > 0)
        node = TreeView_GetNextSibling(tree, node);
    return node;
}

inline std::wstring StatusText(HWND statusBar) {
    wchar_t text[256] = {};
    // In simple mode Wine's status bar answers for part 0 with the simple text (and not for SB_SIMPLEID).
    ::SendMessageW(statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

// The program's message loop: the playlist window sees its keyboard input first.
inline bool Pump(const std::function<bool()>& done,
                 std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    return PumpUntil(done, limit, [](MSG& msg) { return IsModelessMessage(msg); });
}

inline void PumpIdle(std::chrono::milliseconds time = std::chrono::milliseconds(150)) {
    Pump([] { return false; }, time);
}

// A key pressed and released, with modifiers held around it.
struct TKeyStroke {
    WORD Key;
    std::vector<WORD> Modifiers = {};
};

// Types the strokes through the desktop's input from a thread of their own, one after the other, while this
// thread goes on handling messages (a menu opened by one stroke runs its own loop until the next closes it).
inline void PressKeys(std::vector<TKeyStroke> strokes) {
    std::atomic<bool> done{false};
    const HDESK desktop = ::GetThreadDesktop(::GetCurrentThreadId());
    std::thread typist([&] {
        ::SetThreadDesktop(desktop);
        for (const auto& stroke : strokes) {
            std::vector<INPUT> inputs;
            auto add = [&](WORD vk, bool up) {
                INPUT input{};
                input.type = INPUT_KEYBOARD;
                input.ki.wVk = vk;
                input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
                input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
                if (vk == VK_UP || vk == VK_DOWN || vk == VK_LEFT || vk == VK_RIGHT || vk == VK_DELETE)
                    input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
                inputs.push_back(input);
            };
            for (WORD m : stroke.Modifiers)
                add(m, false);
            add(stroke.Key, false);
            add(stroke.Key, true);
            for (auto m = stroke.Modifiers.rbegin(); m != stroke.Modifiers.rend(); ++m)
                add(*m, true);
            ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
        done = true;
    });
    Pump([&] { return done.load(); }, std::chrono::seconds(20));
    typist.join();
    PumpIdle(std::chrono::milliseconds(200));
}

inline void PressKey(WORD key, std::vector<WORD> modifiers = {}) {
    PressKeys({TKeyStroke{key, std::move(modifiers)}});
}

// The mouse moved, pressed and released through the desktop's input, from a thread of its own: each step
// is a point on the screen and whether the left button is down there.
struct TMouseStep {
    POINT At;
    bool Down;
};

inline void MoveMouse(std::vector<TMouseStep> steps) {
    std::atomic<bool> done{false};
    const HDESK desktop = ::GetThreadDesktop(::GetCurrentThreadId());
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    std::thread hand([&] {
        ::SetThreadDesktop(desktop);
        bool down = false;
        for (const auto& step : steps) {
            INPUT input{};
            input.type = INPUT_MOUSE;
            input.mi.dx = ::MulDiv(step.At.x, 65536, width) + 1;
            input.mi.dy = ::MulDiv(step.At.y, 65536, height) + 1;
            input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
            if (step.Down != down)
                input.mi.dwFlags |= step.Down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
            down = step.Down;
            ::SendInput(1, &input, sizeof(input));
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
        }
        done = true;
    });
    Pump([&] { return done.load(); }, std::chrono::seconds(20));
    hand.join();
    PumpIdle(std::chrono::milliseconds(200));
}

// The program's key with nothing in it before each test and nothing left after it; the window closed.
class PlayListWindow : public CleanDovexKey {
protected:
    void SetUp() override {
        CleanDovexKey::SetUp();
        FDir = std::filesystem::temp_directory_path() /
               ("dovex_plwin_" + std::to_string(::GetCurrentProcessId()));
        std::filesystem::create_directories(FDir);
    }
    void TearDown() override {
        ClosePlayListForm();
        PumpIdle(std::chrono::milliseconds(50));
        std::error_code ec;
        std::filesystem::remove_all(FDir, ec);
        CleanDovexKey::TearDown();
    }

    // The open window, or none.
    TfrmPlayList* PlayListForm() const noexcept { return FOwner.Form.Get(); }
    // As at the program's end: closes the window as its close command does and frees it at once.
    void ClosePlayListForm() {
        if (TfrmPlayList* form = FOwner.Form.Get())
            form->Close();
        FOwner.Form.Reset();
    }

    TfrmPlayList& Open() {
        TfrmPlayList& form = FOwner.Form.Open(FOwner.Handle(), FHost);
        form.Show();
        Pump([&] { return ::IsWindowVisible(form.Handle()) != FALSE; });
        PumpIdle();
        return form;
    }

    static std::wstring GroupKey(const std::wstring& name) {
        return std::wstring(kPlaylistKey) + L"\\" + name;
    }
    static std::vector<std::wstring> GroupKeys() { return SubkeyNames(HKEY_CURRENT_USER, kPlaylistKey); }
    static std::vector<std::wstring> StoredFiles(const std::wstring& group) {
        std::vector<std::wstring> files;
        for (int i = 0;; ++i) {
            wchar_t text[1024];
            DWORD size = sizeof(text);
            if (::RegGetValueW(HKEY_CURRENT_USER, GroupKey(group).c_str(), std::to_wstring(i).c_str(),
                               RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
                return files;
            files.emplace_back(text);
        }
    }
    static bool ReadPreference(const wchar_t* name, DWORD& value) {
        DWORD size = sizeof(value);
        return ::RegGetValueW(HKEY_CURRENT_USER, kPlaylistKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                              &size) == ERROR_SUCCESS;
    }

    std::wstring TempFile(const std::wstring& name, const std::string& bytes = "x") {
        const auto path = FDir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.wstring();
    }

    static std::vector<std::wstring> NodeTexts(HWND tree) {
        std::vector<std::wstring> texts;
        for (HTREEITEM node = TreeView_GetRoot(tree); node; node = TreeView_GetNextSibling(tree, node)) {
            wchar_t text[300] = {};
            TVITEMW item{};
            item.mask = TVIF_TEXT;
            item.hItem = node;
            item.pszText = text;
            item.cchTextMax = 300;
            TreeView_GetItem(tree, &item);
            texts.emplace_back(text);
        }
        return texts;
    }
    static std::wstring CellText(HWND list, int row, int column) {
        wchar_t text[1024] = {};
        ListView_GetItemText(list, row, column, text, 1024);
        return text;
    }

    THostRecord FHost;
    TOwnerWindow FOwner;
    std::filesystem::path FDir;
};

} // namespace dovex::test
