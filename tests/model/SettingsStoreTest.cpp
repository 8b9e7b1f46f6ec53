#include "model/SettingsStore.h"

#include <gtest/gtest.h>

#include "AppEnvironment.h"
#include "base/Exception.h"
#include "model/RegistryEx.h"

using namespace dovex;
using dovex::test::CleanDovexKey;

namespace {

class SettingsStore : public CleanDovexKey {};

bool SettingsKeyExists() {
    return test::KeyExists(kSettingsKey);
}

} // namespace

TEST_F(SettingsStore, MissingKeyIsCreatedAndGivesTheDefaults) {
    ASSERT_FALSE(SettingsKeyExists());
    TSaverProperty p;
    ReadSaverProperty(p);
    EXPECT_TRUE(SettingsKeyExists());
    EXPECT_EQ(p.WaitTime, 60000);
    EXPECT_EQ(p.PlaySequence, 0);
    EXPECT_EQ(p.IgnoreMouse, 0);
    EXPECT_EQ(p.HomePosition, (TPoint32{0, 0}));
    EXPECT_EQ(p.UseGroup, L"");
    EXPECT_EQ(p.DisplayInterval, 10);
    EXPECT_EQ(p.Options, soTrayAnimation | soSuppressFullScreen | soSuppressOnBatterySaver);
    EXPECT_EQ(p.MoveThreshold, 0);
}

TEST_F(SettingsStore, MoveThresholdIsBoundedAndAWrongTypeGivesTheDefault) {
    const struct {
        DWORD Stored;
        int32_t Read;
    } cases[] = {{10, 10}, {0, 0}, {20, 20}, {21, 20}, {static_cast<DWORD>(-3), 0}, {0xFFFFFFF, 20}};
    TSaverProperty p;
    for (const auto& c : cases) {
        SetSetting(L"MoveThreshold", c.Stored);
        ReadSaverProperty(p);
        EXPECT_EQ(p.MoveThreshold, c.Read) << c.Stored;
    }
    SetSetting(L"MoveThreshold", L"10");
    ReadSaverProperty(p);
    EXPECT_EQ(p.MoveThreshold, 0);
}

TEST_F(SettingsStore, StoredValuesAndTheirOddForms) {
    SetSetting(L"WaitTime", 1500);
    SetSetting(L"PlaySequence", 256);
    SetSetting(L"IgnoreMouse", L"Wheel, LsftClick");
    SetSetting(L"HomePosition", L"10 , 20");
    SetSetting(L"UseGroup", L"グループＡ");
    SetSetting(L"DisplayInterval", 25);
    SetSetting(L"UseHomePosition", 7);
    SetSetting(L"HideCursor", 0);
    SetSetting(L"TrayAnimation", L"0"); // a text where a number belongs: the default (on)
    TSaverProperty p;
    ReadSaverProperty(p);
    EXPECT_EQ(p.WaitTime, 1500);
    EXPECT_EQ(p.PlaySequence, 0); // only the low 8 bits count
    EXPECT_EQ(p.IgnoreMouse, imLsftClick | imWheel);
    EXPECT_EQ(p.HomePosition, (TPoint32{10, 20}));
    EXPECT_EQ(p.UseGroup, L"グループＡ");
    EXPECT_EQ(p.DisplayInterval, 25);
    EXPECT_EQ(p.Options,
              soUseHomePosition | soTrayAnimation | soSuppressFullScreen | soSuppressOnBatterySaver);

    SetSetting(L"PlaySequence", 2);
    SetSetting(L"IgnoreMouse", L"leftclick,Foo");
    SetSetting(L"HomePosition", L"10 20");
    SetSetting(L"HideCursor", 1);
    SetSetting(L"TrayAnimation", 0);
    SetSetting(L"SuppressFullScreen", 0);
    SetSetting(L"SuppressOnBatterySaver", 0);
    SetSetting(L"UseGroup", L"");
    ReadSaverProperty(p);
    EXPECT_NE(p.PlaySequence, 0); // random
    EXPECT_EQ(p.IgnoreMouse, 0);
    EXPECT_EQ(p.HomePosition, (TPoint32{10, 20}));
    EXPECT_EQ(p.Options, soUseHomePosition | soHideCursor);
    EXPECT_EQ(p.UseGroup, L"");
}

TEST_F(SettingsStore, HostileNumbersAreBoundedOrDefaulted) {
    SetSetting(L"WaitTime", static_cast<DWORD>(-5));
    SetSetting(L"DisplayInterval", static_cast<DWORD>(-1));
    SetSetting(L"HomePosition", L"");
    TSaverProperty p;
    ReadSaverProperty(p);
    EXPECT_EQ(p.WaitTime, 60000);
    EXPECT_EQ(p.DisplayInterval, 0);
    EXPECT_EQ(p.HomePosition, (TPoint32{0, 0})); // empty text reads as "0,0"
    SetSetting(L"DisplayInterval", 0x7FFFFFFF);
    SetSetting(L"WaitTime", 0);
    ReadSaverProperty(p);
    EXPECT_EQ(p.DisplayInterval, kMaxDisplayInterval);
    EXPECT_EQ(p.WaitTime, 0);
}

TEST_F(SettingsStore, BadHomePositionIsReportedOnceEverythingElseIsRead) {
    TSaverProperty p;
    p.UseGroup = L"old";
    p.DisplayInterval = 77;
    p.HomePosition = {12, 34};
    p.Options = 0;
    SetSetting(L"HideCursor", 1);
    SetSetting(L"TrayAnimation", 1);
    SetSetting(L"SuppressFullScreen", 1);
    SetSetting(L"WaitTime", 4000);
    SetSetting(L"IgnoreMouse", L"RightClick");
    SetSetting(L"HomePosition", L"abc");
    SetSetting(L"UseGroup", L"new");
    SetSetting(L"DisplayInterval", 5);
    try {
        ReadSaverProperty(p);
        FAIL() << "the home position must not parse";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), L"'abc' は整数ではありません");
    }
    EXPECT_EQ(p.WaitTime, 4000);
    EXPECT_EQ(p.IgnoreMouse, imRightClick);
    EXPECT_EQ(p.UseGroup, L"new");
    EXPECT_EQ(p.DisplayInterval, 5);
    EXPECT_EQ(p.Options, soHideCursor | soTrayAnimation | soSuppressFullScreen | soSuppressOnBatterySaver);
    EXPECT_EQ(p.HomePosition, (TPoint32{12, 34}));

    SetSetting(L"HomePosition", L"5");
    EXPECT_THROW(ReadSaverProperty(p), EListError);
}

TEST_F(SettingsStore, WrittenSettingsReadBackInNormalForm) {
    TSaverProperty written;
    written.WaitTime = 30000;
    written.PlaySequence = 9;
    written.IgnoreMouse = imWheel | imLsftClick;
    written.HomePosition = {-3, 1200};
    written.Options = soHideCursor | soSuppressFullScreen;
    written.UseGroup = L"not written here";
    written.DisplayInterval = 500;
    written.MoveThreshold = 7;
    written.ExcludedPrograms = {L"game.exe", L"C:\\Tools\\Player.exe"};
    written.HotKeyStart = 0x0644;
    WriteSaverProperty(written);

    TRegistryEx reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kSettingsKey));
    EXPECT_EQ(reg.ReadString(L"IgnoreMouse"), L"LsftClick,Wheel");
    EXPECT_EQ(reg.ReadString(L"HomePosition"), L"-3,1200");
    EXPECT_EQ(reg.ReadInteger(L"PlaySequence"), 1);
    EXPECT_EQ(reg.ReadInteger(L"TrayAnimation"), 0);
    EXPECT_EQ(reg.ReadInteger(L"SuppressFullScreen"), 1);
    EXPECT_EQ(reg.ReadInteger(L"SuppressOnBatterySaver"), 0);
    EXPECT_EQ(reg.ReadStringDef(L"UseGroup", L"(none)"), L"(none)");
    EXPECT_EQ(reg.ReadIntegerDef(L"DisplayInterval", -1), -1);

    WriteUseGroup(L"グループ");
    TSaverProperty read;
    ReadSaverProperty(read);
    EXPECT_EQ(read.WaitTime, 30000);
    EXPECT_EQ(read.IgnoreMouse, written.IgnoreMouse);
    EXPECT_EQ(read.HomePosition, written.HomePosition);
    EXPECT_EQ(read.Options, soHideCursor | soSuppressFullScreen);
    EXPECT_EQ(read.UseGroup, L"グループ");
    EXPECT_EQ(read.DisplayInterval, 10);
    EXPECT_EQ(read.MoveThreshold, 7);
    EXPECT_EQ(read.ExcludedPrograms, written.ExcludedPrograms);
    EXPECT_EQ(read.HotKeyStart, 0x0644);
    EXPECT_EQ(read.HotKeyPause, 0);
}

TEST_F(SettingsStore, HotKeysThatNoControlGivesReadAsNone) {
    SetSetting(L"HotKeyStart", 0x0644);
    SetSetting(L"HotKeyPause", 0x10644);
    TSaverProperty p;
    ReadSaverProperty(p);
    EXPECT_EQ(p.HotKeyStart, 0x0644);
    EXPECT_EQ(p.HotKeyPause, 0);
    SetSetting(L"HotKeyStart", L"0x0644"); // a text where a number belongs
    SetSetting(L"HotKeyPause", 0x0170);
    ReadSaverProperty(p);
    EXPECT_EQ(p.HotKeyStart, 0);
    EXPECT_EQ(p.HotKeyPause, 0x0170);
}

TEST_F(SettingsStore, ExcludedProgramsOfAnotherTypeReadAsNone) {
    TSaverProperty p;
    ReadSaverProperty(p);
    EXPECT_TRUE(p.ExcludedPrograms.empty());
    SetSetting(L"ExcludedPrograms", L"game.exe"); // REG_SZ where REG_MULTI_SZ belongs
    ReadSaverProperty(p);
    EXPECT_TRUE(p.ExcludedPrograms.empty());
    SetSetting(L"ExcludedPrograms", std::wstring(L"a.exe\0B.EXE", 11), REG_MULTI_SZ);
    ReadSaverProperty(p);
    EXPECT_EQ(p.ExcludedPrograms, (std::vector<std::wstring>{L"a.exe", L"B.EXE"}));
}
