#include "model/RegistryEx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "../ScratchKey.h"
#include "../TestSupport.h"
#include "RegistryGate.h"

using namespace dovex;
using dovex::test::ScratchKeyTest;
using dovex::test::TRegistryGateScope;

namespace {

class Registry : public ScratchKeyTest {
protected:
    // Opens the scratch key in a fresh object, as every routine of the program does.
    void Open(TRegistryEx& reg) { ASSERT_TRUE(reg.OpenKey(FPath, false)); }

    // A key "abc" with a default value, named values of three types and a sub-key two levels deep; with
    // flat set, only its values.
    void MakeTree(const wchar_t* name = L"abc", bool flat = false) {
        HKEY old = nullptr, deep = nullptr;
        ::RegCreateKeyExW(FKey, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &old, nullptr);
        ::RegSetValueExW(old, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"default"), 16);
        const DWORD one = 1;
        ::RegSetValueExW(old, L"0", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
        ::RegSetValueExW(old, L"1", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(L"%X%"), 8);
        ::RegSetValueExW(old, L"Empty", 0, REG_BINARY, nullptr, 0);
        if (!flat) {
            ::RegCreateKeyExW(old, L"Sub\\Deeper", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &deep, nullptr);
            ::RegSetValueExW(deep, L"x", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
            ::RegCloseKey(deep);
        }
        ::RegCloseKey(old);
    }
    // Whether the key holds everything MakeTree put there.
    ::testing::AssertionResult HoldsTree(const std::wstring& key, bool flat = false) const {
        std::vector<BYTE> data;
        if (RawType(key, L"", &data) != REG_SZ ||
            std::wstring(reinterpret_cast<const wchar_t*>(data.data())) != L"default")
            return ::testing::AssertionFailure() << "default value";
        if (RawType(key, L"0") != REG_DWORD)
            return ::testing::AssertionFailure() << "value 0";
        if (RawType(key, L"1", &data) != REG_EXPAND_SZ ||
            std::wstring(reinterpret_cast<const wchar_t*>(data.data())) != L"%X%")
            return ::testing::AssertionFailure() << "value 1";
        if (!flat && RawType(key + L"\\Sub\\Deeper", L"x") != REG_DWORD)
            return ::testing::AssertionFailure() << "sub-key value";
        return ::testing::AssertionSuccess();
    }
};

template <typename F> std::wstring MessageOf(F&& f) {
    try {
        f();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return L"(no error)";
}

} // namespace

TEST_F(Registry, IntegersReadOnlyFromFourByteDwords) {
    SetText(L"AsText", L"5");
    SetDword(L"Two", 2);
    DWORD big[2] = {1, 2};
    SetRaw(L"Binary4", REG_BINARY, big, 4);
    SetRaw(L"Short", REG_DWORD, big, 2);
    SetText(L"LongText", L"123456789");
    SetDword(L"Minus", static_cast<DWORD>(-7));
    TRegistryEx reg;
    Open(reg);
    EXPECT_EQ(reg.ReadIntegerDef(L"AsText", 99), 99);
    EXPECT_EQ(reg.ReadIntegerDef(L"Binary4", 99), 99);
    EXPECT_EQ(reg.ReadIntegerDef(L"Short", 99), 99);
    EXPECT_EQ(reg.ReadIntegerDef(L"Missing", 99), 99);
    EXPECT_EQ(reg.ReadIntegerDef(L"Minus", 99), -7);
    EXPECT_EQ(reg.ReadIntegerDef(L"Two", 99), 2);
    EXPECT_TRUE(reg.ReadBoolDef(L"Two", false));
    EXPECT_FALSE(reg.ReadBoolDef(L"AsText", false));
    EXPECT_TRUE(reg.ReadBoolDef(L"AsText", true));

    EXPECT_EQ(MessageOf([&] { reg.ReadInteger(L"Missing"); }), L"'Missing' の取得に失敗しました");
    EXPECT_EQ(MessageOf([&] { reg.ReadInteger(L"LongText"); }), L"'LongText' の取得に失敗しました");
    EXPECT_EQ(MessageOf([&] { reg.ReadInteger(L"AsText"); }), L"'AsText' のデータ型が不正です");
    EXPECT_EQ(MessageOf([&] { reg.ReadInteger(L"Binary4"); }), L"'Binary4' のデータ型が不正です");

    // A true of 2 is written back as 1.
    reg.WriteBoolSafe(L"Two", reg.ReadBoolDef(L"Two", false));
    EXPECT_EQ(reg.ReadInteger(L"Two"), 1);
}

TEST_F(Registry, StringsEndAtTheFirstNulAndStayUnexpanded) {
    const wchar_t withNul[] = L"abc\0more";
    SetRaw(L"Nul", REG_SZ, withNul, sizeof(withNul));
    SetText(L"Expand", L"%WINDIR%\\x", REG_EXPAND_SZ);
    SetText(L"Empty", L"");
    SetRaw(L"ZeroLength", REG_BINARY, nullptr, 0);
    SetDword(L"Dword", 5);
    const wchar_t odd[] = L"xy";
    SetRaw(L"OddSize", REG_SZ, odd, 5); // no terminating NUL, half a character at the end
    SetText(L"Japanese", L"カーソル　グループ");
    TRegistryEx reg;
    Open(reg);
    EXPECT_EQ(reg.ReadString(L"Nul"), L"abc");
    EXPECT_EQ(reg.ReadString(L"Expand"), L"%WINDIR%\\x");
    EXPECT_EQ(reg.ReadString(L"Missing"), L"");
    EXPECT_EQ(reg.ReadString(L"ZeroLength"), L"");
    EXPECT_EQ(reg.ReadString(L"OddSize"), L"xy");
    EXPECT_EQ(reg.ReadString(L"Japanese"), L"カーソル　グループ");
    EXPECT_EQ(MessageOf([&] { reg.ReadString(L"Dword"); }), L"'Dword' のデータ型が不正です");
    EXPECT_EQ(reg.ReadStringDef(L"Empty", L"def"), L"def");
    EXPECT_EQ(reg.ReadStringDef(L"Missing", L"def"), L"def");
    EXPECT_EQ(reg.ReadStringDef(L"Dword", L"def"), L"def");
    EXPECT_EQ(reg.ReadStringDef(L"Nul", L"def"), L"abc");
}

TEST_F(Registry, WritesStoreTypesAndSwallowFailures) {
    TRegistryEx reg;
    Open(reg);
    reg.WriteStringSafe(L"S", L"テキスト");
    reg.WriteIntegerSafe(L"I", -1);
    reg.WriteBoolSafe(L"B", true);
    std::vector<BYTE> data;
    EXPECT_EQ(RawType(L"", L"S", &data), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data.size(), 5 * sizeof(wchar_t)); // with its terminating NUL
    EXPECT_EQ(RawType(L"", L"I"), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(reg.ReadInteger(L"I"), -1);
    EXPECT_EQ(reg.ReadInteger(L"B"), 1);

    // A read-only key refuses writes: the safe writes say nothing, the plain ones raise the error.
    TRegistryEx readOnly;
    ASSERT_TRUE(readOnly.OpenKeyReadOnly(FPath));
    EXPECT_EQ(readOnly.Access(), static_cast<REGSAM>(KEY_READ));
    EXPECT_NO_THROW(readOnly.WriteStringSafe(L"S", L"changed"));
    EXPECT_NO_THROW(readOnly.WriteIntegerSafe(L"I", 5));
    EXPECT_EQ(MessageOf([&] { readOnly.WriteString(L"S", L"x"); }), L"'S' の設定に失敗しました");
    EXPECT_EQ(MessageOf([&] { readOnly.WriteInteger(L"I", 1); }), L"'I' の設定に失敗しました");
    EXPECT_EQ(reg.ReadString(L"S"), L"テキスト");
    EXPECT_EQ(reg.ReadInteger(L"I"), -1);
}

TEST_F(Registry, PathsAreRelativeToTheOpenKeyUnlessTheyStartWithABackslash) {
    TRegistryEx reg;
    ASSERT_TRUE(reg.OpenKey(FPath, false));
    EXPECT_EQ(reg.CurrentPath(), FPath);
    EXPECT_FALSE(reg.OpenKey(L"Child", false)); // no creation asked for
    EXPECT_EQ(reg.CurrentPath(), FPath);        // a failed open keeps the key that was open
    ASSERT_TRUE(reg.OpenKey(L"Child", true));
    EXPECT_TRUE(RawExists(L"Child"));
    EXPECT_EQ(reg.CurrentPath(), FPath + L"\\Child");
    ASSERT_TRUE(reg.OpenKey(L"Grand\\Son", true));
    EXPECT_TRUE(RawExists(L"Child\\Grand\\Son"));
    ASSERT_TRUE(reg.OpenKey(L"\\" + FPath + L"\\Other", true));
    EXPECT_TRUE(RawExists(L"Other"));
    EXPECT_EQ(reg.CurrentPath(), FPath + L"\\Other");
    reg.CloseKey();
    EXPECT_EQ(reg.CurrentPath(), L"");
    EXPECT_EQ(reg.CurrentKey(), nullptr);

    EXPECT_TRUE(reg.KeyExists(FPath + L"\\Child\\Grand"));
    EXPECT_FALSE(reg.KeyExists(FPath + L"\\Nope"));
    EXPECT_FALSE(reg.OpenKeyReadOnly(FPath + L"\\Nope"));
    EXPECT_FALSE(RawExists(L"Nope"));
    EXPECT_TRUE(reg.CreateKey(FPath + L"\\Made\\Deep"));
    EXPECT_TRUE(RawExists(L"Made\\Deep"));
    EXPECT_EQ(reg.CurrentKey(), nullptr); // CreateKey opens nothing

    // Changing the root closes the open key.
    ASSERT_TRUE(reg.OpenKey(FPath, false));
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_EQ(reg.RootKey(), HKEY_LOCAL_MACHINE);
}

TEST_F(Registry, NamesComeInEnumerationOrder) {
    HKEY sub = nullptr;
    for (const wchar_t* name : {L"b", L"a", L"c"}) {
        ::RegCreateKeyExW(FKey, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr);
        ::RegCloseKey(sub);
    }
    SetDword(L"v2", 1);
    SetDword(L"v1", 1);
    TRegistryEx reg;
    Open(reg);
    EXPECT_EQ(reg.GetKeyNames(), test::SubkeyNames(FKey));
    EXPECT_EQ(reg.GetKeyNames().size(), 3u);
    EXPECT_EQ(reg.GetValueNames().size(), 2u);
    TRegistryEx closed;
    EXPECT_TRUE(closed.GetKeyNames().empty()); // no key open: nothing to list
}

TEST_F(Registry, DeleteKeyRemovesTheWholeTree) {
    TRegistryEx reg;
    ASSERT_TRUE(reg.CreateKey(FPath + L"\\Tree\\A\\A1\\A11"));
    ASSERT_TRUE(reg.CreateKey(FPath + L"\\Tree\\A\\A2"));
    ASSERT_TRUE(reg.CreateKey(FPath + L"\\Tree\\B"));
    ASSERT_TRUE(reg.CreateKey(FPath + L"\\Keep"));
    ASSERT_TRUE(reg.OpenKey(FPath, false));
    EXPECT_TRUE(reg.DeleteKey(L"Tree"));
    EXPECT_FALSE(RawExists(L"Tree"));
    EXPECT_TRUE(RawExists(L"Keep"));
    EXPECT_FALSE(reg.DeleteKey(L"Tree")); // missing: false and no error
    EXPECT_TRUE(RawExists(L"Keep"));
    EXPECT_FALSE(reg.DeleteKey(L"")); // never the open key itself
    EXPECT_TRUE(RawExists(L""));
}

TEST_F(Registry, MoveKeyCopiesValuesAndSubKeysOnlyToANewName) {
    MakeTree();

    TRegistryEx reg;
    ASSERT_TRUE(reg.OpenKey(FPath, false));
    // Names compare without regard to case: "ABC" is already there.
    reg.MoveKey(L"abc", L"ABC", true);
    EXPECT_TRUE(RawExists(L"abc"));
    reg.MoveKey(L"missing", L"new", true);
    EXPECT_FALSE(RawExists(L"new"));
    // Into itself would copy without end and delete the copy with the old key.
    reg.MoveKey(L"abc", L"abc\\inside", true);
    EXPECT_TRUE(RawExists(L"abc"));
    EXPECT_FALSE(RawExists(L"abc\\inside"));

    reg.MoveKey(L"abc", L"moved", true);
    EXPECT_FALSE(RawExists(L"abc"));
    EXPECT_TRUE(HoldsTree(L"moved"));
    EXPECT_EQ(RawType(L"moved", L"Empty"), static_cast<DWORD>(REG_NONE)); // zero length: not copied

    // Without deleting, the old key stays.
    reg.MoveKey(L"moved", L"copy", false);
    EXPECT_TRUE(RawExists(L"moved\\Sub\\Deeper"));
    EXPECT_TRUE(RawExists(L"copy\\Sub\\Deeper"));
    // An existing target stays untouched.
    reg.MoveKey(L"copy", L"moved", true);
    EXPECT_TRUE(RawExists(L"copy"));
}

// Whatever cannot be copied raises the registry error before anything is deleted: the old key stays
// whole and the partial copy goes.
TEST_F(Registry, MoveKeyThatCannotCopyRaisesAndKeepsTheOldKey) {
    MakeTree();
    struct Row {
        TRegistryChange change;
        const wchar_t* name;
        const wchar_t* message;
    };
    const Row rows[] = {
        {TRegistryChange::CreateKey, L"moved", L"キー moved の作成に失敗しました"},
        {TRegistryChange::SetValue, L"", L"'' の設定に失敗しました"},
        {TRegistryChange::SetValue, L"1", L"'1' の設定に失敗しました"},
        {TRegistryChange::CreateKey, L"Sub", L"キー moved\\Sub の作成に失敗しました"},
        {TRegistryChange::CreateKey, L"Deeper", L"キー moved\\Sub\\Deeper の作成に失敗しました"},
        {TRegistryChange::SetValue, L"x", L"'x' の設定に失敗しました"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "refused: " << static_cast<int>(row.change) << " '"
                                        << std::string(row.name, row.name + wcslen(row.name)) << "'");
        TRegistryEx reg;
        ASSERT_TRUE(reg.OpenKey(FPath, false));
        {
            TRegistryGateScope gate(TRegistryGateScope::Refuse(row.change, row.name));
            EXPECT_EQ(MessageOf([&] { reg.MoveKey(L"abc", L"moved", true); }), row.message);
        }
        EXPECT_TRUE(HoldsTree(L"abc"));
        EXPECT_FALSE(RawExists(L"moved"));
    }
}

// An old key that cannot be deleted raises the error. Without sub-keys it is still whole, so the copy
// goes; with sub-keys some may be gone, so the complete copy stays.
TEST_F(Registry, MoveKeyWhoseOldKeyCannotBeDeletedRaises) {
    for (bool flat : {true, false}) {
        SCOPED_TRACE(flat ? "without sub-keys" : "with sub-keys");
        MakeTree(L"abc", flat);
        TRegistryEx reg;
        ASSERT_TRUE(reg.OpenKey(FPath, false));
        {
            TRegistryGateScope gate(TRegistryGateScope::Refuse(TRegistryChange::DeleteKey, L"abc"));
            EXPECT_EQ(MessageOf([&] { reg.MoveKey(L"abc", L"moved", true); }),
                      L"キー abc の削除に失敗しました");
        }
        EXPECT_TRUE(RawExists(L"abc"));
        if (flat) {
            EXPECT_TRUE(HoldsTree(L"abc", true));
            EXPECT_FALSE(RawExists(L"moved"));
        } else {
            EXPECT_TRUE(HoldsTree(L"moved"));
        }
        ::RegDeleteTreeW(FKey, L"abc");
        ::RegDeleteTreeW(FKey, L"moved");
    }
}

// Stopped after any number of changes, as if the program were killed: the old key is whole until the
// new one is.
TEST_F(Registry, MoveKeyStoppedAnywhereNeverLosesTheKey) {
    MakeTree();
    int total = 0;
    {
        TRegistryEx reg;
        ASSERT_TRUE(reg.OpenKey(FPath, false));
        TRegistryGateScope count(TRegistryGateScope::AllowAll());
        reg.MoveKey(L"abc", L"moved", true);
        total = count.Changes;
    }
    ASSERT_TRUE(HoldsTree(L"moved"));
    ASSERT_FALSE(RawExists(L"abc"));
    for (int k = 0; k < total; ++k) {
        SCOPED_TRACE(k);
        ::RegDeleteTreeW(FKey, L"moved");
        ::RegDeleteTreeW(FKey, L"abc");
        MakeTree();
        TRegistryEx reg;
        ASSERT_TRUE(reg.OpenKey(FPath, false));
        {
            TRegistryGateScope stop(TRegistryGateScope::StopAfter(k));
            EXPECT_THROW(reg.MoveKey(L"abc", L"moved", true), ERegistryException);
        }
        EXPECT_TRUE(HoldsTree(L"abc") || HoldsTree(L"moved")) << "neither key is whole";
    }
}

// A failed system call keeps the system's code with the message; a value of the wrong type has none.
TEST_F(Registry, FailuresCarryTheSystemsCode) {
    TRegistryEx reg;
    ASSERT_TRUE(reg.OpenKey(FPath, false));
    reg.WriteString(L"Text", L"x");
    const struct {
        const char* What;
        std::function<void()> Act;
        DWORD Code;
    } cases[] = {
        {"a refused write", [&] { reg.WriteInteger(L"v", 1); }, ERROR_ACCESS_DENIED},
        {"a refused key", [&] { reg.CreateKey(L"k"); }, ERROR_ACCESS_DENIED},
        {"a missing value", [&] { reg.ReadInteger(L"Missing"); }, ERROR_FILE_NOT_FOUND},
        {"a value of the wrong type", [&] { reg.ReadInteger(L"Text"); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TRegistryGateScope refuseAll(TRegistryGateScope::StopAfter(0));
        try {
            c.Act();
            ADD_FAILURE() << "no error";
        } catch (const ERegistryException& e) {
            EXPECT_EQ(e.Code(), c.Code);
        }
    }
}

// REG_MULTI_SZ: the texts in order; empty ones cannot be stored; odd forms others write still read.
TEST_F(Registry, MultiStringsRoundTripAndOddFormsRead) {
    TRegistryEx reg;
    Open(reg);
    reg.WriteStrings(L"List", {L"a.exe", L"", L"C:\\ゲーム\\b.exe"});
    DWORD type = 0, size = 0;
    ASSERT_EQ(::RegQueryValueExW(FKey, L"List", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    std::vector<BYTE> data(size);
    ::RegQueryValueExW(FKey, L"List", nullptr, nullptr, data.data(), &size);
    const std::wstring expected(L"a.exe\0C:\\ゲーム\\b.exe\0\0", 20);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t)),
              expected);
    EXPECT_EQ(reg.ReadStrings(L"List"), (std::vector<std::wstring>{L"a.exe", L"C:\\ゲーム\\b.exe"}));
    reg.WriteStrings(L"None", {});
    EXPECT_EQ(RawType(L"", L"None"), static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_TRUE(reg.ReadStrings(L"None").empty());

    const struct {
        const wchar_t* Name;
        std::wstring Stored;
        DWORD Bytes; // as stored, without closing zeros or cut inside a character
        std::vector<std::wstring> Read;
    } cases[] = {
        {L"Unclosed", std::wstring(L"x\0y", 3), 6, {L"x", L"y"}},
        {L"OddBytes", std::wstring(L"x\0y\0", 4), 9, {L"x", L"y"}},
        {L"EmptyInside", std::wstring(L"x\0\0y\0\0", 6), 12, {L"x"}},
        {L"OnlyZeros", std::wstring(L"\0\0", 2), 4, {}},
    };
    for (const auto& c : cases) {
        std::vector<BYTE> bytes(c.Bytes + 2, 0);
        std::memcpy(bytes.data(), c.Stored.data(), std::min<size_t>(c.Bytes, c.Stored.size() * 2));
        SetRaw(c.Name, REG_MULTI_SZ, bytes.data(), c.Bytes);
        EXPECT_EQ(reg.ReadStrings(c.Name), c.Read) << testing::PrintToString(std::wstring(c.Name));
    }

    // Missing, or of another type: the default.
    SetText(L"Text", L"a.exe");
    EXPECT_THROW(reg.ReadStrings(L"Text"), ERegistryException);
    const std::vector<std::wstring> def{L"default.exe"};
    EXPECT_EQ(reg.ReadStringsDef(L"Text", def), def);
    EXPECT_EQ(reg.ReadStringsDef(L"Missing", def), def);
    EXPECT_EQ(reg.ReadStringsDef(L"OnlyZeros", def), def);
    EXPECT_EQ(reg.ReadStringsDef(L"List", def).size(), 2u);
}
