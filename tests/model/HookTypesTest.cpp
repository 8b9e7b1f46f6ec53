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

// A steady hand: the distance is a straight line from where the show began, its edge still inside.
TEST(MoveThreshold, MovesWithinTheDistanceStayInsideAndTheEdgeCounts) {
    const struct {
        TPoint32 Now;
        int32_t Threshold;
        bool Within;
    } cases[] = {
        {{100, 100}, 0, true},
        {{101, 100}, 0, false},
        {{103, 100}, 10, true},
        {{110, 100}, 10, true},
        {{111, 100}, 10, false},
        {{106, 108}, 10, true},
        {{107, 108}, 10, false},
        {{93, 93}, 10, true},
        {{92, 92}, 10, false},
        {{140, 100}, 10, false},
        {{120, 100}, 20, true},
        {{121, 100}, 20, false},
        // Past the range the bound applies: a hostile threshold is 20, a negative one 0.
        {{130, 100}, 1000, false},
        {{120, 100}, 1000, true},
        {{101, 100}, -5, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithinMoveThreshold({100, 100}, c.Now, c.Threshold), c.Within)
            << c.Now.X << "," << c.Now.Y << " within " << c.Threshold;
    // The screen's far corners do not overflow.
    EXPECT_FALSE(WithinMoveThreshold({INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}, 20));
}

TEST(MoveThreshold, IsBoundedToTwentyPixels) {
    const std::pair<int32_t, int32_t> cases[] = {{0, 0},  {3, 3},          {20, 20},      {21, 20},
                                                 {-1, 0}, {INT32_MAX, 20}, {INT32_MIN, 0}};
    for (const auto& [value, bounded] : cases)
        EXPECT_EQ(BoundMoveThreshold(value), bounded) << value;
}
