// Helpers for tests that use the program's own registry key, its windows and its process.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../TestSupport.h"
#include "model/HookTypes.h"

namespace dovex::test {

#ifdef DOVEX_SAMPLES_DIR
// A sample cursor of the build.
inline std::wstring SamplePath(const char* file) {
    return WindowsPath(std::string(DOVEX_SAMPLES_DIR) + "/" + file);
}
#endif

// How a group plays: its "SaverMode", "SaverPlayNums" and "SaverPlayTime".
struct TGroupPlay {
    DWORD Mode = 0, Nums = 1, Time = 1000;
};

// Removes the program's whole registry tree, before and after each test.
class CleanDovexKey : public ::testing::Test {
protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kDovexKey); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kDovexKey); }

    static void SetSetting(const wchar_t* name, DWORD value) {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof(value));
    }
    static void SetSetting(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, type, text.c_str(),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    // Writes a group's key as the program writes it: the items in order, then how it plays when given.
    static void WriteGroup(const std::wstring& name, const std::vector<std::wstring>& files,
                           std::optional<TGroupPlay> play = std::nullopt) {
        const std::wstring key = std::wstring(kPlaylistKey) + L"\\" + name;
        HKEY created = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                    &created, nullptr),
                  ERROR_SUCCESS);
        ::RegCloseKey(created);
        for (size_t i = 0; i < files.size(); ++i)
            ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), std::to_wstring(i).c_str(), REG_SZ,
                              files[i].c_str(), static_cast<DWORD>((files[i].size() + 1) * sizeof(wchar_t)));
        if (!play)
            return;
        const std::pair<const wchar_t*, DWORD> values[] = {
            {L"SaverMode", play->Mode}, {L"SaverPlayNums", play->Nums}, {L"SaverPlayTime", play->Time}};
        for (const auto& [value, number] : values)
            ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), value, REG_DWORD, &number, sizeof(number));
    }
};

// The text of a standard message box (its static control).
inline std::wstring MessageBoxText(HWND box) {
    wchar_t text[512] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 512);
    return text;
}

// Finds a visible standard dialog with the given caption, of any process on this thread's desktop.
inline HWND FindDialog(const std::wstring& caption) {
    HWND box = ::FindWindowW(L"#32770", caption.c_str());
    return box && ::IsWindowVisible(box) ? box : nullptr;
}

} // namespace dovex::test
