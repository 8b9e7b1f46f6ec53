#include "playlist/SaverOperation.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "base/Exception.h"
#include "base/Gdi.h"
#include "base/SystemError.h"
#include "model/PlayListCtrls.h"

namespace dovex {

namespace {

constexpr wchar_t kPaneClass[] = L"TSaverOperationPane";

// Design sizes at 96 DPI.
constexpr int kBorder = 10;
constexpr int kLabelHeight = 18;
constexpr int kTabWidth = 68;
constexpr int kTabHeight = 22;
constexpr int kTabGap = 6;
constexpr int kPageGap = 6;
constexpr int kEditWidth = 38;
constexpr int kEditHeight = 20;
constexpr int kUpDownWidth = 16;
constexpr int kUnitGap = 3;
constexpr int kUnitWidth = 16;
constexpr int kColumnGap = 10;

// One number box of a page: its range (the up-down starts at the minimum), the digits it takes, and the
// column it stands in on its page.
struct TSpinDesign {
    int Id;
    const wchar_t* Unit;
    int Min, Max;
    int Digits;
    TSaverPage Page;
    int Column;
};
constexpr TSpinDesign kSpinDesigns[] = {
    {IDC_SO_NUMS, L"回", 1, 100, 3, tsNumTimes, 0},
    {IDC_SO_TIMEMIN, L"分", 0, 60, 2, tsTime, 0},
    {IDC_SO_TIMESEC, L"秒", 0, 59, 2, tsTime, 1},
};
constexpr const wchar_t* kPageCaptions[] = {L"回数", L"時間"};

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

wchar_t UpperCase(wchar_t character) noexcept {
    return static_cast<wchar_t>(
        reinterpret_cast<UINT_PTR>(::CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(character)))));
}

} // namespace

TSaverOperationPane::TSaverOperationPane(HWND parent, int id, const TDpiScale& dpi) : FDpi(dpi) {
    CreateHandle(kPaneClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                 WS_EX_CONTROLPARENT, parent);
    ::SetWindowLongPtrW(Handle(), GWLP_ID, id);
    CreateControls();
    SetDpi(dpi);
    LoadGroup(nullptr);
}

void TSaverOperationPane::CreateControls() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    auto create = [&](const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, int id) {
        const HWND control =
            ::CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, Handle(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        if (!control)
            ThrowLastError(L"グループの動作の設定欄を作成できません");
        return control;
    };
    FLabel = create(WC_STATICW, kCaption, SS_LEFT, 0, IDC_SO_LABEL);
    FPages = create(WC_TABCONTROLW, L"",
                    WS_TABSTOP | TCS_BUTTONS | TCS_FIXEDWIDTH | TCS_FOCUSONBUTTONDOWN | TCS_MULTILINE |
                        TCS_RAGGEDRIGHT | WS_CLIPSIBLINGS,
                    0, IDC_SO_PAGES);
    FPageButtons.Attach(FPages);
    for (int page = 0; page < static_cast<int>(std::size(kPageCaptions)); ++page) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(kPageCaptions[page]);
        TabCtrl_InsertItem(FPages, page, &item);
    }
    for (size_t i = 0; i < kSpinCount; ++i) {
        const TSpinDesign& design = kSpinDesigns[i];
        TSpin& spin = FSpins[i];
        spin.Edit =
            create(WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL | ES_NUMBER, WS_EX_CLIENTEDGE, design.Id);
        ::SendMessageW(spin.Edit, EM_LIMITTEXT, static_cast<WPARAM>(design.Digits), 0);
        spin.UpDown = create(UPDOWN_CLASSW, L"", UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0,
                             design.Id + kUpDownIdOffset);
        ::SendMessageW(spin.UpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(spin.Edit), 0);
        ::SendMessageW(spin.UpDown, UDM_SETRANGE32, static_cast<WPARAM>(design.Min), design.Max);
        spin.Unit = create(WC_STATICW, design.Unit, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, 0,
                           design.Id + kUnitIdOffset);
    }
}

void TSaverOperationPane::SetDpi(const TDpiScale& dpi) {
    FDpi = dpi;
    UniqueGdiObj font = FDpi.MessageFont(12);
    if (!font)
        throw Exception(L"グループの動作の設定欄のフォントを作成できません");
    auto setFont = [&](HWND control) {
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    };
    setFont(FLabel);
    setFont(FPages);
    for (const TSpin& spin : FSpins) {
        setFont(spin.Edit);
        setFont(spin.Unit);
    }
    FFont = std::move(font); // the controls no longer use the old one
    TabCtrl_SetItemSize(FPages, FDpi(kTabWidth), FDpi(kTabHeight));
    Layout();
}

void TSaverOperationPane::SetBounds(int x, int y, int width, int height) noexcept {
    ::SetWindowPos(Handle(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TSaverOperationPane::Layout() noexcept {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int border = FDpi(kBorder);
    const int width = std::max<int>(0, client.right - 2 * border);
    ::SetWindowPos(FLabel, nullptr, border, border, width, FDpi(kLabelHeight), SWP_NOZORDER | SWP_NOACTIVATE);

    // The tab control holds only its row of buttons; each page's controls stand below it.
    const int tabsTop = border + FDpi(kLabelHeight);
    const int tabsWidth = FDpi(static_cast<int>(std::size(kPageCaptions)) * (kTabWidth + kTabGap) + kTabGap);
    ::SetWindowPos(FPages, nullptr, border, tabsTop, std::min(width, tabsWidth), 2 * FDpi(kTabHeight),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    RECT button{};
    TabCtrl_GetItemRect(FPages, 0, &button);
    const int tabsHeight = std::max<int>(button.bottom, FDpi(kTabHeight)) + FDpi(2);
    ::SetWindowPos(FPages, nullptr, 0, 0, std::min(width, tabsWidth), tabsHeight,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);

    const int pageTop = tabsTop + tabsHeight + FDpi(kPageGap);
    const int columnWidth = FDpi(kEditWidth + kUpDownWidth + kUnitGap + kUnitWidth + kColumnGap);
    for (size_t i = 0; i < kSpinCount; ++i) {
        const TSpin& spin = FSpins[i];
        const int left = border + kSpinDesigns[i].Column * columnWidth;
        const int editWidth = FDpi(kEditWidth), upDownWidth = FDpi(kUpDownWidth), height = FDpi(kEditHeight);
        ::SetWindowPos(spin.Edit, nullptr, left, pageTop, editWidth, height, SWP_NOZORDER | SWP_NOACTIVATE);
        ::SetWindowPos(spin.UpDown, nullptr, left + editWidth, pageTop, upDownWidth, height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        ::SetWindowPos(spin.Unit, nullptr, left + editWidth + upDownWidth + FDpi(kUnitGap), pageTop,
                       FDpi(kUnitWidth), height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TSaverOperationPane::LoadGroup(TCursorGroupCtrl* group) {
    FGroup = group;
    FGroupLoading = true;
    ScopeGuard loaded([&] { FGroupLoading = false; });
    EnableControls(group != nullptr);
    if (!group) {
        SetActivePage(tsNumTimes);
        for (size_t i = 0; i < kSpinCount; ++i)
            SetPosition(FSpins[i], kSpinDesigns[i].Min);
        return;
    }
    // The engine plays every mode other than a count by time, so such a group shows the time page.
    SetActivePage(group->SaverMode() == smNumTimes ? tsNumTimes : tsTime);
    SetPosition(FSpins[kNums], group->SaverPlayNums());
    const int32_t time = group->SaverPlayTime();
    SetPosition(FSpins[kMin], time / 60000);
    SetPosition(FSpins[kSec], time % 60000 / 1000);
}

TSaverPage TSaverOperationPane::ActivePage() const noexcept {
    return TabCtrl_GetCurSel(FPages) == tsTime ? tsTime : tsNumTimes;
}

void TSaverOperationPane::SetActivePage(TSaverPage page) noexcept {
    TabCtrl_SetCurSel(FPages, page);
    ShowPageControls();
}

void TSaverOperationPane::ShowPageControls() noexcept {
    const TSaverPage active = ActivePage();
    const HWND focus = ::GetFocus();
    for (size_t i = 0; i < kSpinCount; ++i) {
        const TSpin& spin = FSpins[i];
        const bool shown = kSpinDesigns[i].Page == active;
        // The keyboard stays in the pane when the box it was in goes.
        if (!shown && focus == spin.Edit)
            ::SetFocus(FPages);
        for (HWND control : {spin.Edit, spin.UpDown, spin.Unit})
            ::ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
    }
}

void TSaverOperationPane::EnableControls(bool enabled) noexcept {
    ::EnableWindow(FLabel, enabled);
    ::EnableWindow(FPages, enabled);
    for (const TSpin& spin : FSpins)
        for (HWND control : {spin.Edit, spin.UpDown, spin.Unit})
            ::EnableWindow(control, enabled);
}

// The position as the up-down reports it: its own reading of the box, never the box text parsed here.
int TSaverOperationPane::Position(const TSpin& spin) noexcept {
    return static_cast<int>(::SendMessageW(spin.UpDown, UDM_GETPOS32, 0, 0));
}

void TSaverOperationPane::SetPosition(const TSpin& spin, int value) noexcept {
    ::SendMessageW(spin.UpDown, UDM_SETPOS32, 0, value);
    ShowPosition(spin);
}

// The box shows the number the up-down holds (a number out of range typed there is not what it holds).
void TSaverOperationPane::ShowPosition(const TSpin& spin) noexcept {
    const std::wstring text = std::to_wstring(Position(spin));
    if (WindowText(spin.Edit) != text)
        ::SetWindowTextW(spin.Edit, text.c_str());
}

const TSaverOperationPane::TSpin* TSaverOperationPane::SpinOfEdit(int id) const noexcept {
    for (size_t i = 0; i < kSpinCount; ++i)
        if (kSpinDesigns[i].Id == id)
            return &FSpins[i];
    return nullptr;
}

const wchar_t* TSaverOperationPane::StatusHint(HWND control) const noexcept {
    if (!control || control != FPages)
        return nullptr;
    const wchar_t* bar = std::wcschr(kPagesHint, L'|');
    return bar ? bar + 1 : kPagesHint;
}

bool TSaverOperationPane::FocusMnemonic(wchar_t character) noexcept {
    const wchar_t* mark = std::wcschr(kCaption, L'&');
    if (!mark || UpperCase(mark[1]) != UpperCase(character))
        return false;
    if (!::IsWindowEnabled(FPages) || !::IsWindowVisible(FPages))
        return false;
    ::SetFocus(FPages);
    return true;
}

LRESULT TSaverOperationPane::ColorStatic(HDC dc) const noexcept {
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
}

void TSaverOperationPane::Command(int id, UINT code) {
    const TSpin* spin = SpinOfEdit(id);
    if (!spin)
        return;
    if (code == EN_KILLFOCUS) {
        ShowPosition(*spin);
        return;
    }
    if (code != EN_CHANGE)
        return;
    // clang-format off
    switch (id) {
    case IDC_SO_NUMS:    edtSaverNumsChange(); break;
    case IDC_SO_TIMEMIN:
    case IDC_SO_TIMESEC: edtSaverTimeMinSecChange(); break;
    }
    // clang-format on
}

LRESULT TSaverOperationPane::Notify(const NMHDR& header) {
    // clang-format off
    switch (header.idFrom) {
    case IDC_SO_PAGES: return pcSaverOperationNotify(header);
    }
    // clang-format on
    return 0;
}

void TSaverOperationPane::PickPage(TSaverPage page) {
    if (page == ActivePage())
        return;
    SetActivePage(page);
    pcSaverOperationChange();
}

LRESULT TSaverOperationPane::pcSaverOperationNotify(const NMHDR& header) {
    if (header.code == TCN_SELCHANGE) {
        ShowPageControls();
        pcSaverOperationChange();
    }
    return 0;
}

void TSaverOperationPane::pcSaverOperationChange() {
    if (!Editing())
        return;
    FGroup->SetSaverMode(ActivePage() == tsNumTimes ? smNumTimes : smTime);
}

void TSaverOperationPane::edtSaverNumsChange() {
    if (!Editing())
        return;
    FGroup->SetSaverPlayNums(Position(FSpins[kNums]));
}

void TSaverOperationPane::edtSaverTimeMinSecChange() {
    if (!Editing())
        return;
    const int64_t time = Position(FSpins[kMin]) * int64_t{60000} + Position(FSpins[kSec]) * int64_t{1000};
    FGroup->SetSaverPlayTime(static_cast<int32_t>(std::clamp<int64_t>(time, kMinPlayTime, kMaxPlayTime)));
}

LRESULT TSaverOperationPane::TPageButtons::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_KEYDOWN && (wParam == VK_LEFT || wParam == VK_RIGHT)) {
        FPane.PickPage(wParam == VK_LEFT ? tsNumTimes : tsTime);
        return 0;
    }
    if (msg == WM_ERASEBKGND) {
        FillClient(Handle(), reinterpret_cast<HDC>(wParam), ::GetSysColorBrush(COLOR_WINDOW));
        return 1;
    }
    return DefaultHandler(msg, wParam, lParam);
}

LRESULT TSaverOperationPane::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    // clang-format off
    switch (msg) {
    case WM_SIZE:           Layout(); return 0;
    case WM_CTLCOLORSTATIC: return ColorStatic(reinterpret_cast<HDC>(wParam));
    case WM_COMMAND:        Command(LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_NOTIFY:         return Notify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_ERASEBKGND:
        FillClient(Handle(), reinterpret_cast<HDC>(wParam), ::GetSysColorBrush(COLOR_WINDOW));
        return 1;
    }
    // clang-format on
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace dovex
