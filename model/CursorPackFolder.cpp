#include "model/CursorPackFolder.h"

#include <algorithm>

#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "model/PlayListCtrls.h"

namespace dovex {

namespace {

constexpr wchar_t kMsgFolderUnreadable[] = L"フォルダー「%s」を読み取れません。";
constexpr wchar_t kMsgTooManyFolders[] =
    L"フォルダー「%s」にはフォルダーが多すぎます。カーソルパックのフォルダーを選んでください。";
constexpr wchar_t kMsgInfUnreadable[] = L"INF ファイル「%s」を読み取れません。";
constexpr wchar_t kMsgInfTooLarge[] = L"INF ファイル「%s」は 1 MiB を超えているため読み取りません。";

std::wstring Joined(const std::wstring& folder, const std::wstring& name) {
    if (name.empty())
        return folder;
    return folder.ends_with(L'\\') || folder.ends_with(L'/') ? folder + name : folder + L"\\" + name;
}

// One folder's entries; a folder that cannot be listed is an error, an empty one is not.
void ScanOne(const std::wstring& root, TPackFolder& folder, std::vector<std::wstring>& subfolders) {
    const std::wstring path = Joined(root, folder.RelativePath);
    WIN32_FIND_DATAW found{};
    // The basic information and large fetches: one call brings many names and no short names.
    const HANDLE find = ::FindFirstFileExW(Joined(path, L"*").c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND)
            return;
        throw EDovexItemsError(FormatText(kMsgFolderUnreadable, {path}), error);
    }
    const UniqueAny<HandleTraits<HANDLE, ::FindClose>> closer(find);
    std::vector<std::wstring> infFiles;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A link to a folder may lead back up: packs hold none.
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                subfolders.push_back(name);
        } else if (HasFileExtension(name, L".ani")) {
            folder.AniFiles.push_back(name);
        } else if (HasFileExtension(name, L".inf")) {
            infFiles.push_back(name);
        } else {
            folder.OtherFiles.push_back(name);
        }
    } while (::FindNextFileW(find, &found));
    std::sort(infFiles.begin(), infFiles.end(),
              [](const auto& a, const auto& b) { return NaturalLess(a, b); });
    for (const auto& inf : infFiles) {
        TInfScheme scheme = ReadInfFile(Joined(path, inf));
        if (scheme.Found) {
            folder.Inf = std::move(scheme);
            break;
        }
    }
}

} // namespace

std::optional<std::wstring> AnsiCodePageText(std::string_view bytes) {
    if (bytes.empty())
        return std::wstring();
    const int length = static_cast<int>(bytes.size());
    const int n = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::wstring text(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), length, text.data(), n);
    return text;
}

TInfScheme ReadInfFile(const std::wstring& fileName) {
    const UniqueFile file(::CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        throw EDovexItemsError(FormatText(kMsgInfUnreadable, {fileName}), ::GetLastError());
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size))
        throw EDovexItemsError(FormatText(kMsgInfUnreadable, {fileName}), ::GetLastError());
    if (static_cast<unsigned long long>(size.QuadPart) > kMaxInfBytes)
        throw EDovexItemsError(FormatText(kMsgInfTooLarge, {fileName}));
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        !::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        throw EDovexItemsError(FormatText(kMsgInfUnreadable, {fileName}), ::GetLastError());
    bytes.resize(read);
    return ReadInfScheme(DecodeInfText(bytes, AnsiCodePageText));
}

std::vector<TPackFolder> ScanPackFolder(const std::wstring& folder) {
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw EDovexItemsError(FormatText(kMsgFolderUnreadable, {folder}),
                               attributes == INVALID_FILE_ATTRIBUTES ? ::GetLastError() : ERROR_DIRECTORY);
    std::vector<TPackFolder> folders;
    folders.push_back(TPackFolder{});
    // Breadth first, so that the limit on folders is met before a deep tree is walked.
    for (size_t next = 0; next < folders.size(); ++next) {
        std::vector<std::wstring> subfolders;
        ScanOne(folder, folders[next], subfolders);
        const std::wstring relative = folders[next].RelativePath;
        const auto depth = std::count(relative.begin(), relative.end(), L'\\') + (relative.empty() ? 0 : 1);
        if (depth >= kMaxPackDepth)
            continue;
        for (const auto& sub : subfolders) {
            if (folders.size() >= kMaxPackFolders)
                throw EDovexItemsError(FormatText(kMsgTooManyFolders, {folder}));
            folders.push_back(TPackFolder{relative.empty() ? sub : relative + L"\\" + sub, {}, {}, {}});
        }
    }
    return folders;
}

TPackPlan ReadCursorPack(const std::wstring& folder) {
    return PlanCursorPack(FolderDisplayName(folder), ScanPackFolder(folder));
}

std::wstring PackFilePath(const std::wstring& folder, const TPackGroupPlan& group, const std::wstring& name) {
    return Joined(Joined(folder, group.RelativePath), name);
}

TSchemeCursors SchemeCursors(const std::vector<std::wstring>& files) {
    TSchemeCursors cursors;
    for (const auto& written : files) {
        if (written.empty())
            continue; // the role keeps the system's cursor
        std::wstring file = written;
        if (const DWORD n = ::ExpandEnvironmentStringsW(written.c_str(), nullptr, 0); n > 0) {
            file.assign(n, L'\0');
            file.resize(::ExpandEnvironmentStringsW(written.c_str(), file.data(), n) > 0 ? n - 1 : 0);
            if (file.empty())
                file = written;
        }
        if (!HasFileExtension(file, L".ani")) {
            ++cursors.Skipped;
            continue;
        }
        if (std::any_of(cursors.Files.begin(), cursors.Files.end(), [&](const auto& f) {
                return ::CompareStringOrdinal(f.c_str(), -1, file.c_str(), -1, TRUE) == CSTR_EQUAL;
            }))
            continue;
        if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
            ++cursors.Missing;
            continue;
        }
        cursors.Files.push_back(std::move(file));
    }
    return cursors;
}

std::wstring FolderDisplayName(const std::wstring& folder) {
    std::wstring path = folder;
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    const size_t separator = path.find_last_of(L"\\/:");
    std::wstring name = separator == std::wstring::npos ? path : path.substr(separator + 1);
    // A drive's root has no name of its own: "C:".
    return name.empty() ? path : name;
}

} // namespace dovex
