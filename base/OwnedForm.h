// A modeless window that another window owns: created when first asked for, and freed by its owner once it
// has closed. A closing form posts WM_FORMCLOSED to its owner instead of freeing itself, so that nothing
// frees it while one of its own messages is still being handled.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>

#include "base/ModalLoop.h"

namespace dovex {

// Posted by a form to its owner once it has closed; no parameters.
constexpr UINT WM_FORMCLOSED = WM_APP + 60;

// T has `bool Closing() const`.
template <typename T> class TOwnedForm {
public:
    // The open form, or none (a closing form is no longer open).
    T* Get() const noexcept { return FForm && !FForm->Closing() ? FForm.get() : nullptr; }
    // The open form, created with these arguments when there is none; one still closing is freed first.
    template <typename... A> T& Open(A&&... args) {
        if (!Get()) {
            FForm.reset();
            FForm = std::make_unique<T>(std::forward<A>(args)...);
        }
        return *FForm;
    }
    // The form that has closed and waits to be freed, or none.
    T* Closed() const noexcept { return FForm && FForm->Closing() ? FForm.get() : nullptr; }
    // Frees the form at once, whatever its state (at the owner's end).
    void Reset() noexcept { FForm.reset(); }

private:
    std::unique_ptr<T> FForm;
};

// For the owner's WM_FORMCLOSED: true when the closed forms may be freed now. A box or dialog on the stack
// may belong to them: then the message comes again once the last one has returned.
inline bool MayReleaseForms(HWND owner) noexcept {
    if (!InModalLoop())
        return true;
    PostAfterModalLoops(owner, WM_FORMCLOSED);
    return false;
}

} // namespace dovex
