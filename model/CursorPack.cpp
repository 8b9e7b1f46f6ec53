#include "model/CursorPack.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>

namespace dovex {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendCodePoint(std::wstring& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = kReplacement;
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

std::wstring DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::wstring out;
    out.reserve(bytes.size() / 2);
    auto unit = [&](size_t i) -> char32_t {
        const auto b0 = static_cast<uint8_t>(bytes[i]), b1 = static_cast<uint8_t>(bytes[i + 1]);
        return bigEndian ? (char32_t{b0} << 8 | b1) : (char32_t{b1} << 8 | b0);
    };
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendCodePoint(out, 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendCodePoint(out, c);
    }
    return out;
}

// Strict UTF-8: no overlong forms, no surrogates; nothing when the bytes are not UTF-8.
std::optional<std::wstring> DecodeUtf8(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<uint8_t>(bytes[i]);
        if (b < 0x80) {
            out += static_cast<wchar_t>(b);
            ++i;
            continue;
        }
        size_t length = 0;
        char32_t c = 0, least = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2, c = b & 0x1F, least = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, c = b & 0x0F, least = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, c = b & 0x07, least = 0x10000;
        } else {
            return std::nullopt;
        }
        if (i + length > bytes.size())
            return std::nullopt;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<uint8_t>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            c = c << 6 | (next & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        AppendCodePoint(out, c);
        i += length;
    }
    return out;
}

// Windows-1252: Latin-1 but for 0x80-0x9F; its five unassigned bytes keep their own numbers.
std::wstring DecodeWindows1252(std::string_view bytes) {
    static constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::wstring out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<uint8_t>(ch);
        out += static_cast<wchar_t>(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
    }
    return out;
}

wchar_t FoldCase(wchar_t c) noexcept {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - (L'a' - L'A')) : c;
}

std::wstring Folded(std::wstring_view text) {
    std::wstring out(text);
    std::transform(out.begin(), out.end(), out.begin(), FoldCase);
    return out;
}

bool IsBlank(wchar_t c) noexcept {
    return c == L' ' || c == L'\t' || c == L'\x1A' || c == 0xFEFF;
}

std::wstring_view Trimmed(std::wstring_view text) noexcept {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// ---- lines of an INF ----

struct TInfEntry {
    std::wstring Section; // folded
    std::wstring Key;     // folded; empty for a line without "="
    std::vector<std::wstring> Fields;
};

// A field: quoted parts as they are (a doubled quote is one quote), unquoted parts with the blanks at the
// field's ends dropped.
class TFieldBuilder {
public:
    void Add(wchar_t c, bool quoted) {
        if (!quoted && IsBlank(c) && FText.empty())
            return;
        FText += c;
        if (quoted || !IsBlank(c))
            FKept = FText.size();
    }
    std::wstring Take() {
        FText.resize(FKept);
        FKept = 0;
        return std::exchange(FText, {});
    }

private:
    std::wstring FText;
    size_t FKept = 0;
};

// Fields separated by commas outside quotes.
std::vector<std::wstring> SplitFields(std::wstring_view line) {
    std::vector<std::wstring> fields;
    TFieldBuilder field;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const wchar_t c = line[i];
        if (c == L'"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
                field.Add(L'"', true);
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == L',' && !quoted) {
            fields.push_back(field.Take());
        } else {
            field.Add(c, quoted);
        }
    }
    fields.push_back(field.Take());
    return fields;
}

// The line without its comment: a ";" outside quotes ends it.
std::wstring_view WithoutComment(std::wstring_view line) noexcept {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == L'"')
            quoted = !quoted;
        else if (line[i] == L';' && !quoted)
            return line.substr(0, i);
    }
    return line;
}

size_t EqualsOutsideQuotes(std::wstring_view line) noexcept {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == L'"')
            quoted = !quoted;
        else if (line[i] == L'=' && !quoted)
            return i;
    }
    return std::wstring_view::npos;
}

std::vector<TInfEntry> ReadEntries(std::wstring_view text) {
    std::vector<TInfEntry> entries;
    std::wstring section;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring_view::npos)
            end = text.size();
        const std::wstring_view line = Trimmed(WithoutComment(text.substr(start, end - start)));
        start = end + 1;
        if (line.empty())
            continue;
        if (line.front() == L'[') {
            const size_t close = line.find(L']');
            section = Folded(Trimmed(line.substr(1, close == std::wstring_view::npos ? close : close - 1)));
            continue;
        }
        TInfEntry entry{section, {}, {}};
        std::wstring_view values = line;
        if (const size_t equals = EqualsOutsideQuotes(line); equals != std::wstring_view::npos) {
            const auto key = SplitFields(line.substr(0, equals));
            entry.Key = Folded(key.front());
            values = line.substr(equals + 1);
        }
        entry.Fields = SplitFields(values);
        entries.push_back(std::move(entry));
    }
    return entries;
}

// ---- %strings% ----

// Nesting deeper than this is no author's intent; a longer expansion no file name.
constexpr int kMaxNesting = 8;
constexpr size_t kMaxExpansion = 32768;

class TInfStrings {
public:
    explicit TInfStrings(const std::vector<TInfEntry>& entries) {
        // [Strings] first; a localised [Strings.0411] only for names that [Strings] lacks.
        for (bool localised : {false, true})
            for (const auto& e : entries) {
                const bool plain = e.Section == L"STRINGS";
                const bool local = e.Section.starts_with(L"STRINGS.");
                if (e.Key.empty() || (localised ? !local : !plain))
                    continue;
                std::wstring value;
                for (size_t i = 0; i < e.Fields.size(); ++i)
                    value += (i ? L"," : L"") + e.Fields[i];
                FValues.emplace(e.Key, std::move(value)); // the first definition stays
            }
    }

    std::wstring Expand(std::wstring_view text) const {
        std::vector<std::wstring> active;
        std::wstring out;
        Expand(text, active, out);
        return out;
    }

private:
    void Expand(std::wstring_view text, std::vector<std::wstring>& active, std::wstring& out) const {
        for (size_t i = 0; i < text.size(); ++i) {
            if (out.size() >= kMaxExpansion)
                return;
            const wchar_t c = text[i];
            const size_t close = c == L'%' ? text.find(L'%', i + 1) : std::wstring_view::npos;
            if (close == std::wstring_view::npos) {
                out += c;
                continue;
            }
            const std::wstring_view name = text.substr(i + 1, close - i - 1);
            i = close;
            if (name.empty()) { // "%%" is a percent sign
                out += L'%';
                continue;
            }
            const std::wstring key = Folded(name);
            const auto found = FValues.find(key);
            // Directory ids (%10%) and unknown names stay as they are written, and so does a name met again
            // inside itself.
            if (found == FValues.end() || static_cast<int>(active.size()) >= kMaxNesting ||
                std::find(active.begin(), active.end(), key) != active.end()) {
                out += L'%';
                out += name;
                out += L'%';
                continue;
            }
            active.push_back(key);
            Expand(found->second, active, out);
            active.pop_back();
        }
    }

    std::map<std::wstring, std::wstring> FValues;
};

// ---- the scheme ----

// The registry value names of the cursor roles, in the order of a scheme's file list.
constexpr std::wstring_view kRoleNames[] = {
    L"ARROW",  L"HELP",     L"APPSTARTING", L"WAIT",    L"CROSSHAIR", L"IBEAM", L"NWPEN", L"NO",    L"SIZENS",
    L"SIZEWE", L"SIZENWSE", L"SIZENESW",    L"SIZEALL", L"UPARROW",   L"HAND",  L"PIN",   L"PERSON"};

bool IsCursorsKey(std::wstring_view key, bool schemes) {
    std::wstring folded = Folded(Trimmed(key));
    while (!folded.empty() && folded.back() == L'\\')
        folded.pop_back();
    const std::wstring_view wanted = schemes ? L"CONTROL PANEL\\CURSORS\\SCHEMES" : L"CONTROL PANEL\\CURSORS";
    return folded == wanted || folded.ends_with(L"\\" + std::wstring(wanted));
}

// Only the file's own name: whatever folder the INF gives (%10%\Cursors, ..\..\elsewhere) is not used.
std::wstring BareFileName(std::wstring_view path) {
    path = Trimmed(path);
    while (!path.empty() && path.front() == L'"')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == L'"')
        path.remove_suffix(1);
    const size_t separator = path.find_last_of(L"\\/:");
    const std::wstring_view name =
        Trimmed(separator == std::wstring_view::npos ? path : path.substr(separator + 1));
    if (name.empty() || name == L"." || name == L"..")
        return {};
    return std::wstring(name);
}

void AddFileOnce(std::vector<std::wstring>& files, std::wstring name) {
    if (name.empty())
        return;
    if (std::none_of(files.begin(), files.end(), [&](const auto& f) { return SameFileName(f, name); }))
        files.push_back(std::move(name));
}

std::wstring JoinedFrom(const std::vector<std::wstring>& fields, size_t first) {
    std::wstring joined;
    for (size_t i = first; i < fields.size(); ++i)
        joined += (i > first ? L"," : L"") + fields[i];
    return joined;
}

} // namespace

std::wstring DecodeInfText(std::string_view bytes, const TAnsiDecoder& ansi) {
    if (bytes.starts_with("\xFF\xFE"))
        return DecodeUtf16(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF"))
        return DecodeUtf16(bytes.substr(2), true);
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return DecodeUtf8(bytes.substr(3)).value_or(DecodeWindows1252(bytes.substr(3)));
    if (auto utf8 = DecodeUtf8(bytes))
        return std::move(*utf8);
    if (ansi)
        if (auto text = ansi(bytes))
            return std::move(*text);
    return DecodeWindows1252(bytes);
}

TInfScheme ReadInfScheme(std::wstring_view text) {
    const auto entries = ReadEntries(text);
    const TInfStrings strings(entries);
    TInfScheme scheme;
    std::wstring defaultName;
    bool listed = false;
    std::vector<std::pair<size_t, std::wstring>> roles;
    for (const auto& e : entries) {
        // Registry lines: root, key, value name, flags, data.
        if (!e.Key.empty() || e.Fields.size() < 2)
            continue;
        const std::wstring key = strings.Expand(e.Fields[1]);
        const bool schemes = IsCursorsKey(key, true);
        if (!schemes && !IsCursorsKey(key, false))
            continue;
        scheme.Found = true;
        if (e.Fields.size() < 5) // a line that deletes, or sets nothing
            continue;
        const std::wstring valueName = std::wstring(Trimmed(strings.Expand(e.Fields[2])));
        // An unquoted list arrives as several fields: they are one value.
        const std::wstring data = strings.Expand(JoinedFrom(e.Fields, 4));
        if (schemes) {
            if (listed)
                continue; // the first scheme of the INF
            listed = true;
            if (scheme.Name.empty())
                scheme.Name = valueName;
            size_t from = 0;
            for (;;) {
                const size_t comma = data.find(L',', from);
                AddFileOnce(scheme.Files, BareFileName(std::wstring_view(data).substr(from, comma - from)));
                if (comma == std::wstring::npos)
                    break;
                from = comma + 1;
            }
            continue;
        }
        if (valueName.empty()) {
            if (defaultName.empty())
                defaultName = std::wstring(Trimmed(data));
            continue;
        }
        const std::wstring role = Folded(valueName);
        const auto known = std::find(std::begin(kRoleNames), std::end(kRoleNames), role);
        if (known != std::end(kRoleNames))
            roles.emplace_back(static_cast<size_t>(known - std::begin(kRoleNames)), BareFileName(data));
    }
    if (scheme.Name.empty())
        scheme.Name = defaultName;
    if (scheme.Files.empty()) {
        std::stable_sort(roles.begin(), roles.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& role : roles)
            AddFileOnce(scheme.Files, std::move(role.second));
    }
    return scheme;
}

bool SameFileName(std::wstring_view a, std::wstring_view b) noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return FoldCase(x) == FoldCase(y);
           });
}

bool HasFileExtension(std::wstring_view name, std::wstring_view extension) noexcept {
    return name.size() > extension.size() &&
           SameFileName(name.substr(name.size() - extension.size()), extension);
}

bool NaturalLess(std::wstring_view a, std::wstring_view b) noexcept {
    auto digit = [](wchar_t c) { return c >= L'0' && c <= L'9'; };
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei]))
                ++ei;
            while (ej < b.size() && digit(b[ej]))
                ++ej;
            size_t si = i, sj = j; // leading zeros do not count
            while (si + 1 < ei && a[si] == L'0')
                ++si;
            while (sj + 1 < ej && b[sj] == L'0')
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            const int order = a.substr(si, ei - si).compare(b.substr(sj, ej - sj));
            if (order != 0)
                return order < 0;
            i = ei, j = ej;
            continue;
        }
        const wchar_t x = FoldCase(a[i]), y = FoldCase(b[j]);
        if (x != y)
            return x < y;
        ++i, ++j;
    }
    if (i < a.size() || j < b.size())
        return j < b.size();
    return a < b; // equal but for case or leading zeros: a fixed order all the same
}

TPackPlan PlanCursorPack(std::wstring_view packFolderName, const std::vector<TPackFolder>& folders) {
    TPackPlan plan;
    std::map<std::wstring, const TPackFolder*> byPath;
    for (const auto& folder : folders) {
        byPath.emplace(Folded(folder.RelativePath), &folder);
        plan.Skipped += static_cast<int>(folder.OtherFiles.size());
    }
    // The scheme of the nearest INF: the folder's own, else the closest one above it.
    auto nearestInf = [&](const TPackFolder& folder) -> const TPackFolder* {
        std::wstring path = Folded(folder.RelativePath);
        for (;;) {
            const auto found = byPath.find(path);
            if (found != byPath.end() && found->second->Inf && found->second->Inf->Found)
                return found->second;
            if (path.empty())
                return nullptr;
            const size_t separator = path.find_last_of(L'\\');
            path.resize(separator == std::wstring::npos ? 0 : separator);
        }
    };

    std::vector<const TPackFolder*> groups;
    for (const auto& folder : folders)
        if (!folder.AniFiles.empty())
            groups.push_back(&folder);
    std::sort(groups.begin(), groups.end(), [](const TPackFolder* a, const TPackFolder* b) {
        return NaturalLess(a->RelativePath, b->RelativePath);
    });

    const auto top = byPath.find(L"");
    std::wstring packName(packFolderName);
    if (top != byPath.end() && top->second->Inf && !top->second->Inf->Name.empty())
        packName = top->second->Inf->Name;

    for (const TPackFolder* folder : groups) {
        TPackGroupPlan group;
        group.RelativePath = folder->RelativePath;
        const TPackFolder* infFolder = nearestInf(*folder);
        if (groups.size() == 1) {
            group.Name = infFolder && !infFolder->Inf->Name.empty() ? infFolder->Inf->Name : packName;
        } else {
            group.Name = packName;
            if (!folder->RelativePath.empty())
                group.Name += L" - ";
            for (wchar_t c : folder->RelativePath)
                group.Name += c == L'\\' ? std::wstring(L" - ") : std::wstring(1, c);
        }
        std::vector<std::wstring> rest = folder->AniFiles;
        if (infFolder) {
            for (const auto& named : infFolder->Inf->Files) {
                const auto found = std::find_if(rest.begin(), rest.end(),
                                                [&](const auto& f) { return SameFileName(f, named); });
                if (found != rest.end()) {
                    group.Files.push_back(std::move(*found));
                    rest.erase(found);
                    continue;
                }
                // Counted for the INF's own folder only: names an INF above gives are of its folder.
                const bool present = std::any_of(folder->OtherFiles.begin(), folder->OtherFiles.end(),
                                                 [&](const auto& f) { return SameFileName(f, named); });
                if (infFolder == folder && !present)
                    ++plan.Missing;
            }
        }
        std::sort(rest.begin(), rest.end(), [](const auto& a, const auto& b) { return NaturalLess(a, b); });
        group.Files.insert(group.Files.end(), std::make_move_iterator(rest.begin()),
                           std::make_move_iterator(rest.end()));
        plan.Groups.push_back(std::move(group));
    }
    return plan;
}

} // namespace dovex
