// The hook library as a module: what it imports, how large it is, and (64-bit) that the system can unwind
// through its hook procedure.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

namespace {

class HookLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        FLib = ::LoadLibraryW(L"Dovex.dll");
        ASSERT_NE(nullptr, FLib);
        FProc = reinterpret_cast<const BYTE*>(::GetProcAddress(FLib, "MouseHookProc"));
        ASSERT_NE(nullptr, FProc);
    }
    void TearDown() override {
        if (FLib)
            ::FreeLibrary(FLib);
    }

    const BYTE* Base() const { return reinterpret_cast<const BYTE*>(FLib); }
    const IMAGE_DATA_DIRECTORY& Directory(int index) const {
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(Base());
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(Base() + dos->e_lfanew);
        return nt->OptionalHeader.DataDirectory[index];
    }

    HMODULE FLib = nullptr;
    const BYTE* FProc = nullptr;
};

// It runs inside every process of the desktop: nothing but the two system libraries it needs.
TEST_F(HookLibrary, ImportsOnlyKernel32AndUser32AndStaysSmall) {
    const IMAGE_DATA_DIRECTORY& imports = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT);
    ASSERT_NE(0u, imports.VirtualAddress);
    std::set<std::string> names;
    for (const auto* entry =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(Base() + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        std::string name = reinterpret_cast<const char*>(Base() + entry->Name);
        for (auto& c : name)
            c = static_cast<char>(::toupper(static_cast<unsigned char>(c)));
        names.insert(name);
    }
    EXPECT_EQ((std::set<std::string>{"KERNEL32.DLL", "USER32.DLL"}), names);

    wchar_t path[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetModuleFileNameW(FLib, path, MAX_PATH));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(path, GetFileExInfoStandard, &data));
    EXPECT_EQ(0u, data.nFileSizeHigh);
    EXPECT_LT(data.nFileSizeLow, 32u * 1024) << "the library grew: is a runtime linked in?";
}

// The x64 ABI: a function that saves registers and calls others needs unwind data, or the system cannot
// unwind through it (exceptions, stack walks) in whatever process the hook runs in.
TEST_F(HookLibrary, TheHookProcedureHasUnwindData) {
#ifdef _WIN64
    const IMAGE_DATA_DIRECTORY& exceptions = Directory(IMAGE_DIRECTORY_ENTRY_EXCEPTION);
    EXPECT_NE(0u, exceptions.VirtualAddress);
    EXPECT_NE(0u, exceptions.Size);

    DWORD64 imageBase = 0;
    const PRUNTIME_FUNCTION entry =
        ::RtlLookupFunctionEntry(reinterpret_cast<DWORD64>(FProc), &imageBase, nullptr);
    ASSERT_NE(nullptr, entry) << "no unwind data for MouseHookProc";
    EXPECT_EQ(reinterpret_cast<DWORD64>(FLib), imageBase);
    const auto rva = static_cast<DWORD>(FProc - Base());
    EXPECT_EQ(rva, entry->BeginAddress);
    EXPECT_LT(rva, entry->EndAddress);
    // The procedure saves registers: its unwind codes say so.
    const BYTE* unwindInfo = Base() + entry->UnwindData;
    EXPECT_EQ(1, unwindInfo[0] & 0x7) << "unwind data version";
    EXPECT_GT(unwindInfo[2], 0) << "no unwind codes";
#else
    GTEST_SKIP() << "32-bit code unwinds without tables";
#endif
}

} // namespace
