#include "playlist/PlayListText.h"

#include <algorithm>
#include <cwchar>

#include "base/Text.h"
#include "model/PlayListCtrls.h"

namespace dovex {

std::wstring FormatGrouped(int64_t value) {
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    std::wstring digits = std::to_wstring(magnitude);
    for (size_t i = digits.size(); i > 3; i -= 3)
        digits.insert(i - 3, 1, L',');
    return value < 0 ? L"-" + digits : digits;
}

std::wstring FormatSteps(int32_t steps) {
    return FormatGrouped(steps);
}

std::wstring FormatPlayTime(int32_t milliseconds) {
    wchar_t text[64];
    std::swprintf(text, std::size(text), L"%.2d'%.2d\"%.3d", milliseconds / 60000,
                  milliseconds % 60000 / 1000, milliseconds % 1000);
    return text;
}

std::wstring FormatFileSize(uint32_t bytes) {
    return FormatGrouped((int64_t{bytes} + 1023) / 1024) + L" KB";
}

std::wstring FormatFileTime(const SYSTEMTIME& time) {
    wchar_t text[64];
    std::swprintf(text, std::size(text), L"%d/%.2d/%.2d %.2d:%.2d", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute);
    return text;
}

std::wstring ItemColumnText(const TCursorItem& item, int column) {
    switch (column) {
    case icTitle:
        return item.Title;
    case icSteps:
        return FormatSteps(item.Steps);
    case icTime:
        return FormatPlayTime(item.PlayTime);
    case icFileName:
        return item.FileName;
    case icSize:
        return FormatFileSize(item.FileSize);
    case icDate:
        return FormatFileTime(item.FileTime);
    case icAuthor:
        return item.Author;
    default:
        return {};
    }
}

bool ItemColumnShown(const TCursorItem& item, int column) noexcept {
    switch (item.Status) {
    case isUsable:
        return true;
    case isUnusable:
        return column == icFileName || column == icSize || column == icDate;
    case isMissing:
        return column == icFileName;
    default:
        return false;
    }
}

namespace {
size_t NameStart(std::wstring_view path) noexcept {
    const size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring_view::npos ? 0 : separator + 1;
}
} // namespace

std::wstring_view ExtractFileName(std::wstring_view path) noexcept {
    return path.substr(NameStart(path));
}

std::wstring_view ExtractFilePath(std::wstring_view path) noexcept {
    return path.substr(0, NameStart(path));
}

bool HasAniExtension(std::wstring_view path) noexcept {
    const std::wstring_view name = ExtractFileName(path);
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos)
        return false;
    const std::wstring_view extension = name.substr(dot);
    constexpr std::wstring_view kAni = L".ANI";
    if (extension.size() != kAni.size())
        return false;
    for (size_t i = 0; i < kAni.size(); ++i) {
        const wchar_t c = extension[i];
        if ((c >= L'a' && c <= L'z' ? c - (L'a' - L'A') : c) != kAni[i])
            return false;
    }
    return true;
}

bool SameText(std::wstring_view a, std::wstring_view b) noexcept {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

std::wstring GroupNameProblem(std::wstring_view name) {
    if (name.find(L'\\') != std::wstring_view::npos)
        return L"グループ名に \\ は使えません。";
    if (name.size() > kMaxGroupNameLength)
        return FormatText(L"グループ名は %d 文字以内にしてください。",
                          {std::to_wstring(kMaxGroupNameLength)});
    for (wchar_t c : name)
        if (c < L' ' || c == 0x7F)
            return L"グループ名に制御文字は使えません。";
    return {};
}

namespace {
// The first `length` characters, never half of a surrogate pair.
std::wstring CutName(std::wstring_view name, size_t length) {
    if (name.size() <= length)
        return std::wstring(name);
    if (length > 0 && name[length - 1] >= 0xD800 && name[length - 1] <= 0xDBFF)
        --length;
    return std::wstring(name.substr(0, length));
}

bool IsNameBlank(wchar_t c) noexcept {
    return c == L' ' || c == L'\x3000';
}
} // namespace

std::wstring GroupNameFrom(std::wstring_view raw) {
    std::wstring name;
    for (wchar_t c : raw)
        name += c == L'\\' ? L'-' : (c < L' ' || c == 0x7F) ? L' ' : c;
    const size_t first = std::find_if_not(name.begin(), name.end(), IsNameBlank) - name.begin();
    name.erase(0, first);
    while (!name.empty() && IsNameBlank(name.back()))
        name.pop_back();
    name = CutName(name, kMaxGroupNameLength);
    while (!name.empty() && IsNameBlank(name.back()))
        name.pop_back();
    return name;
}

std::wstring NumberedGroupName(std::wstring_view name, int n) {
    if (n < 2)
        return CutName(name, kMaxGroupNameLength);
    const std::wstring suffix = L" (" + std::to_wstring(n) + L")";
    return CutName(name, kMaxGroupNameLength - suffix.size()) + suffix;
}

std::wstring ShortHint(std::wstring_view hint) {
    return std::wstring(hint.substr(0, hint.find(L'|')));
}

std::wstring LongHint(std::wstring_view hint) {
    const size_t bar = hint.find(L'|');
    return std::wstring(bar == std::wstring_view::npos ? hint : hint.substr(bar + 1));
}

} // namespace dovex
