#include "model/HookTypes.h"

#include <gtest/gtest.h>

#include "base/Exception.h"

using namespace dovex;

TEST(IgnoreMouseText, WritesNamesInBitOrderAndReadsBackCaseSensitively) {
    EXPECT_EQ(IgnoreMouseToText(0), L"");
    EXPECT_EQ(IgnoreMouseToText(imLsftClick | imWheel), L"LsftClick,Wheel");
    EXPECT_EQ(IgnoreMouseToText(0xFF),
              L"LsftClick,MiddleClick,RightClick,Wheel,Reserved1,Reserved2,Reserved3,Reserved4");
    EXPECT_EQ(TextToIgnoreMouse(L"Wheel, LsftClick"), imLsftClick | imWheel);
    EXPECT_EQ(IgnoreMouseToText(TextToIgnoreMouse(L"Wheel, LsftClick")), L"LsftClick,Wheel");
    EXPECT_EQ(TextToIgnoreMouse(L"leftclick,Foo"), 0);
    EXPECT_EQ(TextToIgnoreMouse(L"wheel"), 0);
    EXPECT_EQ(TextToIgnoreMouse(L"RightClick,RightClick \"MiddleClick\""), imRightClick | imMiddleClick);
    EXPECT_EQ(TextToIgnoreMouse(L""), 0);
    for (unsigned set = 0; set < 256; ++set)
        EXPECT_EQ(TextToIgnoreMouse(IgnoreMouseToText(static_cast<TIgnoreMouse>(set))), set);
}

TEST(PointText, RoundTripsAndToleratesBlanks) {
    EXPECT_EQ(PointToText({120, -5}), L"120,-5");
    EXPECT_EQ(PointToText({0, 0}), L"0,0");
    EXPECT_EQ(TextToPoint(L"120,-5"), (TPoint32{120, -5}));
    EXPECT_EQ(TextToPoint(L"10 , 20"), (TPoint32{10, 20}));
    EXPECT_EQ(TextToPoint(L"10 20"), (TPoint32{10, 20}));
    EXPECT_EQ(TextToPoint(L"10,20,30"), (TPoint32{10, 20}));
    EXPECT_EQ(TextToPoint(L"\"7\",\"8\""), (TPoint32{7, 8}));
}

TEST(PointText, BadTextsRaiseTheListAndConversionErrors) {
    try {
        TextToPoint(L"10");
        FAIL() << "one item must not parse";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), L"リストのインデックスが範囲を超えています (1)");
    }
    try {
        TextToPoint(L"10,abc");
        FAIL() << "a word must not parse";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), L"'abc' は整数ではありません");
    }
    // The first item is converted before the count is checked.
    EXPECT_THROW(TextToPoint(L"x"), EConvertError);
    EXPECT_THROW(TextToPoint(L""), EListError);
    EXPECT_THROW(TextToPoint(L"1,99999999999"), EConvertError);
}

TEST(DisplayInterval, IsBoundedSoTheMainThreadNeverSleepsLong) {
    EXPECT_EQ(BoundDisplayInterval(10), 10);
    EXPECT_EQ(BoundDisplayInterval(0), 0);
    EXPECT_EQ(BoundDisplayInterval(-1), 0);
    EXPECT_EQ(BoundDisplayInterval(INT32_MIN), 0);
    EXPECT_EQ(BoundDisplayInterval(INT32_MAX), kMaxDisplayInterval);
}
