// The cursor schemes read from the real scheme keys of the machine and the user (whatever they held is put
// back after each test), and applied through a recorder in place of SetSystemCursor.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/Exception.h"
#include "model/SysCursorCtrls.h"
#include "tests/TestSupport.h"

namespace dovex::test {
namespace {

// The cursors drawn below need a desktop: the project's, never the default one.
const auto* const kProjectDesktop = ::testing::AddGlobalTestEnvironment(new ProjectDesktop);

const wchar_t kMachinePath[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cursors\\Schemes";
const wchar_t kUserPath[] = L"Control Panel\\Cursors\\Schemes";

// The system cursor ids by role position, and User32.dll's default cursors for them.
const DWORD kSystemIds[kCursorRoleCount] = {32512, 32651, 32650, 32514, 32515, 32513, 32631, 32648,
                                            32645, 32644, 32642, 32643, 32646, 32516, 32649};
const WORD kResourceIds[kCursorRoleCount] = {100, 112, 111, 102, 103, 101, 113, 110,
                                             108, 107, 105, 106, 109, 104, 114};

// A key's values as they were before a test, and the parts of its path that did not exist then.
class TKeyKeeper {
public:
    TKeyKeeper(HKEY root, std::wstring path) : FRoot(root), FPath(std::move(path)) {}

    void Save() {
        FValues.clear();
        FCreated.clear();
        for (size_t end = FPath.find(L'\\');; end = FPath.find(L'\\', end + 1)) {
            const std::wstring part = FPath.substr(0, end);
            if (!Exists(part))
                FCreated.push_back(part);
            if (end == std::wstring::npos)
                break;
        }
        HKEY key = nullptr;
        if (::RegOpenKeyExW(FRoot, FPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return;
        for (DWORD i = 0;; ++i) {
            wchar_t name[16384];
            DWORD nameLen = 16384, type = 0, size = 0;
            if (::RegEnumValueW(key, i, name, &nameLen, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
                break;
            TValue value{std::wstring(name, nameLen), type, std::vector<BYTE>(size)};
            nameLen = 16384;
            if (::RegEnumValueW(key, i, name, &nameLen, nullptr, &type, value.Data.data(), &size) ==
                ERROR_SUCCESS) {
                value.Data.resize(size);
                FValues.push_back(std::move(value));
            }
        }
        ::RegCloseKey(key);
    }

    // The key exists and holds no values.
    void Clear() {
        HKEY key = nullptr;
        ASSERT_EQ(
            ::RegCreateKeyExW(FRoot, FPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        for (;;) {
            wchar_t name[16384];
            DWORD nameLen = 16384;
            if (::RegEnumValueW(key, 0, name, &nameLen, nullptr, nullptr, nullptr, nullptr) !=
                    ERROR_SUCCESS ||
                ::RegDeleteValueW(key, name) != ERROR_SUCCESS)
                break;
        }
        ::RegCloseKey(key);
    }

    void Remove() {
        Clear();
        ASSERT_EQ(::RegDeleteKeyW(FRoot, FPath.c_str()), ERROR_SUCCESS);
    }

    void Restore() {
        if (!FCreated.empty()) {
            for (auto it = FCreated.rbegin(); it != FCreated.rend(); ++it)
                ::RegDeleteKeyW(FRoot, it->c_str());
            return;
        }
        Clear();
        HKEY key = nullptr;
        if (::RegOpenKeyExW(FRoot, FPath.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            return;
        for (const auto& value : FValues)
            ::RegSetValueExW(key, value.Name.c_str(), 0, value.Type, value.Data.data(),
                             static_cast<DWORD>(value.Data.size()));
        ::RegCloseKey(key);
    }

    void Set(const std::wstring& name, DWORD type, const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(
            ::RegCreateKeyExW(FRoot, FPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        EXPECT_EQ(::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
        ::RegCloseKey(key);
    }
    void SetText(const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ) {
        Set(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

private:
    struct TValue {
        std::wstring Name;
        DWORD Type;
        std::vector<BYTE> Data;
    };

    bool Exists(const std::wstring& path) const {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(FRoot, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(key);
        return true;
    }

    HKEY FRoot;
    std::wstring FPath;
    std::vector<TValue> FValues;
    std::vector<std::wstring> FCreated; // outermost first
};

// What a cursor shows: enough to tell two cursors apart.
struct TCursorImage {
    LONG Width = 0, Height = 0;
    DWORD HotX = 0, HotY = 0;
    std::vector<BYTE> Mask, Color;
    bool operator==(const TCursorImage&) const = default;
};

std::vector<BYTE> BitmapBits(HBITMAP bitmap) {
    if (!bitmap)
        return {};
    BITMAP info{};
    ::GetObjectW(bitmap, sizeof(info), &info);
    std::vector<BYTE> bits(static_cast<size_t>(info.bmWidthBytes) * static_cast<size_t>(info.bmHeight));
    bits.resize(static_cast<size_t>(::GetBitmapBits(bitmap, static_cast<LONG>(bits.size()), bits.data())));
    return bits;
}

std::optional<TCursorImage> ImageOf(HCURSOR cursor) {
    ICONINFO icon{};
    if (!cursor || !::GetIconInfo(cursor, &icon))
        return std::nullopt;
    TCursorImage image;
    BITMAP mask{};
    ::GetObjectW(icon.hbmMask, sizeof(mask), &mask);
    image.Width = mask.bmWidth;
    image.Height = icon.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
    image.HotX = icon.xHotspot;
    image.HotY = icon.yHotspot;
    image.Mask = BitmapBits(icon.hbmMask);
    image.Color = BitmapBits(icon.hbmColor);
    ::DeleteObject(icon.hbmMask);
    if (icon.hbmColor)
        ::DeleteObject(icon.hbmColor);
    return image;
}

std::optional<TCursorImage> FileImage(const std::wstring& file) {
    const HCURSOR cursor = ::LoadCursorFromFileW(file.c_str());
    auto image = ImageOf(cursor);
    if (cursor)
        ::DestroyCursor(cursor);
    return image;
}

// User32.dll's default cursor of a role; Wine's User32.dll numbers its cursors as the system cursors.
std::optional<TCursorImage> DefaultImage(int role) {
    const HMODULE user32 = ::GetModuleHandleW(L"User32.dll");
    HCURSOR cursor = ::LoadCursorW(user32, MAKEINTRESOURCEW(kResourceIds[role]));
    if (!cursor)
        cursor = ::LoadCursorW(user32, MAKEINTRESOURCEW(kSystemIds[role]));
    return ImageOf(cursor);
}

std::wstring Sample(const char* name) {
    std::string dir = DOVEX_SAMPLES_DIR;
    if (!dir.empty() && dir[0] == '/')
        dir = "Z:" + dir; // the build tree seen through the emulator's root drive
    return (std::filesystem::path(dir) / name).make_preferred().wstring();
}

// In place of SetSystemCursor: records what each role got and takes the cursor over, as the system does.
struct TApplied {
    DWORD Id;
    TCursorImage Image;
};
std::vector<TApplied> GApplied;
int GRefused = 0;

BOOL WINAPI RecordSetSystemCursor(HCURSOR cursor, DWORD id) {
    GApplied.push_back({id, ImageOf(cursor).value_or(TCursorImage{})});
    ::DestroyCursor(cursor);
    return TRUE;
}

BOOL WINAPI RefuseSetSystemCursor(HCURSOR, DWORD) {
    ++GRefused;
    return FALSE;
}

class SysCursorCtrlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        FMachine.Save();
        FUser.Save();
        FMachine.Clear();
        FUser.Clear();
        GApplied.clear();
        GRefused = 0;
    }
    void TearDown() override {
        TSystemCursorCtrl::ReplaceSetSystemCursor(nullptr);
        FMachine.Restore();
        FUser.Restore();
    }

    static int IndexOf(const TSystemCursorCtrl& schemes, const std::wstring& name) {
        for (int i = 0; i < schemes.SchemeCount(); ++i)
            if (schemes.SchemeName(i) == name)
                return i;
        return -1;
    }
    static std::vector<std::wstring> Names(const TSystemCursorCtrl& schemes) {
        std::vector<std::wstring> names;
        for (int i = 0; i < schemes.SchemeCount(); ++i)
            names.push_back(schemes.SchemeName(i));
        return names;
    }
    // Applies the scheme of that name with the recorder in place of SetSystemCursor.
    static void ApplyRecorded(const std::wstring& name) {
        TSystemCursorCtrl schemes;
        const int index = IndexOf(schemes, name);
        ASSERT_GE(index, 0);
        TSystemCursorCtrl::ReplaceSetSystemCursor(RecordSetSystemCursor);
        schemes.ApplyScheme(index);
        TSystemCursorCtrl::ReplaceSetSystemCursor(nullptr);
    }

    TKeyKeeper FMachine{HKEY_LOCAL_MACHINE, kMachinePath};
    TKeyKeeper FUser{HKEY_CURRENT_USER, kUserPath};
};

TEST_F(SysCursorCtrlsTest, UserSchemeOverridesMachineSchemeWithItsCaseOfTheName) {
    FMachine.SetText(L"My Scheme", L"C:\\m\\arrow.cur,C:\\m\\help.cur");
    FMachine.SetText(L"Machine Only", L"C:\\m\\only.cur");
    FMachine.SetText(L"\u00c4pfel", L"C:\\m\\apfel.cur");
    FUser.SetText(L"MY SCHEME", L"C:\\u\\arrow.cur");
    FUser.SetText(L"User Only", L"C:\\u\\only.cur");
    FUser.SetText(L"\u00e4PFEL", L"C:\\u\\apfel.cur");

    TSystemCursorCtrl schemes;
    EXPECT_EQ(Names(schemes),
              (std::vector<std::wstring>{L"\u00e4PFEL", L"Machine Only", L"MY SCHEME", L"User Only"}));
    const int mine = IndexOf(schemes, L"MY SCHEME");
    ASSERT_GE(mine, 0);
    EXPECT_EQ(schemes.SchemeFile(mine, 0), L"C:\\u\\arrow.cur");
    EXPECT_EQ(schemes.SchemeFile(mine, 1), L""); // the user's list, not the machine's
    EXPECT_EQ(schemes.SchemeFile(IndexOf(schemes, L"\u00e4PFEL"), 0), L"C:\\u\\apfel.cur");
    EXPECT_EQ(schemes.SchemeFile(IndexOf(schemes, L"Machine Only"), 0), L"C:\\m\\only.cur");
    EXPECT_EQ(schemes.SchemeFile(IndexOf(schemes, L"User Only"), 0), L"C:\\u\\only.cur");
}

TEST_F(SysCursorCtrlsTest, EmptyUserValueHidesMachineScheme) {
    FMachine.SetText(L"Hidden", L"C:\\m\\a.cur");
    FMachine.SetText(L"Quotes Only", L"C:\\m\\b.cur");
    FMachine.SetText(L"Kept", L"C:\\m\\c.cur");
    FUser.SetText(L"hidden", L"");
    FUser.SetText(L"QUOTES ONLY", L"\"\"");   // nothing left once the quotes are gone
    FUser.SetText(L"No Machine Scheme", L""); // hides nothing, adds nothing

    TSystemCursorCtrl schemes;
    EXPECT_EQ(Names(schemes), std::vector<std::wstring>{L"Kept"});
}

TEST_F(SysCursorCtrlsTest, QuotesAreRemovedFromFileLists) {
    FUser.SetText(L"Quoted",
                  L"\"C:\\Cursors\\a b.cur\", \"C:\\Cursors\\c.ani\",,\"C:\\Cursors\\d.cur\",C:\\x\"y.cur");

    TSystemCursorCtrl schemes;
    ASSERT_EQ(schemes.SchemeCount(), 1);
    EXPECT_EQ(schemes.SchemeFile(0, 0), L"C:\\Cursors\\a b.cur");
    EXPECT_EQ(schemes.SchemeFile(0, 1), L"C:\\Cursors\\c.ani");
    EXPECT_EQ(schemes.SchemeFile(0, 2), L"");
    EXPECT_EQ(schemes.SchemeFile(0, 3), L"C:\\Cursors\\d.cur");
    EXPECT_EQ(schemes.SchemeFile(0, 4), L"C:\\xy.cur");
    EXPECT_EQ(schemes.SchemeFile(0, 5), L"");
}

TEST_F(SysCursorCtrlsTest, ValuesThatAreNotStringsAreSkipped) {
    const DWORD number = 5;
    const BYTE bytes[] = {1, 2, 3, 4};
    const wchar_t multi[] = L"C:\\a.cur\0C:\\b.cur\0";
    FMachine.SetText(L"Number", L"C:\\m\\number.cur");
    FUser.Set(L"Number", REG_DWORD, &number, sizeof(number)); // unreadable: the machine's scheme stays
    FUser.Set(L"Bytes", REG_BINARY, bytes, sizeof(bytes));
    FUser.Set(L"Multi", REG_MULTI_SZ, multi, sizeof(multi));
    FUser.SetText(L"Expand", L"%SystemRoot%\\Cursors\\x.cur", REG_EXPAND_SZ);
    FUser.SetText(L"", L"C:\\default.cur"); // the unnamed value names no scheme

    std::optional<TSystemCursorCtrl> schemes;
    ASSERT_NO_THROW(schemes.emplace());
    EXPECT_EQ(Names(*schemes), (std::vector<std::wstring>{L"Expand", L"Number"}));
    EXPECT_EQ(schemes->SchemeFile(0, 0), L"%SystemRoot%\\Cursors\\x.cur"); // as stored, not expanded
    EXPECT_EQ(schemes->SchemeFile(1, 0), L"C:\\m\\number.cur");
    EXPECT_NO_THROW(schemes->Refresh());
}

TEST_F(SysCursorCtrlsTest, SortedIgnoringCase) {
    FUser.SetText(L"Blue", L"C:\\b.cur");
    FUser.SetText(L"arrows", L"C:\\a.cur");
    FUser.SetText(L"cyan", L"C:\\c.cur");
    FUser.SetText(L"Apple", L"C:\\p.cur");
    FMachine.SetText(L"Banana", L"C:\\n.cur");

    TSystemCursorCtrl schemes;
    EXPECT_EQ(Names(schemes), (std::vector<std::wstring>{L"Apple", L"arrows", L"Banana", L"Blue", L"cyan"}));
}

TEST_F(SysCursorCtrlsTest, FilePositionsAndIndexes) {
    std::wstring fifteen, seventeen;
    for (int i = 0; i < 17; ++i) {
        if (i == 15)
            fifteen = seventeen;
        seventeen += (i ? L"," : L"") + std::wstring(L"C:\\f") + std::to_wstring(i) + L".cur";
    }
    FUser.SetText(L"A Fifteen", fifteen);
    FUser.SetText(L"B Seventeen", seventeen);
    FUser.SetText(L"C Three", L"C:\\a.cur,C:\\b.cur,C:\\c.cur");

    TSystemCursorCtrl schemes;
    ASSERT_EQ(schemes.SchemeCount(), 3);
    EXPECT_EQ(schemes.SchemeFile(0, 14), L"C:\\f14.cur");
    EXPECT_EQ(schemes.SchemeFile(1, 14), L"C:\\f14.cur");
    EXPECT_EQ(schemes.SchemeFile(1, 15), L""); // only fifteen roles
    EXPECT_EQ(schemes.SchemeFile(2, 2), L"C:\\c.cur");
    EXPECT_EQ(schemes.SchemeFile(2, 3), L"");
    EXPECT_EQ(schemes.SchemeFile(2, 20), L"");
    EXPECT_EQ(schemes.SchemeFile(2, -1), L"");
    // The whole list, roles beyond the fifteen included (newer systems have seventeen).
    ASSERT_EQ(schemes.SchemeFiles(1).size(), 17u);
    EXPECT_EQ(schemes.SchemeFiles(1)[16], L"C:\\f16.cur");
    EXPECT_EQ(schemes.SchemeFiles(2), (std::vector<std::wstring>{L"C:\\a.cur", L"C:\\b.cur", L"C:\\c.cur"}));
    EXPECT_THROW(schemes.SchemeFiles(3), EListError);
    EXPECT_THROW(schemes.SchemeName(-1), EListError);
    EXPECT_THROW(schemes.SchemeName(3), EListError);
    EXPECT_THROW(schemes.SchemeFile(3, 0), EListError);
    EXPECT_THROW(schemes.ApplyScheme(3), EListError);
}

TEST_F(SysCursorCtrlsTest, MissingKeysGiveNoSchemes) {
    FMachine.Remove();
    FUser.Remove();
    std::optional<TSystemCursorCtrl> schemes;
    ASSERT_NO_THROW(schemes.emplace());
    EXPECT_EQ(schemes->SchemeCount(), 0);
    EXPECT_THROW(schemes->SchemeName(0), EListError);
}

TEST_F(SysCursorCtrlsTest, ReadAtCreationAndOnRefreshOnly) {
    FUser.SetText(L"First", L"C:\\a.cur");
    TSystemCursorCtrl schemes;
    FUser.SetText(L"Second", L"C:\\b.cur");
    FMachine.SetText(L"Third", L"C:\\c.cur");
    EXPECT_EQ(Names(schemes), std::vector<std::wstring>{L"First"});
    schemes.Refresh();
    EXPECT_EQ(Names(schemes), (std::vector<std::wstring>{L"First", L"Second", L"Third"}));
    FUser.Clear();
    FMachine.Clear();
    schemes.Refresh();
    EXPECT_EQ(schemes.SchemeCount(), 0);
}

TEST_F(SysCursorCtrlsTest, ThreeFilesAndTwelveDefaults) {
    const std::wstring files[] = {Sample("arrow32.ani"), Sample("heart64.ani"), Sample("dots48.ani")};
    FUser.SetText(L"Three", L"\"" + files[0] + L"\", " + files[1] + L"," + files[2]);
    ApplyRecorded(L"Three");

    ASSERT_EQ(GApplied.size(), 15u);
    for (int role = 0; role < kCursorRoleCount; ++role) {
        SCOPED_TRACE(role);
        EXPECT_EQ(GApplied[role].Id, kSystemIds[role]);
        const auto expected = role < 3 ? FileImage(files[role]) : DefaultImage(role);
        ASSERT_TRUE(expected.has_value());
        EXPECT_GT(expected->Width, 0);
        EXPECT_TRUE(GApplied[role].Image == *expected);
    }
    // The images really tell the cursors apart.
    EXPECT_FALSE(GApplied[0].Image == GApplied[1].Image);
    EXPECT_FALSE(GApplied[1].Image == GApplied[2].Image);
    EXPECT_FALSE(GApplied[3].Image == GApplied[5].Image); // busy and text select
}

TEST_F(SysCursorCtrlsTest, EmptyPositionGivesDefaultAndUnloadableFileLeavesRole) {
    const std::wstring heart = Sample("heart64.ani");
    FUser.SetText(L"Gaps", L"Z:\\no\\such\\folder\\missing.cur,," + heart);
    ApplyRecorded(L"Gaps");

    ASSERT_EQ(GApplied.size(), 14u); // normal select stays as it was
    EXPECT_EQ(GApplied[0].Id, 32651u);
    EXPECT_TRUE(GApplied[0].Image == DefaultImage(1));
    EXPECT_EQ(GApplied[1].Id, 32650u);
    EXPECT_TRUE(GApplied[1].Image == FileImage(heart));
    for (const auto& applied : GApplied)
        EXPECT_NE(applied.Id, 32512u);
}

TEST_F(SysCursorCtrlsTest, RefusedCursorsAreFreedAndTheOtherRolesStillTried) {
    FUser.SetText(L"One", Sample("arrow32.ani"));
    TSystemCursorCtrl schemes;
    ASSERT_EQ(schemes.SchemeCount(), 1);
    TSystemCursorCtrl::ReplaceSetSystemCursor(RefuseSetSystemCursor);
    EXPECT_NO_THROW(schemes.ApplyScheme(0));
    EXPECT_EQ(GRefused, 15);
}

TEST_F(SysCursorCtrlsTest, RealApplyAndRestore) {
    FUser.SetText(L"Real", Sample("arrow32.ani") + L",," + Sample("clock32.ani"));
    TSystemCursorCtrl schemes;
    ASSERT_EQ(schemes.SchemeCount(), 1);
    EXPECT_NO_THROW(schemes.ApplyScheme(0));
    TSystemCursorCtrl::RestoreUserCursors();
}

// The user's pointer size, as the system settings store it; anything else is no setting.
TEST(CursorBaseSize, ReadFromTheUsersCursorSettings) {
    TKeyKeeper cursors(HKEY_CURRENT_USER, L"Control Panel\\Cursors");
    cursors.Save();
    const DWORD large = 64, huge = 256;
    cursors.Set(L"CursorBaseSize", REG_DWORD, &large, sizeof(large));
    EXPECT_EQ(ReadCursorBaseSize(), 64u);
    cursors.Set(L"CursorBaseSize", REG_DWORD, &huge, sizeof(huge));
    EXPECT_EQ(ReadCursorBaseSize(), 256u);
    cursors.SetText(L"CursorBaseSize", L"64");
    EXPECT_EQ(ReadCursorBaseSize(), 0u);
    cursors.Clear();
    EXPECT_EQ(ReadCursorBaseSize(), 0u);
    cursors.Restore();
}

} // namespace
} // namespace dovex::test
