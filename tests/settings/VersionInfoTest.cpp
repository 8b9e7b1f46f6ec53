#include "settings/VersionInfo.h"

#include <gtest/gtest.h>

#include "SettingsEnvironment.h"
#include "tests/Pixels.h"
#include "base/ProgramPath.h"

using namespace dovex;
using namespace dovex::test;

TEST(VersionInfo, ReadsTheFileVersionAndTheJapaneseStrings) {
    struct {
        const wchar_t* File;
        const wchar_t* Line;
        const wchar_t* ProductName;
        const wchar_t* Copyright;
    } const cases[] = {
        {L"dovex_version_ja.dll", L"Version 2.3 Release 4 (Build:567)", L"試験用モジュール",
         L"Copyright © 2031 試験工房"},
        // Another string table: the numbers, no texts.
        {L"dovex_version_en.dll", L"Version 3.1 Release 0 (Build:9)", L"", L""},
        // No version resource, or no file at all.
        {L"dovex_version_none.txt", L"Version 0.0 Release 0 (Build:0)", L"", L""},
        {L"no-such-file.dll", L"Version 0.0 Release 0 (Build:0)", L"", L""},
    };
    for (const auto& c : cases) {
        const TVersionInfo info = ReadVersionInfo(ProgramFolder() + L"\\" + c.File);
        EXPECT_EQ(VersionLine(info), c.Line) << c.File;
        EXPECT_EQ(info.ProductName, c.ProductName) << c.File;
        EXPECT_EQ(info.Copyright, c.Copyright) << c.File;
    }
}

TEST(VersionInfo, TheProgramReadsItsOwnResource) {
    const TVersionInfo& info = ProgramVersion();
    EXPECT_EQ(VersionLine(info), L"Version 1.0 Release 0 (Build:1)");
    EXPECT_EQ(info.ProductName, L"カーソルセーバー Dovex");
    EXPECT_EQ(info.Copyright, L"Copyright © 2026 Vantoquil");
    EXPECT_EQ(&ProgramVersion(), &info) << "read once";
}

TEST_F(PropertyFormTest, VersionPageShowsTheProgramAndTheProjectAddresses) {
    Open();
    ShowPage(kAboutPage);
    EXPECT_EQ(Text(Control(kAboutPage, IDC_ABOUT_PRODUCT)), L"カーソルセーバー Dovex");
    EXPECT_EQ(Text(Control(kAboutPage, IDC_ABOUT_VERSION)), L"Version 1.0 Release 0 (Build:1)");
    EXPECT_EQ(Text(Control(kAboutPage, IDC_ABOUT_COPYRIGHT)), L"Copyright © 2026 Vantoquil");
    const struct {
        int Link;
        std::wstring Url;
    } links[] = {{IDC_URL_NEWVERSION, DOVEX_REPOSITORY_URL L"/releases"},
                 {IDC_URL_SUPPORT, DOVEX_REPOSITORY_URL L"/issues"}};
    for (const auto& link : links) {
        LITEM item{};
        item.mask = LIF_ITEMINDEX | LIF_URL;
        item.iLink = 0;
        ASSERT_TRUE(
            ::SendMessageW(Control(kAboutPage, link.Link), LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item)));
        EXPECT_EQ(std::wstring(item.szUrl), link.Url);
        EXPECT_EQ(Text(Control(kAboutPage, link.Link)),
                  L"<a href=\"" + link.Url + L"\">" + link.Url + L"</a>");
        const HWND control = Control(kAboutPage, link.Link);
        EXPECT_TRUE(::GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) << "reachable by Tab";
        // Past its text the link shows the page's colour: the pixel inside its right end and the one
        // beside it on the page.
        RECT bounds{};
        ::GetWindowRect(control, &bounds);
        const TPixels shot = CaptureScreen(RECT{bounds.left, bounds.top, bounds.right + 4, bounds.bottom});
        const int middle = shot.height / 2;
        EXPECT_EQ(shot.At(shot.width - 6, middle), shot.At(shot.width - 2, middle));
    }
}
