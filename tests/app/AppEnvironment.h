// Helpers for tests that use the program's own registry key, its windows and its process.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "../TestSupport.h"
#include "model/HookTypes.h"

namespace dovex::test {

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
