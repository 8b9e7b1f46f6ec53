#include "playlist/PreviewPane.h"

#include <windowsx.h>

#include <algorithm>
#include <iterator>

#include "base/Exception.h"
#include "base/Gdi.h"
#include "base/SystemError.h"
#include "base/UniqueHandle.h"
#include "playlist/PlayListIds.h"
#include "playlist/PlayListText.h"

namespace dovex {

namespace {

constexpr wchar_t kPaneClass[] = L"TPreviewPane";
constexpr wchar_t kPanelClass[] = L"TPreviewPanel";
// The tool bar's border, at 96 DPI.
constexpr int kNavigatorBorder = 2;

// Hints of the buttons that are no command of the window.
struct TButtonHint {
    UINT Id;
    const wchar_t* Hint;
};
constexpr TButtonHint kButtonHints[] = {
    {IDA_PREVIEWZOOM, L"表示サイズ|表示サイズを変更します。"},
    {IDA_PREVIEWREVIEW, L"巻戻し|5倍速で巻き戻し再生します。"},
    {IDA_PREVIEWCUE, L"早送り|5倍速で早送り再生します。"},
};

constexpr UINT kSeparator = 0;
struct TNavigatorButton {
    UINT Id;
    BYTE Style;
    int Image;
};
constexpr TNavigatorButton kNavigatorButtons[] = {
    {IDA_PREVIEWZOOM, BTNS_CHECK, 8},       {kSeparator, BTNS_SEP, 0},
    {IDA_PREVIEWPLAY, BTNS_CHECKGROUP, 9},  {IDA_PREVIEWPAUSE, BTNS_CHECKGROUP, 10},
    {IDA_PREVIEWSTOP, BTNS_CHECKGROUP, 11}, {kSeparator, BTNS_SEP, 0},
    {IDA_PREVIEWREVIEW, BTNS_BUTTON, 12},   {IDA_PREVIEWCUE, BTNS_BUTTON, 13},
};

bool IsFastButton(UINT id) noexcept {
    return id == IDA_PREVIEWREVIEW || id == IDA_PREVIEWCUE;
}

bool IsButtonDown(UINT msg) noexcept {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDBLCLK:
        return true;
    default:
        return false;
    }
}

bool IsButtonUp(UINT msg) noexcept {
    return msg == WM_LBUTTONUP || msg == WM_RBUTTONUP || msg == WM_MBUTTONUP || msg == WM_XBUTTONUP;
}

// Colour values as the preferences keep them: RGB, or a system colour with the high bit set.
COLORREF ColorToRgb(int32_t value) noexcept {
    if (value < 0)
        return ::GetSysColor(value & 0xFF);
    return static_cast<COLORREF>(value) & 0xFFFFFF;
}

} // namespace

// ---- TColorPanel ----

TColorPanel::TColorPanel(HWND parent) {
    CreateHandle(kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, parent);
    ::SetWindowLongPtrW(Handle(), GWLP_ID, IDC_PV_PANEL);
    AddClassStyle(Handle(), CS_DBLCLKS);
}

void TColorPanel::SetColor(COLORREF value) {
    if (Assign(FColor, value))
        ::InvalidateRect(Handle(), nullptr, TRUE);
}

LRESULT TColorPanel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND: {
        UniqueGdiObj brush(::CreateSolidBrush(FColor));
        FillClient(Handle(), reinterpret_cast<HDC>(wParam), static_cast<HBRUSH>(brush.get()));
        return 1;
    }
    case WM_LBUTTONDBLCLK:
        if (OnDblClick)
            OnDblClick();
        return 0;
    }
    return DefaultHandler(msg, wParam, lParam);
}

// ---- TNavigatorBar ----

LRESULT TNavigatorBar::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefaultHandler(msg, wParam, lParam);
    if (IsButtonDown(msg) && !FHeld) {
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const auto index =
            static_cast<int>(::SendMessageW(Handle(), TB_HITTEST, 0, reinterpret_cast<LPARAM>(&point)));
        TBBUTTON button{};
        if (index >= 0 && ::SendMessageW(Handle(), TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)) &&
            IsFastButton(static_cast<UINT>(button.idCommand)) && (button.fsState & TBSTATE_ENABLED)) {
            FHeld = static_cast<UINT>(button.idCommand);
            // The tool bar keeps the pointer for the left button only; every button counts here.
            if (::GetCapture() != Handle())
                ::SetCapture(Handle());
            if (OnFastDown)
                OnFastDown(FHeld);
        }
    } else if (FHeld && (IsButtonUp(msg) || msg == WM_CAPTURECHANGED || msg == WM_CANCELMODE)) {
        Release();
    }
    return result;
}

void TNavigatorBar::Release() {
    FHeld = 0;
    if (::GetCapture() == Handle())
        ::ReleaseCapture();
    if (OnFastUp)
        OnFastUp();
}

// ---- TPreviewPane ----

TPreviewPane::TPreviewPane(HWND parent, int id, IPreviewPaneHost& host, const TDpiScale& dpi)
    : FHost(host), FDpi(dpi) {
    CreateHandle(kPaneClass, L"", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, parent);
    ::SetWindowLongPtrW(Handle(), GWLP_ID, id);
    FPanel = std::make_unique<TColorPanel>(Handle());
    FPanel->OnDblClick = [this] { FHost.PreviewDblClick(); };
    FView = std::make_unique<TAniCursorView>(FPanel->Handle(), FDpi(34), 0);
    FView->SetColor(FPanel->Color());
    FView->OnPositionChanged = [this](TAniCursorView&, int position) { acvScreenPositionChanged(position); };
    FView->OnDblClick = [this](TAniCursorView&) { FHost.PreviewDblClick(); };
    FPosition = std::make_unique<TTrackBarEx>(Handle(), IDC_PV_POSITION, 0, 0, 0, 0,
                                              TBS_HORZ | TBS_NOTICKS | TBS_FIXEDLENGTH);
    FPosition->SetFrequency(1);
    FPosition->SetMin(0);
    FPosition->SetMax(0);
    CreateNavigator();
    SetDpi(dpi);
    UpdateTransportButtons();
}

void TPreviewPane::CreateNavigator() {
    FNavigator = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                   WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                                       CCS_NOPARENTALIGN | CCS_NORESIZE,
                                   0, 0, 0, 0, Handle(), reinterpret_cast<HMENU>(INT_PTR{IDC_PV_NAVIGATOR}),
                                   ::GetModuleHandleW(nullptr), nullptr);
    if (!FNavigator)
        ThrowLastError(L"プレビューの操作ボタンを作成できません");
    ::SendMessageW(FNavigator, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    TBBUTTON buttons[std::size(kNavigatorButtons)] = {};
    for (size_t i = 0; i < std::size(kNavigatorButtons); ++i) {
        buttons[i].iBitmap = kNavigatorButtons[i].Image;
        buttons[i].idCommand = static_cast<int>(kNavigatorButtons[i].Id);
        buttons[i].fsStyle = kNavigatorButtons[i].Style;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].iString = -1;
    }
    ::SendMessageW(FNavigator, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
    FNavigatorBar.Attach(FNavigator);
    FNavigatorBar.OnFastDown = [this](UINT command) {
        SetPreviewMode(command == IDA_PREVIEWREVIEW ? prReviewDown : prCueDown);
    };
    FNavigatorBar.OnFastUp = [this] { SetPreviewMode(prFastRelease); };
}

void TPreviewPane::SetDpi(const TDpiScale& dpi) {
    FDpi = dpi;
    FPosition->SetThumbLength(FDpi(kThumbLength));
    const SIZE size = FView->Size();
    const int viewSize = FDpi(Zoomed() ? kZoomedViewSize : kViewSize);
    if (size.cx != viewSize || size.cy != viewSize)
        FView->SetBounds(0, 0, viewSize, viewSize);
    Layout();
}

void TPreviewPane::SetImages(HIMAGELIST images) noexcept {
    ::SendMessageW(FNavigator, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    ::SendMessageW(FNavigator, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    ::SendMessageW(FNavigator, TB_AUTOSIZE, 0, 0);
    Layout();
}

void TPreviewPane::SetBounds(int x, int y, int width) noexcept {
    ::SetWindowPos(Handle(), nullptr, x, y, std::max(width, 0), PreferredHeight(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void TPreviewPane::SetVisible(bool value) noexcept {
    ::ShowWindow(Handle(), value ? SW_SHOWNA : SW_HIDE);
}

int TPreviewPane::NavigatorHeight() const noexcept {
    RECT button{};
    ::SendMessageW(FNavigator, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
    return button.bottom;
}

int TPreviewPane::PreferredHeight() const noexcept {
    return FView->Size().cy + FDpi(kTrackBarHeight) + NavigatorHeight() + 2 * FDpi(kNavigatorBorder);
}

void TPreviewPane::Layout() noexcept {
    // Every part may move when the view changes its size: each paints itself anew where it lands.
    constexpr UINT kPlace = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS;
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const SIZE view = FView->Size();
    ::SetWindowPos(FPanel->Handle(), nullptr, 0, 0, client.right, view.cy, kPlace);
    // Centred, rounded toward zero as the zoom places it.
    ::SetWindowPos(FView->Handle(), nullptr, (client.right - view.cx) / 2, 0, 0, 0, SWP_NOSIZE | kPlace);
    const int trackTop = view.cy;
    const int trackHeight = FDpi(kTrackBarHeight);
    ::SetWindowPos(FPosition->Handle(), nullptr, 0, trackTop, client.right, trackHeight, kPlace);
    const int border = FDpi(kNavigatorBorder);
    ::SetWindowPos(FNavigator, nullptr, border, trackTop + trackHeight + border,
                   std::max<int>(client.right - 2 * border, 0), NavigatorHeight(), kPlace);
}

void TPreviewPane::Clear() {
    FView->SetFilename(L"");
}

void TPreviewPane::LoadPreview(const std::wstring& fileName) {
    try {
        FView->SetFilename(fileName);
    } catch (const Exception&) {
        // Changed or gone since it was examined: the view stays empty and says nothing.
    }
    const int steps = FView->CursorHandle() ? FView->GetAniInfo(ahSteps) : 0;
    const int maximum = std::max(steps - 1, 0);
    FPosition->SetMax(maximum);
    FPosition->SetPosition(0);
    FPosition->SetPageSize(std::max(maximum / 10, 1));
    EnableTransport(steps > 0);
    SetPreviewMode(fileName.empty() ? prStop : prPlay);
}

void TPreviewPane::SetPreviewMode(int request) {
    switch (request) {
    case prPlay:
        FView->SetActive(true);
        break;
    case prPause:
        FView->SetActive(false);
        break;
    case prStop:
        FView->SetPosition(0); // stops, and shows the first step
        break;
    case prReviewDown:
    case prCueDown:
        FView->SetReverse(request == prReviewDown);
        FView->SetSpeed(kSpeedFast);
        FView->SetActive(true);
        return;
    case prFastRelease:
        FView->SetReverse(false);
        FView->SetSpeed(1);
        SetPreviewMode(FPreviewMode);
        return;
    default:
        return;
    }
    FPreviewMode = request;
    UpdateTransportButtons();
}

void TPreviewPane::SetColor(int32_t value) {
    FColorValue = value;
    FPanel->SetColor(ColorToRgb(value));
    FView->SetColor(FPanel->Color());
}

bool TPreviewPane::Zoomed() const noexcept {
    return ::SendMessageW(FNavigator, TB_ISBUTTONCHECKED, IDA_PREVIEWZOOM, 0) != 0;
}

void TPreviewPane::tbtnZoomClick() {
    const int size = FDpi(Zoomed() ? kZoomedViewSize : kViewSize);
    RECT panel{};
    ::GetClientRect(FPanel->Handle(), &panel);
    FView->SetBounds((panel.right - size) / 2, 0, size, size);
    RECT client{};
    ::GetClientRect(Handle(), &client);
    ::SetWindowPos(Handle(), nullptr, 0, 0, client.right, PreferredHeight(),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    FHost.PreviewResized();
}

void TPreviewPane::Command(UINT command) {
    switch (command) {
    case IDA_PREVIEWPLAY:
        SetPreviewMode(prPlay);
        break;
    case IDA_PREVIEWPAUSE:
        SetPreviewMode(prPause);
        break;
    case IDA_PREVIEWSTOP:
        SetPreviewMode(prStop);
        break;
    case IDA_PREVIEWZOOM:
        tbtnZoomClick();
        break;
    default:
        break; // review and cue work while held, not on their clicks
    }
}

LRESULT TPreviewPane::NavigatorNotify(NMHDR& header) {
    auto hint = [this](UINT command) -> std::wstring {
        for (const auto& button : kButtonHints)
            if (button.Id == command)
                return button.Hint;
        const wchar_t* transport = FHost.TransportHint(command);
        return transport ? transport : L"";
    };
    switch (header.code) {
    case TBN_HOTITEMCHANGE: {
        const auto& change = reinterpret_cast<const NMTBHOTITEM&>(header);
        FHost.ShowPreviewHint((change.dwFlags & HICF_LEAVING)
                                  ? std::wstring()
                                  : LongHint(hint(static_cast<UINT>(change.idNew))));
        return 0;
    }
    case TTN_GETDISPINFOW: {
        auto& tip = reinterpret_cast<NMTTDISPINFOW&>(header);
        static thread_local std::wstring text;
        text = ShortHint(hint(static_cast<UINT>(header.idFrom)));
        tip.lpszText = text.data();
        return 0;
    }
    }
    return 0;
}

void TPreviewPane::tbPlayPositionChange() {
    if (!FPositionChangeAttached)
        return;
    SetPreviewMode(prPause);
    FView->SetPosition(FPosition->Position());
}

// The track bar follows playback without reporting the move as the user's.
void TPreviewPane::acvScreenPositionChanged(int position) {
    FPositionChangeAttached = false;
    ScopeGuard attach([this] { FPositionChangeAttached = true; });
    FPosition->SetPosition(position);
}

void TPreviewPane::UpdateTransportButtons() noexcept {
    static constexpr UINT kModes[] = {IDA_PREVIEWPLAY, IDA_PREVIEWPAUSE, IDA_PREVIEWSTOP};
    for (int mode = prPlay; mode <= prStop; ++mode)
        ::SendMessageW(FNavigator, TB_CHECKBUTTON, kModes[mode], MAKELPARAM(FPreviewMode == mode, 0));
}

// Nothing to play: the buttons that would play it and the track bar are grey.
void TPreviewPane::EnableTransport(bool enabled) noexcept {
    for (const auto& button : kNavigatorButtons)
        if (button.Id != kSeparator && button.Id != IDA_PREVIEWZOOM)
            ::SendMessageW(FNavigator, TB_ENABLEBUTTON, button.Id, MAKELPARAM(enabled, 0));
    ::EnableWindow(FPosition->Handle(), enabled);
}

LRESULT TPreviewPane::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == FNavigator)
            Command(LOWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        auto& header = *reinterpret_cast<NMHDR*>(lParam);
        if (header.hwndFrom == FNavigator || header.code == TTN_GETDISPINFOW)
            return NavigatorNotify(header);
        return 0;
    }
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == FPosition->Handle() && LOWORD(wParam) != TB_ENDTRACK)
            tbPlayPositionChange();
        return 0;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    case WM_SIZE:
        Layout();
        return 0;
    case WM_ERASEBKGND:
        FillClient(Handle(), reinterpret_cast<HDC>(wParam), ::GetSysColorBrush(COLOR_WINDOW));
        return 1;
    }
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace dovex
