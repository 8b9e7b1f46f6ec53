// The registry key object: one open key at a time, reads with defaults, writes that never fail visibly.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/Exception.h"
#include "base/UniqueHandle.h"

namespace dovex {

class ERegistryException : public Exception {
    using Exception::Exception;
};

// A change a registry object is about to make.
enum class TRegistryChange { CreateKey, SetValue, DeleteValue, DeleteKey };
// Asked before each change with the value name or the key path as given; false refuses the change as the
// registry refuses one (access denied). Lets tests act out failing writes and a program killed in the
// middle of a save.
using TRegistryChangeGate = std::function<bool(TRegistryChange change, const std::wstring& name)>;
// Installs the gate (empty: every change goes ahead) and returns the one it replaces. UI thread only.
TRegistryChangeGate SetRegistryChangeGate(TRegistryChangeGate gate);

class TRegistry {
public:
    TRegistry() = default;
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;
    virtual ~TRegistry() = default;

    HKEY RootKey() const noexcept { return FRootKey; }
    void SetRootKey(HKEY value) noexcept;
    HKEY CurrentKey() const noexcept { return FCurrentKey.get(); }
    const std::wstring& CurrentPath() const noexcept { return FCurrentPath; }
    REGSAM Access() const noexcept { return FAccess; }

    // A path with a leading backslash is taken from the root key; any other from the open key.
    bool OpenKey(const std::wstring& path, bool canCreate);
    bool OpenKeyReadOnly(const std::wstring& path);
    void CloseKey() noexcept;
    bool CreateKey(const std::wstring& path);
    bool KeyExists(const std::wstring& path);
    // Deletes the key with its whole sub-tree; false when the key could not be deleted (or is missing).
    bool DeleteKey(const std::wstring& path);
    // Copies the old key's values and sub-keys to a new key, only if the old one exists and the new one
    // does not; then deletes the old key when asked. A value or key that cannot be copied raises
    // ERegistryException: the partial copy is removed and the old key stays. An old key that cannot be
    // deleted raises it too; the copy is then removed as well unless the old key had sub-keys, some of
    // which may be gone already, so nothing is ever left only in a deleted place.
    void MoveKey(const std::wstring& oldPath, const std::wstring& newPath, bool deleteOld);
    // Deletes a value of the open key; false when it could not be deleted (or is missing).
    bool DeleteValue(const std::wstring& name);

    std::vector<std::wstring> GetKeyNames() const;
    std::vector<std::wstring> GetValueNames() const;

    std::wstring ReadString(const std::wstring& name) const;
    int32_t ReadInteger(const std::wstring& name) const;
    bool ReadBool(const std::wstring& name) const { return ReadInteger(name) != 0; }
    void WriteString(const std::wstring& name, const std::wstring& value);
    // REG_MULTI_SZ: the texts in their order; empty ones are left out (the type cannot hold them).
    std::vector<std::wstring> ReadStrings(const std::wstring& name) const;
    void WriteStrings(const std::wstring& name, const std::vector<std::wstring>& values);
    void WriteInteger(const std::wstring& name, int32_t value);
    void WriteBool(const std::wstring& name, bool value) { WriteInteger(name, value ? 1 : 0); }

private:
    // The base key and the relative path that a path names.
    HKEY BaseKeyFor(std::wstring& path) const noexcept;
    UniqueHKey OpenRaw(std::wstring path, REGSAM access) const;
    void UseKey(UniqueHKey key, const std::wstring& path) noexcept;
    std::wstring ReadText(const std::wstring& name, std::initializer_list<DWORD> types) const;

    HKEY FRootKey = HKEY_CURRENT_USER;
    UniqueHKey FCurrentKey;
    std::wstring FCurrentPath;
    REGSAM FAccess = KEY_ALL_ACCESS;
    bool FLazyWrite = true;
};

class TRegistryEx : public TRegistry {
public:
    bool ReadBoolDef(const std::wstring& name, bool def) const;
    int32_t ReadIntegerDef(const std::wstring& name, int32_t def) const;
    // An empty stored text gives the default too.
    std::wstring ReadStringDef(const std::wstring& name, const std::wstring& def) const;
    // Another type, or no text at all, gives the default.
    std::vector<std::wstring> ReadStringsDef(const std::wstring& name,
                                             const std::vector<std::wstring>& def) const;
    void WriteBoolSafe(const std::wstring& name, bool value) noexcept;
    void WriteIntegerSafe(const std::wstring& name, int32_t value) noexcept;
    void WriteStringSafe(const std::wstring& name, const std::wstring& value) noexcept;
    void WriteStringsSafe(const std::wstring& name, const std::vector<std::wstring>& values) noexcept;
};

} // namespace dovex
