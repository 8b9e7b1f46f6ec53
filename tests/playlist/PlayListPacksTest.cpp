// Groups made in one step in the playlist window: a cursor pack's folder through the menu and the system's
// folder picker, folders dropped on the tree, and a system cursor scheme, with real files, INF files written
// here, the real registry and real input.
#include <gtest/gtest.h>

#include <algorithm>

#include "FileListData.h"
#include "PlayListWindowSupport.h"
#include "base/ErrorBox.h"
#include "playlist/SchemeGroupDialog.h"
#include "resources/ResourceIds.h"

using namespace dovex;
using namespace dovex::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr wchar_t kPickerTitle[] = L"カーソルパックのフォルダーの選択";

std::string Bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The INF most packs ship, with the per-role section naming busy.ani for Wait and work.ani for
// AppStarting, the arrow a static cursor.
std::string SakuraInf(std::string_view scheme = "Sakura Cursors") {
    std::string inf =
        "[Version]\r\nsignature=\"$CHICAGO$\"\r\n\r\n[DefaultInstall]\r\nCopyFiles = Scheme.Cur\r\n"
        "AddReg = Scheme.Reg, Wreg\r\n\r\n[Scheme.Reg]\r\n"
        "HKCU,\"Control Panel\\Cursors\\Schemes\",\"%SCHEME_NAME%\"\r\n\r\n[Wreg]\r\n"
        "HKCU,\"Control Panel\\Cursors\",,0x00020000,\"%SCHEME_NAME%\"\r\n"
        "HKCU,\"Control Panel\\Cursors\",Arrow,0x00020000,\"%10%\\%CUR_DIR%\\%pointer%\"\r\n"
        "HKCU,\"Control Panel\\Cursors\",Wait,0x00020000,\"%10%\\%CUR_DIR%\\%busy%\"\r\n"
        "HKCU,\"Control Panel\\Cursors\",AppStarting,0x00020000,\"%10%\\%CUR_DIR%\\%work%\"\r\n"
        "\r\n[Strings]\r\nCUR_DIR = \"Cursors\\Sakura\"\r\n";
    inf += "SCHEME_NAME = \"" + std::string(scheme) + "\"\r\n";
    inf += "pointer = \"arrow.cur\"\r\nbusy = \"busy.ani\"\r\nwork = \"work.ani\"\r\n";
    return inf;
}

class PackWindow : public PlayListWindow {
protected:
    // A folder below the test's own with the files given as name and content.
    fs::path MakeFolder(const fs::path& relative,
                        const std::vector<std::pair<std::wstring, std::string>>& files) {
        const fs::path folder = FDir / relative;
        fs::create_directories(folder);
        for (const auto& [name, bytes] : files)
            std::ofstream(folder / name, std::ios::binary) << bytes;
        return folder;
    }
    static std::string Cursor(const char* sample = "star32.ani") { return Bytes(SamplePath(sample)); }
    static std::wstring Path(const fs::path& folder, const wchar_t* name) {
        return (folder / name).wstring();
    }
    static std::wstring SelectedNodeText(HWND tree) {
        wchar_t text[300] = {};
        TVITEMW item{};
        item.mask = TVIF_TEXT;
        item.hItem = TreeView_GetSelection(tree);
        item.pszText = text;
        item.cchTextMax = 300;
        TreeView_GetItem(tree, &item);
        return text;
    }
    // Drags the folders over the point of a control and drops them there, as the shell does.
    static void DropOn(TfrmPlayList& form, const std::vector<std::wstring>& names, HWND control,
                       POINT client) {
        IDropTarget* target = form.DropTarget1().DropTargetObject();
        ASSERT_TRUE(target);
        ::ClientToScreen(control, &client);
        const POINTL at{client.x, client.y};
        TFileListDataRef data(names);
        DWORD effect = DROPEFFECT_COPY;
        ASSERT_EQ(target->DragEnter(data.Data, MK_LBUTTON, at, &effect), S_OK);
        ASSERT_EQ(target->DragOver(MK_LBUTTON, at, &effect), S_OK);
        ASSERT_EQ(target->Drop(data.Data, MK_LBUTTON, at, &effect), S_OK);
        PumpIdle(300ms);
    }
    static POINT EmptyTreePoint(HWND tree) {
        RECT client{};
        ::GetClientRect(tree, &client);
        return POINT{client.right / 2, client.bottom - 5};
    }
    static POINT NodePoint(HWND tree, int index) {
        RECT node{};
        TreeView_GetItemRect(tree, NodeOf(tree, index), &node, TRUE);
        return POINT{(node.left + node.right) / 2, (node.top + node.bottom) / 2};
    }
};

BOOL CALLBACK FindVisibleEdit(HWND child, LPARAM found) {
    if (ClassOf(child) == L"Edit" && ::IsWindowVisible(child)) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

// Works the folder picker from its own thread: the folder typed into its name box, then its OK button.
TDialogDriver PickerChoosing(const std::wstring& folder) {
    return TDialogDriver(kPickerTitle, [folder](HWND dialog) {
        HWND edit = nullptr;
        ::EnumChildWindows(dialog, FindVisibleEdit, reinterpret_cast<LPARAM>(&edit));
        ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
    });
}

} // namespace

TEST_F(PackWindow, TheMenuPicksAPackFolderAndItsInfNamesAndOrdersTheGroup) {
    const fs::path pack = MakeFolder(L"Sakura pack", {{L"install.inf", SakuraInf()},
                                                      {L"busy.ani", Cursor("star32.ani")},
                                                      {L"work.ani", Cursor("clock32.ani")},
                                                      {L"arrow.cur", StaticCursorBytes()}});
    TfrmPlayList& form = Open();
    TMessageBoxAnswerer information(L"情報");
    {
        const TDialogDriver picker = PickerChoosing(pack.wstring());
        PressKeys({{'P', {VK_MENU}}, {'F'}}); // プレイリスト(&P) › フォルダーからグループを作成(&F)...
        ASSERT_TRUE(Pump([&] { return picker.Worked(); }, 10s)) << "the folder picker opened";
    }
    ASSERT_TRUE(Pump([&] { return KeyExists(GroupKey(L"Sakura Cursors")); }, 10s));
    EXPECT_EQ(StoredFiles(L"Sakura Cursors"),
              (std::vector<std::wstring>{Path(pack, L"work.ani"), Path(pack, L"busy.ani")}))
        << "AppStarting comes before Wait among the roles";
    EXPECT_EQ(SelectedNodeText(form.tvGroup()), L"Sakura Cursors");
    EXPECT_EQ(::GetFocus(), form.tvGroup()) << "the new group is selected where the keyboard is";
    ASSERT_TRUE(form.ShownGroup());
    EXPECT_EQ(form.ShownGroup()->Name(), L"Sakura Cursors");
    EXPECT_EQ(ListView_GetItemCount(form.lvGroupList()), 2);
    ASSERT_TRUE(Pump([&] { return !information.Texts().empty(); }));
    EXPECT_NE(information.Texts()[0].find(L"ファイル 1 個 (.cur など)"), std::wstring::npos)
        << information.Texts()[0];

    // The same folder again: a second group beside the first.
    {
        const TDialogDriver picker = PickerChoosing(pack.wstring());
        form.Execute(IDA_FOLDERGROUP);
        ASSERT_TRUE(picker.Worked());
    }
    PumpIdle();
    EXPECT_EQ(StoredFiles(L"Sakura Cursors (2)"), StoredFiles(L"Sakura Cursors"));
    EXPECT_EQ(SelectedNodeText(form.tvGroup()), L"Sakura Cursors (2)");

    // Without an INF: the folder's name and its cursors by name, numbers counted.
    const fs::path plain = MakeFolder(L"My Cursors", {{L"spin10.ani", Cursor()},
                                                      {L"spin2.ani", Cursor("ball32.ani")},
                                                      {L"Spin1.ANI", Cursor("ring32.ani")}});
    {
        const TDialogDriver picker = PickerChoosing(plain.wstring());
        form.Execute(IDA_FOLDERGROUP);
        ASSERT_TRUE(picker.Worked());
    }
    PumpIdle();
    EXPECT_EQ(StoredFiles(L"My Cursors"),
              (std::vector<std::wstring>{Path(plain, L"Spin1.ANI"), Path(plain, L"spin2.ani"),
                                         Path(plain, L"spin10.ani")}));
    EXPECT_EQ(SelectedNodeText(form.tvGroup()), L"My Cursors");
    EXPECT_EQ(CellText(form.lvGroupList(), 2, 0), L"Spinning Star") << "rows are read when painted";
    EXPECT_EQ(information.Texts().size(), 2u)
        << "each Sakura group left its arrow.cur out, My Cursors nothing";

    // Cancelled: nothing more.
    {
        const TDialogDriver picker(kPickerTitle,
                                   [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
        form.Execute(IDA_FOLDERGROUP);
        ASSERT_TRUE(picker.Worked());
    }
    PumpIdle();
    EXPECT_EQ(GroupKeys().size(), 3u);
}

TEST_F(PackWindow, BothMenusOfferTheNewCommands) {
    TfrmPlayList& form = Open();
    const HMENU playlist = ::GetSubMenu(form.MainMenu1(), 0);
    for (HMENU menu : {playlist, form.pmForGroups()}) {
        wchar_t text[128] = {};
        ::GetMenuStringW(menu, IDA_FOLDERGROUP, text, 128, MF_BYCOMMAND);
        EXPECT_STREQ(text, L"フォルダーからグループを作成(&F)...");
        ::GetMenuStringW(menu, IDA_SCHEMEGROUP, text, 128, MF_BYCOMMAND);
        EXPECT_STREQ(text, L"スキームからグループを作成(&S)...");
    }
}

TEST_F(PackWindow, FoldersDroppedOnTheEmptyTreeBecomeGroupsAndOnAGroupFillIt) {
    WriteGroup(L"Mine", {SamplePath("moon32.ani")});
    const fs::path pack = MakeFolder(L"Pack\\A\\B", {{L"b.ani", Cursor()}, {L"a.ani", Cursor()}});
    const fs::path inf = MakeFolder(L"Named", {{L"x.inf", SakuraInf("Sakura\\Large")},
                                               {L"work.ani", Cursor()},
                                               {L"busy.ani", Cursor()},
                                               {L"other.ani", Cursor()}});
    TfrmPlayList& form = Open();
    const HWND tree = form.tvGroup();
    TMessageBoxAnswerer confirm(L"確認", IDOK);
    TMessageBoxAnswerer information(L"情報");

    DropOn(form, {pack.wstring(), inf.wstring()}, tree, EmptyTreePoint(tree));
    ASSERT_TRUE(Pump([&] { return !information.Texts().empty(); })) << "the INF's arrow.cur is not there";
    EXPECT_EQ(confirm.Texts().size(), 1u) << "two groups at once";
    EXPECT_EQ(NodeTexts(tree), (std::vector<std::wstring>{L"Mine", L"B", L"Sakura-Large"}))
        << "a name with a backslash is made a key's name";
    EXPECT_EQ(StoredFiles(L"B"), (std::vector<std::wstring>{Path(pack, L"a.ani"), Path(pack, L"b.ani")}));
    EXPECT_EQ(
        StoredFiles(L"Sakura-Large"),
        (std::vector<std::wstring>{Path(inf, L"work.ani"), Path(inf, L"busy.ani"), Path(inf, L"other.ani")}));
    EXPECT_EQ(SelectedNodeText(tree), L"B") << "the first new group";

    // On a group: its cursors at the end of that group, nothing new.
    DropOn(form, {pack.wstring()}, tree, NodePoint(tree, 0));
    EXPECT_EQ(NodeTexts(tree).size(), 3u);
    form.Groups(0).SaveIfModified();
    EXPECT_EQ(StoredFiles(L"Mine"), (std::vector<std::wstring>{SamplePath("moon32.ani"), Path(pack, L"a.ani"),
                                                               Path(pack, L"b.ani")}));

    // Files and a folder together on a group: each as it always went.
    const std::wstring loose = TempFile(L"loose.ani", Cursor());
    DropOn(form, {loose, pack.wstring()}, tree, NodePoint(tree, 1));
    form.Groups(1).SaveIfModified();
    EXPECT_EQ(StoredFiles(L"B"), (std::vector<std::wstring>{Path(pack, L"a.ani"), Path(pack, L"b.ani"), loose,
                                                            Path(pack, L"a.ani"), Path(pack, L"b.ani")}));
}

TEST_F(PackWindow, VariantFoldersAskOnceAndGiveOneGroupEach) {
    const fs::path pack = MakeFolder(L"Sakura", {{L"install.inf", SakuraInf()}, {L"readme.txt", "hello"}});
    MakeFolder(L"Sakura\\normal", {{L"work.ani", Cursor()}, {L"busy.ani", Cursor()}});
    MakeFolder(L"Sakura\\large", {{L"busy.ani", Cursor("star48.ani")}, {L"work.ani", Cursor("star48.ani")}});
    TfrmPlayList& form = Open();
    const HWND tree = form.tvGroup();
    {
        TMessageBoxAnswerer cancel(L"確認", IDCANCEL);
        DropOn(form, {pack.wstring()}, tree, EmptyTreePoint(tree));
        ASSERT_TRUE(Pump([&] { return !cancel.Texts().empty(); }));
        EXPECT_EQ(cancel.Texts()[0], L"2 個のグループを作成します。\n\n「Sakura Cursors - large」\n"
                                     L"「Sakura Cursors - normal」\n\nよろしいですか？");
    }
    PumpIdle();
    EXPECT_TRUE(GroupKeys().empty()) << "cancelled: nothing made";

    TMessageBoxAnswerer confirm(L"確認", IDOK);
    TMessageBoxAnswerer information(L"情報");
    DropOn(form, {pack.wstring()}, tree, EmptyTreePoint(tree));
    ASSERT_TRUE(Pump([&] { return !information.Texts().empty(); }));
    EXPECT_EQ(NodeTexts(tree),
              (std::vector<std::wstring>{L"Sakura Cursors - large", L"Sakura Cursors - normal"}));
    const fs::path large = pack / L"large", normal = pack / L"normal";
    EXPECT_EQ(StoredFiles(L"Sakura Cursors - large"),
              (std::vector<std::wstring>{Path(large, L"work.ani"), Path(large, L"busy.ani")}));
    EXPECT_EQ(StoredFiles(L"Sakura Cursors - normal"),
              (std::vector<std::wstring>{Path(normal, L"work.ani"), Path(normal, L"busy.ani")}));
    EXPECT_EQ(information.Texts()[0],
              L"2 個のグループを作成しました (カーソル 4 個)。\n"
              L"アニメーションカーソルではないファイル 1 個 (.cur など) は追加していません。");
}

TEST_F(PackWindow, BadFoldersGetAMessageAndChangeNothing) {
    const fs::path none = MakeFolder(L"Static only", {{L"arrow.cur", StaticCursorBytes()}});
    const fs::path big = MakeFolder(
        L"Big", {{L"install.inf", SakuraInf() + std::string(1 << 20, ';')}, {L"busy.ani", Cursor()}});
    const fs::path missing = MakeFolder(L"Missing", {{L"install.inf", SakuraInf()}, {L"busy.ani", Cursor()}});
    TfrmPlayList& form = Open();
    const HWND tree = form.tvGroup();
    TMessageBoxAnswerer errors(ApplicationTitle());
    TMessageBoxAnswerer information(L"情報");

    DropOn(form, {none.wstring()}, tree, EmptyTreePoint(tree));
    ASSERT_TRUE(Pump([&] { return errors.Texts().size() == 1; }));
    EXPECT_EQ(errors.Texts()[0], L"アニメーションカーソルが見つかりませんでした。\n" + none.wstring());
    DropOn(form, {big.wstring()}, tree, EmptyTreePoint(tree));
    ASSERT_TRUE(Pump([&] { return errors.Texts().size() == 2; }));
    EXPECT_EQ(errors.Texts()[1],
              L"INF ファイル「" + Path(big, L"install.inf") + L"」は 1 MiB を超えているため読み取りません。");
    PumpIdle();
    EXPECT_TRUE(GroupKeys().empty());
    EXPECT_EQ(TreeView_GetCount(tree), 0u);

    // Files the INF names that the folder lacks are counted.
    DropOn(form, {missing.wstring()}, tree, EmptyTreePoint(tree));
    ASSERT_TRUE(Pump([&] { return !information.Texts().empty(); }));
    EXPECT_EQ(information.Texts()[0],
              L"グループ「Sakura Cursors」を作成しました (カーソル 1 個)。\n"
              L"INF ファイルに書かれているファイルのうち 2 個が見つかりませんでした。");
    EXPECT_EQ(StoredFiles(L"Sakura Cursors"), std::vector<std::wstring>{Path(missing, L"busy.ani")});
    EXPECT_EQ(errors.Texts().size(), 2u);
}

TEST_F(PackWindow, ASchemeOfTheUsersRegistryBecomesAGroupOfItsAnimatedCursors) {
    const fs::path folder = MakeFolder(
        L"Scheme files",
        {{L"work.ani", Cursor()}, {L"busy.ani", Cursor("clock32.ani")}, {L"arrow.cur", StaticCursorBytes()}});
    ::SetEnvironmentVariableW(L"DOVEX_SCHEME_DIR", folder.wstring().c_str());
    const std::wstring schemes = L"Control Panel\\Cursors\\Schemes";
    const std::wstring name = L"Dovex Test Scheme";
    const std::wstring files = L"%DOVEX_SCHEME_DIR%\\arrow.cur,,%DOVEX_SCHEME_DIR%\\work.ani,"
                               L"%DOVEX_SCHEME_DIR%\\busy.ani,,,,%DOVEX_SCHEME_DIR%\\gone.ani,,,,,,,"
                               L"%DOVEX_SCHEME_DIR%\\work.ani";
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, schemes.c_str(), name.c_str(), REG_EXPAND_SZ,
                                files.c_str(), static_cast<DWORD>((files.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    struct TRemove {
        const std::wstring& Key;
        const std::wstring& Name;
        ~TRemove() { ::RegDeleteKeyValueW(HKEY_CURRENT_USER, Key.c_str(), Name.c_str()); }
    } remove{schemes, name};
    TfrmPlayList& form = Open();
    TMessageBoxAnswerer information(L"情報");
    std::vector<std::wstring> listed;
    {
        TDialogDriver chooser(TSchemeGroupDialog::kCaption, [&](HWND dialog) {
            const HWND list = ::GetDlgItem(dialog, IDC_SCHEMEGROUP_LIST);
            const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                wchar_t text[256] = {};
                ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
                listed.emplace_back(text);
            }
            const LRESULT at = ::SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(name.c_str()));
            ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        form.Execute(IDA_SCHEMEGROUP);
        ASSERT_TRUE(chooser.Worked());
    }
    EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end());
    ASSERT_TRUE(Pump([&] { return KeyExists(GroupKey(name)); }));
    EXPECT_EQ(StoredFiles(name),
              (std::vector<std::wstring>{Path(folder, L"work.ani"), Path(folder, L"busy.ani")}));
    EXPECT_EQ(SelectedNodeText(form.tvGroup()), name);
    ASSERT_TRUE(Pump([&] { return !information.Texts().empty(); }));
    EXPECT_EQ(information.Texts()[0],
              L"グループ「Dovex Test Scheme」を作成しました (カーソル 2 個)。\n"
              L"アニメーションカーソルではないファイル 1 個 (.cur など) は追加していません。\n"
              L"スキームに書かれているファイルのうち 1 個が見つかりませんでした。");

    // Cancelled: nothing.
    {
        TDialogDriver chooser(TSchemeGroupDialog::kCaption,
                              [](HWND dialog) { ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
        form.Execute(IDA_SCHEMEGROUP);
        ASSERT_TRUE(chooser.Worked());
    }
    PumpIdle();
    EXPECT_EQ(GroupKeys().size(), 1u);
}
