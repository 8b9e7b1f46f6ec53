#include "model/RegistryEx.h"

#include <algorithm>

#include <cstring>
#include <cwctype>

#include "base/Text.h"

namespace dovex {

namespace {

const wchar_t kGetDataFailed[] = L"'%s' の取得に失敗しました";
const wchar_t kInvalidType[] = L"'%s' のデータ型が不正です";
const wchar_t kSetDataFailed[] = L"'%s' の設定に失敗しました";
const wchar_t kCreateKeyFailed[] = L"キー %s の作成に失敗しました";
const wchar_t kDeleteKeyFailed[] = L"キー %s の削除に失敗しました";

TRegistryChangeGate& ChangeGate() {
    static TRegistryChangeGate gate;
    return gate;
}

bool MayChange(TRegistryChange change, const std::wstring& name) {
    const auto& gate = ChangeGate();
    return !gate || gate(change, name);
}

// Every change goes through these, so that the gate sees each one.
LONG CreateRaw(HKEY base, const std::wstring& sub, REGSAM access, UniqueHKey& key) {
    if (!MayChange(TRegistryChange::CreateKey, sub))
        return ERROR_ACCESS_DENIED;
    const LONG r = ::RegCreateKeyExW(base, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                     key.put(), nullptr);
    if (r != ERROR_SUCCESS)
        key.release();
    return r;
}

LONG SetRaw(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size) {
    if (!MayChange(TRegistryChange::SetValue, name))
        return ERROR_ACCESS_DENIED;
    return ::RegSetValueExW(key, name.c_str(), 0, type, data, size);
}

std::wstring Upper(std::wstring s) {
    for (auto& c : s)
        c = static_cast<wchar_t>(std::towupper(c));
    return s;
}

std::wstring JoinPath(const std::wstring& parent, const std::wstring& child) {
    return parent.empty() ? child : parent + L"\\" + child;
}

// The names of a key's values or sub-keys in enumeration order. Lenient: an entry that cannot be read is
// left out. Strict (a copy, which must not skip anything): it raises the read error naming keyPath.
std::vector<std::wstring> EnumNames(HKEY key, bool subKeys, const std::wstring* strictKeyPath = nullptr) {
    std::vector<std::wstring> names;
    if (!key)
        return names;
    auto fail = [&](LONG status) {
        if (strictKeyPath)
            throw ERegistryException(FormatText(kGetDataFailed, {*strictKeyPath}),
                                     static_cast<DWORD>(status));
    };
    DWORD count = 0, maxLen = 0;
    const LONG info = subKeys ? ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &maxLen, nullptr,
                                                   nullptr, nullptr, nullptr, nullptr, nullptr)
                              : ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                   &count, &maxLen, nullptr, nullptr, nullptr);
    if (info != ERROR_SUCCESS) {
        fail(info);
        return names;
    }
    std::wstring buffer(static_cast<size_t>(maxLen) + 1, L'\0');
    for (DWORD i = 0; i < count; ++i) {
        DWORD len = static_cast<DWORD>(buffer.size());
        const LONG r = subKeys
                           ? ::RegEnumKeyExW(key, i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr)
                           : ::RegEnumValueW(key, i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_MORE_DATA && buffer.size() < 32768) {
            // A longer name came in after the count: the longest a name can be, and the same index again.
            buffer.assign(32768, L'\0');
            --i;
            continue;
        }
        if (r == ERROR_NO_MORE_ITEMS)
            break; // some went away after the count
        if (r == ERROR_SUCCESS)
            names.emplace_back(buffer.data(), len);
        else
            fail(r);
    }
    return names;
}

// Copies one value with its type and bytes; values of zero length, and values gone since they were listed,
// are left out. Any other failure raises the registry error.
void CopyValue(HKEY from, HKEY to, const std::wstring& name) {
    DWORD type = 0, size = 0;
    std::vector<BYTE> data;
    LONG r;
    do {
        r = ::RegQueryValueExW(from, name.c_str(), nullptr, &type, nullptr, &size);
        if (r != ERROR_SUCCESS)
            break;
        data.resize(size);
        // The value may grow between the two queries: then ask again.
        r = ::RegQueryValueExW(from, name.c_str(), nullptr, &type, data.data(), &size);
    } while (r == ERROR_MORE_DATA);
    if (r == ERROR_FILE_NOT_FOUND)
        return;
    if (r != ERROR_SUCCESS)
        throw ERegistryException(FormatText(kGetDataFailed, {name}), static_cast<DWORD>(r));
    if (size == 0)
        return;
    if (const LONG set = SetRaw(to, name, type, data.data(), size); set != ERROR_SUCCESS)
        throw ERegistryException(FormatText(kSetDataFailed, {name}), static_cast<DWORD>(set));
}

// Copies a key's values and sub-keys into another key; toPath names the target in messages.
void CopyTree(HKEY from, const std::wstring& fromPath, HKEY to, const std::wstring& toPath) {
    CopyValue(from, to, L"");
    for (const auto& name : EnumNames(from, false, &fromPath))
        if (!name.empty())
            CopyValue(from, to, name);
    for (const auto& name : EnumNames(from, true, &fromPath)) {
        const std::wstring srcPath = JoinPath(fromPath, name), dstPath = JoinPath(toPath, name);
        UniqueHKey src, dst;
        if (const LONG r = ::RegOpenKeyExW(from, name.c_str(), 0, KEY_READ, src.put()); r != ERROR_SUCCESS) {
            src.release();
            throw ERegistryException(FormatText(kGetDataFailed, {srcPath}), static_cast<DWORD>(r));
        }
        if (const LONG r = CreateRaw(to, name, KEY_ALL_ACCESS, dst); r != ERROR_SUCCESS)
            throw ERegistryException(FormatText(kCreateKeyFailed, {dstPath}), static_cast<DWORD>(r));
        CopyTree(src.get(), srcPath, dst.get(), dstPath);
    }
}

} // namespace

TRegistryChangeGate SetRegistryChangeGate(TRegistryChangeGate gate) {
    std::swap(ChangeGate(), gate);
    return gate;
}

void TRegistry::SetRootKey(HKEY value) noexcept {
    if (value == FRootKey)
        return;
    CloseKey();
    FRootKey = value;
}

HKEY TRegistry::BaseKeyFor(std::wstring& path) const noexcept {
    if (!path.empty() && path.front() == L'\\') {
        path.erase(0, 1);
        return FRootKey;
    }
    return FCurrentKey ? FCurrentKey.get() : FRootKey;
}

UniqueHKey TRegistry::OpenRaw(std::wstring path, REGSAM access) const {
    UniqueHKey key;
    const HKEY base = BaseKeyFor(path);
    if (::RegOpenKeyExW(base, path.c_str(), 0, access, key.put()) != ERROR_SUCCESS)
        key.release();
    return key;
}

void TRegistry::UseKey(UniqueHKey key, const std::wstring& path) noexcept {
    const bool relative = path.empty() || path.front() != L'\\';
    std::wstring newPath = relative ? path : path.substr(1);
    if (relative && FCurrentKey && !FCurrentPath.empty())
        newPath = newPath.empty() ? FCurrentPath : FCurrentPath + L"\\" + newPath;
    FCurrentKey = std::move(key);
    FCurrentPath = std::move(newPath);
}

bool TRegistry::OpenKey(const std::wstring& path, bool canCreate) {
    std::wstring sub = path;
    const HKEY base = BaseKeyFor(sub);
    UniqueHKey key;
    if (canCreate && !sub.empty()) {
        if (CreateRaw(base, sub, FAccess, key) != ERROR_SUCCESS)
            return false;
    } else if (::RegOpenKeyExW(base, sub.c_str(), 0, FAccess, key.put()) != ERROR_SUCCESS) {
        key.release();
        return false;
    }
    UseKey(std::move(key), path);
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::wstring& path) {
    UniqueHKey key = OpenRaw(path, KEY_READ);
    if (!key)
        return false;
    UseKey(std::move(key), path);
    FAccess = KEY_READ;
    return true;
}

void TRegistry::CloseKey() noexcept {
    FCurrentKey.reset();
    FCurrentPath.clear();
}

bool TRegistry::CreateKey(const std::wstring& path) {
    std::wstring sub = path;
    const HKEY base = BaseKeyFor(sub);
    UniqueHKey key;
    if (const LONG r = CreateRaw(base, sub, KEY_ALL_ACCESS, key); r != ERROR_SUCCESS)
        throw ERegistryException(FormatText(kCreateKeyFailed, {path}), static_cast<DWORD>(r));
    return true;
}

bool TRegistry::KeyExists(const std::wstring& path) {
    return static_cast<bool>(OpenRaw(path, FAccess));
}

bool TRegistry::DeleteKey(const std::wstring& path) {
    std::wstring sub = path;
    const HKEY base = BaseKeyFor(sub);
    if (sub.empty())
        return false; // never the open key or the root itself
    {
        UniqueHKey key;
        if (::RegOpenKeyExW(base, sub.c_str(), 0, FAccess, key.put()) == ERROR_SUCCESS) {
            auto names = EnumNames(key.get(), true);
            for (auto it = names.rbegin(); it != names.rend(); ++it) {
                TRegistry child;
                child.FAccess = FAccess;
                child.FRootKey = key.get();
                child.DeleteKey(*it);
            }
        } else {
            key.release();
        }
    }
    return MayChange(TRegistryChange::DeleteKey, sub) && ::RegDeleteKeyW(base, sub.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::DeleteValue(const std::wstring& name) {
    const HKEY key = FCurrentKey ? FCurrentKey.get() : FRootKey;
    return MayChange(TRegistryChange::DeleteValue, name) &&
           ::RegDeleteValueW(key, name.c_str()) == ERROR_SUCCESS;
}

void TRegistry::MoveKey(const std::wstring& oldPath, const std::wstring& newPath, bool deleteOld) {
    if (!KeyExists(oldPath) || KeyExists(newPath))
        return;
    // A new key inside the old one would copy into itself without end, and deleting the old key would
    // take the copy with it.
    std::wstring oldSub = oldPath, newSub = newPath;
    const HKEY oldBase = BaseKeyFor(oldSub), newBase = BaseKeyFor(newSub);
    if (oldBase == newBase && Upper(newSub).rfind(Upper(oldSub) + L"\\", 0) == 0)
        return;
    UniqueHKey src = OpenRaw(oldPath, KEY_READ);
    if (!src)
        throw ERegistryException(FormatText(kGetDataFailed, {oldPath}));
    CreateKey(newPath);
    bool hadSubKeys = false;
    try {
        UniqueHKey dst = OpenRaw(newPath, KEY_ALL_ACCESS);
        if (!dst)
            throw ERegistryException(FormatText(kCreateKeyFailed, {newPath}));
        CopyTree(src.get(), oldPath, dst.get(), newPath);
        hadSubKeys = !EnumNames(src.get(), true).empty();
    } catch (...) {
        DeleteKey(newPath); // the partial copy goes; the old key is as it was
        throw;
    }
    src.reset();
    if (!deleteOld || DeleteKey(oldPath) || !KeyExists(oldPath))
        return;
    // Deleting a key without sub-keys fails whole: going back to the old key alone loses nothing. With
    // sub-keys some may be gone already, and the complete copy must stay.
    if (!hadSubKeys)
        DeleteKey(newPath);
    throw ERegistryException(FormatText(kDeleteKeyFailed, {oldPath}));
}

std::vector<std::wstring> TRegistry::GetKeyNames() const {
    return EnumNames(FCurrentKey.get(), true);
}

std::vector<std::wstring> TRegistry::GetValueNames() const {
    return EnumNames(FCurrentKey.get(), false);
}

// The value's text, whole (NULs included), read as it is now; empty for a missing or empty value.
// ERegistryException when it is of none of the given types or cannot be read.
std::wstring TRegistry::ReadText(const std::wstring& name, std::initializer_list<DWORD> types) const {
    const HKEY key = FCurrentKey ? FCurrentKey.get() : FRootKey;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return {};
    if (std::find(types.begin(), types.end(), type) == types.end())
        throw ERegistryException(FormatText(kInvalidType, {name}));
    // The value may change between the two queries: read into what it has now.
    std::vector<BYTE> data(size + 2 * sizeof(wchar_t));
    DWORD got = size;
    const LONG r = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &got);
    if (r != ERROR_SUCCESS)
        throw ERegistryException(FormatText(kGetDataFailed, {name}), static_cast<DWORD>(r));
    // Stored without its closing zero, or cut inside a character, it still reads to its end.
    std::wstring text(got / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    return text;
}

std::wstring TRegistry::ReadString(const std::wstring& name) const {
    std::wstring text = ReadText(name, {REG_SZ, REG_EXPAND_SZ});
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos)
        text.resize(nul);
    return text;
}

int32_t TRegistry::ReadInteger(const std::wstring& name) const {
    const HKEY key = FCurrentKey ? FCurrentKey.get() : FRootKey;
    DWORD type = 0, value = 0, size = sizeof(value);
    const LONG r =
        ::RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (r != ERROR_SUCCESS || (type == REG_DWORD && size != sizeof(value)))
        throw ERegistryException(FormatText(kGetDataFailed, {name}), static_cast<DWORD>(r));
    if (type != REG_DWORD)
        throw ERegistryException(FormatText(kInvalidType, {name}));
    return static_cast<int32_t>(value);
}

void TRegistry::WriteString(const std::wstring& name, const std::wstring& value) {
    const HKEY key = FCurrentKey ? FCurrentKey.get() : FRootKey;
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    if (const LONG r = SetRaw(key, name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
        r != ERROR_SUCCESS)
        throw ERegistryException(FormatText(kSetDataFailed, {name}), static_cast<DWORD>(r));
}

std::vector<std::wstring> TRegistry::ReadStrings(const std::wstring& name) const {
    const std::wstring text = ReadText(name, {REG_MULTI_SZ});
    std::vector<std::wstring> values;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L'\0', start);
        if (end == std::wstring::npos)
            end = text.size();
        if (end == start)
            break; // the closing empty text
        values.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return values;
}

void TRegistry::WriteStrings(const std::wstring& name, const std::vector<std::wstring>& values) {
    const HKEY key = FCurrentKey ? FCurrentKey.get() : FRootKey;
    std::wstring data;
    for (const auto& value : values) {
        const std::wstring text = value.substr(0, value.find(L'\0'));
        if (!text.empty())
            data += text + L'\0';
    }
    data += L'\0';
    if (data.size() == 1)
        data += L'\0'; // an empty list: one empty text, closed
    const DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (const LONG r = SetRaw(key, name, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()), bytes);
        r != ERROR_SUCCESS)
        throw ERegistryException(FormatText(kSetDataFailed, {name}), static_cast<DWORD>(r));
}

void TRegistry::WriteInteger(const std::wstring& name, int32_t value) {
    const HKEY key = FCurrentKey ? FCurrentKey.get() : FRootKey;
    const DWORD data = static_cast<DWORD>(value);
    if (const LONG r = SetRaw(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
        r != ERROR_SUCCESS)
        throw ERegistryException(FormatText(kSetDataFailed, {name}), static_cast<DWORD>(r));
}

bool TRegistryEx::ReadBoolDef(const std::wstring& name, bool def) const {
    try {
        return ReadBool(name);
    } catch (const ERegistryException&) {
        return def;
    }
}

int32_t TRegistryEx::ReadIntegerDef(const std::wstring& name, int32_t def) const {
    try {
        return ReadInteger(name);
    } catch (const ERegistryException&) {
        return def;
    }
}

std::wstring TRegistryEx::ReadStringDef(const std::wstring& name, const std::wstring& def) const {
    std::wstring text;
    try {
        text = ReadString(name);
    } catch (const ERegistryException&) {
        return def;
    }
    return text.empty() ? def : text;
}

std::vector<std::wstring> TRegistryEx::ReadStringsDef(const std::wstring& name,
                                                      const std::vector<std::wstring>& def) const {
    std::vector<std::wstring> values;
    try {
        values = ReadStrings(name);
    } catch (const ERegistryException&) {
        return def;
    }
    return values.empty() ? def : values;
}

void TRegistryEx::WriteStringsSafe(const std::wstring& name,
                                   const std::vector<std::wstring>& values) noexcept {
    try {
        WriteStrings(name, values);
    } catch (...) {
    }
}

void TRegistryEx::WriteBoolSafe(const std::wstring& name, bool value) noexcept {
    try {
        WriteBool(name, value);
    } catch (...) {
    }
}

void TRegistryEx::WriteIntegerSafe(const std::wstring& name, int32_t value) noexcept {
    try {
        WriteInteger(name, value);
    } catch (...) {
    }
}

void TRegistryEx::WriteStringSafe(const std::wstring& name, const std::wstring& value) noexcept {
    try {
        WriteString(name, value);
    } catch (...) {
    }
}

} // namespace dovex
