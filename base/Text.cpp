#include "base/Text.h"

#include <limits>

namespace dovex {

namespace {

bool IsBlankOrControl(wchar_t c) {
    return c >= 1 && c <= 32;
}

} // namespace

std::vector<std::wstring> SplitText(std::wstring_view delimiters, std::wstring_view text,
                                    TSplitBlanks blanks) {
    std::vector<std::wstring> items;
    const size_t n = text.size();
    size_t i = 0;
    auto isDelimiter = [&](wchar_t c) { return delimiters.find(c) != std::wstring_view::npos; };
    auto skipBlanks = [&] {
        while (i < n && IsBlankOrControl(text[i]))
            ++i;
    };

    skipBlanks();
    if (i >= n)
        return items;
    for (;;) {
        std::wstring item;
        if (text[i] == L'"') {
            ++i;
            while (i < n) {
                if (text[i] == L'"') {
                    if (i + 1 < n && text[i + 1] == L'"') {
                        item += L'"';
                        i += 2;
                        continue;
                    }
                    ++i; // closing quote
                    break;
                }
                item += text[i++];
            }
        } else {
            const size_t start = i;
            while (i < n && !isDelimiter(text[i]) &&
                   !(blanks == TSplitBlanks::Separate && IsBlankOrControl(text[i])))
                ++i;
            item.assign(text.substr(start, i - start));
            while (!item.empty() && item.back() == L' ')
                item.pop_back();
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (i >= n)
            return items;
        if (!isDelimiter(text[i]))
            continue; // text right after a quoted item starts the next one
        ++i;
        skipBlanks();
        if (i >= n) {
            items.emplace_back();
            return items;
        }
    }
}

std::optional<int32_t> TryStrToInt(std::wstring_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) {
        negative = text[i] == L'-';
        ++i;
    }
    if (i >= text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c < L'0' || c > L'9')
            return std::nullopt;
        value = value * 10 + (c - L'0');
        if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

std::wstring FormatText(std::wstring_view format, std::initializer_list<std::wstring_view> args) {
    std::wstring out;
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        const wchar_t c = format[i];
        if (c == L'%' && i + 1 < format.size()) {
            const wchar_t kind = format[i + 1];
            if (kind == L'%') {
                out += L'%';
                ++i;
                continue;
            }
            if ((kind == L's' || kind == L'd') && next != args.end()) {
                out += *next++;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

} // namespace dovex
