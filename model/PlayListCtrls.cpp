#include "model/PlayListCtrls.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <unordered_set>
#include <utility>

#include "anicursor/AniCurInfo.h"
#include "base/Text.h"
#include "model/RegistryEx.h"

namespace dovex {

namespace {

// Set only by SetItemReader. The shared reader is taken at first use, not at start-up: made before the
// program starts, it would outlive the allocation check at exit while holding what it last read.
TAniCursorInfo* GItemReader = nullptr;
bool GItemReaderSet = false;

[[noreturn]] void RaiseListIndex(int index) {
    throw EListError(FormatText(L"リストのインデックスが範囲を超えています (%d)", {std::to_wstring(index)}));
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// The integer syntax of stored names and texts: leading blanks, a sign, then decimal digits or
// hexadecimal digits after '$' (or "0x" when allowed), as 32 bits, so $FFFFFFFF is -1. Nothing may follow.
std::optional<int32_t> TryStrToIntEx(std::wstring_view text, bool allowZeroX) {
    size_t i = 0;
    while (i < text.size() && text[i] == L' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
        negative = text[i++] == L'-';
    int base = 10;
    if (i < text.size() && text[i] == L'$') {
        base = 16;
        ++i;
    } else if (allowZeroX && i + 1 < text.size() && text[i] == L'0' &&
               (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    uint64_t value = 0;
    const uint64_t limit = base == 16 ? 0xFFFFFFFFull : uint64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; i < text.size(); ++i) {
        const int digit = HexDigit(text[i]);
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    if (base == 10 && !negative && value > uint64_t{std::numeric_limits<int32_t>::max()})
        return std::nullopt;
    const auto bits = static_cast<uint32_t>(value);
    return static_cast<int32_t>(negative ? 0u - bits : bits);
}

// Titles and authors are stored in the system code page.
std::wstring AnsiToWide(const std::string& bytes) {
    if (bytes.empty())
        return {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(n, 0)), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return wide;
}

std::wstring UpperCase(std::wstring text) {
    if (!text.empty())
        ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The number of the open key's values or sub-keys; one more than any key holds when it cannot be told.
size_t CountOf(HKEY key, bool subKeys) {
    DWORD keys = 0, values = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values, nullptr, nullptr,
                           nullptr, nullptr) != ERROR_SUCCESS)
        return SIZE_MAX;
    return subKeys ? keys : values;
}

// Upper case as the registry folds value names, not as a locale does.
std::wstring InvariantUpperCase(std::wstring text) {
    if (!text.empty())
        ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(), static_cast<int>(text.size()),
                        text.data(), static_cast<int>(text.size()), nullptr, nullptr, 0);
    return text;
}

// A name with wildcards would make the look-up report some other file.
bool HasWildcards(const std::wstring& fileName) {
    const size_t from = fileName.starts_with(L"\\\\?\\") ? 4 : 0;
    return fileName.find_first_of(L"*?", from) != std::wstring::npos;
}

// What the reader knows of the file just loaded.
void TakeReaderInfo(TCursorItem& item, const TAniCursorInfo& reader) {
    item.Author = AnsiToWide(reader.Author());
    item.PlayTime = reader.TotalTime();
    item.Steps = reader.GetAniInfo(ahSteps);
    item.Title = AnsiToWide(reader.Title());
}

// The texts of the open key's item values (names that are integers of 0 or more), with their numbers,
// in enumeration order. A value that is not a string gives an empty text, as ReadStringDef would.
// One enumeration call yields name, type and data together; reading the names first and each text
// after would cost three registry calls per item, which dominates loading a large group.
std::vector<std::pair<int32_t, std::wstring>> ReadItemValues(const TRegistryEx& reg) {
    std::vector<std::pair<int32_t, std::wstring>> values;
    const HKEY key = reg.CurrentKey();
    DWORD count = 0, maxName = 0, maxData = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName,
                           &maxData, nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    std::wstring name(maxName + 1, L'\0');
    std::vector<wchar_t> data(maxData / sizeof(wchar_t) + 1);
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size()), type = REG_NONE;
        DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        LONG r = ::RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type,
                                 reinterpret_cast<BYTE*>(data.data()), &size);
        if (r == ERROR_MORE_DATA) {
            // The value grew since the key was measured: take its name alone and read it by name.
            name.resize(32767);
            nameLen = static_cast<DWORD>(name.size());
            r = ::RegEnumValueW(key, i, name.data(), &nameLen, nullptr, nullptr, nullptr, nullptr);
            if (r != ERROR_SUCCESS)
                continue;
            const std::wstring valueName(name.data(), nameLen);
            if (const auto number = TryStrToIntEx(valueName, true); number && *number >= 0)
                values.emplace_back(*number, reg.ReadStringDef(valueName, L""));
            continue;
        }
        if (r != ERROR_SUCCESS)
            continue;
        const auto number = TryStrToIntEx(std::wstring_view(name.data(), nameLen), true);
        if (!number || *number < 0)
            continue;
        std::wstring text;
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            text.assign(data.data(), size / sizeof(wchar_t));
            if (const size_t nul = text.find(L'\0'); nul != std::wstring::npos)
                text.resize(nul);
        }
        values.emplace_back(*number, std::move(text));
    }
    return values;
}

} // namespace

bool IsGroupKeyName(const std::wstring& name) {
    return !name.empty() && name.find(L'\\') == std::wstring::npos;
}

TAniCursorInfo* ItemReader() noexcept {
    return GItemReaderSet ? GItemReader : &CursorInfo();
}

void SetItemReader(TAniCursorInfo* reader) noexcept {
    GItemReader = reader;
    GItemReaderSet = true;
}

// ---- TCursorGroupBase ----

TCursorGroupBase::TCursorGroupBase(TConstructKey, std::wstring name, std::wstring playlistKey)
    : FName(std::move(name)), FPlaylistKey(std::move(playlistKey)) {}

void TCursorGroupBase::LoadFromRegistry() {
    ClearItems();
    if (!IsGroupKeyName(FName))
        return;
    TRegistryEx reg;
    if (!reg.OpenKeyReadOnly(KeyPath()))
        return;
    FSaverMode = static_cast<TSaverMode>(reg.ReadIntegerDef(L"SaverMode", 0) & 0xFF);
    FSaverPlayNums = reg.ReadIntegerDef(L"SaverPlayNums", 1);
    FSaverPlayTime = reg.ReadIntegerDef(L"SaverPlayTime", 1000);

    // Item values are ordered by their number, not by enumeration: Wine's registry enumerates values
    // by name ("10" before "2"), and the program writes 0 .. n-1 in order, so the number is the order
    // in which they were written. Equal numbers keep their enumeration order.
    auto values = ReadItemValues(reg);
    std::stable_sort(values.begin(), values.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    FItems.reserve(values.size());
    for (const auto& value : values)
        AddItem(value.second);
}

TCursorItem& TCursorGroupBase::AddItem(const std::wstring& fileName) {
    FItems.push_back(std::make_unique<TCursorItem>(fileName, this));
    return *FItems.back();
}

TCursorItem& TCursorGroupBase::GetItem(int index) {
    return ItemAt(index);
}

TCursorItem& TCursorGroupBase::ItemAt(int index) {
    CheckIndex(index);
    return *FItems[static_cast<size_t>(index)];
}

void TCursorGroupBase::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        RaiseListIndex(index);
}

// ---- TCursorGroupCtrl ----

std::unique_ptr<TCursorGroupCtrl> TCursorGroupCtrl::CreateNew(const std::wstring& name,
                                                              const std::wstring& playlistKey) {
    auto group = Create(name, playlistKey);
    group->FModified = true;
    group->SaveIfModified();
    return group;
}

void TCursorGroupCtrl::LoadFromRegistry() {
    TCursorGroupBase::LoadFromRegistry();
    FModified = false;
}

TCursorItem& TCursorGroupCtrl::AddItem(const std::wstring& fileName) {
    TCursorItem& item = TCursorGroupBase::AddItem(fileName);
    FModified = true;
    return item;
}

TCursorItem& TCursorGroupCtrl::GetItem(int index) {
    TCursorItem& item = ItemAt(index);
    if (item.Status == isUnchecked)
        ExamineItem(index);
    return item;
}

bool TCursorGroupCtrl::SaveIfModified() {
    if (!FModified)
        return false;
    // Without a key name of its own, "the group's key" would be another key.
    if (!IsGroupKeyName(FName))
        return false;
    // The key is written over in place and only then rid of what is no longer wanted: whenever the save
    // stops (a failure, the program killed), the key is there and every value in it is either the group's
    // old one or its new one.
    TRegistryEx reg;
    if (!reg.OpenKey(KeyPath(), true))
        return false;
    std::vector<std::wstring> wanted = {L"SaverMode", L"SaverPlayNums", L"SaverPlayTime"};
    bool written = true;
    auto write = [&](auto&& f) {
        try {
            f();
        } catch (const Exception&) {
            written = false;
        }
    };
    write([&] { reg.WriteInteger(wanted[0], FSaverMode); });
    write([&] { reg.WriteInteger(wanted[1], FSaverPlayNums); });
    write([&] { reg.WriteInteger(wanted[2], FSaverPlayTime); });
    for (int i = 0; i < Count(); ++i) {
        wanted.push_back(std::to_wstring(i));
        write([&] { reg.WriteString(wanted.back(), FItems[static_cast<size_t>(i)]->FileName); });
    }
    // Until every new value is in, the old ones beyond them are what the group still has.
    if (written) {
        // With every wanted value in, as many values as wanted means nothing else is there: the key of a
        // large pack's group is not listed value by value.
        if (CountOf(reg.CurrentKey(), false) != wanted.size()) {
            // Value names compare as the registry compares them, without regard to case.
            std::unordered_set<std::wstring> wantedSet;
            wantedSet.reserve(wanted.size());
            for (const auto& name : wanted)
                wantedSet.insert(InvariantUpperCase(name));
            for (const auto& name : reg.GetValueNames())
                if (!wantedSet.contains(InvariantUpperCase(name)) && !reg.DeleteValue(name))
                    written = false;
        }
        if (CountOf(reg.CurrentKey(), true) != 0)
            for (const auto& name : reg.GetKeyNames())
                if (!reg.DeleteKey(name))
                    written = false;
        // Whatever could not be listed is still there.
        written = written && CountOf(reg.CurrentKey(), false) == wanted.size() &&
                  CountOf(reg.CurrentKey(), true) == 0;
    }
    reg.CloseKey();
    FModified = !written;
    return written;
}

void TCursorGroupCtrl::ExamineItem(int index) {
    TCursorItem& item = ItemAt(index);
    WIN32_FIND_DATAW found{};
    HANDLE find =
        HasWildcards(item.FileName) ? INVALID_HANDLE_VALUE : ::FindFirstFileW(item.FileName.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        item.Status = isMissing;
        item.Title = kItemTitleMissing;
        return;
    }
    ::FindClose(find);
    item.FileSize = found.nFileSizeLow;
    FILETIME local{};
    ::FileTimeToLocalFileTime(&found.ftLastWriteTime, &local);
    ::FileTimeToSystemTime(&local, &item.FileTime);

    TAniCursorInfo* reader = ItemReader();
    if (!reader)
        throw EDovexItemsError(kItemMsgNoReader);
    bool loaded = false;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        try {
            // False only when the file vanished since the look-up.
            loaded = reader->LoadFromFile(item.FileName);
            if (!loaded) {
                item.Status = isMissing;
                item.Title = kItemTitleMissing;
                return;
            }
        } catch (const std::exception&) {
        }
    }
    if (!loaded) {
        item.Title = kItemTitleUnusable;
        item.Status = isUnusable;
        return;
    }
    TakeReaderInfo(item, *reader);
    if (item.Title.empty())
        item.Title = kItemTitleNone;
    item.Status = isUsable;
}

void TCursorGroupCtrl::SetSaverMode(TSaverMode mode) {
    if (mode != FSaverMode) {
        FSaverMode = mode;
        FModified = true;
    }
}

void TCursorGroupCtrl::SetSaverPlayNums(int32_t count) {
    if (count != FSaverPlayNums) {
        FSaverPlayNums = count;
        FModified = true;
    }
}

void TCursorGroupCtrl::SetSaverPlayTime(int32_t milliseconds) {
    if (milliseconds != FSaverPlayTime) {
        FSaverPlayTime = milliseconds == 0 ? 1000 : milliseconds;
        FModified = true;
    }
}

void TCursorGroupCtrl::DeleteItem(int index) {
    CheckIndex(index);
    FItems.erase(FItems.begin() + index);
    FModified = true;
}

void TCursorGroupCtrl::ExchangeItems(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    std::swap(FItems[static_cast<size_t>(index1)], FItems[static_cast<size_t>(index2)]);
    FModified = true;
}

int TCursorGroupCtrl::IndexOfItem(const TCursorItem* item) const noexcept {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == item)
            return static_cast<int>(i);
    return -1;
}

int TCursorGroupCtrl::FindTitle(const std::wstring& text, int start, bool wrap) const {
    if (text.empty())
        return -1;
    const std::wstring wanted = UpperCase(text);
    const int count = Count();
    start = std::clamp(start, 0, count);
    auto matches = [&](int i) {
        return UpperCase(FItems[static_cast<size_t>(i)]->Title).starts_with(wanted);
    };
    for (int i = start; i < count; ++i)
        if (matches(i))
            return i;
    if (wrap)
        for (int i = 0; i < start; ++i)
            if (matches(i))
                return i;
    return -1;
}

void TCursorGroupCtrl::Rename(const std::wstring& newName) {
    if (newName == FName)
        return;
    const std::wstring newPath = FPlaylistKey + L"\\" + newName;
    if (IsGroupKeyName(FName) && IsGroupKeyName(newName)) {
        TRegistryEx reg;
        // Taking the name of a key that stays would make the next save overwrite that other group.
        if (reg.KeyExists(KeyPath()) && reg.KeyExists(newPath))
            throw EDovexItemsError(FormatText(kItemMsgGroupExists, {newName}));
        reg.MoveKey(KeyPath(), newPath, true);
    }
    FName = newName;
}

void TCursorGroupCtrl::MoveItemTo(TCursorGroupCtrl* target, TCursorItem* item) {
    if (!target)
        return;
    const int index = IndexOfItem(item);
    if (index < 0)
        return;
    std::unique_ptr<TCursorItem> record = std::move(FItems[static_cast<size_t>(index)]);
    FItems.erase(FItems.begin() + index);
    record->Group = target;
    target->FItems.push_back(std::move(record));
    target->FModified = true;
    FModified = true;
}

void TCursorGroupCtrl::RefreshItem(int index) {
    TCursorItem& item = ItemAt(index);
    item.Status = isUnchecked;
    item.Author.clear();
    item.Title.clear();
    item.PlayTime = 0;
    item.Steps = 0;
    item.IconIndex = -1;
    ExamineItem(index);
}

// ---- TCursorGroup ----

TCursorItem& TCursorGroup::AddItem(const std::wstring& fileName) {
    TCursorItem& item = TCursorGroupBase::AddItem(fileName);
    TAniCursorInfo* reader = ItemReader();
    if (!reader) {
        const DWORD attributes = ::GetFileAttributesW(fileName.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            item.Status = isMissing;
        return item;
    }
    // The reader answers "no such file" itself (a directory is no file), which spares a look-up.
    try {
        if (HasWildcards(fileName) || !reader->LoadFromFile(fileName)) {
            item.Status = isMissing;
            return item;
        }
    } catch (const std::exception&) {
        item.Status = isUnusable;
        return item;
    }
    TakeReaderInfo(item, *reader);
    item.Status = isUsable;
    return item;
}

// ---- TCursorGroupManager ----

TCursorGroupManager::TCursorGroupManager(std::wstring playlistKey) : FPlaylistKey(std::move(playlistKey)) {
    Load();
}

void TCursorGroupManager::ClearGroups() noexcept {
    FAllItems.clear();
    FGroups.clear();
}

void TCursorGroupManager::Load() {
    ClearGroups();
    struct TFinish {
        TCursorGroupManager& Self;
        ~TFinish() {
            // Whatever was loaded stays consistent, also when a group failed to load.
            try {
                Self.RebuildItemList();
            } catch (...) {
                Self.FAllItems.clear();
            }
            Self.FUseIndex = -1;
            Self.CountPlayable();
        }
    } finish{*this};
    TRegistryEx reg;
    if (reg.OpenKey(FPlaylistKey, true)) {
        // Groups come in the registry's own order.
        for (const auto& name : reg.GetKeyNames())
            FGroups.push_back(TCursorGroup::Create(name, FPlaylistKey));
        reg.CloseKey();
    }
}

void TCursorGroupManager::RebuildItemList() {
    FAllItems.clear();
    for (const auto& group : FGroups)
        for (int i = 0; i < group->Count(); ++i)
            FAllItems.push_back(&group->Items(i));
}

void TCursorGroupManager::CountPlayable() noexcept {
    auto usable = [](const TCursorItem* item) { return item->Status == isUsable; };
    if (FUseIndex == -1) {
        FPlayableCount = static_cast<int>(std::count_if(FAllItems.begin(), FAllItems.end(), usable));
        return;
    }
    TCursorGroup& group = *FGroups[static_cast<size_t>(FUseIndex)];
    FPlayableCount = 0;
    for (int i = 0; i < group.Count(); ++i)
        FPlayableCount += usable(&group.Items(i)) ? 1 : 0;
}

int TCursorGroupManager::IndexOfGroup(const std::wstring& name) const noexcept {
    for (size_t i = 0; i < FGroups.size(); ++i)
        if (FGroups[i]->Name() == name)
            return static_cast<int>(i);
    return -1;
}

TCursorGroup& TCursorGroupManager::Groups(int index) const {
    if (index < 0 || index >= GroupCount())
        RaiseListIndex(index);
    return *FGroups[static_cast<size_t>(index)];
}

void TCursorGroupManager::SetUseIndex(int index) {
    if (index == FUseIndex)
        return;
    if (index != -1 && (index < 0 || index >= GroupCount()))
        RaiseListIndex(index);
    FUseIndex = index;
    CountPlayable();
}

int TCursorGroupManager::ItemCount() const noexcept {
    return FUseIndex == -1 ? static_cast<int>(FAllItems.size())
                           : FGroups[static_cast<size_t>(FUseIndex)]->Count();
}

TCursorItem& TCursorGroupManager::Items(int index) const {
    if (FUseIndex != -1)
        return FGroups[static_cast<size_t>(FUseIndex)]->Items(index);
    if (index < 0 || index >= static_cast<int>(FAllItems.size()))
        RaiseListIndex(index);
    return *FAllItems[static_cast<size_t>(index)];
}

// ---- preferences ----

std::wstring RectToText(const TFormBounds& rect) {
    return std::to_wstring(rect.Left) + L"," + std::to_wstring(rect.Top) + L"," +
           std::to_wstring(rect.Width) + L"," + std::to_wstring(rect.Height);
}

TFormBounds TextToRect(std::wstring_view text) {
    const auto items = SplitCommaText(text);
    auto item = [&](size_t index) {
        if (index >= items.size())
            RaiseListIndex(static_cast<int>(index));
        const auto value = TryStrToIntEx(items[index], false);
        if (!value)
            throw EConvertError(FormatText(L"'%s' は整数ではありません", {items[index]}));
        return *value;
    };
    return TFormBounds{item(0), item(1), item(2), item(3)};
}

TPlayListProperty::TPlayListProperty(std::wstring playlistKey) : FPlaylistKey(std::move(playlistKey)) {
    Load();
}

void TPlayListProperty::Load() {
    TRegistryEx reg;
    if (reg.OpenKeyReadOnly(FPlaylistKey)) {
        // Bounds that are not four integers come from outside the program: use the designed placement.
        try {
            FFormBounds = TextToRect(reg.ReadStringDef(L"FormBounds", L"0,0,0,0"));
        } catch (const Exception&) {
            FFormBounds = TFormBounds{};
        }
        FColors[plcPreviewBackground] = reg.ReadIntegerDef(L"PreviewBackgroundColor", 0);
        FListViewStyle = static_cast<uint8_t>(reg.ReadIntegerDef(L"ListViewStyle", 0) & 0xFF);
        FGroupViewWidth = reg.ReadIntegerDef(L"GroupViewWidth", FGroupViewWidth);
        FOptions = 0;
        if (reg.ReadBoolDef(L"ShowPreview", true))
            FOptions |= ploShowPreview;
        reg.CloseKey();
    }
    FModified = false;
}

void TPlayListProperty::Save() {
    if (!FModified)
        return;
    TRegistryEx reg;
    if (!reg.OpenKey(FPlaylistKey, true))
        return;
    reg.WriteStringSafe(L"FormBounds", RectToText(FFormBounds));
    reg.WriteIntegerSafe(L"PreviewBackgroundColor", FColors[plcPreviewBackground]);
    reg.WriteIntegerSafe(L"ListViewStyle", FListViewStyle);
    reg.WriteIntegerSafe(L"GroupViewWidth", FGroupViewWidth);
    reg.WriteBoolSafe(L"ShowPreview", ShowPreview());
    reg.CloseKey();
    FModified = false;
}

void TPlayListProperty::SetFormBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    const TFormBounds bounds{left, top, width, height};
    if (bounds != FFormBounds) {
        FFormBounds = bounds;
        SetModified();
    }
}

void TPlayListProperty::SetColors(TPlayListColor index, int32_t color) {
    if (FColors[index] != color) {
        FColors[index] = color;
        SetModified();
    }
}

void TPlayListProperty::SetListViewStyle(uint8_t style) {
    if (style != FListViewStyle) {
        FListViewStyle = style;
        SetModified();
    }
}

void TPlayListProperty::SetGroupViewWidth(int32_t width) {
    if (width != FGroupViewWidth) {
        FGroupViewWidth = width;
        SetModified();
    }
}

} // namespace dovex
