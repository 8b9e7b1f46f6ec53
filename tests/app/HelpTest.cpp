// The help viewer unit: the help file's name, the substitute without a viewer, and the real viewer of the
// platform opening the built Dovex.chm (window title and table of contents in Japanese).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "AppEnvironment.h"
#include "ShowEnvironment.h"
#include "app/HelpCtrls.h"

namespace dovex {
namespace {

using namespace std::chrono_literals;

TEST(HelpFile, ReplacesTheProgramsExtension) {
    EXPECT_EQ(HelpFileFor(L"D:\\X\\Dovex.exe"), L"D:\\X\\Dovex.chm");
    EXPECT_EQ(HelpFileFor(L"C:\\Program Files\\Dovex\\DOVEX.EXE"), L"C:\\Program Files\\Dovex\\DOVEX.chm");
    EXPECT_EQ(HelpFileFor(L"D:\\X\\my.saver.exe"), L"D:\\X\\my.saver.chm");
}

TEST(HelpFile, AppendsWhenTheNameHasNoExtension) {
    EXPECT_EQ(HelpFileFor(L"D:\\X\\Dovex"), L"D:\\X\\Dovex.chm");
    EXPECT_EQ(HelpFileFor(L"D:\\v1.2\\Dovex"), L"D:\\v1.2\\Dovex.chm"); // a dot in a folder does not count
    EXPECT_EQ(HelpFileFor(L"D:/v1.2/Dovex"), L"D:/v1.2/Dovex.chm");
    EXPECT_EQ(HelpFileFor(L"Dovex"), L"Dovex.chm");
    EXPECT_EQ(HelpFileFor(L""), L".chm");
}

TEST(HelpFile, KeepsJapaneseNames) {
    EXPECT_EQ(HelpFileFor(L"C:\\ツール\\カーソル.exe"), L"C:\\ツール\\カーソル.chm");
}

TEST(HelpViewer, MissingLibraryGivesTheSubstitute) {
    THelpViewer viewer(L"dovex-no-such-viewer.ocx");
    EXPECT_FALSE(viewer.Available());
    EXPECT_EQ(viewer.HtmlHelp(nullptr, "D:\\X\\Dovex.chm", kHhDisplayTopic, 0), nullptr);
}

TEST(HelpViewer, LibraryWithoutTheFunctionGivesTheSubstitute) {
    THelpViewer viewer(L"kernel32.dll");
    EXPECT_FALSE(viewer.Available());
    EXPECT_EQ(viewer.HtmlHelp(nullptr, "D:\\X\\Dovex.chm", kHhDisplayTopic, 0), nullptr);
}

BOOL CALLBACK CollectHelpWindow(HWND wnd, LPARAM param) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(wnd, &pid);
    wchar_t cls[64] = {};
    ::GetClassNameW(wnd, cls, 64);
    if (pid == ::GetCurrentProcessId() && ::IsWindowVisible(wnd) && std::wstring(cls) == L"HH Parent")
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(wnd);
    return TRUE;
}

// The visible help windows of this process.
std::vector<HWND> HelpWindows() {
    std::vector<HWND> found;
    ::EnumWindows(CollectHelpWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring WindowText(HWND wnd) {
    wchar_t text[256] = {};
    ::GetWindowTextW(wnd, text, 256);
    return text;
}

BOOL CALLBACK FindTree(HWND wnd, LPARAM param) {
    wchar_t cls[64] = {};
    ::GetClassNameW(wnd, cls, 64);
    if (std::wstring(cls) != WC_TREEVIEWW)
        return TRUE;
    *reinterpret_cast<HWND*>(param) = wnd;
    return FALSE;
}

// The text of the first entry of the contents tree inside the help window, or empty.
std::wstring FirstContentsEntry(HWND help) {
    HWND tree = nullptr;
    ::EnumChildWindows(help, FindTree, reinterpret_cast<LPARAM>(&tree));
    if (!tree)
        return {};
    HTREEITEM first = TreeView_GetRoot(tree);
    if (!first)
        return {};
    wchar_t text[256] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = first;
    item.pszText = text;
    item.cchTextMax = 256;
    ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return text;
}

// Leaves the window open for a look (and a screenshot) when DOVEX_HELP_HOLD_MS is set.
void HoldForALook() {
    wchar_t value[16] = {};
    if (::GetEnvironmentVariableW(L"DOVEX_HELP_HOLD_MS", value, 16))
        test::PumpUntil([] { return false; }, std::chrono::milliseconds(_wtoi(value)));
}

class HelpWindow : public ::testing::Test {
protected:
    void SetUp() override {
        if (!FViewer.Available())
            GTEST_SKIP() << "the platform has no hhctrl.ocx with HtmlHelpA";
        ASSERT_TRUE(HelpWindows().empty());
    }
    void TearDown() override {
        FViewer.HtmlHelp(nullptr, nullptr, kHhCloseAll, 0);
        test::PumpUntil([] { return HelpWindows().empty(); }, 5s);
    }
    // Waits for the help window of this process and checks what it shows.
    HWND ExpectHelpWindow() {
        HWND help = nullptr;
        test::PumpUntil(
            [&] {
                const auto windows = HelpWindows();
                help = windows.empty() ? nullptr : windows.front();
                return help != nullptr;
            },
            15s);
        if (!help) {
            ADD_FAILURE() << "no help window appeared";
            return nullptr;
        }
        EXPECT_EQ(WindowText(help), L"カーソルセーバー Dovex ヘルプ");
        std::wstring firstEntry;
        test::PumpUntil(
            [&] {
                firstEntry = FirstContentsEntry(help);
                return !firstEntry.empty();
            },
            5s);
        EXPECT_EQ(firstEntry, L"Dovex の概要");
        return help;
    }

    THelpViewer FViewer;
};

TEST_F(HelpWindow, OpensTheBuiltHelpFile) {
    const std::wstring path = test::WindowsPath(DOVEX_CHM);
    ASSERT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "not built: " << DOVEX_CHM;
    const std::string ansiPath(path.begin(), path.end()); // the build tree's path is plain ASCII
    HWND returned = FViewer.HtmlHelp(nullptr, ansiPath.c_str(), kHhDisplayTopic, 0);
    HWND help = ExpectHelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(returned, help);
    HoldForALook();

    FViewer.HtmlHelp(nullptr, nullptr, kHhCloseAll, 0);
    EXPECT_TRUE(test::PumpUntil([] { return HelpWindows().empty(); }, 5s));
}

TEST_F(HelpWindow, ShowHelpOpensTheFileNamedAfterTheProgram) {
    // The help file beside this test program, named after it, as Dovex.chm lies beside Dovex.exe.
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring copy = HelpFileFor(self);
    ASSERT_TRUE(::CopyFileW(test::WindowsPath(DOVEX_CHM).c_str(), copy.c_str(), FALSE));
    ShowHelp(nullptr);
    HWND help = ExpectHelpWindow();
    EXPECT_NE(help, nullptr);

    HtmlHelp(nullptr, nullptr, kHhCloseAll, 0);
    EXPECT_TRUE(test::PumpUntil([] { return HelpWindows().empty(); }, 5s));
    ::DeleteFileW(copy.c_str());
}

} // namespace
} // namespace dovex
