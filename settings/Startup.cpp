#include "settings/Startup.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "model/HookTypes.h"
#include "model/RegistryEx.h"

namespace dovex {

namespace {

// COM for the calling thread, for one call; a thread already in another apartment keeps it.
class TComScope {
public:
    TComScope() noexcept : FResult(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;
    ~TComScope() {
        if (SUCCEEDED(FResult))
            ::CoUninitialize();
    }

private:
    HRESULT FResult;
};

std::wstring SystemMessage(HRESULT result) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text ? text : L"", length);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    wchar_t code[16];
    swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(result));
    return message.empty() ? FormatText(L"エラー %s", {code}) : FormatText(L"%s (%s)", {message, code});
}

void Check(HRESULT result, const std::wstring& linkPath) {
    if (FAILED(result))
        throw EShortcutError(
            FormatText(L"スタートアップに登録できませんでした。\n%s\n%s", {linkPath, SystemMessage(result)}));
}

std::wstring LinkPath(const std::wstring& folder, const std::wstring& linkName) {
    return folder + L"\\" + linkName + L".lnk";
}

} // namespace

std::wstring ShellFolderPath(int folderId) {
    wchar_t path[MAX_PATH] = {};
    const HRESULT result = ::SHGetFolderPathW(nullptr, folderId, nullptr, SHGFP_TYPE_CURRENT, path);
    if (result != S_OK || !path[0])
        throw EShortcutError(
            FormatText(L"スタートアップフォルダが見つかりません。\n%s", {SystemMessage(result)}));
    return path;
}

void UpdateShortcut(const std::wstring& dir, const std::wstring& fileName, const std::wstring& linkName,
                    const std::wstring& folder, bool create) {
    const std::wstring linkPath = LinkPath(folder, linkName);
    if (!create) {
        ::DeleteFileW(linkPath.c_str());
        return;
    }
    TComScope com;
    UniqueCom<IShellLinkW> link;
    Check(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                             reinterpret_cast<void**>(link.put())),
          linkPath);
    const std::wstring target = dir + L"\\" + fileName;
    Check(link.get()->SetPath(target.c_str()), linkPath);
    Check(link.get()->SetWorkingDirectory(dir.c_str()), linkPath);
    Check(link.get()->SetDescription(linkName.c_str()), linkPath);
    UniqueCom<IPersistFile> file;
    Check(link.get()->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put())), linkPath);
    Check(file.get()->Save(linkPath.c_str(), TRUE), linkPath);
}

bool DeleteSettingsKey() {
    TRegistryEx registry;
    return registry.DeleteKey(kDovexKey);
}

} // namespace dovex
