#include "model/RegistryEx.h"

#include <cstring>
#include <cwctype>

#include "base/Text.h"

namespace dovex {

namespace {

const wchar_t kGetDataFailed[] = L"'%s' の取得に失敗しました";
const wchar_t kInvalidType[] = L"'%s' のデータ型が不正です";
const wchar_t kSetDataFailed[] = L"'%s' の設定に失敗しました";
const wchar_t kCreateKeyFailed[] = L"キー %s の作成に失敗しました";

std::wstring Upper(std::wstring s) {
    for (auto& c : s)
        c = static_cast<wchar_t>(std::towupper(c));
    return s;
}

std::vector<std::wstring> EnumNames(HKEY key, bool subKeys) {
    std::vector<std::wstring> names;
    if (!key)
        return names;
    DWORD count = 0, maxLen = 0;
    const LONG info = subKeys ? ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &maxLen, nullptr,
                                                   nullptr, nullptr, nullptr, nullptr, nullptr)
                              : ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                   &count, &maxLen, nullptr, nullptr, nullptr);
    if (info != ERROR_SUCCESS)
        return names;
    std::wstring buffer(static_cast<size_t>(maxLen) + 1, L'\0');
    for (DWORD i = 0; i < count; ++i) {
        DWORD len = static_cast<DWORD>(buffer.size());
        const LONG r = subKeys
                           ? ::RegEnumKeyExW(key, i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr)
                           : ::RegEnumValueW(key, i, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_SUCCESS)
            names.emplace_back(buffer.data(), len);
    }
    return names;
}

// Copies one value with its type and bytes; values of zero length are left out.
void CopyValue(HKEY from, HKEY to, const std::wstring& name) {
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(from, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return;
    std::vector<BYTE> data(size);
    if (::RegQueryValueExW(from, name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return;
    ::RegSetValueExW(to, name.c_str(), 0, type, data.data(), size);
}

void CopyTree(HKEY from, HKEY to) {
    CopyValue(from, to, L"");
    for (const auto& name : EnumNames(from, false))
        if (!name.empty())
            CopyValue(from, to, name);
    for (const auto& name : EnumNames(from, true)) {
        UniqueHKey src, dst;
        if (::RegOpenKeyExW(from, name.c_str(), 0, KEY_READ, src.put()) != ERROR_SUCCESS)
            continue;
        if (::RegCreateKeyExW(to, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              dst.put(), nullptr) != ERROR_SUCCESS)
            continue;
        CopyTree(src.get(), dst.get());
    }
}

} // namespace

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
    LONG r;
    if (canCreate && !sub.empty())
        r = ::RegCreateKeyExW(base, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess, nullptr,
                              key.put(), nullptr);
    else
        r = ::RegOpenKeyExW(base, sub.c_str(), 0, FAccess, key.put());
    if (r != ERROR_SUCCESS) {
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
    if (::RegCreateKeyExW(base, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS) {
        key.release();
        throw ERegistryException(FormatText(kCreateKeyFailed, {path}));
    }
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
    return ::RegDeleteKeyW(base, sub.c_str()) == ERROR_SUCCESS;
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
        return;
    CreateKey(newPath);
    UniqueHKey dst = OpenRaw(newPath, KEY_ALL_ACCESS);
    if (!dst)
        return;
    CopyTree(src.get(), dst.get());
    src.reset();
    if (deleteOld)
        DeleteKey(oldPath);
}

std::vector<std::wstring> TRegistry::GetKeyNames() const {
    return EnumNames(FCurrentKey.get(), true);
}

std::vector<std::wstring> TRegistry::GetValueNames() const {
    return EnumNames(FCurrentKey.get(), false);
}

std::wstring TRegistry::ReadString(const std::wstring& name) const {
    const HKEY key = FCurrentKey ? FCurrentKey.get() : FRootKey;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException(FormatText(kInvalidType, {name}));
    // The value may change between the two queries: read into what it has now.
    std::vector<BYTE> data(size + sizeof(wchar_t));
    DWORD got = size;
    const LONG r = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &got);
    if (r != ERROR_SUCCESS)
        throw ERegistryException(FormatText(kGetDataFailed, {name}));
    std::wstring text(got / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos)
        text.resize(nul);
    return text;
}

int32_t TRegistry::ReadInteger(const std::wstring& name) const {
    const HKEY key = FCurrentKey ? FCurrentKey.get() : FRootKey;
    DWORD type = 0, value = 0, size = sizeof(value);
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        (type == REG_DWORD && size != sizeof(value)))
        throw ERegistryException(FormatText(kGetDataFailed, {name}));
    if (type != REG_DWORD)
        throw ERegistryException(FormatText(kInvalidType, {name}));
    return static_cast<int32_t>(value);
}

void TRegistry::WriteString(const std::wstring& name, const std::wstring& value) {
    const HKEY key = FCurrentKey ? FCurrentKey.get() : FRootKey;
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    if (::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) !=
        ERROR_SUCCESS)
        throw ERegistryException(FormatText(kSetDataFailed, {name}));
}

void TRegistry::WriteInteger(const std::wstring& name, int32_t value) {
    const HKEY key = FCurrentKey ? FCurrentKey.get() : FRootKey;
    const DWORD data = static_cast<DWORD>(value);
    if (::RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                         sizeof(data)) != ERROR_SUCCESS)
        throw ERegistryException(FormatText(kSetDataFailed, {name}));
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
