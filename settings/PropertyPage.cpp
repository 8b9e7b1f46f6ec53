#include "settings/PropertyPage.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <utility>

#include "base/Dpi.h"
#include "base/ErrorBox.h"
#include "base/Exception.h"
#include "base/Gdi.h"
#include "base/ModalLoop.h"
#include "base/OwnedForm.h"
#include "base/ProgramPath.h"
#include "base/Text.h"
#include "model/HotKey.h"
#include "model/RegistryEx.h"
#include "model/SaverMessages.h"
#include "model/SettingsStore.h"
#include "resources/ResourceIds.h"
#include "settings/PropertyMessages.h"
#include "settings/Startup.h"
#include "settings/VersionInfo.h"

namespace dovex {

namespace {

constexpr int kMaxWaitMinutes = 120;
constexpr int kMaxWaitSeconds = 59;
constexpr int32_t kMinWaitTime = 10 * 1000;
constexpr int32_t kMaxWaitTime = 2 * 60 * 60 * 1000;
constexpr int kFlashDesignSize = 32;
constexpr int kLogoWidth = 137;
constexpr int kLogoHeight = 40;
constexpr wchar_t kLogoBitmap[] = L"DOVEXLOGO";
constexpr wchar_t kAboutFace[] = L"ＭＳ Ｐ明朝";
constexpr int kApplyButton = 0x3021; // the property sheet's 適用 button
// The check boxes that each switch one option, on whichever page holds them.
constexpr std::pair<int, TSaverOptions> kOptionBoxes[] = {
    {IDC_USEHOMEPOSITION, soUseHomePosition},
    {IDC_HIDECURSOR, soHideCursor},
    {IDC_TRAYANIMATION, soTrayAnimation},
    {IDC_SUPPRESSFULLSCREEN, soSuppressFullScreen},
    {IDC_SUPPRESSBATTERYSAVER, soSuppressOnBatterySaver}};

HINSTANCE ProgramInstance() noexcept {
    return ::GetModuleHandleW(nullptr);
}

std::wstring LoadText(UINT id) {
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(ProgramInstance(), id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

// A typed name without the blanks around it (the ideographic space too).
std::wstring TrimText(const std::wstring& text) {
    const wchar_t* blanks = L" \t\r\n\u3000";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

void SetChecked(HWND dialog, int id, bool checked) noexcept {
    ::CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

// The sheet is made hidden (it is shown by Show), centred, and with a taskbar button of its own.
int CALLBACK SheetCallback(HWND, UINT msg, LPARAM lParam) {
    if (msg == PSCB_PRECREATE && lParam) {
        auto* words = reinterpret_cast<WORD*>(lParam);
        const bool extended =
            words[1] == 0xFFFF; // DLGTEMPLATEEX: version, signature, help id, ex style, style
        auto* exStyle = reinterpret_cast<DWORD*>(extended ? words + 4 : words + 2);
        auto* style = reinterpret_cast<DWORD*>(extended ? words + 6 : words);
        *style = (*style & ~WS_VISIBLE) | DS_CENTER;
        *exStyle |= WS_EX_APPWINDOW;
    }
    return 0;
}

// The logo of the version page, centred on white.
class TLogoPanel : public TSubclass {
protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        }
        return DefaultHandler(msg, wParam, lParam);
    }

private:
    void Paint() {
        if (!FLogo)
            FLogo.reset(static_cast<HBITMAP>(
                ::LoadImageW(ProgramInstance(), kLogoBitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        PaintBuffered(Handle(), [this](HDC dc, int clientWidth, int clientHeight) {
            const RECT client{0, 0, clientWidth, clientHeight};
            ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
            if (!FLogo)
                return;
            const UINT dpi = WindowDpi(Handle());
            const int width = ScaleForDpi(kLogoWidth, dpi), height = ScaleForDpi(kLogoHeight, dpi);
            UniqueHDC source(::CreateCompatibleDC(dc));
            TSelectObject logo(source.get(), FLogo.get());
            ::SetStretchBltMode(dc, HALFTONE);
            ::StretchBlt(dc, (clientWidth - width) / 2, (clientHeight - height) / 2, width, height,
                         source.get(), 0, 0, kLogoWidth, kLogoHeight, SRCCOPY);
        });
    }

    UniqueHBitmap FLogo;
};

// What the three pages share: OK and Apply save through the dialog, leaving a page checks its entries.
class TPage : public TDialog {
public:
    explicit TPage(TfrmProperty& form) : Form(form) {}
    virtual bool Validate() { return true; }

protected:
    LRESULT OnNotify(NMHDR& header) override {
        if (header.hwndFrom != ::GetParent(Handle()))
            return TDialog::OnNotify(header);
        switch (header.code) {
        case PSN_KILLACTIVE:
            return Validate() ? FALSE : TRUE;
        case PSN_APPLY:
            return ApplyChanges() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        }
        return 0;
    }
    virtual bool ApplyChanges() = 0;

    TfrmProperty& Form;
};

} // namespace

std::wstring IPropertyFormHost::StartupFolder() const {
    return ShellFolderPath(CSIDL_STARTUP);
}

std::vector<uint16_t> IPropertyFormHost::UseHotKeys(uint16_t, uint16_t) {
    return {};
}

class TfrmProperty::TWholePage : public TPage {
public:
    using TPage::TPage;
    bool Validate() override { return Form.ValidateWholePage(); }

protected:
    bool OnInit() override {
        Form.InitWholePage(*this);
        return true;
    }
    bool ApplyChanges() override { return Form.Apply(); }
    void OnCommand(int id, int code) override {
        if (code == BN_CLICKED && Form.OptionClick(Handle(), id))
            return;
        switch (id) {
        case IDC_SAVERWAITMIN:
        case IDC_SAVERWAITSEC:
            if (code == EN_CHANGE)
                Form.edtSaverWaitTimeChange();
            break;
        case IDC_HOMEPOSX:
        case IDC_HOMEPOSY:
            if (code == EN_CHANGE)
                Form.edtHomePosChange();
            break;
        case IDC_ORDER_SEQUENTIAL:
        case IDC_ORDER_RANDOM:
            if (code == BN_CLICKED)
                Form.rgSaverOrderClick();
            break;
        case IDC_CONFIRMHOMEPOSITION:
            if (code == BN_CLICKED)
                Form.btnConfirmHomePositionClick();
            break;
        }
    }
    INT_PTR OnMessage(UINT msg, WPARAM, LPARAM) override {
        if (msg == WM_DPICHANGED_AFTERPARENT)
            Form.FPositionTool.UpdateDpi();
        return FALSE;
    }
};

class TfrmProperty::TEtcPage : public TPage {
public:
    using TPage::TPage;

protected:
    bool OnInit() override {
        Form.InitEtcPage(*this);
        return true;
    }
    bool ApplyChanges() override { return Form.Apply(); }
    void OnCommand(int id, int code) override {
        if (id == IDC_MOVETHRESHOLD && code == EN_CHANGE)
            Form.edtMoveThresholdChange();
        if (code != BN_CLICKED || Form.OptionClick(Handle(), id))
            return;
        switch (id) {
        case IDC_STARTUPENTER:
            Form.btnEtcStartupEnterClick();
            break;
        case IDC_STARTUPLEAVE:
            Form.btnEtcStartupLeaveClick();
            break;
        }
    }
};

class TfrmProperty::THotKeyPage : public TPage {
public:
    using TPage::TPage;
    bool Validate() override { return Form.ValidateHotKeys(); }

protected:
    bool OnInit() override {
        Form.FUpdatingControls = true;
        ::SendDlgItemMessageW(Handle(), IDC_HOTKEY_START, HKM_SETHOTKEY, Form.FSaverProperty.HotKeyStart, 0);
        ::SendDlgItemMessageW(Handle(), IDC_HOTKEY_PAUSE, HKM_SETHOTKEY, Form.FSaverProperty.HotKeyPause, 0);
        Form.FUpdatingControls = false;
        return true;
    }
    bool ApplyChanges() override { return Form.Apply(); }
    void OnCommand(int id, int code) override {
        if ((id == IDC_HOTKEY_START || id == IDC_HOTKEY_PAUSE) && code == EN_CHANGE)
            Form.hkHotKeyChange(id);
    }
};

class TfrmProperty::TExcludePage : public TPage {
public:
    using TPage::TPage;

protected:
    bool OnInit() override {
        Form.ExcludedToControls();
        return true;
    }
    bool ApplyChanges() override { return Form.Apply(); }
    void OnCommand(int id, int code) override {
        if (code != BN_CLICKED)
            return;
        switch (id) {
        case IDC_EXCLUDED_BROWSE:
            Form.btnExcludedBrowseClick();
            break;
        case IDC_EXCLUDED_REMOVE:
            Form.btnExcludedRemoveClick();
            break;
        case IDC_EXCLUDED_ADDNAME:
            Form.btnExcludedAddNameClick();
            break;
        }
    }
};

class TfrmProperty::TAboutPage : public TPage {
public:
    using TPage::TPage;

protected:
    bool OnInit() override {
        FLogo.Attach(Item(IDC_ABOUT_LOGO));
        CreateFonts();
        const TVersionInfo& version = ProgramVersion();
        ::SetDlgItemTextW(Handle(), IDC_ABOUT_PRODUCT, version.ProductName.c_str());
        ::SetDlgItemTextW(Handle(), IDC_ABOUT_VERSION, VersionLine(version).c_str());
        ::SetDlgItemTextW(Handle(), IDC_ABOUT_COPYRIGHT, version.Copyright.c_str());
        for (const auto& [control, text] : {std::pair{IDC_URL_NEWVERSION, IDS_URL_NEWVERSION},
                                            std::pair{IDC_URL_SUPPORT, IDS_URL_SUPPORT}}) {
            const std::wstring url = LoadText(text);
            const std::wstring link = FormatText(L"<a href=\"%s\">%s</a>", {url, url});
            ::SetDlgItemTextW(Handle(), control, link.c_str());
            SetNotifyHandler(control, [this](NMHDR& header) { return lblURLClick(header); });
        }
        return true;
    }
    bool ApplyChanges() override { return Form.Apply(); }
    INT_PTR OnMessage(UINT msg, WPARAM, LPARAM lParam) override {
        if (msg == WM_DPICHANGED_AFTERPARENT) {
            CreateFonts();
            ::InvalidateRect(FLogo.Handle(), nullptr, FALSE);
        }
        // Wine's link control deletes the brush its parent gives it, so the page's own brush would be made
        // again at each paint and its pattern leak: the links get a brush of the page's colour that cannot
        // be deleted, white on a themed tab page, the face colour on a plain one.
        if (msg == WM_CTLCOLORSTATIC && IsLink(reinterpret_cast<HWND>(lParam)))
            return reinterpret_cast<INT_PTR>(::IsAppThemed() ? ::GetStockObject(WHITE_BRUSH)
                                                             : ::GetSysColorBrush(COLOR_BTNFACE));
        return FALSE;
    }

private:
    bool IsLink(HWND control) const {
        return control && (control == Item(IDC_URL_NEWVERSION) || control == Item(IDC_URL_SUPPORT));
    }
    void CreateFonts() {
        const UINT dpi = WindowDpi(Handle());
        constexpr BYTE kMincho = VARIABLE_PITCH | FF_ROMAN;
        UniqueHFont productFont = CreateFontForDpi(kAboutFace, 16, dpi, FW_BOLD, kMincho);
        UniqueHFont textFont = CreateFontForDpi(kAboutFace, 13, dpi, FW_NORMAL, kMincho);
        // The labels take the new fonts before the old ones go.
        ::SendDlgItemMessageW(Handle(), IDC_ABOUT_PRODUCT, WM_SETFONT,
                              reinterpret_cast<WPARAM>(productFont.get()), TRUE);
        for (int id : {IDC_ABOUT_VERSION, IDC_ABOUT_COPYRIGHT})
            ::SendDlgItemMessageW(Handle(), id, WM_SETFONT, reinterpret_cast<WPARAM>(textFont.get()), TRUE);
        FProductFont = std::move(productFont);
        FTextFont = std::move(textFont);
    }

    // Opens the clicked address with the user's default handler; whether one opens it is not reported.
    LRESULT lblURLClick(NMHDR& header) {
        if (header.code != NM_CLICK && header.code != NM_RETURN)
            return 0;
        const auto& link = reinterpret_cast<const NMLINK&>(header);
        ::ShellExecuteW(Handle(), nullptr, link.item.szUrl, nullptr, nullptr, SW_SHOWNORMAL);
        return 0;
    }

    TLogoPanel FLogo;
    UniqueHFont FProductFont;
    UniqueHFont FTextFont;
};

TfrmProperty::TfrmProperty(IPropertyFormHost& host)
    : FHost(host), FWholePage(std::make_unique<TWholePage>(*this)),
      FEtcPage(std::make_unique<TEtcPage>(*this)), FHotKeyPage(std::make_unique<THotKeyPage>(*this)),
      FExcludePage(std::make_unique<TExcludePage>(*this)), FAboutPage(std::make_unique<TAboutPage>(*this)) {
    LoadSettings();
    PROPSHEETPAGEW pages[kPageCount] = {
        FWholePage->PageDescriptor(IDD_PROPERTY_WHOLE), FEtcPage->PageDescriptor(IDD_PROPERTY_ETC),
        FHotKeyPage->PageDescriptor(IDD_PROPERTY_HOTKEY), FExcludePage->PageDescriptor(IDD_PROPERTY_EXCLUDE),
        FAboutPage->PageDescriptor(IDD_PROPERTY_ABOUT)};
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_MODELESS | PSH_PROPSHEETPAGE | PSH_NOCONTEXTHELP | PSH_USEICONID | PSH_USECALLBACK;
    header.hwndParent = host.MainWindow();
    header.hInstance = ProgramInstance();
    header.pszIcon = L"MAINICON";
    header.pszCaption = kCaption;
    header.nPages = kPageCount;
    header.ppsp = pages;
    header.pfnCallback = &SheetCallback;
    const auto sheet = reinterpret_cast<HWND>(::PropertySheetW(&header));
    if (!sheet || sheet == reinterpret_cast<HWND>(-1))
        throw Exception(L"プロパティ設定を開けません");
    ScopeGuard destroyOnError([sheet] { ::DestroyWindow(sheet); });
    FSheet.Owner = FHost.MainWindow();
    FSheet.Attach(sheet);
    destroyOnError.Dismiss();
    RegisterModeless(sheet, TModelessKind::PropertySheet);
    // The buttons speak the program's language whatever the system's is.
    ::SetDlgItemTextW(sheet, IDOK, L"OK");
    ::SetDlgItemTextW(sheet, IDCANCEL, L"キャンセル");
    ::SetDlgItemTextW(sheet, kApplyButton, L"適用(&A)");
    if (FLoadError) {
        try {
            std::rethrow_exception(FLoadError);
        } catch (...) {
            DeferCurrentException(sheet);
        }
    }
}

TfrmProperty::~TfrmProperty() {
    const HWND sheet = Handle();
    if (!sheet)
        return;
    UnregisterModeless(sheet);
    ::DestroyWindow(sheet); // the pages and controls go with it, and an error still waiting is shown
}

void TfrmProperty::Show() {
    const HWND sheet = Handle();
    ::ShowWindow(sheet, ::IsIconic(sheet) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(sheet);
}

void TfrmProperty::Close() noexcept {
    if (FSheet.Closing || !Handle())
        return;
    FSheet.Closing = true;
    ::PostMessageW(Handle(), WM_PROPERTYFORMCLOSE, 0, 0);
}

LRESULT TfrmProperty::TSheet::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PROPERTYFORMCHECK:
        if (Closing)
            return 0;
        // A modeless sheet closed by OK, キャンセル or the close box no longer has a current page.
        if (PropSheet_GetCurrentPageHwnd(Handle())) {
            KeepFocusOffDisabledApply();
            return 0;
        }
        Closing = true;
        [[fallthrough]];
    case WM_PROPERTYFORMCLOSE:
        Closing = true;
        ::ShowWindow(Handle(), SW_HIDE);
        ::PostMessageW(Owner, WM_FORMCLOSED, 0, 0);
        return 0;
    }
    const LRESULT result = DefaultHandler(msg, wParam, lParam);
    // Only once the message is done: while it switches pages the sheet has no current page for a moment.
    if (msg == WM_COMMAND || msg == WM_SYSCOMMAND || msg == WM_CLOSE || msg == PSM_PRESSBUTTON)
        ::PostMessageW(Handle(), WM_PROPERTYFORMCHECK, 0, 0);
    return result;
}

// 適用 disables itself once the settings are saved; the focus it had is then nowhere (or on it), and the
// keyboard would reach nothing.
void TfrmProperty::TSheet::KeepFocusOffDisabledApply() noexcept {
    const HWND apply = ::GetDlgItem(Handle(), kApplyButton);
    const HWND focus = ::GetFocus();
    const bool lost = !focus || (focus == apply && !::IsWindowEnabled(apply));
    if (lost && ::GetActiveWindow() == Handle())
        ::SendMessageW(Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(Handle(), IDOK)), TRUE);
}

void TfrmProperty::LoadSettings() {
    try {
        ReadSaverProperty(FSaverProperty);
    } catch (const Exception&) {
        // "HomePosition" did not parse: the dialog opens all the same with everything else read, and the
        // error shown once the dialog is there.
        FLoadError = std::current_exception();
    }
    FUsedHotKeys[0] = FSaverProperty.HotKeyStart;
    FUsedHotKeys[1] = FSaverProperty.HotKeyPause;
}

template <typename T> void TfrmProperty::Change(T& field, T value) noexcept {
    if (FUpdatingControls || field == value)
        return;
    field = value;
    SetModified(true);
}

void TfrmProperty::SetModified(bool value) noexcept {
    if (value == FModified)
        return;
    FModified = value;
    const HWND page = FWholePage->Handle();
    if (value)
        PropSheet_Changed(Handle(), page);
    else
        PropSheet_UnChanged(Handle(), page);
}

void TfrmProperty::SaveSettings() noexcept {
    WriteSaverProperty(FSaverProperty);
    if (const HWND mainWindow = FHost.MainWindow(); mainWindow && ::IsWindow(mainWindow))
        ::PostMessageW(mainWindow, WM_SAVERRELOAD, RELOAD_SETTINGS, 0);
    SetModified(false);
}

bool TfrmProperty::Apply() {
    if (!ValidateWholePage() || !ValidateHotKeys())
        return false;
    if (FModified) {
        SaveSettings();
        UseSavedHotKeys();
    }
    return true;
}

void TfrmProperty::InitWholePage(TWholePage& page) {
    const HWND dialog = page.Handle();
    const int left = ::GetSystemMetrics(SM_XVIRTUALSCREEN), top = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = ::GetSystemMetrics(SM_CXVIRTUALSCREEN), height = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
    struct TRange {
        int Edit, UpDown, Min, Max, Digits;
    };
    const TRange ranges[] = {
        {IDC_SAVERWAITMIN, IDC_SAVERWAITMIN_UD, 0, kMaxWaitMinutes, 3},
        {IDC_SAVERWAITSEC, IDC_SAVERWAITSEC_UD, 0, kMaxWaitSeconds, 2},
        {IDC_HOMEPOSX, IDC_HOMEPOSX_UD, left, left + width - 1, 11},
        {IDC_HOMEPOSY, IDC_HOMEPOSY_UD, top, top + height - 1, 11},
    };
    for (const TRange& r : ranges) {
        ::SendDlgItemMessageW(dialog, r.UpDown, UDM_SETRANGE32, static_cast<WPARAM>(r.Min), r.Max);
        ::SendDlgItemMessageW(dialog, r.Edit, EM_LIMITTEXT, static_cast<WPARAM>(r.Digits), 0);
    }
    FPositionTool.Attach(page.Item(IDC_POSITIONTOOL),
                         [this](POINT point) { SetHomePositionControls(point); });
    WholeSettingsToControls(page);
}

void TfrmProperty::WholeSettingsToControls(TWholePage& page) {
    const HWND dialog = page.Handle();
    FUpdatingControls = true;
    ScopeGuard done([this] { FUpdatingControls = false; });
    // Shown in whole seconds; a value the controls cannot show stays as it was until the user edits it.
    const int minutes = std::clamp(FSaverProperty.WaitTime / 60000, 0, kMaxWaitMinutes);
    const int seconds = std::clamp((FSaverProperty.WaitTime - minutes * 60000) / 1000, 0, kMaxWaitSeconds);
    ::SetDlgItemInt(dialog, IDC_SAVERWAITMIN, static_cast<UINT>(minutes), FALSE);
    ::SetDlgItemInt(dialog, IDC_SAVERWAITSEC, static_cast<UINT>(seconds), FALSE);
    ::CheckRadioButton(dialog, IDC_ORDER_SEQUENTIAL, IDC_ORDER_RANDOM,
                       FSaverProperty.PlaySequence ? IDC_ORDER_RANDOM : IDC_ORDER_SEQUENTIAL);
    OptionsToControls(dialog);
    // The exact numbers, also of a point outside the screen as it is now.
    ::SetDlgItemInt(dialog, IDC_HOMEPOSX, static_cast<UINT>(FSaverProperty.HomePosition.X), TRUE);
    ::SetDlgItemInt(dialog, IDC_HOMEPOSY, static_cast<UINT>(FSaverProperty.HomePosition.Y), TRUE);
}

void TfrmProperty::edtSaverWaitTimeChange() {
    // An entry that is not a number counts as 0 here; OK and Apply refuse it.
    auto part = [this](int id, int max) {
        return std::clamp(TryStrToInt(FWholePage->ItemText(id)).value_or(0), 0, max);
    };
    const int32_t ms =
        (part(IDC_SAVERWAITMIN, kMaxWaitMinutes) * 60 + part(IDC_SAVERWAITSEC, kMaxWaitSeconds)) * 1000;
    Change(FSaverProperty.WaitTime, std::clamp(ms, kMinWaitTime, kMaxWaitTime));
}

void TfrmProperty::rgSaverOrderClick() {
    const bool random = ::IsDlgButtonChecked(FWholePage->Handle(), IDC_ORDER_RANDOM) == BST_CHECKED;
    Change(FSaverProperty.PlaySequence, static_cast<uint8_t>(random ? 1 : 0));
}

bool TfrmProperty::OptionClick(HWND page, int checkBox) {
    for (const auto& [box, option] : kOptionBoxes) {
        if (box != checkBox)
            continue;
        const TSaverOptions options = FSaverProperty.Options;
        const bool checked = ::IsDlgButtonChecked(page, checkBox) == BST_CHECKED;
        Change(FSaverProperty.Options,
               static_cast<TSaverOptions>(checked ? options | option : options & ~option));
        return true;
    }
    return false;
}

void TfrmProperty::OptionsToControls(HWND page) const {
    for (const auto& [box, option] : kOptionBoxes) {
        if (::GetDlgItem(page, box))
            SetChecked(page, box, FSaverProperty.Options & option);
    }
}

void TfrmProperty::edtHomePosChange() {
    // An entry that is not a number leaves its coordinate as it was; OK and Apply refuse it.
    TPoint32 point = FSaverProperty.HomePosition;
    if (const auto x = TryStrToInt(FWholePage->ItemText(IDC_HOMEPOSX)))
        point.X = *x;
    if (const auto y = TryStrToInt(FWholePage->ItemText(IDC_HOMEPOSY)))
        point.Y = *y;
    Change(FSaverProperty.HomePosition, point);
}

void TfrmProperty::SetHomePositionControls(POINT point) {
    ::SetDlgItemInt(FWholePage->Handle(), IDC_HOMEPOSX, static_cast<UINT>(point.x), TRUE);
    ::SetDlgItemInt(FWholePage->Handle(), IDC_HOMEPOSY, static_cast<UINT>(point.y), TRUE);
}

void TfrmProperty::btnConfirmHomePositionClick() {
    if (!FPositionFlash)
        FPositionFlash = std::make_unique<TPositionFlash>();
    const TPoint32 home = FSaverProperty.HomePosition;
    FPositionFlash->Flash({home.X, home.Y}, ScaleForDpi(kFlashDesignSize, WindowDpi(Handle())));
}

bool TfrmProperty::ValidateWholePage() {
    const HWND page = FWholePage->Handle();
    if (!page)
        return true; // never shown: nothing was typed
    const std::pair<int, const wchar_t*> entries[] = {
        {IDC_SAVERWAITMIN, L"分"}, {IDC_SAVERWAITSEC, L"秒"}, {IDC_HOMEPOSX, L"X"}, {IDC_HOMEPOSY, L"Y"}};
    for (const auto& [id, name] : entries) {
        if (TryStrToInt(FWholePage->ItemText(id)))
            continue;
        ShowErrorBox(Handle(), FormatText(L"「%s」には整数を入力してください。", {name}));
        ::SetFocus(FWholePage->Item(id));
        ::SendDlgItemMessageW(page, id, EM_SETSEL, 0, -1);
        return false;
    }
    return true;
}

void TfrmProperty::InitEtcPage(TEtcPage& page) {
    const HWND dialog = page.Handle();
    FUpdatingControls = true;
    ScopeGuard done([this] { FUpdatingControls = false; });
    OptionsToControls(dialog);
    ::SendDlgItemMessageW(dialog, IDC_MOVETHRESHOLD_UD, UDM_SETRANGE32, 0, kMaxMoveThreshold);
    ::SendDlgItemMessageW(dialog, IDC_MOVETHRESHOLD, EM_LIMITTEXT, 2, 0);
    ::SetDlgItemInt(dialog, IDC_MOVETHRESHOLD, static_cast<UINT>(FSaverProperty.MoveThreshold), FALSE);
}

// Typed past the range it is stored as the nearest bound; an empty entry is 0, every move counts.
void TfrmProperty::edtMoveThresholdChange() {
    const int32_t pixels = TryStrToInt(FEtcPage->ItemText(IDC_MOVETHRESHOLD)).value_or(0);
    Change(FSaverProperty.MoveThreshold, BoundMoveThreshold(pixels));
}

void TfrmProperty::hkHotKeyChange(int control) {
    const auto key = static_cast<uint16_t>(
        LOWORD(::SendDlgItemMessageW(FHotKeyPage->Handle(), control, HKM_GETHOTKEY, 0, 0)));
    Change(control == IDC_HOTKEY_START ? FSaverProperty.HotKeyStart : FSaverProperty.HotKeyPause,
           BoundHotKey(key));
}

bool TfrmProperty::ValidateHotKeys() {
    if (!HotKeysClash(FSaverProperty.HotKeyStart, FSaverProperty.HotKeyPause))
        return true;
    ShowErrorBox(Handle(),
                 FormatText(L"「今すぐセーバーを開始」と「一時停止の切り替え」に同じキー %s は使えません。",
                            {HotKeyText(FSaverProperty.HotKeyPause)}));
    if (const HWND pause = FHotKeyPage->Item(IDC_HOTKEY_PAUSE))
        ::SetFocus(pause);
    return false;
}

void TfrmProperty::UseSavedHotKeys() {
    const uint16_t start = FSaverProperty.HotKeyStart, pause = FSaverProperty.HotKeyPause;
    if (start == FUsedHotKeys[0] && pause == FUsedHotKeys[1])
        return;
    FUsedHotKeys[0] = start;
    FUsedHotKeys[1] = pause;
    std::wstring keys;
    for (const uint16_t key : FHost.UseHotKeys(start, pause))
        keys += (keys.empty() ? L"" : L"、") + HotKeyText(key);
    if (!keys.empty())
        ShowErrorBox(Handle(), FormatText(L"ホットキー %s はほかのプログラムが使用しているため使えません。\n"
                                          L"別のキーを選んでください (ほかの設定は保存されました)。",
                                          {keys}));
}

void TfrmProperty::ExcludedToControls() {
    const HWND list = FExcludePage->Item(IDC_EXCLUDED_LIST);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const auto& program : FSaverProperty.ExcludedPrograms)
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(program.c_str()));
}

void TfrmProperty::AddExcludedProgram(const std::wstring& name) {
    const std::wstring program = TrimText(name);
    if (program.empty())
        return;
    auto programs = FSaverProperty.ExcludedPrograms;
    const auto same = [&](const std::wstring& listed) {
        return ::CompareStringOrdinal(listed.c_str(), -1, program.c_str(), -1, TRUE) == CSTR_EQUAL;
    };
    auto found = std::find_if(programs.begin(), programs.end(), same);
    const auto index = static_cast<WPARAM>(found - programs.begin());
    if (found == programs.end()) {
        programs.push_back(program);
        Change(FSaverProperty.ExcludedPrograms, std::move(programs));
        ExcludedToControls();
    }
    ::SendDlgItemMessageW(FExcludePage->Handle(), IDC_EXCLUDED_LIST, LB_SETCURSEL, index, 0);
}

// The program's file name is what is listed: it then matches wherever the program is installed.
void TfrmProperty::btnExcludedBrowseClick() {
    std::wstring file(MAX_PATH, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = Handle();
    dialog.lpstrFilter = L"プログラム (*.exe)\0*.exe\0すべてのファイル (*.*)\0*.*\0";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = L"プログラムの選択";
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    {
        const TModalLoop loop;
        if (!::GetOpenFileNameW(&dialog))
            return;
    }
    file.resize(std::wcslen(file.c_str()));
    AddExcludedProgram(file.substr(file.find_last_of(L"\\/") + 1));
}

void TfrmProperty::btnExcludedRemoveClick() {
    const HWND list = FExcludePage->Item(IDC_EXCLUDED_LIST);
    const LRESULT selected = ::SendMessageW(list, LB_GETCURSEL, 0, 0);
    const auto count = static_cast<LRESULT>(FSaverProperty.ExcludedPrograms.size());
    if (selected < 0 || selected >= count)
        return;
    auto programs = FSaverProperty.ExcludedPrograms;
    programs.erase(programs.begin() + selected);
    Change(FSaverProperty.ExcludedPrograms, std::move(programs));
    ExcludedToControls();
    if (count > 1)
        ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(std::min<LRESULT>(selected, count - 2)), 0);
}

void TfrmProperty::btnExcludedAddNameClick() {
    AddExcludedProgram(FExcludePage->ItemText(IDC_EXCLUDED_NAME));
    ::SetDlgItemTextW(FExcludePage->Handle(), IDC_EXCLUDED_NAME, L"");
}

void TfrmProperty::btnEtcStartupEnterClick() {
    if (!ConfirmationBox(Handle(), L"Dovexをスタートアップに登録します。\nよろしいですか？"))
        return;
    UpdateShortcut(ProgramFolder(), kProgramFileName, kShortcutName, FHost.StartupFolder(), true);
    InformationBox(Handle(), L"スタートアップに登録しました。");
}

void TfrmProperty::btnEtcStartupLeaveClick() {
    if (!ConfirmationBox(
            Handle(), L"スタートアップからDovexを削除し、また設定情報も全て削除します。\nよろしいですか？"))
        return;
    try {
        UpdateShortcut(ProgramFolder(), kProgramFileName, kShortcutName, FHost.StartupFolder(), false);
    } catch (const EShortcutError&) {
        // No Start-up folder: there is no shortcut to remove either.
    }
    if (!DeleteSettingsKey())
        return;
    InformationBox(Handle(), L"設定情報を削除しました。\nDovexを終了します。");
    // Nothing more is written: the edits are dropped and the host ends the program once the dialog is gone.
    FSettingsRemoved = true;
    Close();
}

} // namespace dovex
