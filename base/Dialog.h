// Dialogs from DIALOGEX templates (modal, modeless, property-sheet pages) bound to C++ objects, with the
// same exception barrier as windows; and the keyboard of modeless windows in the program's message loop.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <string>

namespace dovex {

class TDialog {
public:
    using TNotifyHandler = std::function<LRESULT(NMHDR&)>;

    TDialog() = default;
    TDialog(const TDialog&) = delete;
    TDialog& operator=(const TDialog&) = delete;
    // A modeless dialog still open is destroyed with its object.
    virtual ~TDialog();

    HWND Handle() const noexcept { return FHandle; }
    HWND Item(int id) const noexcept { return ::GetDlgItem(FHandle, id); }
    std::wstring ItemText(int id) const;

    // Runs the dialog until EndModal; returns its result. Throws Exception when it cannot be created.
    INT_PTR ShowModal(HWND owner, int templateId);
    // Creates the dialog (shown when its template says WS_VISIBLE) and registers it for the keyboard
    // handling of IsModelessMessage. Throws Exception when it cannot be created.
    void CreateModeless(HWND owner, int templateId);
    // The description of a property-sheet page bound to this object; the tab shows the template's caption.
    PROPSHEETPAGEW PageDescriptor(int templateId) noexcept;

protected:
    // WM_INITDIALOG; return true to let the dialog manager focus the first control.
    virtual bool OnInit() { return true; }
    // WM_COMMAND. The default ends a modal dialog on IDOK / IDCANCEL and destroys a modeless one on IDCANCEL.
    virtual void OnCommand(int id, int code);
    // WM_NOTIFY; the default hands it to the handler of the control it came from, or returns 0.
    virtual LRESULT OnNotify(NMHDR& header);
    // Any other message; return TRUE when handled (with SetMessageResult for a result).
    virtual INT_PTR OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    void SetNotifyHandler(int controlId, TNotifyHandler handler);
    void SetMessageResult(LRESULT result) noexcept;
    void EndModal(INT_PTR result) noexcept;
    void Destroy() noexcept;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    static INT_PTR CALLBACK StaticPageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND FHandle = nullptr;
    bool FModal = false;
    bool FModeless = false;
    std::map<int, TNotifyHandler> FNotifyHandlers;
};

// Modeless windows whose keyboard input the program's message loop (and the tests' pump) hands over before
// it is dispatched: to the dialog manager (Tab, arrows, Enter, Esc, mnemonics; Ctrl+Tab for a property
// sheet), or to a window's own look at it (shortcuts), which returns true when it used the message.
enum class TModelessKind { Dialog, PropertySheet };
using TPreTranslate = std::function<bool(MSG& msg)>;
void RegisterModeless(HWND window, TModelessKind kind = TModelessKind::Dialog);
void RegisterModeless(HWND window, TPreTranslate preTranslate);
void UnregisterModeless(HWND window) noexcept;
bool IsModelessWindow(HWND window) noexcept;
// For the message loop, before TranslateMessage / DispatchMessage: true when the message was handled.
bool IsModelessMessage(MSG& msg) noexcept;

// The program's standard boxes: a confirmation with "OK" (the default) and "キャンセル", captioned "確認",
// true for OK; an information with "OK", captioned "情報".
bool ConfirmationBox(HWND owner, const std::wstring& text) noexcept;
void InformationBox(HWND owner, const std::wstring& text) noexcept;

} // namespace dovex
