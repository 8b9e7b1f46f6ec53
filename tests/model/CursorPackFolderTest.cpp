// Cursor packs on the disk: folders and INF files written here, read through the system's file functions
// and its ANSI code page.
#include "model/CursorPackFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "model/PlayListCtrls.h"

using namespace dovex;
namespace fs = std::filesystem;
using Names = std::vector<std::wstring>;

namespace {

class PackFolder : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() / ("dovex_pack_" + std::to_string(::GetCurrentProcessId()));
        fs::remove_all(FDir);
        fs::create_directories(FDir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(FDir, ec);
    }
    fs::path Write(const fs::path& relative, const std::string& bytes) {
        const fs::path file = FDir / relative;
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }
    static std::string SchemeLine(const std::string& name, const std::string& files) {
        return "[R]\r\nHKCU,\"Control Panel\\Cursors\\Schemes\",\"" + name + "\",,\"" + files + "\"\r\n";
    }
    static Names Sorted(Names names) {
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path FDir;
};

} // namespace

TEST_F(PackFolder, AnInfInTheJapaneseCodePageIsReadThroughTheSystemsCodePage) {
    ASSERT_EQ(::GetACP(), 932u) << "the test prefix runs in the Japanese locale";
    // 桜カーソル and 表.ani: both hold the byte of a backslash.
    const fs::path inf = Write(L"install.inf", SchemeLine("\x8D\xF7\x83\x4A\x81\x5B\x83\x5C\x83\x8B",
                                                          "%10%\\Cursors\\\x95\x5C.ani,arrow.cur"));
    const TInfScheme scheme = ReadInfFile(inf.wstring());
    EXPECT_TRUE(scheme.Found);
    EXPECT_EQ(scheme.Name, L"桜カーソル");
    EXPECT_EQ(scheme.Files, (Names{L"表.ani", L"arrow.cur"}));
}

TEST_F(PackFolder, ScanningListsEveryFolderToALimitedDepthAndReadsOnlyTheInfFiles) {
    Write(L"a.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n"); // no scheme: the next one counts
    Write(L"b.inf", SchemeLine("Pack", "two.ani,one.ani"));
    Write(L"one.ani", "not even a cursor: nothing reads it");
    Write(L"two.ani", "");
    Write(L"arrow.cur", "");
    Write(L"readme.txt", "");
    Write(L"large\\one.ani", "");
    Write(L"1\\2\\3\\4\\deep.ani", "");
    Write(L"1\\2\\3\\4\\5\\deeper.ani", "");
    const auto folders = ScanPackFolder(FDir.wstring());
    Names paths;
    for (const auto& f : folders)
        paths.push_back(f.RelativePath);
    EXPECT_EQ(Sorted(paths), Sorted({L"", L"large", L"1", L"1\\2", L"1\\2\\3", L"1\\2\\3\\4"}))
        << "four levels below the pack, no more";
    const TPackFolder& top = folders.front();
    EXPECT_EQ(Sorted(top.AniFiles), (Names{L"one.ani", L"two.ani"}));
    EXPECT_EQ(Sorted(top.OtherFiles), (Names{L"arrow.cur", L"readme.txt"}));
    ASSERT_TRUE(top.Inf);
    EXPECT_EQ(top.Inf->Name, L"Pack");

    const TPackPlan plan = ReadCursorPack(FDir.wstring() + L"\\");
    ASSERT_EQ(plan.Groups.size(), 3u);
    EXPECT_EQ(plan.Groups[0].Name, L"Pack");
    EXPECT_EQ(plan.Groups[0].Files, (Names{L"two.ani", L"one.ani"}));
    EXPECT_EQ(plan.Groups[1].Name, L"Pack - 1 - 2 - 3 - 4");
    EXPECT_EQ(PackFilePath(FDir.wstring(), plan.Groups[1], L"deep.ani"),
              (FDir / L"1\\2\\3\\4\\deep.ani").wstring());
    EXPECT_EQ(plan.Groups[2].Name, L"Pack - large");
    EXPECT_EQ(plan.Skipped, 2);
}

TEST_F(PackFolder, WhatCannotBeReadIsAnErrorThatNamesIt) {
    const std::wstring gone = (FDir / L"gone").wstring();
    const std::wstring file = Write(L"file.txt", "").wstring();
    const std::wstring big = Write(L"big\\install.inf", std::string(kMaxInfBytes + 1, ' ')).wstring();
    const std::string line = SchemeLine("Exact", "a.ani");
    Write(L"exact\\install.inf", line + std::string(kMaxInfBytes - line.size(), ' '));
    struct {
        std::wstring Folder;
        std::wstring Message;
    } const cases[] = {
        {gone, L"フォルダー「" + gone + L"」を読み取れません。"},
        {file, L"フォルダー「" + file + L"」を読み取れません。"},
        {(FDir / L"big").wstring(), L"INF ファイル「" + big + L"」は 1 MiB を超えているため読み取りません。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Folder));
        try {
            ScanPackFolder(c.Folder);
            ADD_FAILURE() << "no error";
        } catch (const EDovexItemsError& e) {
            EXPECT_EQ(e.Message(), c.Message);
        }
    }
    const auto exact = ScanPackFolder((FDir / L"exact").wstring());
    ASSERT_TRUE(exact.front().Inf) << "1 MiB itself is read";
    EXPECT_EQ(exact.front().Inf->Name, L"Exact");
}

TEST_F(PackFolder, FolderNamesForGroups) {
    EXPECT_EQ(FolderDisplayName(L"C:\\Packs\\Sakura"), L"Sakura");
    EXPECT_EQ(FolderDisplayName(L"C:\\Packs\\Sakura\\\\"), L"Sakura");
    EXPECT_EQ(FolderDisplayName(L"\\\\server\\share\\Pack"), L"Pack");
    EXPECT_EQ(FolderDisplayName(L"C:\\"), L"C:");
}
