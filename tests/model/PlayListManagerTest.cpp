// The engine's group manager and the playlist window's preferences against the real registry.
#include <gtest/gtest.h>

#include "PlayListTestSupport.h"

using namespace dovex;
using dovex::test::Dword;
using dovex::test::PlayListTest;
using dovex::test::Sample;
using dovex::test::SubkeyNames;
using dovex::test::Sz;

namespace {

using Manager = PlayListTest;
using Preferences = PlayListTest;

} // namespace

TEST_F(Manager, GroupsInRegistryOrderItemsFlatAndCountsBySelection) {
    // Created in this order; neither creation order nor a case-sensitive sort is the registry's.
    WriteGroup(L"B", {Sz(L"0", Sample("star32.ani")), Sz(L"1", File(L"static.cur")), Dword(L"SaverMode", 1)});
    WriteGroup(L"a", {Sz(L"0", Sample("ball32.ani")), Sz(L"1", Sample("moon64.ani")), Sz(L"2", L"")});
    // Existing files that hold no animated cursor are not playable either.
    WriteGroup(L"C", {Sz(L"0", File(L"gone.ani")), Sz(L"1", File(L"notes.ani")), Sz(L"2", File(L"x.ani")),
                      Sz(L"3", File(L"broken.ani"))});
    const std::vector<std::wstring> order = SubkeyNames(FKey);
    ASSERT_EQ(order.size(), 3u);

    TCursorGroupManager manager(FPath);
    ASSERT_EQ(manager.GroupCount(), 3);
    std::vector<std::wstring> names;
    for (int i = 0; i < manager.GroupCount(); ++i)
        names.push_back(manager.Groups(i).Name());
    EXPECT_EQ(names, order);

    EXPECT_EQ(manager.UseIndex(), -1);
    EXPECT_EQ(manager.ItemCount(), 9);
    EXPECT_EQ(manager.PlayableCount(), 3);
    manager.SetUseIndex(manager.IndexOfGroup(L"C"));
    EXPECT_EQ(manager.PlayableCount(), 0);
    manager.SetUseIndex(-1);
    int k = 0;
    for (int g = 0; g < manager.GroupCount(); ++g)
        for (int i = 0; i < manager.Groups(g).Count(); ++i, ++k) {
            EXPECT_EQ(&manager.Items(k), &manager.Groups(g).Items(i)) << k;
            EXPECT_EQ(manager.Items(k).Group, &manager.Groups(g));
        }

    const int b = manager.IndexOfGroup(L"B");
    const int a = manager.IndexOfGroup(L"a");
    EXPECT_EQ(manager.IndexOfGroup(L"b"), -1);
    EXPECT_EQ(manager.IndexOfGroup(L"A"), -1);
    EXPECT_EQ(manager.Groups(b).SaverMode(), smTime);
    manager.SetUseIndex(b);
    EXPECT_EQ(manager.PlayableCount(), 1);
    EXPECT_EQ(manager.ItemCount(), 2);
    EXPECT_EQ(manager.Items(1).FileName, File(L"static.cur"));
    EXPECT_THROW(manager.Items(2), EListError);

    // The same index again does not recount.
    manager.Items(1).Status = isUsable;
    manager.SetUseIndex(b);
    EXPECT_EQ(manager.PlayableCount(), 1);
    manager.SetUseIndex(a);
    EXPECT_EQ(manager.PlayableCount(), 2);
    manager.SetUseIndex(-1);
    EXPECT_EQ(manager.PlayableCount(), 4);

    EXPECT_THROW(manager.SetUseIndex(3), EListError);
    EXPECT_THROW(manager.SetUseIndex(-2), EListError);
    EXPECT_EQ(manager.UseIndex(), -1);
}

TEST_F(Manager, ReloadReadsTheRegistryAgainAndSelectsAllGroups) {
    WriteGroup(L"one", {Sz(L"0", Sample("star32.ani"))});
    TCursorGroupManager manager(FPath);
    manager.SetUseIndex(0);
    WriteGroup(L"two", {Sz(L"0", Sample("heart32.ani")), Sz(L"1", Sample("ring32.ani"))});
    manager.Reload();
    EXPECT_EQ(manager.UseIndex(), -1);
    EXPECT_EQ(manager.GroupCount(), 2);
    EXPECT_EQ(manager.ItemCount(), 3);
    EXPECT_EQ(manager.PlayableCount(), 3);
    manager.Load();
    EXPECT_EQ(manager.GroupCount(), 2) << "loading again does not duplicate groups";
}

TEST_F(Manager, AMissingPlaylistKeyIsCreatedEmpty) {
    TCursorGroupManager manager(FPath + L"\\Playlist");
    EXPECT_EQ(manager.GroupCount(), 0);
    EXPECT_EQ(manager.ItemCount(), 0);
    EXPECT_EQ(manager.PlayableCount(), 0);
    EXPECT_TRUE(RawExists(L"Playlist"));
}

TEST(PlayListDefaults, TheProgramsOwnKeyIsTheDefault) {
    EXPECT_EQ(TCursorGroupCtrl::Create(L"")->PlaylistKey(), kPlaylistKey);
}

TEST(RectText, FourNumbersInFieldOrder) {
    EXPECT_EQ(RectToText({100, 80, 640, 480}), L"100,80,640,480");
    EXPECT_EQ(RectToText({-8, -8, 0, 1}), L"-8,-8,0,1");
    EXPECT_EQ(TextToRect(L"10, 20 ,30,40"), (TFormBounds{10, 20, 30, 40}));
    EXPECT_EQ(TextToRect(L"$10,-$2,\"3\",4,junk"), (TFormBounds{16, -2, 3, 4}));
    EXPECT_THROW(TextToRect(L"1,2,3"), EListError);
    EXPECT_THROW(TextToRect(L"1,,3,4"), EConvertError);
    EXPECT_THROW(TextToRect(L"1,0x2,3,4"), EConvertError);
}

TEST_F(Preferences, AMissingKeyGivesTheInitialValuesAndIsNotCreated) {
    TPlayListProperty prefs(FPath + L"\\Playlist");
    EXPECT_EQ(prefs.FormBounds(), TFormBounds{});
    EXPECT_EQ(prefs.PreviewBackgroundColor(), 0);
    EXPECT_EQ(prefs.ListViewStyle(), 0);
    EXPECT_EQ(prefs.GroupViewWidth(), 160);
    EXPECT_TRUE(prefs.ShowPreview());
    EXPECT_FALSE(prefs.Modified());
    prefs.Save();
    EXPECT_FALSE(RawExists(L"Playlist")) << "nothing changed, nothing written";
}

TEST_F(Preferences, SavedOnlyWhenChangedAndReadBack) {
    SetDword(L"ShowPreview", 0);
    SetText(L"GroupViewWidth", L"200");
    SetDword(L"ListViewStyle", 0x103);
    {
        TPlayListProperty prefs(FPath);
        EXPECT_FALSE(prefs.ShowPreview());
        EXPECT_EQ(prefs.GroupViewWidth(), 160) << "a width stored as text is not a width";
        EXPECT_EQ(prefs.ListViewStyle(), 3);
        prefs.SetFormBounds(0, 0, 0, 0);
        prefs.SetGroupViewWidth(160);
        prefs.SetListViewStyle(3);
        prefs.SetColors(plcPreviewBackground, 0);
        EXPECT_FALSE(prefs.Modified());
        prefs.Save();
        EXPECT_EQ(RawType(L"", L"FormBounds"), static_cast<DWORD>(REG_NONE));

        prefs.SetFormBounds(100, 80, 640, 480);
        EXPECT_TRUE(prefs.Modified());
        prefs.SetColors(plcPreviewBackground, 0x00FF8000);
        prefs.Save();
        EXPECT_FALSE(prefs.Modified());
    }
    std::vector<BYTE> data;
    ASSERT_EQ(RawType(L"", L"FormBounds", &data), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data())), L"100,80,640,480");
    ASSERT_EQ(RawType(L"", L"ShowPreview", &data), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(*reinterpret_cast<DWORD*>(data.data()), 0u) << "the stored choice is kept";
    ASSERT_EQ(RawType(L"", L"GroupViewWidth", &data), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(*reinterpret_cast<DWORD*>(data.data()), 160u);

    TPlayListProperty again(FPath);
    EXPECT_EQ(again.FormBounds(), (TFormBounds{100, 80, 640, 480}));
    EXPECT_EQ(again.Colors(plcPreviewBackground), 0x00FF8000);
    EXPECT_EQ(again.ListViewStyle(), 3);
    again.SetFormBounds(100, 80, 640, 480);
    EXPECT_FALSE(again.Modified());
}

TEST_F(Preferences, BoundsThatAreNotFourIntegersReadAsZero) {
    for (const wchar_t* text : {L"1,2,3", L"1,x,3,4", L"", L"a b c d"}) {
        SetText(L"FormBounds", text);
        SetDword(L"GroupViewWidth", 240);
        TPlayListProperty prefs(FPath);
        EXPECT_EQ(prefs.FormBounds(), TFormBounds{}) << text;
        EXPECT_EQ(prefs.GroupViewWidth(), 240) << "the other values still load";
    }
    SetText(L"FormBounds", L"10, 20 ,30,40");
    EXPECT_EQ(TPlayListProperty(FPath).FormBounds(), (TFormBounds{10, 20, 30, 40}));
}
