#include "model/HotKey.h"

#include <commctrl.h>

namespace dovex {

namespace {
constexpr THotKey kKnownModifiers = HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT;
// MOD_NOREPEAT (Windows 7 and later): holding the keys fires once.
constexpr UINT kModNoRepeat = 0x4000;

std::wstring KeyName(THotKey key) {
    const UINT vk = HotKeyVirtualKey(key);
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z'))
        return std::wstring(1, static_cast<wchar_t>(vk));
    if (vk >= VK_F1 && vk <= VK_F24)
        return L"F" + std::to_wstring(vk - VK_F1 + 1);
    // Other keys by the keyboard's own names, which the system gives in the user's language.
    LONG code = static_cast<LONG>(::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    if (((key >> 8) & HOTKEYF_EXT) != 0)
        code |= 1 << 24;
    wchar_t name[64] = {};
    if (code != 0 && ::GetKeyNameTextW(code, name, 64) > 0)
        return name;
    const wchar_t* digits = L"0123456789ABCDEF";
    return std::wstring(L"0x") + digits[(vk >> 4) & 0xF] + digits[vk & 0xF];
}
} // namespace

THotKey BoundHotKey(int32_t stored) noexcept {
    const auto value = static_cast<uint32_t>(stored);
    if (value > 0xFFFF || (value & 0xFF) == 0 || ((value >> 8) & ~kKnownModifiers) != 0)
        return 0;
    return static_cast<THotKey>(value);
}

UINT HotKeyModifiers(THotKey key) noexcept {
    const UINT flags = key >> 8;
    UINT modifiers = kModNoRepeat;
    if (flags & HOTKEYF_ALT)
        modifiers |= MOD_ALT;
    if (flags & HOTKEYF_CONTROL)
        modifiers |= MOD_CONTROL;
    if (flags & HOTKEYF_SHIFT)
        modifiers |= MOD_SHIFT;
    return modifiers;
}

UINT HotKeyVirtualKey(THotKey key) noexcept {
    return key & 0xFF;
}

std::wstring HotKeyText(THotKey key) {
    if (BoundHotKey(key) == 0)
        return L"なし";
    const UINT flags = key >> 8;
    std::wstring text;
    if (flags & HOTKEYF_CONTROL)
        text += L"Ctrl+";
    if (flags & HOTKEYF_SHIFT)
        text += L"Shift+";
    if (flags & HOTKEYF_ALT)
        text += L"Alt+";
    return text + KeyName(key);
}

bool HotKeysClash(THotKey start, THotKey pause) noexcept {
    return start != 0 && start == pause;
}

} // namespace dovex
