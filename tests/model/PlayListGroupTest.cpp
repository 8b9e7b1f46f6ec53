// Cursor groups against the real registry and real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "PlayListTestSupport.h"
#include "RegistryGate.h"
#include "anicursor/AniCurInfo.h"

using namespace dovex;
using dovex::test::Dword;
using dovex::test::PlayListTest;
using dovex::test::Sample;
using dovex::test::Sz;
using dovex::test::TRegistryGateScope;

namespace {

using Group = PlayListTest;

std::vector<std::wstring> FileNames(TCursorGroupBase& group) {
    std::vector<std::wstring> names;
    for (int i = 0; i < group.Count(); ++i)
        names.push_back(group.GetItem(i).FileName);
    return names;
}

} // namespace

TEST_F(Group, ItemValuesLoadInTheirNumberOrderAndOtherNamesAreSkipped) {
    // Written 0..11 in order; the registry may enumerate them by name ("10" before "2").
    std::vector<test::TRawValue> values;
    std::vector<std::wstring> expected;
    for (int i = 0; i < 12; ++i) {
        values.push_back(Sz(std::to_wstring(i), L"f" + std::to_wstring(i)));
        expected.push_back(L"f" + std::to_wstring(i));
    }
    values.push_back(Dword(L"SaverMode", 0x101)); // only the low byte counts
    values.push_back(Sz(L"-1", L"negative"));
    values.push_back(Sz(L"abc", L"text"));
    values.push_back(Sz(L"1.5", L"fraction"));
    values.push_back(Sz(L"$C", L"hex12"));
    values.push_back(Sz(L" 0x0D", L"hex13"));
    values.push_back(Sz(L"+14", L"plus14"));
    values.push_back(Dword(L"15", 7)); // not a string: an item without a file name
    WriteGroup(L"g", values);
    expected.insert(expected.end(), {L"hex12", L"hex13", L"plus14", L""});

    auto group = TCursorGroupCtrl::Create(L"g", FPath);
    EXPECT_EQ(FileNames(*group), expected);
    EXPECT_EQ(group->SaverMode(), 1);
    EXPECT_FALSE(group->Modified()) << "loading through AddItem must not leave the group modified";
    EXPECT_EQ(group->GetItem(15).Status, isMissing);
    EXPECT_EQ(group->GetItem(15).Title, kItemTitleMissing);
}

TEST_F(Group, SettingsDefaultsAndStoredValuesTakenAsTheyAre) {
    WriteGroup(L"empty", {});
    WriteGroup(L"zero", {Dword(L"SaverPlayTime", 0), Dword(L"SaverPlayNums", 7), Dword(L"SaverMode", 0x205)});
    auto empty = TCursorGroupCtrl::Create(L"empty", FPath);
    EXPECT_EQ(empty->SaverMode(), smNumTimes);
    EXPECT_EQ(empty->SaverPlayNums(), 1);
    EXPECT_EQ(empty->SaverPlayTime(), 1000);
    auto missing = TCursorGroup::Create(L"no such group", FPath);
    EXPECT_EQ(missing->Count(), 0);
    EXPECT_EQ(missing->SaverPlayTime(), 1000);
    EXPECT_FALSE(RawExists(L"no such group"));

    auto zero = TCursorGroupCtrl::Create(L"zero", FPath);
    EXPECT_EQ(zero->SaverPlayTime(), 0);
    EXPECT_EQ(zero->SaverPlayNums(), 7);
    EXPECT_EQ(zero->SaverMode(), 5);
    zero->SetSaverPlayNums(7);
    EXPECT_FALSE(zero->Modified());
    zero->SetSaverPlayTime(0);
    EXPECT_FALSE(zero->Modified()) << "the same value changes nothing";
    zero->SetSaverPlayTime(2500);
    zero->SetSaverPlayTime(0);
    EXPECT_EQ(zero->SaverPlayTime(), 1000);
    EXPECT_TRUE(zero->Modified());
}

TEST_F(Group, TheEditableGroupExaminesOnFetchWithStatusTexts) {
    const std::wstring cur = File(L"static.cur"), broken = File(L"broken.ani"), gone = File(L"gone.ani");
    WriteGroup(L"g", {Sz(L"0", Sample("clock32.ani")), Sz(L"1", Sample("ball32.ani")), Sz(L"2", cur),
                      Sz(L"3", broken), Sz(L"4", gone), Sz(L"5", FDir.wstring()),
                      Sz(L"6", File(L"notes.ani")), Sz(L"7", File(L"x.ani"))});
    auto group = TCursorGroupCtrl::Create(L"g", FPath);
    ASSERT_EQ(group->Count(), 8);
    EXPECT_EQ(group->FindTitle(L"時", 0, true), -1) << "nothing is examined before it is fetched";

    TCursorItem& clock = group->GetItem(0);
    EXPECT_EQ(clock.Status, isUsable);
    EXPECT_EQ(clock.Title, L"時計");
    EXPECT_EQ(clock.Author, L"Dovex 工房");
    EXPECT_EQ(clock.Steps, 12);
    EXPECT_EQ(clock.PlayTime, 12 * JiffiesToMs(10));
    EXPECT_EQ(clock.FileSize, std::filesystem::file_size(Sample("clock32.ani")));
    EXPECT_GE(clock.FileTime.wYear, 2020);
    EXPECT_EQ(clock.Group, group.get());
    EXPECT_EQ(group->GetItem(1).Title, kItemTitleNone);
    EXPECT_EQ(group->GetItem(2).Status, isUnusable);
    EXPECT_EQ(group->GetItem(2).Title, kItemTitleUnusable);
    EXPECT_NE(group->GetItem(2).FileSize, 0u);
    EXPECT_EQ(group->GetItem(3).Status, isUnusable);
    EXPECT_EQ(group->GetItem(4).Status, isMissing);
    EXPECT_EQ(group->GetItem(4).Title, kItemTitleMissing);
    EXPECT_EQ(group->GetItem(5).Status, isUnusable) << "a folder is never a playable cursor";
    for (int i : {6, 7}) {
        EXPECT_EQ(group->GetItem(i).Status, isUnusable) << i;
        EXPECT_EQ(group->GetItem(i).Title, kItemTitleUnusable) << i;
    }
    EXPECT_FALSE(group->Modified());
    EXPECT_THROW(group->GetItem(8), EListError);
    EXPECT_THROW(group->GetItem(-1), EListError);
}

TEST_F(Group, TheEnginesGroupExaminesAtLoadWithoutStatusTexts) {
    WriteGroup(L"g", {Sz(L"0", Sample("clock32.ani")), Sz(L"1", Sample("ball32.ani")),
                      Sz(L"2", File(L"static.cur")), Sz(L"3", File(L"gone.ani")), Sz(L"4", FDir.wstring()),
                      Sz(L"5", FDir.wstring() + L"\\*.ani"), Sz(L"6", File(L"notes.ani")),
                      Sz(L"7", File(L"x.ani")), Sz(L"8", File(L"broken.ani"))});
    // The same code creates either class: the generic form must still reach TCursorGroup::AddItem.
    auto group = TCursorGroupBase::Create<TCursorGroup>(L"g", FPath);
    // A folder is no file to the reader: missing, like one that is not there.
    const TCursorItemStatus expected[] = {isUsable,  isUsable,   isUnusable, isMissing, isMissing,
                                          isMissing, isUnusable, isMissing,  isUnusable};
    ASSERT_EQ(group->Count(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(group->GetItem(i).Status, expected[i]) << i;
    EXPECT_EQ(group->GetItem(0).Title, L"時計");
    EXPECT_EQ(group->GetItem(0).Steps, 12);
    EXPECT_EQ(group->GetItem(0).FileSize, 0u) << "the engine does not look at size and time";
    EXPECT_EQ(group->GetItem(1).Title, L"");
    EXPECT_EQ(group->GetItem(2).Title, L"");
    EXPECT_EQ(group->GetItem(3).Title, L"");
}

TEST_F(Group, WithoutAReaderExaminingFailsAndItemsStayUnchecked) {
    WriteGroup(L"g", {Sz(L"0", Sample("star32.ani")), Sz(L"1", File(L"gone.ani"))});
    SetItemReader(nullptr);
    auto engine = TCursorGroup::Create(L"g", FPath);
    auto ctrl = TCursorGroupCtrl::Create(L"g", FPath);
    SetItemReader(&CursorInfo());
    EXPECT_EQ(engine->GetItem(0).Status, isUnchecked);
    EXPECT_EQ(engine->GetItem(1).Status, isMissing);

    SetItemReader(nullptr);
    try {
        ctrl->GetItem(0);
        ADD_FAILURE() << "no error";
    } catch (const EDovexItemsError& e) {
        EXPECT_EQ(e.Message(), kItemMsgNoReader);
    }
    EXPECT_EQ(ctrl->GetItem(1).Status, isMissing) << "a missing file needs no reader";
    SetItemReader(&CursorInfo());
    EXPECT_EQ(ctrl->GetItem(0).Status, isUsable);
}

TEST_F(Group, SavingOnlyWhenModifiedRewritesTheKeyWhole) {
    WriteGroup(L"g", {Sz(L"0", L"a"), Sz(L"1", L"b"), Sz(L"2", L"c"), Sz(L"7", L"h"), Sz(L"Extra", L"x"),
                      Sz(L"", L"default"), Dword(L"saverplaynums", 4)});
    WriteGroup(L"g\\Sub", {Sz(L"0", L"inner")});
    auto group = TCursorGroupCtrl::Create(L"g", FPath);
    EXPECT_FALSE(group->SaveIfModified());
    EXPECT_EQ(RawText(L"g", L"Extra"), L"x") << "an unmodified group writes nothing";
    EXPECT_EQ(RawType(L"g", L"SaverMode"), static_cast<DWORD>(REG_NONE));

    EXPECT_EQ(group->SaverPlayNums(), 4) << "value names compare without regard to case";
    group->DeleteItem(0);
    group->SetSaverPlayNums(5);
    EXPECT_TRUE(group->Modified());
    EXPECT_TRUE(group->SaveIfModified());
    EXPECT_FALSE(group->Modified());
    // The value written over under its other spelling is the group's and stays; the rest goes.
    std::vector<std::wstring> names = RawValueNames(L"g");
    for (auto& name : names)
        ::CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"0", L"1", L"2", L"SAVERMODE", L"SAVERPLAYNUMS",
                                                L"SAVERPLAYTIME"}));
    EXPECT_FALSE(RawExists(L"g\\Sub"));
    EXPECT_EQ(TCursorGroupCtrl::Create(L"g", FPath)->SaverPlayNums(), 5);
    EXPECT_EQ(RawText(L"g", L"0"), L"b");
    EXPECT_EQ(RawText(L"g", L"1"), L"c");
    EXPECT_EQ(RawText(L"g", L"2"), L"h");
    EXPECT_EQ(RawType(L"g", L"SaverPlayTime"), static_cast<DWORD>(REG_DWORD));
    EXPECT_FALSE(group->SaveIfModified());
}

// A save stopped after any number of registry changes, as when the program is killed or the registry
// refuses a write: it is not counted as saved, the key is never missing, and each value holds the old or
// the new content. Items are written in order over the old ones, so the new items form a prefix and the
// old ones after them stay in their order, never fewer than either list has.
TEST_F(Group, ASaveStoppedAnywhereLeavesTheOldOrTheNewValuesAndStaysModified) {
    const std::vector<std::wstring> oldItems = {L"a0", L"a1", L"a2", L"a3", L"a4"};
    const std::vector<std::wstring> newItems = {L"b0", L"b1", L"b2"};
    auto writeOld = [&] {
        ::RegDeleteTreeW(FKey, L"g");
        std::vector<test::TRawValue> values = {Dword(L"SaverPlayNums", 2), Sz(L"Extra", L"x")};
        for (size_t i = 0; i < oldItems.size(); ++i)
            values.push_back(Sz(std::to_wstring(i), oldItems[i]));
        WriteGroup(L"g", values);
        WriteGroup(L"g\\Sub", {});
    };
    auto edited = [&] {
        auto group = TCursorGroupCtrl::Create(L"g", FPath);
        while (group->Count() > 0)
            group->DeleteItem(0);
        for (const auto& file : newItems)
            group->AddItem(file);
        group->SetSaverMode(smTime);
        group->SetSaverPlayNums(3);
        return group;
    };
    writeOld();
    int total = 0;
    {
        auto group = edited();
        TRegistryGateScope count(TRegistryGateScope::AllowAll());
        ASSERT_TRUE(group->SaveIfModified());
        total = count.Changes;
    }
    ASSERT_GT(total, static_cast<int>(3 + newItems.size()));
    for (int k = 0; k < total; ++k) {
        SCOPED_TRACE(testing::Message() << "stopped after " << k << " of " << total << " changes");
        writeOld();
        auto group = edited();
        {
            TRegistryGateScope stop(TRegistryGateScope::StopAfter(k));
            EXPECT_FALSE(group->SaveIfModified());
        }
        EXPECT_TRUE(group->Modified());
        ASSERT_TRUE(RawExists(L"g")) << "the group's key is missing";
        auto loaded = TCursorGroupCtrl::Create(L"g", FPath);
        const std::vector<std::wstring> items = FileNames(*loaded);
        EXPECT_GE(items.size(), newItems.size());
        size_t prefix = 0;
        while (prefix < items.size() && prefix < newItems.size() && items[prefix] == newItems[prefix])
            ++prefix;
        auto old = oldItems.begin() + static_cast<std::ptrdiff_t>(prefix);
        for (size_t i = prefix; i < items.size(); ++i) {
            old = std::find(old, oldItems.end(), items[i]);
            EXPECT_NE(old, oldItems.end()) << "item " << i << " is neither old nor new: " << items[i].size();
        }
        EXPECT_TRUE(loaded->SaverMode() == smNumTimes || loaded->SaverMode() == smTime);
        EXPECT_TRUE(loaded->SaverPlayNums() == 2 || loaded->SaverPlayNums() == 3);

        // The next save, with nothing in the way, completes it.
        EXPECT_TRUE(group->SaveIfModified());
        EXPECT_FALSE(group->Modified());
        auto saved = TCursorGroupCtrl::Create(L"g", FPath);
        EXPECT_EQ(FileNames(*saved), newItems);
        EXPECT_EQ(saved->SaverPlayNums(), 3);
        EXPECT_EQ(RawValueNames(L"g").size(), 3 + newItems.size());
        EXPECT_FALSE(RawExists(L"g\\Sub"));
    }
}

TEST_F(Group, EveryEditMarksTheGroupModified) {
    WriteGroup(L"g", {Sz(L"0", L"a"), Sz(L"1", L"b")});
    auto group = TCursorGroupCtrl::Create(L"g", FPath);
    auto check = [&](const char* what, auto&& edit) {
        EXPECT_FALSE(group->Modified()) << what;
        edit();
        EXPECT_TRUE(group->Modified()) << what;
        EXPECT_TRUE(group->SaveIfModified()) << what;
    };
    check("AddItem", [&] { group->AddItem(L"c"); });
    check("ExchangeItems", [&] { group->ExchangeItems(0, 2); });
    check("SetSaverMode", [&] { group->SetSaverMode(smTime); });
    check("SetSaverPlayNums", [&] { group->SetSaverPlayNums(3); });
    auto reloaded = TCursorGroupCtrl::Create(L"g", FPath);
    EXPECT_EQ(FileNames(*reloaded), (std::vector<std::wstring>{L"c", L"b", L"a"}));
    EXPECT_EQ(reloaded->SaverMode(), smTime);
    EXPECT_EQ(reloaded->SaverPlayNums(), 3);
    EXPECT_THROW(group->ExchangeItems(0, 3), EListError);
    EXPECT_THROW(group->DeleteItem(3), EListError);
}

TEST_F(Group, MovingAnItemMovesTheRecordAndMarksBothGroups) {
    WriteGroup(L"from", {Sz(L"0", Sample("star32.ani")), Sz(L"1", L"b")});
    WriteGroup(L"to", {Sz(L"0", L"x")});
    auto from = TCursorGroupCtrl::Create(L"from", FPath);
    auto to = TCursorGroupCtrl::Create(L"to", FPath);
    TCursorItem* star = &from->GetItem(0);
    ASSERT_EQ(star->Status, isUsable);
    from->MoveItemTo(nullptr, star);
    EXPECT_FALSE(from->Modified());
    TCursorItem* foreign = &to->Items(0);
    from->MoveItemTo(to.get(), foreign);
    EXPECT_EQ(to->Count(), 1) << "an item of another group is left alone";
    EXPECT_FALSE(to->Modified());

    from->MoveItemTo(to.get(), star);
    EXPECT_EQ(from->Count(), 1);
    EXPECT_EQ(from->IndexOfItem(star), -1);
    EXPECT_EQ(to->IndexOfItem(star), 1);
    EXPECT_EQ(star->Group, to.get());
    EXPECT_EQ(star->Status, isUsable) << "what was examined moves with the record";
    EXPECT_TRUE(from->Modified());
    EXPECT_TRUE(to->Modified());

    // Onto its own group: to the end.
    to->MoveItemTo(to.get(), foreign);
    EXPECT_EQ(to->IndexOfItem(foreign), 1);
}

TEST_F(Group, CreatingANewGroupWritesItsKeyAtOnce) {
    auto created = TCursorGroupCtrl::CreateNew(L"新しい", FPath);
    EXPECT_FALSE(created->Modified());
    ASSERT_TRUE(RawExists(L"新しい"));
    std::vector<BYTE> data;
    ASSERT_EQ(RawType(L"新しい", L"SaverPlayTime", &data), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(*reinterpret_cast<DWORD*>(data.data()), 1000u);

    WriteGroup(L"old", {Sz(L"0", L"a"), Dword(L"SaverPlayNums", 4), Sz(L"Extra", L"x")});
    auto existing = TCursorGroupCtrl::CreateNew(L"old", FPath);
    EXPECT_EQ(existing->Count(), 1);
    EXPECT_EQ(existing->SaverPlayNums(), 4);
    EXPECT_EQ(RawType(L"old", L"Extra"), static_cast<DWORD>(REG_NONE));
}

TEST_F(Group, RenameMovesTheKeyButNeverOntoAnotherGroup) {
    WriteGroup(L"a", {Sz(L"0", L"file"), Dword(L"SaverMode", 1)});
    WriteGroup(L"b", {Sz(L"0", L"other")});
    auto group = TCursorGroupCtrl::Create(L"a", FPath);
    group->AddItem(L"unsaved");
    group->Rename(L"c");
    EXPECT_EQ(group->Name(), L"c");
    EXPECT_FALSE(RawExists(L"a"));
    EXPECT_EQ(RawText(L"c", L"0"), L"file");
    EXPECT_TRUE(group->Modified()) << "renaming keeps unsaved edits pending";

    try {
        group->Rename(L"b");
        ADD_FAILURE() << "no error";
    } catch (const EDovexItemsError& e) {
        EXPECT_EQ(e.Message(), L"グループ名 b は既に存在します。");
    }
    EXPECT_EQ(group->Name(), L"c");
    EXPECT_EQ(RawText(L"b", L"0"), L"other");
    EXPECT_TRUE(RawExists(L"c"));

    // A group whose key is gone takes the name; its next save writes the key.
    auto orphan = TCursorGroupCtrl::Create(L"gone", FPath);
    orphan->Rename(L"b");
    EXPECT_EQ(orphan->Name(), L"b");
    EXPECT_EQ(RawText(L"b", L"0"), L"other");
}

// A new name the registry cannot take leaves the group where it was: key, values and name.
TEST_F(Group, RenameThatCannotCopyKeepsTheOldKeyAndName) {
    WriteGroup(L"a", {Sz(L"0", L"file0"), Sz(L"1", L"file1"), Dword(L"SaverMode", 1)});
    auto group = TCursorGroupCtrl::Create(L"a", FPath);
    {
        TRegistryGateScope gate(TRegistryGateScope::Refuse(TRegistryChange::SetValue, L"1"));
        try {
            group->Rename(L"c");
            ADD_FAILURE() << "no error";
        } catch (const ERegistryException& e) {
            EXPECT_EQ(e.Message(), L"'1' の設定に失敗しました");
        }
    }
    EXPECT_EQ(group->Name(), L"a");
    EXPECT_EQ(RawText(L"a", L"0"), L"file0");
    EXPECT_EQ(RawText(L"a", L"1"), L"file1");
    EXPECT_FALSE(RawExists(L"c"));
    group->Rename(L"c");
    EXPECT_EQ(group->Name(), L"c");
    EXPECT_EQ(RawText(L"c", L"1"), L"file1");
    EXPECT_FALSE(RawExists(L"a"));
}

TEST_F(Group, FindTitleUpperCasesAndWraps) {
    auto group = TCursorGroupCtrl::Create(L"none", FPath);
    auto titles = [&](std::initializer_list<const wchar_t*> list) {
        group->ClearItems();
        for (const wchar_t* t : list)
            group->AddItem(L"f").Title = t;
    };
    titles({L"xyz", L"Abc"});
    EXPECT_EQ(group->FindTitle(L"ab", 0, false), 1) << "the last item is found like any other";
    EXPECT_EQ(group->FindTitle(L"", 0, true), -1);
    titles({L"ab", L"x", L"y"});
    EXPECT_EQ(group->FindTitle(L"ab", 2, true), 0);
    EXPECT_EQ(group->FindTitle(L"ab", 2, false), -1);
    EXPECT_EQ(group->FindTitle(L"ab", 3, true), 0);
    titles({L"x", L"ab", L"y"});
    EXPECT_EQ(group->FindTitle(L"ab", 2, true), 1) << "the wrap reaches the item just before the start";
    EXPECT_EQ(group->FindTitle(L"ab", 2, false), -1);
    EXPECT_EQ(group->FindTitle(L"ab", 1, false), 1) << "the start itself is looked at first";
    titles({L"äpfel", L"ＡＢＣ"});
    EXPECT_EQ(group->FindTitle(L"Ä", 0, false), 0);
    EXPECT_EQ(group->FindTitle(L"ａｂ", 0, false), 1);
}

TEST_F(Group, RefreshItemReadsTheFileAgain) {
    const std::wstring path = File(L"swap.ani");
    std::filesystem::copy_file(Sample("clock32.ani"), path);
    WriteGroup(L"g", {Sz(L"0", path)});
    auto group = TCursorGroupCtrl::Create(L"g", FPath);
    TCursorItem& item = group->GetItem(0);
    ASSERT_EQ(item.Title, L"時計");
    item.IconIndex = 5;
    std::filesystem::copy_file(Sample("star32.ani"), path, std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(group->GetItem(0).Title, L"時計") << "fetching again does not re-read";
    group->RefreshItem(0);
    EXPECT_EQ(item.Title, L"Spinning Star");
    EXPECT_EQ(item.Steps, 8);
    EXPECT_EQ(item.IconIndex, -1);
    EXPECT_EQ(item.FileSize, std::filesystem::file_size(Sample("star32.ani")));
    std::filesystem::remove(path);
    group->RefreshItem(0);
    EXPECT_EQ(item.Status, isMissing);
    EXPECT_EQ(item.Author, L"");
}

TEST_F(Group, AGroupWithoutAKeyNameOfItsOwnNeverTouchesOtherKeys) {
    WriteGroup(L"other", {Sz(L"0", L"keep")});
    auto group = TCursorGroupCtrl::Create(L"other", FPath);
    group->SetName(L"");
    group->AddItem(L"x");
    EXPECT_FALSE(group->SaveIfModified());
    EXPECT_TRUE(group->Modified());
    group->SetName(L"other\\inner");
    EXPECT_FALSE(group->SaveIfModified());
    EXPECT_EQ(RawText(L"other", L"0"), L"keep") << "the playlist key and its groups must survive";
    EXPECT_FALSE(RawExists(L"other\\inner"));
}
