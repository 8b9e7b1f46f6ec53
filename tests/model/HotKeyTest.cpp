// The hot key control's values: what is kept of a stored value, what RegisterHotKey is given, how a
// message names the key, which pairs clash.
#include "model/HotKey.h"

#include <commctrl.h>

#include <gtest/gtest.h>

using namespace dovex;

TEST(HotKey, StoredValuesTheControlCouldNotGiveAreNone) {
    const struct {
        int32_t Stored;
        THotKey Kept;
    } cases[] = {
        {0, 0},           {0x0644, 0x0644}, // Ctrl+Alt+D
        {0x0070, 0x0070},                   // F1 alone
        {0x0F41, 0x0F41},                   // every modifier, extended key included
        {0x0600, 0},                        // modifiers without a key
        {0x1041, 0},                        // an unknown modifier flag
        {0x10644, 0},                       // more than the control's 16 bits
        {-1, 0},          {static_cast<int32_t>(0x80000644), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BoundHotKey(c.Stored), c.Kept) << std::hex << c.Stored;
}

TEST(HotKey, RegisterHotKeyGetsTheModifiersAndTheKey) {
    constexpr UINT kNoRepeat = 0x4000;
    const struct {
        THotKey Key;
        UINT Modifiers, VirtualKey;
    } cases[] = {
        {0x0644, MOD_CONTROL | MOD_ALT | kNoRepeat, 'D'},
        {0x0170, MOD_SHIFT | kNoRepeat, VK_F1},
        {0x0231, MOD_CONTROL | kNoRepeat, '1'},
        {0x0441, MOD_ALT | kNoRepeat, 'A'},
        {0x0F2E, MOD_SHIFT | MOD_CONTROL | MOD_ALT | kNoRepeat, VK_DELETE}, // the extended flag is the key's
        {0x0013, kNoRepeat, VK_PAUSE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HotKeyModifiers(c.Key), c.Modifiers) << std::hex << c.Key;
        EXPECT_EQ(HotKeyVirtualKey(c.Key), c.VirtualKey) << std::hex << c.Key;
    }
}

TEST(HotKey, MessagesNameTheKeyWithItsModifiers) {
    const struct {
        THotKey Key;
        const wchar_t* Text;
    } cases[] = {
        {0x0644, L"Ctrl+Alt+D"}, {0x0170, L"Shift+F1"}, {0x0231, L"Ctrl+1"}, {0x0787, L"Ctrl+Shift+Alt+F24"},
        {0x005A, L"Z"},          {0, L"なし"},          {0x0600, L"なし"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HotKeyText(c.Key), c.Text) << std::hex << c.Key;
    // Other keys by the keyboard's names: never empty, always after the modifiers.
    const std::wstring space = HotKeyText(static_cast<THotKey>((HOTKEYF_CONTROL << 8) | VK_SPACE));
    EXPECT_EQ(space.rfind(L"Ctrl+", 0), 0u);
    EXPECT_GT(space.size(), 5u);
}

TEST(HotKey, OnlyTheSameKeyForBothActionsClashes) {
    const struct {
        THotKey Start, Pause;
        bool Clash;
    } cases[] = {
        {0, 0, false},           {0x0644, 0, false},      {0, 0x0644, false},
        {0x0644, 0x0644, true},  {0x0644, 0x0244, false}, // Ctrl+D is another key than Ctrl+Alt+D
        {0x0644, 0x0645, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HotKeysClash(c.Start, c.Pause), c.Clash) << std::hex << c.Start << " " << c.Pause;
}
