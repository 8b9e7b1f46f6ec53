// A scratch playlist key with groups written value by value, and real cursor files: the generated
// samples, plus a static cursor, a broken file and a missing path made for each test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "../ScratchKey.h"
#include "../TestSupport.h"
#include "model/PlayListCtrls.h"

namespace dovex::test {

inline std::filesystem::path SamplesDir() {
    std::string dir = DOVEX_SAMPLES_DIR;
    if (!dir.empty() && dir[0] == '/')
        dir = "Z:" + dir; // the build tree seen through the emulator's root drive
    return std::filesystem::path(dir);
}

inline std::wstring Sample(const char* name) {
    return (SamplesDir() / name).wstring();
}

// One registry value as a test writes it: a text, or a number for a value of another type.
struct TRawValue {
    std::wstring Name;
    std::wstring Text;
    bool IsDword = false;
    DWORD Number = 0;
};

inline TRawValue Sz(std::wstring name, std::wstring text) {
    return {std::move(name), std::move(text)};
}
inline TRawValue Dword(std::wstring name, DWORD number) {
    return {std::move(name), {}, true, number};
}

class PlayListTest : public ScratchKeyTest {
protected:
    void SetUp() override {
        ScratchKeyTest::SetUp();
        FDir = std::filesystem::temp_directory_path() /
               ("dovex_playlist_" + std::to_string(::GetCurrentProcessId()));
        std::filesystem::create_directories(FDir);
        WriteFile(L"static.cur", StaticCursorBytes());
        // An animated cursor cut off inside its header.
        WriteFile(L"broken.ani", std::string("RIFF\x40\0\0\0ACONanih\x24\0\0\0\x24\0\0\0", 24));
        // Files that exist but hold no animated cursor: a text named like one, a folder named like one.
        WriteFile(L"notes.ani", "These are not the cursors you are looking for.\r\n");
        std::filesystem::create_directories(FDir / L"x.ani");
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(FDir, ec);
        ScratchKeyTest::TearDown();
    }

    std::wstring WriteFile(const std::wstring& name, const std::string& bytes) {
        const auto path = FDir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.wstring();
    }
    std::wstring File(const std::wstring& name) const { return (FDir / name).wstring(); }

    // Creates the group's key and writes the values in the order given.
    void WriteGroup(const std::wstring& group, const std::vector<TRawValue>& values) {
        HKEY key = nullptr;
        ASSERT_EQ(
            ::RegCreateKeyExW(FKey, group.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        for (const auto& v : values) {
            if (v.IsDword)
                ::RegSetValueExW(key, v.Name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v.Number),
                                 4);
            else
                ::RegSetValueExW(key, v.Name.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(v.Text.c_str()),
                                 static_cast<DWORD>((v.Text.size() + 1) * sizeof(wchar_t)));
        }
        ::RegCloseKey(key);
    }

    // The value names of a group's key, in the registry's order.
    std::vector<std::wstring> RawValueNames(const std::wstring& group) const {
        return ValueNames(FKey, group);
    }

    std::wstring RawText(const std::wstring& group, const wchar_t* name) const {
        std::vector<BYTE> data;
        if (RawType(group, name, &data) != REG_SZ || data.size() < sizeof(wchar_t))
            return L"(not a string)";
        return std::wstring(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t) - 1);
    }

    std::filesystem::path FDir;
};

} // namespace dovex::test
