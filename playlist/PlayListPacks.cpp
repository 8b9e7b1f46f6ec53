// The playlist window's groups made in one step: of a cursor pack's folder (chosen or dropped) or of a
// system cursor scheme. Nothing of a cursor file is read here: the list examines rows as they are painted.
#include "playlist/PlayList.h"

#include <shobjidl.h>

#include <utility>

#include "base/Dialog.h"
#include "base/Exception.h"
#include "base/ModalLoop.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "model/CursorPackFolder.h"
#include "model/PlayListCtrls.h"
#include "model/RegistryEx.h"
#include "model/SysCursorCtrls.h"
#include "playlist/PlayListIds.h"
#include "playlist/PlayListText.h"
#include "playlist/SchemeGroupDialog.h"

namespace dovex {

namespace {

constexpr wchar_t kFolderPickerTitle[] = L"カーソルパックのフォルダーの選択";
constexpr wchar_t kMsgPickerFailed[] = L"フォルダーを選択するダイアログを開けません。";
constexpr wchar_t kMsgNoCursors[] = L"アニメーションカーソルが見つかりませんでした。\n%s";
constexpr wchar_t kMsgConfirmGroups[] = L"%d 個のグループを作成します。\n\n%s\nよろしいですか？";
constexpr wchar_t kMsgNoSchemes[] = L"カーソル スキームが見つかりませんでした。";
constexpr wchar_t kMsgSchemeNoCursors[] = L"スキーム「%s」にはアニメーションカーソルがありません。";
constexpr wchar_t kMsgGroupMade[] = L"グループ「%s」を作成しました (カーソル %d 個)。";
constexpr wchar_t kMsgGroupsMade[] = L"%d 個のグループを作成しました (カーソル %d 個)。";
constexpr wchar_t kMsgCursorsAdded[] = L"グループ「%s」にカーソルを %d 個追加しました。";
constexpr wchar_t kMsgSkipped[] =
    L"アニメーションカーソルではないファイル %d 個 (.cur など) は追加していません。";
constexpr wchar_t kMsgMissing[] = L"INF ファイルに書かれているファイルのうち %d 個が見つかりませんでした。";
constexpr wchar_t kMsgSchemeMissing[] = L"スキームに書かれているファイルのうち %d 個が見つかりませんでした。";
constexpr wchar_t kGroupNameFallback[] = L"グループ";
// Names a confirmation lists before it says "…".
constexpr size_t kListedNames = 12;

struct TReadPack {
    std::wstring Folder;
    TPackPlan Plan;
};

// With the wait cursor: a large folder or a slow drive takes a while.
std::vector<TReadPack> ReadPacks(const std::vector<std::wstring>& folders) {
    const HCURSOR normal = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    ScopeGuard restore([&] { ::SetCursor(normal); });
    std::vector<TReadPack> packs;
    packs.reserve(folders.size());
    for (const auto& folder : folders)
        packs.push_back(TReadPack{folder, ReadCursorPack(folder)});
    return packs;
}

std::wstring FolderList(const std::vector<std::wstring>& folders) {
    std::wstring list;
    for (const auto& folder : folders)
        list += (list.empty() ? L"" : L"\n") + folder;
    return list;
}

// What was made, and what was left out and why.
std::wstring Summary(std::wstring head, int skipped, int missing, const wchar_t* missingText = kMsgMissing) {
    if (skipped > 0)
        head += L"\n" + FormatText(kMsgSkipped, {std::to_wstring(skipped)});
    if (missing > 0)
        head += L"\n" + FormatText(missingText, {std::to_wstring(missing)});
    return head;
}

} // namespace

void TfrmPlayList::actFolderGroupExecute(const TAction&) {
    const std::wstring folder = PickFolder();
    if (!folder.empty())
        MakeGroupsOfFolders({folder});
}

// The system's folder picker; empty when cancelled.
std::wstring TfrmPlayList::PickFolder() {
    UniqueCom<IFileOpenDialog> dialog;
    HRESULT result =
        ::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(dialog.put()));
    if (FAILED(result))
        throw Exception(kMsgPickerFailed, static_cast<unsigned long>(result));
    FILEOPENDIALOGOPTIONS options = 0;
    dialog.get()->GetOptions(&options);
    dialog.get()->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST |
                             FOS_NOCHANGEDIR);
    dialog.get()->SetTitle(kFolderPickerTitle);
    // As the system's own folder picker says it (Wine's keeps the words of a file dialog otherwise).
    dialog.get()->SetFileNameLabel(L"フォルダー:");
    dialog.get()->SetOkButtonLabel(L"フォルダーの選択");
    const HWND focus = ::GetFocus();
    ScopeGuard refocus([&] { ::SetFocus(focus && ::IsWindow(focus) ? focus : FTree); });
    {
        const TModalLoop loop;
        result = dialog.get()->Show(Handle());
    }
    if (result == HRESULT_FROM_WIN32(ERROR_CANCELLED))
        return {};
    UniqueCom<IShellItem> item;
    if (FAILED(result) || FAILED(dialog.get()->GetResult(item.put())))
        throw Exception(kMsgPickerFailed, static_cast<unsigned long>(result));
    PWSTR path = nullptr;
    if (FAILED(item.get()->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path)
        return {};
    std::wstring folder = path;
    ::CoTaskMemFree(path);
    return folder;
}

// Every folder is read before anything changes: a folder or an INF that cannot be read changes nothing.
void TfrmPlayList::MakeGroupsOfFolders(const std::vector<std::wstring>& folders) {
    const std::vector<TReadPack> packs = ReadPacks(folders);
    std::vector<std::wstring> names;
    int skipped = 0, missing = 0;
    for (const auto& pack : packs) {
        for (const auto& group : pack.Plan.Groups)
            names.push_back(group.Name);
        skipped += pack.Plan.Skipped;
        missing += pack.Plan.Missing;
    }
    if (names.empty())
        throw Exception(FormatText(kMsgNoCursors, {FolderList(folders)}));
    if (names.size() > 1) {
        std::wstring listed;
        for (size_t i = 0; i < names.size() && i < kListedNames; ++i)
            listed += L"「" + names[i] + L"」\n";
        if (names.size() > kListedNames)
            listed += L"…\n";
        if (!ConfirmationBox(Handle(),
                             FormatText(kMsgConfirmGroups, {std::to_wstring(names.size()), listed})))
            return;
    }
    TCursorGroupCtrl* first = nullptr;
    int cursors = 0;
    for (const auto& pack : packs)
        for (const auto& plan : pack.Plan.Groups) {
            std::vector<std::wstring> files;
            files.reserve(plan.Files.size());
            for (const auto& name : plan.Files)
                files.push_back(PackFilePath(pack.Folder, plan, name));
            TCursorGroupCtrl* group = MakeGroup(plan.Name, FolderDisplayName(pack.Folder), files);
            cursors += group->Count();
            if (!first)
                first = group;
        }
    SelectGroup(*first);
    const std::wstring head =
        names.size() == 1
            ? FormatText(kMsgGroupMade, {first->Name(), std::to_wstring(cursors)})
            : FormatText(kMsgGroupsMade, {std::to_wstring(names.size()), std::to_wstring(cursors)});
    const std::wstring summary = Summary(head, skipped, missing);
    Report(summary, skipped > 0 || missing > 0);
}

// The cursors of dropped folders at the end of a group, each folder's in its pack's order.
void TfrmPlayList::AddFoldersTo(TCursorGroupCtrl* group, const std::vector<std::wstring>& folders) {
    const std::vector<TReadPack> packs = ReadPacks(folders);
    std::vector<std::wstring> files;
    int skipped = 0, missing = 0;
    for (const auto& pack : packs) {
        for (const auto& plan : pack.Plan.Groups)
            for (const auto& name : plan.Files)
                files.push_back(PackFilePath(pack.Folder, plan, name));
        skipped += pack.Plan.Skipped;
        missing += pack.Plan.Missing;
    }
    if (files.empty())
        throw Exception(FormatText(kMsgNoCursors, {FolderList(folders)}));
    if (group == FShownGroup)
        BeginListUpdate();
    {
        ScopeGuard end([&] {
            if (group == FShownGroup) {
                SetListItemCount(group->Count());
                EndListUpdate();
            }
        });
        for (const auto& file : files)
            group->AddItem(file);
    }
    ::InvalidateRect(FTree, nullptr, TRUE);
    const std::wstring summary = Summary(
        FormatText(kMsgCursorsAdded, {group->Name(), std::to_wstring(files.size())}), skipped, missing);
    Report(summary, skipped > 0 || missing > 0);
}

// The first line in the status bar; the whole in a box when something was left out. The tree keeps the
// focus, which the box would otherwise leave with the window.
void TfrmPlayList::Report(const std::wstring& summary, bool box) {
    ShowStatusText(summary.substr(0, summary.find(L'\n')));
    if (box)
        InformationBox(Handle(), summary);
    ::SetFocus(FTree);
}

void TfrmPlayList::DroppedFolders() {
    for (auto drops = std::exchange(FFolderDrops, {}); auto& drop : drops) {
        if (drop.Folders.empty())
            continue; // its group was deleted meanwhile
        if (drop.Target)
            AddFoldersTo(drop.Target, drop.Folders);
        else
            MakeGroupsOfFolders(drop.Folders);
    }
}

// A new group of the files, named after `name` (or `fallback` when nothing of it can be a key's name), with
// " (2)", " (3)"… when a group or a key has that name already. Written at once.
TCursorGroupCtrl* TfrmPlayList::MakeGroup(std::wstring_view name, std::wstring_view fallback,
                                          const std::vector<std::wstring>& files) {
    std::wstring base = GroupNameFrom(name);
    if (base.empty())
        base = GroupNameFrom(fallback);
    if (base.empty())
        base = kGroupNameFallback;
    if (const std::wstring problem = GroupNameProblem(base); !problem.empty())
        throw Exception(problem);
    TCursorGroupCtrl* group = nullptr;
    for (int n = 1; !group; ++n) {
        const std::wstring numbered = NumberedGroupName(base, n);
        // A key of that name that is no group of the window (written meanwhile) is not taken over either.
        if (!TRegistryEx().KeyExists(FPlaylistKey + L"\\" + numbered))
            group = AddGroup(numbered);
    }
    for (const auto& file : files)
        group->AddItem(file);
    group->SaveIfModified();
    AddGroupNode(*group);
    ::InvalidateRect(FTree, nullptr, TRUE);
    return group;
}

void TfrmPlayList::SelectGroup(TCursorGroupCtrl& group) {
    for (HTREEITEM node = TreeView_GetRoot(FTree); node; node = TreeView_GetNextSibling(FTree, node))
        if (NodeGroup(node) == &group) {
            TreeView_SelectItem(FTree, node);
            TreeView_EnsureVisible(FTree, node);
            break;
        }
    ::SetFocus(FTree);
}

void TfrmPlayList::actSchemeGroupExecute(const TAction&) {
    const TSystemCursorCtrl schemes; // read now: the user may have added one since the window opened
    std::vector<std::wstring> names;
    names.reserve(static_cast<size_t>(schemes.SchemeCount()));
    for (int i = 0; i < schemes.SchemeCount(); ++i)
        names.push_back(schemes.SchemeName(i));
    if (names.empty())
        throw Exception(kMsgNoSchemes);
    TSchemeGroupDialog dialog(names);
    const int chosen = dialog.Choose(Handle());
    if (chosen < 0)
        return;
    const std::wstring& name = names[static_cast<size_t>(chosen)];
    const TSchemeCursors cursors = SchemeCursors(schemes.SchemeFiles(chosen));
    if (cursors.Files.empty())
        throw Exception(FormatText(kMsgSchemeNoCursors, {name}));
    TCursorGroupCtrl* group = MakeGroup(name, L"", cursors.Files);
    SelectGroup(*group);
    const std::wstring summary =
        Summary(FormatText(kMsgGroupMade, {group->Name(), std::to_wstring(group->Count())}), cursors.Skipped,
                cursors.Missing, kMsgSchemeMissing);
    Report(summary, cursors.Skipped > 0 || cursors.Missing > 0);
}

} // namespace dovex
