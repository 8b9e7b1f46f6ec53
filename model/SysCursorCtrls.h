// The cursor schemes that Windows knows: read from the registry, offered to the tray menu, applied by
// replacing the fifteen system cursors.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace dovex {

// Number of system cursor roles that a scheme's file list names, in this order: normal select, help
// select, working in background, busy, precision select, text select, handwriting, unavailable, vertical,
// horizontal and the two diagonal resizes, move, alternate select, link select.
inline constexpr int kCursorRoleCount = 15;

// The user's pointer size setting (the side of a pointer at 96 DPI; 32 is the system's own size), or 0
// where none is stored.
std::uint32_t ReadCursorBaseSize() noexcept;

class TSystemCursorCtrl {
public:
    // Reads the schemes (Refresh).
    TSystemCursorCtrl();

    // Re-reads the schemes of the machine and of the user; the user's override the machine's of the same
    // name, and an empty user value hides the machine's scheme of that name. Sorted by name, ignoring case.
    // Never throws because of what the registry holds: a key that cannot be opened contributes nothing,
    // a value that cannot be read as a string is skipped.
    void Refresh();

    int SchemeCount() const noexcept;
    // Throws EListError outside 0 .. SchemeCount()-1.
    std::wstring SchemeName(int index) const;
    // The file at a role position (0 .. 14) of the scheme's list; empty when the list has fewer items, for
    // a role outside 0 .. 14, or where the scheme wants the system's default. Throws EListError for an
    // index outside the schemes.
    std::wstring SchemeFile(int index, int role) const;
    // Every position of the scheme's file list, roles beyond the fifteen included, as written. Throws
    // EListError for an index outside the schemes.
    std::vector<std::wstring> SchemeFiles(int index) const;
    // Replaces each system cursor with the scheme's file, or with User32.dll's default cursor where the
    // scheme names none; a file that cannot be loaded leaves its role as it was. Nothing is stored as the
    // user's setting. Throws EListError for an index outside the schemes.
    void ApplyScheme(int index) const;
    // Puts back the cursors of the user's own setting (undoes ApplyScheme).
    static void RestoreUserCursors() noexcept;

    // Tests only: replaces the SetSystemCursor call (which owns the cursor it is given when it returns
    // TRUE); nullptr puts the real function back. Returns the function used until now.
    using TSetSystemCursorFn = BOOL(WINAPI*)(HCURSOR cursor, DWORD id);
    static TSetSystemCursorFn ReplaceSetSystemCursor(TSetSystemCursorFn fn) noexcept;

private:
    struct TScheme {
        std::wstring Name;
        std::wstring Files; // comma-separated, double quotes removed
    };

    void LoadSource(HKEY root, const std::wstring& path, std::vector<TScheme>& schemes) const;
    const TScheme& At(int index) const;

    std::vector<TScheme> FSchemes; // sorted
};

} // namespace dovex
