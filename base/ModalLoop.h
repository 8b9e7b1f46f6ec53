// Boxes, modal dialogs and the system's common dialogs run message loops of their own, and any message of
// the program may arrive through them: the tray menu works while a box is open. A window freed by such a
// message would be used again when the loop returns. Each such call therefore runs inside a TModalLoop,
// and work that frees windows (the exit) waits until no loop runs.
#pragma once

#include <windows.h>

namespace dovex {

class TModalLoop {
public:
    TModalLoop() noexcept;
    ~TModalLoop();
    TModalLoop(const TModalLoop&) = delete;
    TModalLoop& operator=(const TModalLoop&) = delete;
};

// Whether the window is a standard dialog: a box, a dialog from a template, a common dialog.
bool IsStandardDialog(HWND window) noexcept;
// Whether a box or modal dialog of this thread is running its loop.
bool InModalLoop() noexcept;
// Posts `message` to `window` once the last running loop has returned; at once when none runs.
void PostAfterModalLoops(HWND window, UINT message) noexcept;
// Asks every box and modal dialog of this thread to close as its キャンセル button (or its only button)
// would, and those that open before the last loop returns too. Boxes that have no such answer stay.
void CancelModalLoops() noexcept;

} // namespace dovex
