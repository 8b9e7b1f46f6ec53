#include "model/HookTypes.h"

#include <algorithm>

#include "base/Exception.h"
#include "base/Text.h"

namespace dovex {

const TIgnoreMouseStr IgnoreMouseNames[8] = {
    {L"LsftClick", 0}, {L"MiddleClick", 1}, {L"RightClick", 2}, {L"Wheel", 3},
    {L"Reserved1", 4}, {L"Reserved2", 5},   {L"Reserved3", 6},  {L"Reserved4", 7},
};

std::wstring IgnoreMouseToText(TIgnoreMouse set) {
    std::wstring text;
    for (const auto& entry : IgnoreMouseNames) {
        if (!(set & (1u << entry.Bit)))
            continue;
        if (!text.empty())
            text += L',';
        text += entry.Name;
    }
    return text;
}

TIgnoreMouse TextToIgnoreMouse(std::wstring_view text) {
    TIgnoreMouse set = 0;
    for (const auto& item : SplitCommaText(text))
        for (const auto& entry : IgnoreMouseNames)
            if (item == entry.Name)
                set |= static_cast<TIgnoreMouse>(1u << entry.Bit);
    return set;
}

std::wstring PointToText(TPoint32 point) {
    return std::to_wstring(point.X) + L"," + std::to_wstring(point.Y);
}

TPoint32 TextToPoint(std::wstring_view text) {
    const auto items = SplitCommaText(text);
    auto item = [&](size_t index) {
        if (index >= items.size())
            throw EListError(
                FormatText(L"リストのインデックスが範囲を超えています (%d)", {std::to_wstring(index)}));
        const auto value = TryStrToInt(items[index]);
        if (!value)
            throw EConvertError(FormatText(L"'%s' は整数ではありません", {items[index]}));
        return *value;
    };
    TPoint32 point;
    point.X = item(0);
    point.Y = item(1);
    return point;
}

int32_t BoundDisplayInterval(int32_t value) {
    return std::clamp<int32_t>(value, 0, kMaxDisplayInterval);
}

int32_t BoundMoveThreshold(int32_t value) {
    return std::clamp<int32_t>(value, 0, kMaxMoveThreshold);
}

bool WithinMoveThreshold(TPoint32 origin, TPoint32 now, int32_t threshold) {
    // Differences of 32-bit coordinates need 64 bits; beyond the limit on one axis, squares are not needed.
    const int64_t dx = int64_t{now.X} - origin.X, dy = int64_t{now.Y} - origin.Y;
    const int64_t limit = BoundMoveThreshold(threshold);
    if (dx > limit || dx < -limit || dy > limit || dy < -limit)
        return false;
    return dx * dx + dy * dy <= limit * limit;
}

} // namespace dovex
