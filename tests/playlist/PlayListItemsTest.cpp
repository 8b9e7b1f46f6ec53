// The item list of the playlist window: its texts, its drawing, the information pane, and the commands
// on items, with real cursor files and real input.
#include <gtest/gtest.h>

#include <algorithm>

#include "FileListData.h"
#include "PlayListWindowSupport.h"
#include "base/Gdi.h"
#include "playlist/IconIndexThread.h"
#include "playlist/PlayListText.h"

using namespace dovex;
using namespace dovex::test;
using namespace std::chrono_literals;

namespace {

std::vector<std::wstring> GroupFiles(TCursorGroupCtrl& group) {
    std::vector<std::wstring> files;
    for (int i = 0; i < group.Count(); ++i)
        files.push_back(group.TCursorGroupBase::GetItem(i).FileName);
    return files;
}

std::vector<int> Selected(HWND list) {
    std::vector<int> rows;
    for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(list, i, LVNI_SELECTED))
        rows.push_back(i);
    return rows;
}

void Select(HWND list, std::initializer_list<int> rows) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    for (int row : rows)
        ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
    PumpIdle(100ms);
}

// The darkest of a rectangle's pixels in what the control paints itself (WM_PRINTCLIENT), as the sum of
// its three channels; 765 when the rectangle holds only white.
int DarkestIn(HWND control, const RECT& area) {
    RECT client{};
    ::GetClientRect(control, &client);
    HDC screen = ::GetDC(nullptr);
    UniqueHDC dc(::CreateCompatibleDC(screen));
    UniqueGdiObj bitmap(::CreateCompatibleBitmap(screen, client.right, client.bottom));
    ::ReleaseDC(nullptr, screen);
    TSelectObject select(dc.get(), bitmap.get());
    ::FillRect(dc.get(), &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    int darkest = 765;
    for (int y = std::max<LONG>(area.top, 0); y < std::min(area.bottom, client.bottom); ++y)
        for (int x = std::max<LONG>(area.left, 0); x < std::min(area.right, client.right); ++x) {
            const COLORREF c = ::GetPixel(dc.get(), x, y);
            darkest = std::min(darkest, GetRValue(c) + GetGValue(c) + GetBValue(c));
        }
    return darkest;
}

class ItemList : public PlayListWindow {
protected:
    // A wide window, so that every column of the detail view is on screen.
    TfrmPlayList& OpenWide() {
        TfrmPlayList& form = Open();
        ::SetWindowPos(form.Handle(), nullptr, 10, 10, 1250, 600, SWP_NOZORDER);
        PumpIdle();
        return form;
    }
};

} // namespace

TEST(ItemTexts, CellFormats) {
    struct {
        std::wstring Got, Expected;
    } const cases[] = {
        {FormatPlayTime(83500), L"01'23\"500"},
        {FormatPlayTime(0), L"00'00\"000"},
        {FormatPlayTime(3600000), L"60'00\"000"},
        {FormatPlayTime(59999), L"00'59\"999"},
        {FormatFileSize(1536), L"2 KB"},
        {FormatFileSize(0), L"0 KB"},
        {FormatFileSize(1), L"1 KB"},
        {FormatFileSize(1024), L"1 KB"},
        {FormatFileSize(1025), L"2 KB"},
        {FormatFileSize(0xFFFFFFFF), L"4,194,304 KB"},
        {FormatSteps(1234567), L"1,234,567"},
        {FormatSteps(999), L"999"},
        {FormatSteps(-1000), L"-1,000"},
        {FormatSteps(INT32_MIN), L"-2,147,483,648"},
        {FormatFileTime(SYSTEMTIME{2002, 5, 2, 7, 9, 5, 30, 0}), L"2002/05/07 09:05"},
        {FormatFileTime(SYSTEMTIME{2026, 12, 0, 31, 23, 59, 59, 999}), L"2026/12/31 23:59"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Got, c.Expected);
}

TEST(ItemTexts, FileNamePartsAndTheAniExtension) {
    struct {
        const wchar_t* Path;
        const wchar_t* Name;
        const wchar_t* Folder;
        bool Ani;
    } const cases[] = {
        {L"C:\\Cursors\\A.ANI", L"A.ANI", L"C:\\Cursors\\", true},
        {L"D:\\b.ani", L"b.ani", L"D:\\", true},
        {L"E:\\c.Cur", L"c.Cur", L"E:\\", false},
        {L"C:x.aNi", L"x.aNi", L"C:", true},
        {L"C:\\dir.ani\\", L"", L"C:\\dir.ani\\", false},
        {L"C:\\dir.ani\\file", L"file", L"C:\\dir.ani\\", false},
        {L"C:\\x.ani.bak", L"x.ani.bak", L"C:\\", false},
        {L"C:\\.ani", L".ani", L"C:\\", true},
        {L"\\\\server\\share\\y.ani", L"y.ani", L"\\\\server\\share\\", true},
        {L"C:\\ｘ．ＡＮＩ", L"ｘ．ＡＮＩ", L"C:\\", false}, // only ASCII letters count
        {L"noext", L"noext", L"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(ExtractFileName(c.Path), c.Name);
        EXPECT_EQ(ExtractFilePath(c.Path), c.Folder);
        EXPECT_EQ(HasAniExtension(c.Path), c.Ani);
    }
}

TEST(ItemTexts, GroupNamesTheRegistryCanHold) {
    EXPECT_EQ(GroupNameProblem(L"グループ1"), L"");
    EXPECT_EQ(GroupNameProblem(std::wstring(255, L'名')), L"");
    EXPECT_EQ(GroupNameProblem(std::wstring(256, L'a')), L"グループ名は 255 文字以内にしてください。");
    EXPECT_EQ(GroupNameProblem(L"a\\b"), L"グループ名に \\ は使えません。");
    EXPECT_EQ(GroupNameProblem(L"line\nbreak"), L"グループ名に制御文字は使えません。");
    EXPECT_TRUE(SameText(L"Stars", L"sTARS"));
    EXPECT_FALSE(SameText(L"Stars", L"Star"));
}

TEST(ItemTexts, NamesFromOutsideAreMadeGroupNames) {
    const std::wstring long255(255, L'名');
    struct {
        std::wstring Raw;
        std::wstring Name;
    } const cases[] = {
        {L"Sakura Cursors", L"Sakura Cursors"},
        {L"Sakura\\Large", L"Sakura-Large"},
        {L"  \tTabs\tand\nlines\r ", L"Tabs and lines"},
        {L"\x3000全角の空白\x3000", L"全角の空白"},
        {long255 + L"xyz", long255},
        {std::wstring(254, L'a') + L" b", std::wstring(254, L'a')},
        {std::wstring(254, L'a') + L"\xD83D\xDE00", std::wstring(254, L'a')}, // never half a surrogate pair
        {L" \x01 ", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(GroupNameFrom(c.Raw), c.Name);
        EXPECT_EQ(GroupNameProblem(GroupNameFrom(c.Raw)), L"");
    }
    EXPECT_EQ(NumberedGroupName(L"Sakura", 1), L"Sakura");
    EXPECT_EQ(NumberedGroupName(L"Sakura", 2), L"Sakura (2)");
    EXPECT_EQ(NumberedGroupName(long255, 12), std::wstring(250, L'名') + L" (12)");
    EXPECT_EQ(NumberedGroupName(long255, 12).size(), kMaxGroupNameLength);
}

TEST_F(ItemList, ColumnsShowTheFilesOwnFigures) {
    const std::wstring star = SamplePath("star32.ani");
    WriteGroup(L"G", {star});
    TfrmPlayList& form = OpenWide();
    form.Execute(IDA_LISTREPORT);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(star.c_str(), GetFileExInfoStandard, &data));
    FILETIME local{};
    SYSTEMTIME time{};
    ::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    ::FileTimeToSystemTime(&local, &time);
    wchar_t date[32];
    swprintf(date, 32, L"%d/%02d/%02d %02d:%02d", time.wYear, time.wMonth, time.wDay, time.wHour,
             time.wMinute);
    // In whole KB rounded up, the thousands grouped (the sample holds five sizes: over a megabyte).
    std::wstring kb = std::to_wstring((data.nFileSizeLow + 1023) / 1024);
    for (int at = static_cast<int>(kb.size()) - 3; at > 0; at -= 3)
        kb.insert(static_cast<size_t>(at), L",");
    const std::wstring expected[] = {L"Spinning Star", L"8", L"00'00\"800", star,
                                     kb + L" KB",      date, L"Dovex Art"};
    for (int column = 0; column < kItemColumnCount; ++column)
        EXPECT_EQ(CellText(form.lvGroupList(), 0, column), expected[column]) << "column " << column;
    Select(form.lvGroupList(), {});
    form.Execute(IDA_REFRESH); // examined again: the same figures
    PumpIdle();
    EXPECT_EQ(CellText(form.lvGroupList(), 0, 2), L"00'00\"800");
}

TEST_F(ItemList, MissingAndUnusableFilesShowOnlyTheCellsThatMeanSomething) {
    const std::wstring missing = L"C:\\nowhere\\missing.ani";
    const std::wstring still = TempFile(L"static.cur", StaticCursorBytes());
    const std::wstring broken = TempFile(L"broken.ani", std::string("RIFF\x40\0\0\0ACONanih", 16));
    WriteGroup(L"G", {SamplePath("star32.ani"), missing, still, broken});
    TfrmPlayList& form = OpenWide();
    form.Execute(IDA_LISTREPORT);
    const HWND list = form.lvGroupList();
    PumpIdle();
    struct {
        int Row;
        std::vector<int> Drawn;
        bool Grey;
    } const rows[] = {
        {0, {0, 1, 2, 3, 4, 5, 6}, false},
        {1, {3}, true},
        {2, {3, 4, 5}, true},
        {3, {3, 4, 5}, true},
    };
    const int black = 0, grey = GetRValue(::GetSysColor(COLOR_GRAYTEXT)) * 3;
    for (const auto& r : rows) {
        for (int column = 0; column < kItemColumnCount; ++column) {
            SCOPED_TRACE(testing::Message() << "row " << r.Row << " column " << column);
            RECT cell{};
            ListView_GetSubItemRect(list, r.Row, column, LVIR_LABEL, &cell);
            const int darkest = DarkestIn(list, cell);
            const bool drawn = std::find(r.Drawn.begin(), r.Drawn.end(), column) != r.Drawn.end();
            if (!drawn)
                EXPECT_EQ(darkest, 765) << "an empty cell";
            else if (r.Grey)
                EXPECT_NEAR(darkest, grey, 60) << "grey text";
            else
                EXPECT_NEAR(darkest, black, 60) << "normal text";
        }
    }
    EXPECT_EQ(CellText(list, 1, 0), L"(ファイルが存在しません)") << "the title is there, only not drawn";
    EXPECT_EQ(CellText(list, 2, 0), L"(取り扱えないファイルです)");

    // In the icon views the status text is the caption, in grey.
    form.Execute(IDA_LISTLARGEICON);
    PumpIdle();
    RECT label{};
    ListView_GetItemRect(list, 1, &label, LVIR_LABEL);
    EXPECT_NEAR(DarkestIn(list, label), grey, 60);
}

TEST_F(ItemList, TheInformationPaneFollowsTheSelection) {
    const std::wstring missing = L"C:\\nowhere\\missing.ani";
    const std::wstring still = TempFile(L"static.cur", StaticCursorBytes());
    const std::wstring star = SamplePath("star32.ani");
    WriteGroup(L"G", {star, missing, still, SamplePath("clock32.ani")});
    TfrmPlayList& form = OpenWide();
    const HWND list = form.lvGroupList();
    const TInfoPane& pane = form.InfoPane();

    Select(list, {1});
    EXPECT_EQ(pane.Title(), L"(ファイルが存在しません)");
    EXPECT_TRUE(pane.TitleBold());
    EXPECT_EQ(pane.ItemInfo(), L"missing.ani\r\nC:\\nowhere\\\r\n");
    EXPECT_FALSE(pane.PreviewVisible());
    EXPECT_EQ(form.PreviewFileName(), L"");

    Select(list, {2});
    EXPECT_EQ(pane.ItemInfo(), L"static.cur\r\n" + std::wstring(ExtractFilePath(still)) +
                                   L"\r\nサイズ:\t1 KB\r\n更新日時:\t" + CellText(list, 2, 5) + L"\r\n");
    EXPECT_FALSE(pane.PreviewVisible());

    Select(list, {0});
    EXPECT_EQ(pane.Title(), L"Spinning Star");
    EXPECT_EQ(pane.ItemInfo(), L"star32.ani\r\n" + std::wstring(ExtractFilePath(star)) +
                                   L"\r\nステップ:\t8\r\n時間:\t00'00\"800\r\nサイズ:\t" +
                                   CellText(list, 0, 4) + L"\r\n更新日時:\t" + CellText(list, 0, 5) +
                                   L"\r\n作者:\tDovex Art\r\n");
    EXPECT_TRUE(pane.PreviewVisible());
    EXPECT_EQ(form.PreviewFileName(), star);
    EXPECT_GT(pane.ItemInfoTop(), pane.TitleBottom()) << "the details sit under the title";

    Select(list, {0, 2, 3});
    EXPECT_EQ(pane.Title(), L"3 個のカーソルを選択\r\n");
    EXPECT_FALSE(pane.TitleBold());
    EXPECT_EQ(pane.ItemInfo(), L"star32.ani\r\nstatic.cur\r\nclock32.ani\r\n");
    EXPECT_FALSE(pane.PreviewVisible());

    Select(list, {});
    EXPECT_EQ(pane.Title(), L"カーソルを選択すると、その説明が表示されます。");
    EXPECT_FALSE(pane.ItemInfoVisible());

    // Too low a pane for the names: the count alone, from the next change of the selection on.
    Select(list, {0, 2, 3});
    RECT window{};
    ::GetWindowRect(form.Handle(), &window);
    int height = window.bottom - window.top;
    while (height > 200 && (pane.ClientHeight() - pane.TitleBottom()) / 12 >= 4) {
        height -= 10;
        ::SetWindowPos(form.Handle(), nullptr, 0, 0, window.right - window.left, height,
                       SWP_NOMOVE | SWP_NOZORDER);
        PumpIdle(30ms);
    }
    EXPECT_EQ(pane.ItemInfo(), L"star32.ani\r\nstatic.cur\r\nclock32.ani\r\n");
    Select(list, {0, 1, 3});
    EXPECT_EQ(pane.Title(), L"3 個のカーソルを選択\r\n");
    EXPECT_TRUE(pane.ItemInfoVisible());
    EXPECT_EQ(pane.ItemInfo(), L"");
}

TEST_F(ItemList, SelectedItemsMoveAsABlock) {
    std::vector<std::wstring> files;
    for (const char* name : {"star32.ani", "ball32.ani", "clock32.ani", "ring32.ani", "heart32.ani"})
        files.push_back(SamplePath(name));
    WriteGroup(L"G", files);
    TfrmPlayList& form = Open();
    const HWND list = form.lvGroupList();
    TCursorGroupCtrl& group = *form.ShownGroup();
    struct {
        std::initializer_list<int> Select;
        UINT Command;
        std::vector<int> Order; // of the original files
        std::vector<int> SelectedAfter;
    } const cases[] = {
        {{0, 2}, IDA_PLAYLISTUP, {0, 2, 1, 3, 4}, {0, 1}},
        {{0, 1}, IDA_PLAYLISTUP, {0, 2, 1, 3, 4}, {0, 1}}, // a second move changes nothing
        {{3, 4}, IDA_PLAYLISTDOWN, {0, 2, 1, 3, 4}, {3, 4}},
        {{0, 3}, IDA_PLAYLISTDOWN, {2, 0, 1, 4, 3}, {1, 4}},
        {{}, IDA_PLAYLISTDOWN, {2, 0, 1, 4, 3}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        Select(list, c.Select);
        form.Execute(c.Command);
        PumpIdle(50ms);
        std::vector<std::wstring> expected;
        for (int i : c.Order)
            expected.push_back(files[static_cast<size_t>(i)]);
        EXPECT_EQ(GroupFiles(group), expected);
        EXPECT_EQ(Selected(list), c.SelectedAfter);
    }
    form.Execute(IDA_EXIT);
    ASSERT_TRUE(Pump([this] { return PlayListForm() == nullptr; }));
    EXPECT_EQ(StoredFiles(L"G"),
              (std::vector<std::wstring>{files[2], files[0], files[1], files[4], files[3]}));
}

TEST_F(ItemList, TypingTheFirstLettersOfATitleSelectsThatItem) {
    WriteGroup(L"G", {SamplePath("ball32.ani"), SamplePath("clock32.ani"), SamplePath("ring32.ani"),
                      SamplePath("heart32.ani"), SamplePath("star48.ani")});
    TfrmPlayList& form = Open();
    const HWND list = form.lvGroupList();
    ::UpdateWindow(list); // every row painted, so every title is known
    ::SetFocus(list);
    PressKeys({{'S'}, {'P'}});
    EXPECT_EQ(Selected(list), std::vector<int>{4}) << "\"sp\" is the last item, Spinning Star 48";
    PumpIdle(1200ms); // a new search
    PressKeys({{'P'}, {'u'}});
    EXPECT_EQ(Selected(list), std::vector<int>{2}) << "Pulse Ring";
    EXPECT_EQ(form.ShownGroup()->FindTitle(L"pul", 3, true), 2);
}

TEST_F(ItemList, FilesDroppedOnANodeGoToItsGroup) {
    WriteGroup(L"Alpha", {SamplePath("star32.ani")});
    WriteGroup(L"Beta", {});
    TfrmPlayList& form = Open();
    const std::wstring a = TempFile(L"A.ANI"), b = TempFile(L"b.ani"), c = TempFile(L"c.Cur");
    IDropTarget* target = form.DropTarget1().DropTargetObject();
    ASSERT_TRUE(target);
    const HWND tree = form.tvGroup();
    auto over = [&](HWND control, POINT client) {
        ::ClientToScreen(control, &client);
        return POINTL{client.x, client.y};
    };
    RECT beta{};
    TreeView_GetItemRect(tree, TreeView_GetNextSibling(tree, TreeView_GetRoot(tree)), &beta, TRUE);
    const POINTL onBeta = over(tree, POINT{(beta.left + beta.right) / 2, (beta.top + beta.bottom) / 2});

    TFileListDataRef files({a, b, c});
    DWORD effect = DROPEFFECT_COPY;
    ASSERT_EQ(target->DragEnter(files.Data, MK_LBUTTON, onBeta, &effect), S_OK);
    ASSERT_EQ(target->DragOver(MK_LBUTTON, onBeta, &effect), S_OK);
    EXPECT_EQ(TreeView_GetDropHilight(tree), TreeView_GetNextSibling(tree, TreeView_GetRoot(tree)));
    ASSERT_EQ(target->Drop(files.Data, MK_LBUTTON, onBeta, &effect), S_OK);
    PumpIdle();
    EXPECT_EQ(TreeView_GetDropHilight(tree), nullptr);
    EXPECT_EQ(GroupFiles(form.Groups(1)), (std::vector<std::wstring>{a, b}));
    EXPECT_EQ(GroupFiles(form.Groups(0)), std::vector<std::wstring>{SamplePath("star32.ani")});
    EXPECT_EQ(ListView_GetItemCount(form.lvGroupList()), 1) << "another group's drop leaves the list";

    // On the list, or on the tree's empty space: the shown group, at its end, duplicates and all.
    RECT listRect{};
    ::GetClientRect(form.lvGroupList(), &listRect);
    RECT treeRect{};
    ::GetClientRect(tree, &treeRect);
    for (POINTL at : {over(form.lvGroupList(), POINT{listRect.right / 2, listRect.bottom / 2}),
                      over(tree, POINT{treeRect.right / 2, treeRect.bottom - 5})}) {
        TFileListDataRef again({b});
        target->DragEnter(again.Data, MK_LBUTTON, at, &effect);
        target->Drop(again.Data, MK_LBUTTON, at, &effect);
    }
    PumpIdle();
    EXPECT_EQ(GroupFiles(form.Groups(0)), (std::vector<std::wstring>{SamplePath("star32.ani"), b, b}));
    EXPECT_EQ(ListView_GetItemCount(form.lvGroupList()), 3);
    EXPECT_EQ(CellText(form.lvGroupList(), 2, 3), b);
}

TEST_F(ItemList, ItemsDraggedOntoAGroupMoveThere) {
    WriteGroup(L"Alpha", {SamplePath("star32.ani"), SamplePath("ball32.ani"), SamplePath("clock32.ani")});
    WriteGroup(L"Beta", {SamplePath("moon32.ani")});
    TfrmPlayList& form = Open();
    const HWND list = form.lvGroupList(), tree = form.tvGroup();
    form.Execute(IDA_LISTREPORT);
    Select(list, {0, 2});
    RECT row{}, node{};
    ListView_GetItemRect(list, 2, &row, LVIR_LABEL);
    TreeView_GetItemRect(tree, TreeView_GetNextSibling(tree, TreeView_GetRoot(tree)), &node, TRUE);
    POINT from{row.left + 10, (row.top + row.bottom) / 2},
        to{(node.left + node.right) / 2, (node.top + node.bottom) / 2};
    ::ClientToScreen(list, &from);
    ::ClientToScreen(tree, &to);
    // A few pixels within the list start the drag; then across to the node.
    std::vector<TMouseStep> steps{{from, false},
                                  {from, true},
                                  {POINT{from.x + 6, from.y + 3}, true},
                                  {POINT{from.x + 12, from.y + 6}, true}};
    for (int i = 1; i <= 8; ++i)
        steps.push_back({POINT{from.x + (to.x - from.x) * i / 8, from.y + (to.y - from.y) * i / 8}, true});
    steps.push_back({to, false});
    MoveMouse(steps);
    EXPECT_EQ(GroupFiles(form.Groups(1)),
              (std::vector<std::wstring>{SamplePath("moon32.ani"), SamplePath("star32.ani"),
                                         SamplePath("clock32.ani")}));
    EXPECT_EQ(GroupFiles(form.Groups(0)), std::vector<std::wstring>{SamplePath("ball32.ani")});
    EXPECT_EQ(ListView_GetItemCount(list), 1);
    EXPECT_TRUE(Selected(list).empty());
}

TEST_F(ItemList, IconsArriveForTheShownGroupOnly) {
    WriteGroup(L"Alpha", {SamplePath("star32.ani"), SamplePath("ball32.ani"), L"C:\\nowhere\\gone.ani"});
    WriteGroup(L"Beta", {SamplePath("moon32.ani")});
    TfrmPlayList& form = Open();
    ::UpdateWindow(form.lvGroupList());
    TCursorGroupCtrl& alpha = *form.ShownGroup();
    auto record = [](TCursorGroupCtrl& g, int i) -> TCursorItem& { return g.TCursorGroupBase::GetItem(i); };
    ASSERT_TRUE(Pump([&] { return record(alpha, 0).IconIndex >= 0 && record(alpha, 1).IconIndex >= 0; }));
    PumpIdle(300ms);
    EXPECT_EQ(record(alpha, 2).IconIndex, -1) << "a missing file keeps the generic icon";

    TCursorItem& other = record(form.Groups(1), 0);
    ::SendMessageW(form.Handle(), WM_ICONINDEX, 5, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(other.IconIndex, -1) << "not the shown group's";
    ::SendMessageW(form.Handle(), WM_ICONINDEX, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(&record(alpha, 2)));
    EXPECT_EQ(record(alpha, 2).IconIndex, -1);
    ::SendMessageW(form.Handle(), WM_ICONINDEX, 7, reinterpret_cast<LPARAM>(&record(alpha, 2)));
    EXPECT_EQ(record(alpha, 2).IconIndex, 7);
}

TEST_F(ItemList, TheOpenDialogAddsTheChosenFilesAtTheEnd) {
    WriteGroup(L"G", {SamplePath("star32.ani")});
    TfrmPlayList& form = Open();
    const std::wstring folder(ExtractFilePath(SamplePath("star32.ani")));
    struct {
        std::wstring Typed;
        std::vector<std::wstring> Added;
    } const cases[] = {
        {SamplePath("ball32.ani"), {SamplePath("ball32.ani")}},
        {SamplePath("ball32.ani"), {SamplePath("ball32.ani")}}, // the same file again
        {L"\"clock32.ani\" \"ring32.ani\"", {folder + L"clock32.ani", folder + L"ring32.ani"}},
    };
    ::SetCurrentDirectoryW(folder.c_str());
    std::vector<std::wstring> expected{SamplePath("star32.ani")};
    for (const auto& c : cases) {
        ::SetFocus(form.lvGroupList());
        TDialogDriver driver(L"アニメーションカーソルの選択", [&](HWND dialog) {
            ::SetDlgItemTextW(dialog, 0x47C, c.Typed.c_str()); // the file name box
            ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        form.Execute(IDA_ADDITEM);
        ASSERT_TRUE(driver.Worked());
        PumpIdle();
        expected.insert(expected.end(), c.Added.begin(), c.Added.end());
        EXPECT_EQ(GroupFiles(*form.ShownGroup()), expected);
        EXPECT_EQ(ListView_GetItemCount(form.lvGroupList()), static_cast<int>(expected.size()));
        EXPECT_EQ(::GetFocus(), form.lvGroupList()) << "the focus comes back";
    }
}

TEST_F(ItemList, ViewStylesAreCommandsWithACheckMarkAndAPreference) {
    WriteGroup(L"G", {SamplePath("star32.ani")});
    TfrmPlayList& form = Open();
    const HMENU view = ::GetSubMenu(form.MainMenu1(), 2);
    const UINT commands[] = {IDA_LISTLARGEICON, IDA_LISTSMALLICON, IDA_LISTLIST, IDA_LISTREPORT};
    const DWORD views[] = {LV_VIEW_ICON, LV_VIEW_SMALLICON, LV_VIEW_LIST, LV_VIEW_DETAILS};
    for (int style = 3; style >= 0; --style) {
        form.Execute(commands[style]);
        EXPECT_EQ(ListView_GetView(form.lvGroupList()), views[style]);
        ::SendMessageW(form.Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), 2);
        for (int other = 0; other < 4; ++other)
            EXPECT_EQ((::GetMenuState(view, commands[other], MF_BYCOMMAND) & MF_CHECKED) != 0,
                      other == style);
    }
    form.Execute(IDA_LISTLIST);
    form.Execute(IDA_EXIT);
    ASSERT_TRUE(Pump([this] { return PlayListForm() == nullptr; }));
    DWORD stored = 0;
    ASSERT_TRUE(ReadPreference(L"ListViewStyle", stored));
    EXPECT_EQ(stored, 2u);
    TfrmPlayList& again = Open();
    EXPECT_EQ(ListView_GetView(again.lvGroupList()), static_cast<DWORD>(LV_VIEW_LIST));
}

TEST_F(ItemList, RefreshReadsTheSelectedFilesOrAllFilesAgain) {
    auto copy = [&](const char* sample, const std::wstring& to) {
        ASSERT_TRUE(::CopyFileW(SamplePath(sample).c_str(), to.c_str(), FALSE));
    };
    const std::wstring first = (FDir / L"first.ani").wstring(), second = (FDir / L"second.ani").wstring();
    copy("star32.ani", first);
    copy("star32.ani", second);
    WriteGroup(L"G", {first, second});
    TfrmPlayList& form = Open();
    const HWND list = form.lvGroupList();
    EXPECT_EQ(CellText(list, 0, 0), L"Spinning Star");
    EXPECT_EQ(CellText(list, 1, 0), L"Spinning Star");
    copy("clock32.ani", first);
    copy("clock32.ani", second);
    EXPECT_EQ(CellText(list, 0, 0), L"Spinning Star") << "what is known is kept until a refresh";

    Select(list, {1});
    PressKey(VK_F5);
    EXPECT_EQ(CellText(list, 0, 0), L"Spinning Star") << "only the selected item";
    EXPECT_EQ(CellText(list, 1, 0), L"時計");
    EXPECT_EQ(CellText(list, 1, 1), L"12");
    EXPECT_EQ(form.InfoPane().Title(), L"時計") << "the pane is rebuilt";

    Select(list, {});
    ::DeleteFileW(second.c_str());
    form.Execute(IDA_REFRESH);
    PumpIdle();
    EXPECT_EQ(CellText(list, 0, 0), L"時計");
    EXPECT_EQ(CellText(list, 1, 0), L"(ファイルが存在しません)");
}

TEST_F(ItemList, SelectAllAndInvertTheSelection) {
    WriteGroup(L"A", {SamplePath("star32.ani"), SamplePath("ball32.ani"), SamplePath("clock32.ani")});
    WriteGroup(L"B empty", {});
    TfrmPlayList& form = Open();
    const HWND list = form.lvGroupList();
    Select(list, {0});
    form.Execute(IDA_REVERSESELECT);
    PumpIdle();
    EXPECT_EQ(Selected(list), (std::vector<int>{1, 2}));
    EXPECT_EQ(::GetFocus(), list);
    EXPECT_EQ(form.InfoPane().Title(), L"2 個のカーソルを選択\r\n");
    form.Execute(IDA_SELECTALL);
    PumpIdle();
    EXPECT_EQ(Selected(list), (std::vector<int>{0, 1, 2}));
    form.Execute(IDA_REVERSESELECT);
    PumpIdle();
    EXPECT_TRUE(Selected(list).empty());
    EXPECT_EQ(form.InfoPane().Title(), L"カーソルを選択すると、その説明が表示されます。");

    // An empty group: nothing to select, move or refresh.
    TreeView_SelectItem(form.tvGroup(),
                        TreeView_GetNextSibling(form.tvGroup(), TreeView_GetRoot(form.tvGroup())));
    PumpIdle();
    for (UINT command : {IDA_SELECTALL, IDA_REVERSESELECT, IDA_PLAYLISTUP, IDA_PLAYLISTDOWN, IDA_REFRESH})
        form.Execute(command);
    PumpIdle();
    EXPECT_EQ(ListView_GetItemCount(list), 0);
    EXPECT_EQ(form.ShownGroup()->Count(), 0);
    EXPECT_FALSE(form.ShownGroup()->Modified());
}
