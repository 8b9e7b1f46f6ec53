#include "model/SysCursorCtrls.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "base/Exception.h"
#include "base/Text.h"
#include "base/UniqueHandle.h"
#include "model/RegistryEx.h"

namespace dovex {

namespace {

// Where the schemes are kept, read in this order: the user's override the machine's.
const wchar_t kMachineSchemesPath[] =
    L"\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cursors\\Schemes";
const wchar_t kUserSchemesPath[] = L"\\Control Panel\\Cursors\\Schemes";
const wchar_t kUserCursorsPath[] = L"\\Control Panel\\Cursors";

struct TCursorRole {
    DWORD SystemId;  // passed to SetSystemCursor
    WORD ResourceId; // the default cursor among User32.dll's resources
};

// By position in a scheme's file list.
constexpr TCursorRole kRoles[kCursorRoleCount] = {
    {32512, 100}, // OCR_NORMAL, normal select
    {32651, 112}, // OCR_HELP, help select
    {32650, 111}, // OCR_APPSTARTING, working in background
    {32514, 102}, // OCR_WAIT, busy
    {32515, 103}, // OCR_CROSS, precision select
    {32513, 101}, // OCR_IBEAM, text select
    {32631, 113}, // handwriting (pen)
    {32648, 110}, // OCR_NO, unavailable
    {32645, 108}, // OCR_SIZENS, vertical resize
    {32644, 107}, // OCR_SIZEWE, horizontal resize
    {32642, 105}, // OCR_SIZENWSE, diagonal resize 1
    {32643, 106}, // OCR_SIZENESW, diagonal resize 2
    {32646, 109}, // OCR_SIZEALL, move
    {32516, 104}, // OCR_UP, alternate select
    {32649, 114}, // OCR_HAND, link select
};

TSystemCursorCtrl::TSetSystemCursorFn GSetSystemCursor = ::SetSystemCursor;

int CompareLen(std::wstring_view text) {
    return static_cast<int>(std::min<size_t>(text.size(), 0x7FFFFFFF));
}

// Scheme names are told apart as the registry tells value names apart: without regard to letter case.
bool SameName(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), CompareLen(a), b.data(), CompareLen(b), TRUE) == CSTR_EQUAL;
}

// The locale-aware comparison that ignores letter case, so "arrows" comes before "Blue".
bool TextLess(std::wstring_view a, std::wstring_view b) {
    int r = ::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), CompareLen(a), b.data(),
                             CompareLen(b));
    if (r == 0) // not comparable in the locale: a stable order all the same
        r = ::CompareStringOrdinal(a.data(), CompareLen(a), b.data(), CompareLen(b), TRUE);
    return r == CSTR_LESS_THAN;
}

// User32.dll's default cursor for a role (shared: not to be destroyed). Where the module has no resource of
// the role's number, as in Wine's User32.dll, its resource numbered as the system cursor is taken instead.
HCURSOR LoadDefaultCursor(HMODULE user32, const TCursorRole& role) noexcept {
    if (const HCURSOR cursor = ::LoadCursorW(user32, MAKEINTRESOURCEW(role.ResourceId)))
        return cursor;
    return ::LoadCursorW(user32, MAKEINTRESOURCEW(role.SystemId));
}

[[noreturn]] void RaiseListIndex(int index) {
    throw EListError(FormatText(L"リストのインデックスが範囲を超えています (%d)", {std::to_wstring(index)}));
}

} // namespace

TSystemCursorCtrl::TSystemCursorCtrl() {
    Refresh();
}

void TSystemCursorCtrl::Refresh() {
    std::vector<TScheme> schemes;
    LoadSource(HKEY_LOCAL_MACHINE, kMachineSchemesPath, schemes);
    LoadSource(HKEY_CURRENT_USER, kUserSchemesPath, schemes);
    // Sorted by the whole entry "name=files", which in effect is by name.
    std::stable_sort(schemes.begin(), schemes.end(), [](const TScheme& a, const TScheme& b) {
        return TextLess(a.Name + L"=" + a.Files, b.Name + L"=" + b.Files);
    });
    FSchemes = std::move(schemes);
}

std::uint32_t ReadCursorBaseSize() noexcept {
    try {
        TRegistryEx registry;
        if (!registry.OpenKeyReadOnly(kUserCursorsPath))
            return 0;
        return static_cast<std::uint32_t>(registry.ReadIntegerDef(L"CursorBaseSize", 0));
    } catch (...) {
        return 0; // unreadable: the system's own size
    }
}

void TSystemCursorCtrl::LoadSource(HKEY root, const std::wstring& path, std::vector<TScheme>& schemes) const {
    TRegistry registry;
    registry.SetRootKey(root);
    if (!registry.OpenKeyReadOnly(path))
        return;
    for (auto& name : registry.GetValueNames()) {
        if (name.empty())
            continue; // the key's unnamed default value names no scheme
        std::wstring files;
        try {
            files = registry.ReadString(name);
        } catch (const ERegistryException&) {
            continue; // not a string (or gone since the enumeration): no scheme
        }
        std::erase(files, L'"');
        const auto same = std::find_if(schemes.begin(), schemes.end(),
                                       [&](const TScheme& scheme) { return SameName(scheme.Name, name); });
        if (files.empty()) {
            // An empty value hides a scheme of that name read before (the machine's).
            if (same != schemes.end())
                schemes.erase(same);
        } else if (same != schemes.end()) {
            *same = TScheme{std::move(name), std::move(files)}; // with the name written as here
        } else {
            schemes.push_back(TScheme{std::move(name), std::move(files)});
        }
    }
}

const TSystemCursorCtrl::TScheme& TSystemCursorCtrl::At(int index) const {
    if (index < 0 || index >= SchemeCount())
        RaiseListIndex(index);
    return FSchemes[static_cast<size_t>(index)];
}

int TSystemCursorCtrl::SchemeCount() const noexcept {
    return static_cast<int>(FSchemes.size());
}

std::wstring TSystemCursorCtrl::SchemeName(int index) const {
    return At(index).Name;
}

std::wstring TSystemCursorCtrl::SchemeFile(int index, int role) const {
    const TScheme& scheme = At(index);
    if (role < 0 || role >= kCursorRoleCount)
        return {};
    auto files = SplitText(L",", scheme.Files);
    return static_cast<size_t>(role) < files.size() ? std::move(files[static_cast<size_t>(role)])
                                                    : std::wstring();
}

std::vector<std::wstring> TSystemCursorCtrl::SchemeFiles(int index) const {
    return SplitText(L",", At(index).Files);
}

void TSystemCursorCtrl::ApplyScheme(int index) const {
    const TScheme& scheme = At(index);
    // The default cursors are resources of User32.dll; it stays loaded while they are taken.
    const UniqueHModule user32(::LoadLibraryW(L"User32.dll"));
    const auto files = SplitText(L",", scheme.Files);
    for (int role = 0; role < kCursorRoleCount; ++role) {
        const auto at = static_cast<size_t>(role);
        UniqueHCursor cursor;
        if (at < files.size() && !files[at].empty()) {
            cursor.reset(::LoadCursorFromFileW(files[at].c_str())); // the path as written: nothing expanded
        } else if (user32) {
            // SetSystemCursor destroys the cursor it takes, which a shared resource cursor must not be:
            // it gets a copy.
            if (const HCURSOR shared = LoadDefaultCursor(user32.get(), kRoles[role]))
                cursor.reset(::CopyIcon(shared)); // what the CopyCursor macro does
        }
        // Without a cursor (a file that cannot be loaded) the role stays as it is.
        if (cursor && GSetSystemCursor(cursor.get(), kRoles[role].SystemId))
            cursor.release(); // the system owns it now
    }
}

void TSystemCursorCtrl::RestoreUserCursors() noexcept {
    ::SystemParametersInfoW(SPI_SETCURSORS, 0, nullptr, 0);
}

TSystemCursorCtrl::TSetSystemCursorFn
TSystemCursorCtrl::ReplaceSetSystemCursor(TSetSystemCursorFn fn) noexcept {
    return std::exchange(GSetSystemCursor, fn ? fn : ::SetSystemCursor);
}

} // namespace dovex
