// The application's standard error box, and the title it carries.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace dovex {

void SetApplicationTitle(std::wstring title);
const std::wstring& ApplicationTitle() noexcept;

// Shows an error message box; never throws.
void ShowErrorBox(HWND owner, const std::wstring& message) noexcept;

// Shows the message of whatever exception is in flight; for catch blocks of entry points.
void ShowCurrentException(HWND owner) noexcept;

} // namespace dovex
