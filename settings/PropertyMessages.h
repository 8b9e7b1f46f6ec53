// Private message and timer numbers of the settings dialog's windows.
#pragma once

#include <windows.h>

namespace dovex {

// Posted to the property sheet after a command that may have closed it (OK, キャンセル, the close box, Esc):
// the dialog is freed when it arrives and the sheet has closed.
constexpr UINT WM_PROPERTYFORMCHECK = WM_APP + 40;
// Posted to the property sheet to close it without saving: the dialog is freed when it arrives, outside the
// handler that closed it.
constexpr UINT WM_PROPERTYFORMCLOSE = WM_APP + 41;

// The timer of the position flash.
constexpr UINT_PTR ID_TIMER_POSITIONFLASH = 1;

} // namespace dovex
