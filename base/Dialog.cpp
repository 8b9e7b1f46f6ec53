#include "base/Dialog.h"

#include <algorithm>
#include <vector>

#include "base/ErrorBox.h"
#include "base/Exception.h"
#include "base/ModalLoop.h"
#include "base/SystemError.h"

namespace dovex {

namespace {

HINSTANCE ProgramInstance() noexcept {
    return ::GetModuleHandleW(nullptr);
}

TDialog* BoundDialog(HWND hwnd) noexcept {
    return reinterpret_cast<TDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
}

} // namespace

TDialog::~TDialog() {
    if (!FHandle)
        return;
    const HWND hwnd = FHandle;
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    FHandle = nullptr;
    if (FModeless) {
        UnregisterModeless(hwnd);
        ::DestroyWindow(hwnd);
    }
    ShowPendingError(hwnd);
}

INT_PTR TDialog::ShowModal(HWND owner, int templateId) {
    FModal = true;
    const TModalLoop loop;
    const INT_PTR result = ::DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(templateId), owner,
                                             &TDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
    FModal = false;
    if (result == -1)
        ThrowLastError(L"ダイアログを作成できません");
    return result;
}

void TDialog::CreateModeless(HWND owner, int templateId) {
    FModeless = true;
    const HWND hwnd = ::CreateDialogParamW(ProgramInstance(), MAKEINTRESOURCEW(templateId), owner,
                                           &TDialog::StaticDialogProc, reinterpret_cast<LPARAM>(this));
    if (!hwnd) {
        FModeless = false;
        ThrowLastError(L"ダイアログを作成できません");
    }
    RegisterModeless(hwnd);
}

PROPSHEETPAGEW TDialog::PageDescriptor(int templateId) noexcept {
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof(page);
    page.hInstance = ProgramInstance();
    page.pszTemplate = MAKEINTRESOURCEW(templateId);
    page.pfnDlgProc = &TDialog::StaticPageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

std::wstring TDialog::ItemText(int id) const {
    const HWND item = Item(id);
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

void TDialog::OnCommand(int id, int) {
    if (FModal && (id == IDOK || id == IDCANCEL))
        EndModal(id);
    else if (FModeless && id == IDCANCEL)
        Destroy();
}

LRESULT TDialog::OnNotify(NMHDR& header) {
    const auto it = FNotifyHandlers.find(static_cast<int>(header.idFrom));
    return it != FNotifyHandlers.end() ? it->second(header) : 0;
}

INT_PTR TDialog::OnMessage(UINT, WPARAM, LPARAM) {
    return FALSE;
}

void TDialog::SetNotifyHandler(int controlId, TNotifyHandler handler) {
    FNotifyHandlers[controlId] = std::move(handler);
}

void TDialog::SetMessageResult(LRESULT result) noexcept {
    ::SetWindowLongPtrW(FHandle, DWLP_MSGRESULT, result);
}

void TDialog::EndModal(INT_PTR result) noexcept {
    ::EndDialog(FHandle, result);
}

void TDialog::Destroy() noexcept {
    if (FHandle)
        ::DestroyWindow(FHandle);
}

INT_PTR TDialog::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInit() ? TRUE : FALSE;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        SetMessageResult(OnNotify(*reinterpret_cast<NMHDR*>(lParam)));
        return TRUE;
    }
    return OnMessage(msg, wParam, lParam);
}

INT_PTR CALLBACK TDialog::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    TDialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<TDialog*>(lParam);
        self->FHandle = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = BoundDialog(hwnd);
    }
    if (!self)
        return FALSE;
    if (msg == PendingErrorMessage()) {
        ShowPendingError(hwnd);
        return TRUE;
    }
    INT_PTR result = FALSE;
    try {
        result = self->Dispatch(msg, wParam, lParam);
    } catch (...) {
        DeferCurrentException(hwnd);
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->FHandle = nullptr;
        if (self->FModeless)
            UnregisterModeless(hwnd);
        ShowPendingError(hwnd); // its message will never arrive
    }
    return result;
}

INT_PTR CALLBACK TDialog::StaticPageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    // A page receives its PROPSHEETPAGEW, whose lParam is the object.
    if (msg == WM_INITDIALOG)
        lParam = reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam;
    return StaticDialogProc(hwnd, msg, wParam, lParam);
}

namespace {

struct TModeless {
    HWND Window;
    TModelessKind Kind;
    TPreTranslate PreTranslate; // a window's own; the dialog manager without one
};

// Touched by the user-interface thread only.
std::vector<TModeless>& ModelessWindows() {
    static std::vector<TModeless> windows;
    return windows;
}

} // namespace

void RegisterModeless(HWND window, TModelessKind kind) {
    UnregisterModeless(window);
    ModelessWindows().push_back({window, kind, {}});
}

void RegisterModeless(HWND window, TPreTranslate preTranslate) {
    UnregisterModeless(window);
    ModelessWindows().push_back({window, TModelessKind::Dialog, std::move(preTranslate)});
}

void UnregisterModeless(HWND window) noexcept {
    std::erase_if(ModelessWindows(), [window](const TModeless& m) { return m.Window == window; });
}

bool IsModelessWindow(HWND window) noexcept {
    return std::any_of(ModelessWindows().begin(), ModelessWindows().end(),
                       [window](const TModeless& m) { return m.Window == window; });
}

bool IsModelessMessage(MSG& msg) noexcept {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd)
        return false;
    for (const TModeless& m : ModelessWindows()) {
        if (msg.hwnd != m.Window && !::IsChild(m.Window, msg.hwnd))
            continue;
        // The call may open or close windows, and with them change the list: nothing of it is used after.
        const HWND window = m.Window;
        if (m.PreTranslate) {
            const TPreTranslate preTranslate = m.PreTranslate;
            return preTranslate(msg);
        }
        if (m.Kind == TModelessKind::PropertySheet)
            return PropSheet_IsDialogMessage(window, &msg) != FALSE;
        return ::IsDialogMessageW(window, &msg) != FALSE;
    }
    return false;
}

bool ConfirmationBox(HWND owner, const std::wstring& text) noexcept {
    return ShowMessageBox(owner, text, L"確認", MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1) == IDOK;
}

void InformationBox(HWND owner, const std::wstring& text) noexcept {
    ShowMessageBox(owner, text, L"情報", MB_OK | MB_ICONINFORMATION);
}

} // namespace dovex
