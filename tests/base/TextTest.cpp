#include "base/Text.h"

#include <gtest/gtest.h>

using namespace dovex;
using Items = std::vector<std::wstring>;

TEST(SplitText, DelimiterOnlyListsKeepInnerBlanksAndEndWithEmptyItem) {
    EXPECT_EQ(SplitText(L",", L"a, b ,c"), (Items{L"a", L"b", L"c"}));
    EXPECT_EQ(SplitText(L",", L"a,,c"), (Items{L"a", L"", L"c"}));
    EXPECT_EQ(SplitText(L",", L"a,b,"), (Items{L"a", L"b", L""}));
    EXPECT_EQ(SplitText(L",", L"a,b,   "), (Items{L"a", L"b", L""}));
    EXPECT_EQ(SplitText(L",", L"C:\\My Cursors\\a b.cur,x"), (Items{L"C:\\My Cursors\\a b.cur", L"x"}));
    EXPECT_EQ(SplitText(L",", L""), Items{});
    EXPECT_EQ(SplitText(L",", L" \t\r\n "), Items{});
    EXPECT_EQ(SplitText(L";,", L"a;b,c"), (Items{L"a", L"b", L"c"}));
}

TEST(SplitText, QuotedItems) {
    EXPECT_EQ(SplitText(L",", L"\"x\"y"), (Items{L"x", L"y"}));
    EXPECT_EQ(SplitText(L",", L"\"a,b\",c"), (Items{L"a,b", L"c"}));
    EXPECT_EQ(SplitText(L",", L"\"say \"\"hi\"\"\""), (Items{L"say \"hi\""}));
    EXPECT_EQ(SplitText(L",", L"\"unterminated, rest"), (Items{L"unterminated, rest"}));
    EXPECT_EQ(SplitText(L",", L"\"\",a"), (Items{L"", L"a"}));
    EXPECT_EQ(SplitText(L",", L"  \"q\"  ,  r  "), (Items{L"q", L"r"}));
}

TEST(SplitText, CommaTextSeparatesAtBlanksAndControls) {
    EXPECT_EQ(SplitCommaText(L"10 , 20"), (Items{L"10", L"20"}));
    EXPECT_EQ(SplitCommaText(L"10 20"), (Items{L"10", L"20"}));
    EXPECT_EQ(SplitCommaText(L"Wheel, LsftClick"), (Items{L"Wheel", L"LsftClick"}));
    EXPECT_EQ(SplitCommaText(L"a\tb\x01"
                             L"c"),
              (Items{L"a", L"b", L"c"}));
    EXPECT_EQ(SplitCommaText(L"\"a b\" c"), (Items{L"a b", L"c"}));
    EXPECT_EQ(SplitCommaText(L"a,,b"), (Items{L"a", L"", L"b"}));
    EXPECT_EQ(SplitCommaText(L"日本語,テキスト"), (Items{L"日本語", L"テキスト"}));
}

TEST(TryStrToInt, AcceptsOnlyWholeSigned32BitDecimals) {
    EXPECT_EQ(TryStrToInt(L"0"), 0);
    EXPECT_EQ(TryStrToInt(L"-5"), -5);
    EXPECT_EQ(TryStrToInt(L"+17"), 17);
    EXPECT_EQ(TryStrToInt(L"2147483647"), 2147483647);
    EXPECT_EQ(TryStrToInt(L"-2147483648"), INT32_MIN);
    EXPECT_EQ(TryStrToInt(L"2147483648"), std::nullopt);
    EXPECT_EQ(TryStrToInt(L"-2147483649"), std::nullopt);
    EXPECT_EQ(TryStrToInt(L"99999999999999999999"), std::nullopt);
    EXPECT_EQ(TryStrToInt(L""), std::nullopt);
    EXPECT_EQ(TryStrToInt(L"-"), std::nullopt);
    EXPECT_EQ(TryStrToInt(L"1x"), std::nullopt);
    EXPECT_EQ(TryStrToInt(L" 1"), std::nullopt);
    EXPECT_EQ(TryStrToInt(L"１"), std::nullopt); // full-width digits are not numbers here
}

TEST(FormatText, FillsPlaceholdersInOrder) {
    EXPECT_EQ(FormatText(L"'%s' の取得に失敗しました", {L"WaitTime"}), L"'WaitTime' の取得に失敗しました");
    EXPECT_EQ(FormatText(L"%s=%d%%", {L"a", L"5"}), L"a=5%");
    EXPECT_EQ(FormatText(L"%s and %s", {L"one"}), L"one and %s");
}
