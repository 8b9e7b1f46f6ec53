// "その他": registration in the Start-up folder and removal of every setting, answered with real keys.
#include <shlobj.h>

#include <gtest/gtest.h>

#include "SettingsEnvironment.h"
#include "base/ErrorBox.h"
#include "base/ProgramPath.h"
#include "base/UniqueHandle.h"
#include "settings/Startup.h"
#include "settings/VersionInfo.h"

using namespace dovex;
using namespace dovex::test;

namespace {

struct TShortcutFields {
    std::wstring Target, WorkingDirectory, Description;
};

// The shortcut as the shell reads it back.
TShortcutFields ReadShortcut(const std::wstring& path) {
    TShortcutFields fields;
    UniqueCom<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.put()))))
        return fields;
    UniqueCom<IPersistFile> file;
    if (FAILED(link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))) ||
        FAILED(file.get()->Load(path.c_str(), STGM_READ)))
        return fields;
    wchar_t text[MAX_PATH] = {};
    link.get()->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    fields.Target = text;
    link.get()->GetWorkingDirectory(text, MAX_PATH);
    fields.WorkingDirectory = text;
    link.get()->GetDescription(text, MAX_PATH);
    fields.Description = text;
    return fields;
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class Startup : public PropertyFormTest {
protected:
    void SetUp() override {
        PropertyFormTest::SetUp();
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        Link = ShellFolderPath(CSIDL_STARTUP) + L"\\カーソルセーバー Dovex.lnk";
        ::DeleteFileW(Link.c_str());
    }
    void TearDown() override {
        ::DeleteFileW(Link.c_str());
        PropertyFormTest::TearDown();
        ::CoUninitialize();
    }

    // Presses a button of "その他" and answers the boxes that open, each by its caption with a real key;
    // returns the text of each box, empty for one that did not open.
    std::vector<std::wstring> PressAndAnswer(int button, std::vector<std::pair<std::wstring, WORD>> boxes) {
        ShowPage(1);
        std::vector<std::unique_ptr<TBoxAnswerer>> answerers;
        for (const auto& [caption, key] : boxes)
            answerers.push_back(std::make_unique<TBoxAnswerer>(caption, key, 3s));
        ::PostMessageW(Control(1, button), BM_CLICK, 0, 0);
        PumpModeless(
            [&] {
                return std::all_of(answerers.begin(), answerers.end(),
                                   [](const auto& a) { return a->Done(); });
            },
            20s);
        std::vector<std::wstring> texts;
        for (auto& answerer : answerers)
            texts.push_back(answerer->Text());
        PumpModelessFor(100ms);
        return texts;
    }

    std::wstring Link;
};

const std::wstring kConfirm = L"確認";
const std::wstring kInformation = L"情報";

} // namespace

TEST_F(Startup, RegisteringConfirmedWithEnterMakesTheShortcutToDovexExe) {
    Open();
    for (int time = 0; time < 2; ++time) { // again: the shortcut is replaced
        const auto texts =
            PressAndAnswer(IDC_STARTUPENTER, {{kConfirm, VK_RETURN}, {kInformation, VK_RETURN}});
        EXPECT_EQ(texts[0], L"Dovexをスタートアップに登録します。\nよろしいですか？");
        EXPECT_EQ(texts[1], L"スタートアップに登録しました。");
        ASSERT_TRUE(FileExists(Link));
    }
    const TShortcutFields fields = ReadShortcut(Link);
    // Dovex.exe in the program's folder, whatever the running file is called.
    EXPECT_EQ(fields.Target, ProgramFolder() + L"\\Dovex.exe");
    EXPECT_EQ(fields.WorkingDirectory, ProgramFolder());
    EXPECT_EQ(fields.Description, L"カーソルセーバー Dovex");
    EXPECT_NE(FindPropertyForm(), nullptr);
}

TEST_F(Startup, ACancelledConfirmationChangesNothing) {
    for (int button : {IDC_STARTUPENTER, IDC_STARTUPLEAVE}) {
        SetSetting(L"WaitTime", 30000);
        UpdateShortcut(ProgramFolder(), kProgramFileName, kShortcutName, ShellFolderPath(CSIDL_STARTUP),
                       true);
        const auto before = ReadShortcut(Link);
        Open();
        const auto texts = PressAndAnswer(button, {{kConfirm, VK_ESCAPE}, {kInformation, VK_RETURN}});
        EXPECT_FALSE(texts[0].empty()) << button;
        EXPECT_TRUE(texts[1].empty()) << button;
        EXPECT_TRUE(FileExists(Link)) << button;
        EXPECT_EQ(ReadShortcut(Link).Target, before.Target);
        EXPECT_EQ(SettingDword(L"WaitTime"), 30000u) << button;
        EXPECT_EQ(Host.Removed, 0);
        DestroyPropertyForm();
    }
}

TEST_F(Startup, AFolderThatCannotBeWrittenIsReportedAsAFailure) {
    Host.Folder = L"C:\\dovex-no-such-folder\\Startup";
    Open();
    const auto texts =
        PressAndAnswer(IDC_STARTUPENTER,
                       {{kConfirm, VK_RETURN}, {ApplicationTitle(), VK_RETURN}, {kInformation, VK_RETURN}});
    EXPECT_EQ(
        texts[1].rfind(L"スタートアップに登録できませんでした。\nC:\\dovex-no-such-folder\\Startup\\カーソル"
                       L"セーバー Dovex.lnk\n",
                       0),
        0u)
        << "got: " << texts[1].size();
    EXPECT_TRUE(texts[2].empty()) << "no word of success";
    EXPECT_FALSE(FileExists(Host.Folder + L"\\カーソルセーバー Dovex.lnk"));
    EXPECT_NE(FindPropertyForm(), nullptr) << "the dialog stays usable";
}

TEST_F(Startup, RemovalDeletesTheShortcutAndTheWholeTreeThenEndsTheProgram) {
    SetSetting(L"WaitTime", 30000);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Vantoquil\\Dovex\\Playlist\\グループ", L"Item0", REG_SZ,
                      L"a.ani", 12);
    UpdateShortcut(ProgramFolder(), kProgramFileName, kShortcutName, ShellFolderPath(CSIDL_STARTUP), true);
    ASSERT_TRUE(FileExists(Link));
    Open();
    SetEdit(IDC_SAVERWAITMIN, L"9"); // an edit not saved: nothing may write the key again
    const auto texts = PressAndAnswer(IDC_STARTUPLEAVE, {{kConfirm, VK_RETURN}, {kInformation, VK_RETURN}});
    EXPECT_EQ(texts[0], L"スタートアップからDovexを削除し、また設定情報も全て削除します。\nよろしいですか？");
    EXPECT_EQ(texts[1], L"設定情報を削除しました。\nDovexを終了します。");
    ASSERT_TRUE(PumpModeless([&] { return Host.Removed == 1; }, 2s));
    EXPECT_EQ(FindPropertyForm(), nullptr);
    EXPECT_FALSE(FileExists(Link));
    PumpModelessFor(200ms);
    EXPECT_FALSE(KeyExists(kDovexKey));
    EXPECT_TRUE(Host.Main.Posted.empty());
    EXPECT_EQ(Host.Removed, 1);
}

TEST_F(Startup, RemovalWithTheKeyAlreadyGoneLeavesTheProgramRunning) {
    Open();
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kDovexKey);
    const auto texts = PressAndAnswer(IDC_STARTUPLEAVE, {{kConfirm, VK_RETURN}, {kInformation, VK_RETURN}});
    EXPECT_FALSE(texts[0].empty());
    EXPECT_TRUE(texts[1].empty());
    PumpModelessFor(100ms);
    EXPECT_EQ(Host.Removed, 0);
    EXPECT_NE(FindPropertyForm(), nullptr);
}
