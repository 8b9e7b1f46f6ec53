// The application's standard error box, and the title it carries.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace dovex {

void SetApplicationTitle(std::wstring title);
const std::wstring& ApplicationTitle() noexcept;

// A standard message box whose buttons speak the program's language on any system ("OK", "キャンセル").
int ShowMessageBox(HWND owner, const std::wstring& text, const wchar_t* caption, UINT type) noexcept;

// Shows an error message box; never throws.
void ShowErrorBox(HWND owner, const std::wstring& message) noexcept;

// Shows the message of whatever exception is in flight; for catch blocks of entry points.
void ShowCurrentException(HWND owner) noexcept;

// The text the box would show for the exception in flight.
std::wstring CurrentExceptionMessage() noexcept;

// For the exception barrier of window and dialog procedures: remembers the error in flight for `window`
// and posts PendingErrorMessage() to it, so that the box opens once the message that failed has
// returned. While one error waits, later ones are dropped: a fault in painting or a list callback opens
// one box, not one per repaint.
void DeferCurrentException(HWND window) noexcept;
// The registered message that carries a deferred error.
UINT PendingErrorMessage() noexcept;
// Shows and forgets the error waiting for `window`, if any (on PendingErrorMessage(), or when the window
// goes away first). Returns whether there was one. While its box is open, errors of the window are dropped.
bool ShowPendingError(HWND window) noexcept;

} // namespace dovex
