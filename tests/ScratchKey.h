// A registry key of the current user that lives for one test and is removed with its tree afterwards.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/TestSupport.h"

namespace dovex::test {

inline const std::wstring kTestRoot = L"Software\\Vantoquil\\DovexTest";

inline std::wstring ScratchPath() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::wstring name = L"\\";
    for (const char* p = info->test_suite_name(); *p; ++p)
        name += static_cast<wchar_t>(*p);
    name += L".";
    for (const char* p = info->name(); *p; ++p)
        name += static_cast<wchar_t>(*p);
    return kTestRoot + name;
}

class ScratchKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        FPath = ScratchPath();
        ::RegDeleteTreeW(HKEY_CURRENT_USER, FPath.c_str());
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, FPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &FKey, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        ::RegCloseKey(FKey);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, FPath.c_str());
    }

    void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(::RegSetValueExW(FKey, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    void SetDword(const wchar_t* name, DWORD value) { SetRaw(name, REG_DWORD, &value, sizeof(value)); }
    void SetText(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
        SetRaw(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    bool RawExists(const std::wstring& sub) const {
        return KeyExists(sub.empty() ? FPath : FPath + L"\\" + sub);
    }
    DWORD RawType(const std::wstring& sub, const wchar_t* name, std::vector<BYTE>* data = nullptr) const {
        const std::wstring path = sub.empty() ? FPath : FPath + L"\\" + sub;
        DWORD type = REG_NONE, size = 0;
        if (::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                           &size) != ERROR_SUCCESS)
            return REG_NONE;
        if (data) {
            data->resize(size);
            ::RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                           data->data(), &size);
            data->resize(size);
        }
        return type;
    }

    std::wstring FPath; // below HKEY_CURRENT_USER
    HKEY FKey = nullptr;
};

} // namespace dovex::test
