#include "model/SettingsStore.h"

#include <exception>

#include "model/HotKey.h"
#include "model/RegistryEx.h"

namespace dovex {

namespace {
// Each option is one value; a missing or unreadable one keeps its default.
TSaverOptions ReadOptions(TRegistryEx& reg) {
    const struct {
        const wchar_t* Name;
        TSaverOptions Option;
        bool Default;
    } options[] = {{L"UseHomePosition", soUseHomePosition, false},
                   {L"HideCursor", soHideCursor, false},
                   {L"TrayAnimation", soTrayAnimation, true},
                   {L"SuppressFullScreen", soSuppressFullScreen, true},
                   {L"SuppressOnBatterySaver", soSuppressOnBatterySaver, true}};
    TSaverOptions result = 0;
    for (const auto& o : options)
        if (reg.ReadBoolDef(o.Name, o.Default))
            result |= o.Option;
    return result;
}
} // namespace

void ReadSaverProperty(TSaverProperty& p) {
    TRegistryEx reg;
    if (!reg.OpenKey(kSettingsKey, true))
        return;
    p.WaitTime = reg.ReadIntegerDef(L"WaitTime", 60000);
    if (p.WaitTime < 0)
        p.WaitTime = 60000; // no wait can be negative: a hostile value gets the default
    p.PlaySequence = static_cast<uint8_t>(reg.ReadIntegerDef(L"PlaySequence", 0) & 0xFF);
    p.IgnoreMouse = TextToIgnoreMouse(reg.ReadStringDef(L"IgnoreMouse", L""));
    // A home position that does not parse is reported once the rest is read: the options after it stay
    // the user's, and the position stays what it was.
    std::exception_ptr homeError;
    try {
        p.HomePosition = TextToPoint(reg.ReadStringDef(L"HomePosition", L"0,0"));
    } catch (const Exception&) {
        homeError = std::current_exception();
    }
    p.UseGroup = reg.ReadStringDef(L"UseGroup", L"");
    p.DisplayInterval = BoundDisplayInterval(reg.ReadIntegerDef(L"DisplayInterval", 10));
    p.Options = ReadOptions(reg);
    p.MoveThreshold = BoundMoveThreshold(reg.ReadIntegerDef(L"MoveThreshold", 0));
    p.ExcludedPrograms = reg.ReadStringsDef(L"ExcludedPrograms", {});
    p.HotKeyStart = BoundHotKey(reg.ReadIntegerDef(L"HotKeyStart", 0));
    p.HotKeyPause = BoundHotKey(reg.ReadIntegerDef(L"HotKeyPause", 0));
    if (homeError)
        std::rethrow_exception(homeError);
}

void WriteSaverProperty(const TSaverProperty& p) noexcept {
    try {
        TRegistryEx reg;
        if (!reg.OpenKey(kSettingsKey, true))
            return;
        reg.WriteIntegerSafe(L"WaitTime", p.WaitTime);
        reg.WriteIntegerSafe(L"PlaySequence", p.PlaySequence ? 1 : 0);
        reg.WriteStringSafe(L"IgnoreMouse", IgnoreMouseToText(p.IgnoreMouse));
        reg.WriteStringSafe(L"HomePosition", PointToText(p.HomePosition));
        reg.WriteBoolSafe(L"UseHomePosition", p.Options & soUseHomePosition);
        reg.WriteBoolSafe(L"HideCursor", p.Options & soHideCursor);
        reg.WriteBoolSafe(L"TrayAnimation", p.Options & soTrayAnimation);
        reg.WriteBoolSafe(L"SuppressFullScreen", p.Options & soSuppressFullScreen);
        reg.WriteBoolSafe(L"SuppressOnBatterySaver", p.Options & soSuppressOnBatterySaver);
        reg.WriteIntegerSafe(L"MoveThreshold", BoundMoveThreshold(p.MoveThreshold));
        reg.WriteStringsSafe(L"ExcludedPrograms", p.ExcludedPrograms);
        reg.WriteIntegerSafe(L"HotKeyStart", BoundHotKey(p.HotKeyStart));
        reg.WriteIntegerSafe(L"HotKeyPause", BoundHotKey(p.HotKeyPause));
    } catch (...) {
    }
}

void WriteUseGroup(const std::wstring& group) noexcept {
    try {
        TRegistryEx reg;
        if (reg.OpenKey(kSettingsKey, true))
            reg.WriteStringSafe(L"UseGroup", group);
    } catch (...) {
    }
}

} // namespace dovex
