// Registration in the user's Start-up folder, and removal of everything the program keeps.
#pragma once

#include <string>

#include "base/Exception.h"

namespace dovex {

// The shortcut's name (also its description) and the program file it points at, in the program's folder.
inline constexpr wchar_t kShortcutName[] = L"カーソルセーバー Dovex";
inline constexpr wchar_t kProgramFileName[] = L"Dovex.exe";

class EShortcutError : public Exception {
    using Exception::Exception;
};

// The file-system path of a shell folder (CSIDL_STARTUP ...); throws EShortcutError when there is none.
std::wstring ShellFolderPath(int folderId);

// Makes or replaces `folder`\`linkName`.lnk: target `dir`\`fileName`, working directory `dir`, description
// `linkName`; throws EShortcutError, with the reason, when the shortcut cannot be saved. Without `create`
// it deletes that file; a missing one is no error.
void UpdateShortcut(const std::wstring& dir, const std::wstring& fileName, const std::wstring& linkName,
                    const std::wstring& folder, bool create);

// Deletes Software\Vantoquil\Dovex of the current user with all it holds; false when the key itself
// could not be deleted (it is missing, or access is denied).
bool DeleteSettingsKey();

} // namespace dovex
