// The playlist model: cursor items, the cursor groups stored as registry keys, the engine's group
// manager, and the playlist window's stored preferences.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "model/HookTypes.h"
#include "base/Exception.h"

namespace dovex {

class TAniCursorInfo;
class TCursorGroupBase;

enum TCursorItemStatus : uint8_t {
    isUnchecked = 0,
    isMissing = 1,
    isUnusable = 2,
    isUsable = 3,
};

// Any non-zero stored byte plays by time, so the type holds every byte, not only the two names.
enum TSaverMode : uint8_t {
    smNumTimes = 0,
    smTime = 1,
};

struct TCursorItem {
    TCursorItem(std::wstring fileName, TCursorGroupBase* group)
        : FileName(std::move(fileName)), Group(group) {}

    std::wstring FileName;
    std::wstring Title;
    uint32_t FileSize = 0;
    int32_t Steps = 0;
    int32_t PlayTime = 0;
    std::wstring Author;
    SYSTEMTIME FileTime{};
    int32_t IconIndex = -1;
    TCursorGroupBase* Group = nullptr;
    TCursorItemStatus Status = isUnchecked;
};

class EDovexItemsError : public Exception {
    using Exception::Exception;
};

inline constexpr const wchar_t* kItemMsgNoReader = L"内部エラーによりカーソル情報を取得できません。";
inline constexpr const wchar_t* kItemMsgGroupExists = L"グループ名 %s は既に存在します。";
inline constexpr const wchar_t* kItemTitleMissing = L"(ファイルが存在しません)";
inline constexpr const wchar_t* kItemTitleUnusable = L"(取り扱えないファイルです)";
inline constexpr const wchar_t* kItemTitleNone = L"(non-title)";

// The reader through which items are examined: the shared CursorInfo() unless replaced. Replacing it
// with none is only for checking how the model behaves without a reader.
TAniCursorInfo* ItemReader() noexcept;
void SetItemReader(TAniCursorInfo* reader) noexcept;

// A key name of its own: an empty name would address the playlist key itself, a backslash a key below.
bool IsGroupKeyName(const std::wstring& name);

// A group is only usable once fully constructed and loaded, because loading calls the most-derived
// AddItem: groups are therefore made only through Create, which constructs first and loads second.
class TCursorGroupBase {
protected:
    // Only the group classes can name it, so only Create can construct a group.
    struct TConstructKey {
        explicit TConstructKey() = default;
    };

public:
    TCursorGroupBase(TConstructKey, std::wstring name, std::wstring playlistKey);
    TCursorGroupBase(const TCursorGroupBase&) = delete;
    TCursorGroupBase& operator=(const TCursorGroupBase&) = delete;
    virtual ~TCursorGroupBase() = default;

    // The loading constructor of any group class: the group's key below playlistKey is read through
    // the group's own LoadFromRegistry and AddItem.
    template <class TGroup>
    static std::unique_ptr<TGroup> Create(const std::wstring& name,
                                          const std::wstring& playlistKey = kPlaylistKey) {
        static_assert(std::is_base_of_v<TCursorGroupBase, TGroup>);
        auto group = std::make_unique<TGroup>(TConstructKey{}, name, playlistKey);
        group->LoadFromRegistry();
        return group;
    }

    virtual void LoadFromRegistry();
    virtual TCursorItem& AddItem(const std::wstring& fileName);
    // Throws EListError outside 0 .. Count()-1.
    virtual TCursorItem& GetItem(int index);
    TCursorItem& Items(int index) { return GetItem(index); }

    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    void ClearItems() noexcept { FItems.clear(); }

    const std::wstring& Name() const noexcept { return FName; }
    // Changes only the object, not the registry.
    void SetName(std::wstring name) { FName = std::move(name); }
    // The play time the group settings allow, in milliseconds; a stored value beyond is shown and played
    // as the longest.
    static constexpr int32_t kMinPlayTime = 1000;
    static constexpr int32_t kMaxPlayTime = 3600000;

    TSaverMode SaverMode() const noexcept { return FSaverMode; }
    int32_t SaverPlayNums() const noexcept { return FSaverPlayNums; }
    int32_t SaverPlayTime() const noexcept { return FSaverPlayTime; }
    const std::wstring& PlaylistKey() const noexcept { return FPlaylistKey; }
    // The group's own key below HKEY_CURRENT_USER.
    std::wstring KeyPath() const { return FPlaylistKey + L"\\" + FName; }

protected:
    // The record at the index, not examined.
    TCursorItem& ItemAt(int index);
    void CheckIndex(int index) const;

    std::vector<std::unique_ptr<TCursorItem>> FItems;
    std::wstring FName;
    TSaverMode FSaverMode = smNumTimes;
    int32_t FSaverPlayNums = 1;
    int32_t FSaverPlayTime = 1000;
    std::wstring FPlaylistKey;
};

// The playlist window's editable group: items are examined when first fetched.
class TCursorGroupCtrl : public TCursorGroupBase {
public:
    using TCursorGroupBase::TCursorGroupBase;

    static std::unique_ptr<TCursorGroupCtrl> Create(const std::wstring& name,
                                                    const std::wstring& playlistKey = kPlaylistKey) {
        return TCursorGroupBase::Create<TCursorGroupCtrl>(name, playlistKey);
    }
    // Loads the key if one exists, then writes the group's key at once.
    static std::unique_ptr<TCursorGroupCtrl> CreateNew(const std::wstring& name,
                                                       const std::wstring& playlistKey = kPlaylistKey);

    void LoadFromRegistry() override;
    TCursorItem& AddItem(const std::wstring& fileName) override;
    TCursorItem& GetItem(int index) override;

    // Writes the group's key so that it holds exactly the settings and the items 0 .. Count()-1; true
    // when it did. False when nothing needed saving, or when the key could not be written completely:
    // the group then stays modified, so a later save tries again, and its key holds old and new values
    // but is never missing.
    bool SaveIfModified();
    void ExamineItem(int index);

    bool Modified() const noexcept { return FModified; }
    void SetSaverMode(TSaverMode mode);
    void SetSaverPlayNums(int32_t count);
    // 0 is stored as 1000.
    void SetSaverPlayTime(int32_t milliseconds);

    void DeleteItem(int index);
    void ExchangeItems(int index1, int index2);
    int IndexOfItem(const TCursorItem* item) const noexcept;
    // Index of the first item from start (wrapping to 0 if asked) whose known title begins with the
    // text, letter case ignored; -1 if none. Items are not examined.
    int FindTitle(const std::wstring& text, int start, bool wrap) const;
    // Moves the key at once. EDovexItemsError when another group's key has the new name (both keys and
    // the name stay); registry errors pass through, also leaving the name.
    void Rename(const std::wstring& newName);
    // Moves the record itself (examined or not) to the end of the target; an item not of this group is
    // left alone.
    void MoveItemTo(TCursorGroupCtrl* target, TCursorItem* item);
    void RefreshItem(int index);

private:
    bool FModified = false;
};

// The engine's group: every item is examined as it is added.
class TCursorGroup : public TCursorGroupBase {
public:
    using TCursorGroupBase::TCursorGroupBase;

    static std::unique_ptr<TCursorGroup> Create(const std::wstring& name,
                                                const std::wstring& playlistKey = kPlaylistKey) {
        return TCursorGroupBase::Create<TCursorGroup>(name, playlistKey);
    }

    TCursorItem& AddItem(const std::wstring& fileName) override;
};

// Every group of the playlist, loaded and examined, and the flat item list the engine plays from.
class TCursorGroupManager {
public:
    explicit TCursorGroupManager(std::wstring playlistKey = kPlaylistKey);
    TCursorGroupManager(const TCursorGroupManager&) = delete;
    TCursorGroupManager& operator=(const TCursorGroupManager&) = delete;

    // Both read every group again and select all groups.
    void Load();
    void Reload() { Load(); }

    // Exact, case-sensitive name; -1 if none.
    int IndexOfGroup(const std::wstring& name) const noexcept;
    int GroupCount() const noexcept { return static_cast<int>(FGroups.size()); }
    TCursorGroup& Groups(int index) const;

    int UseIndex() const noexcept { return FUseIndex; }
    // -1 for all groups; any other index outside the groups throws EListError and changes nothing.
    void SetUseIndex(int index);
    int ItemCount() const noexcept;
    TCursorItem& Items(int index) const;
    int PlayableCount() const noexcept { return FPlayableCount; }

private:
    void ClearGroups() noexcept;
    void RebuildItemList();
    void CountPlayable() noexcept;

    std::wstring FPlaylistKey;
    std::vector<std::unique_ptr<TCursorGroup>> FGroups;
    std::vector<TCursorItem*> FAllItems;
    int FUseIndex = -1;
    int FPlayableCount = 0;
};

// The playlist window's bounds: left, top, width, height.
struct TFormBounds {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    bool operator==(const TFormBounds&) const = default;
};

// "left,top,width,height" in decimal.
std::wstring RectToText(const TFormBounds& rect);
// Comma text of four integers (decimal, or hexadecimal after '$'); later items are ignored. Throws
// EListError for fewer than four items and EConvertError for an item that is not an integer.
TFormBounds TextToRect(std::wstring_view text);

enum TPlayListColor : uint8_t {
    plcPreviewBackground = 0,
};
inline constexpr int kPlayListColorCount = 1;

using TPlayListOptions = uint8_t;
enum : TPlayListOptions {
    ploShowPreview = 1 << 0,
};

// The playlist window's look between runs, kept as values of the playlist key itself.
class TPlayListProperty {
public:
    // Loads at once.
    explicit TPlayListProperty(std::wstring playlistKey = kPlaylistKey);

    void Load();
    // Writes only when modified; stays modified when the key could not be opened.
    void Save();
    void SetModified() noexcept { FModified = true; }
    bool Modified() const noexcept { return FModified; }

    const TFormBounds& FormBounds() const noexcept { return FFormBounds; }
    void SetFormBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    int32_t Colors(TPlayListColor index) const noexcept { return FColors[index]; }
    void SetColors(TPlayListColor index, int32_t color);
    int32_t PreviewBackgroundColor() const noexcept { return FColors[plcPreviewBackground]; }
    uint8_t ListViewStyle() const noexcept { return FListViewStyle; }
    void SetListViewStyle(uint8_t style);
    int32_t GroupViewWidth() const noexcept { return FGroupViewWidth; }
    void SetGroupViewWidth(int32_t width);
    bool ShowPreview() const noexcept { return (FOptions & ploShowPreview) != 0; }

private:
    std::wstring FPlaylistKey;
    TFormBounds FFormBounds;
    std::array<int32_t, kPlayListColorCount> FColors{};
    uint8_t FListViewStyle = 0;
    int32_t FGroupViewWidth = 160;
    TPlayListOptions FOptions = ploShowPreview;
    bool FModified = false;
};

} // namespace dovex
