#include "playlist/InfoPane.h"

#include <algorithm>

#include "base/Exception.h"
#include "base/Gdi.h"

namespace dovex {

namespace {

constexpr wchar_t kPaneClass[] = L"TPlayListInfoPane";

// Child controls report to their parent; the pane's parts pass that on to the window that handles it.
bool IsChildReport(UINT msg) noexcept {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        return true;
    default:
        return false;
    }
}

void SetChildId(HWND window, int id) noexcept {
    ::SetWindowLongPtrW(window, GWLP_ID, id);
}

void FillSolid(HDC dc, const RECT& rect, COLORREF color) noexcept {
    UniqueGdiObj brush(::CreateSolidBrush(color));
    ::FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
}

} // namespace

// ---- TInfoPane ----

TInfoPane::TInfoPane(HWND parent, int id, HWND notifyWindow, IPreviewPaneHost& previewHost,
                     const TDpiScale& dpi)
    : FDpi(dpi), FNotifyWindow(notifyWindow) {
    CreateHandle(kPaneClass, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
                 parent);
    SetChildId(Handle(), id);
    FSaverOperation = std::make_unique<TSaverOperationPane>(Handle(), 1, dpi);
    FPreviewBase = std::make_unique<TPreviewPane>(Handle(), 2, previewHost, dpi);
    SetDpi(dpi);
}

void TInfoPane::SetDpi(const TDpiScale& dpi) {
    FDpi = dpi;
    FNameFont = FDpi.MessageFont(16, FW_BOLD);
    FBoldFont = FDpi.MessageFont(12, FW_BOLD);
    FNormalFont = FDpi.MessageFont(12, FW_NORMAL);
    FLogoFont = FDpi.MessageFont(22, FW_BOLD);
    FLogoSmallFont = FDpi.MessageFont(11, FW_NORMAL);
    if (!FNameFont || !FBoldFont || !FNormalFont || !FLogoFont || !FLogoSmallFont)
        throw Exception(L"情報表示のフォントを作成できません");
    FSaverOperation->SetDpi(dpi);
    FPreviewBase->SetDpi(dpi);
    Layout();
}

void TInfoPane::ShowGroup(const std::wstring& name, HICON picture) {
    FGroupName = name;
    FGroupPicture = picture;
    Layout();
}

void TInfoPane::SetGroupName(const std::wstring& name) {
    FGroupName = name;
    Layout();
}

void TInfoPane::SetGroupPicture(HICON picture) noexcept {
    FGroupPicture = picture;
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TInfoPane::ClearGroup() {
    FGroupName.clear();
    FGroupPicture = nullptr;
    Layout();
}

void TInfoPane::SetTitle(const std::wstring& text, bool bold) {
    FTitle = text;
    FTitleBold = bold;
    Layout();
}

void TInfoPane::SetItemInfo(const std::wstring& text, bool visible) {
    FItemInfo = text;
    FItemInfoVisible = visible;
}

void TInfoPane::SetPreviewVisible(bool visible) {
    FPreviewBase->SetVisible(visible);
}

void TInfoPane::ArrangeInfoPane() {
    Layout();
}

int TInfoPane::ClientHeight() const noexcept {
    RECT rect{};
    ::GetClientRect(Handle(), &rect);
    return rect.bottom;
}

int TInfoPane::TextHeight(const std::wstring& text, HGDIOBJ font, int width) const {
    HDC dc = ::GetDC(Handle());
    if (!dc)
        return 0;
    ScopeGuard release([&] { ::ReleaseDC(Handle(), dc); });
    TSelectObject select(dc, font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    if (text.empty())
        return metrics.tmHeight;
    RECT rect{0, 0, std::max(width, 1), 0};
    DRAWTEXTPARAMS params{sizeof(params), kTabLength, 0, 0, 0};
    std::wstring copy = text;
    ::DrawTextExW(dc, copy.data(), static_cast<int>(copy.size()), &rect,
                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_TABSTOP | DT_NOPREFIX, &params);
    return std::max<int>(rect.bottom, metrics.tmHeight);
}

void TInfoPane::Layout() {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int textWidth = client.right - 2 * FDpi(kMargin);
    FNameTop = FDpi(kLogoHeight);
    FNameHeight = TextHeight(FGroupName, FNameFont.get(), textWidth);
    FLineTop = FNameTop + FNameHeight + FDpi(6);
    FSaverOperationTop = FLineTop + std::max(1, FDpi(2));
    FBevelTop = FSaverOperationTop + FDpi(kSaverOperationHeight);
    FTitleTop = FBevelTop + FDpi(10);
    FTitleHeight = TextHeight(FTitle, FTitleBold ? FBoldFont.get() : FNormalFont.get(), textWidth);
    const int titleBottom = FTitleTop + FTitleHeight;
    int next = titleBottom + FDpi(5);
    FContentHeight = titleBottom;
    if (FItemInfoVisible) {
        FItemInfoTop = titleBottom + FDpi(5);
        FItemInfoHeight = TextHeight(FItemInfo, FNormalFont.get(), textWidth);
        next = titleBottom + FItemInfoHeight + FDpi(6);
        FContentHeight = FItemInfoTop + FItemInfoHeight;
    }
    if (FPreviewBase->Visible()) {
        FPreviewTop = next + FDpi(10);
        FContentHeight = FPreviewTop + FPreviewBase->PreferredHeight();
    }
    FContentHeight += FDpi(kMargin);
    UpdateScrollBar();
    PlaceChildren();
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TInfoPane::UpdateScrollBar() {
    const int page = ClientHeight();
    FScrollPos = std::clamp(FScrollPos, 0, std::max(0, FContentHeight - page));
    SCROLLINFO info{sizeof(info),
                    SIF_RANGE | SIF_PAGE | SIF_POS,
                    0,
                    FContentHeight - 1,
                    static_cast<UINT>(std::max(page, 0)),
                    FScrollPos,
                    0};
    ::SetScrollInfo(Handle(), SB_VERT, &info, TRUE);
}

void TInfoPane::PlaceChildren() noexcept {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    FSaverOperation->SetBounds(0, FSaverOperationTop - FScrollPos, client.right, FDpi(kSaverOperationHeight));
    FPreviewBase->SetBounds(FDpi(kMargin), FPreviewTop - FScrollPos, client.right - 2 * FDpi(kMargin));
}

void TInfoPane::Scroll(int code) {
    const int page = ClientHeight();
    int pos = FScrollPos;
    switch (code) {
    case SB_LINEUP:
        pos -= FDpi(12);
        break;
    case SB_LINEDOWN:
        pos += FDpi(12);
        break;
    case SB_PAGEUP:
        pos -= page;
        break;
    case SB_PAGEDOWN:
        pos += page;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_TRACKPOS;
        ::GetScrollInfo(Handle(), SB_VERT, &info);
        pos = info.nTrackPos;
        break;
    }
    case SB_TOP:
        pos = 0;
        break;
    case SB_BOTTOM:
        pos = FContentHeight;
        break;
    default:
        return;
    }
    ScrollTo(pos);
}

void TInfoPane::ScrollPreviewIntoView() {
    if (!FPreviewBase->Visible())
        return;
    const int top = FPreviewTop, bottom = FPreviewTop + FPreviewBase->PreferredHeight();
    const int page = ClientHeight();
    if (bottom - FScrollPos > page)
        ScrollTo(bottom - page);
    if (top < FScrollPos)
        ScrollTo(top);
}

void TInfoPane::ScrollTo(int pos) {
    const int page = ClientHeight();
    pos = std::clamp(pos, 0, std::max(0, FContentHeight - page));
    if (pos == FScrollPos)
        return;
    FScrollPos = pos;
    ::SetScrollPos(Handle(), SB_VERT, FScrollPos, TRUE);
    PlaceChildren();
    ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TInfoPane::PaintLogo(HDC dc) {
    const int width = FDpi(kLogoWidth), height = FDpi(kLogoHeight);
    TRIVERTEX vertex[2] = {{0, 0, 0x1500, 0x6500, 0xC000, 0xFF00},
                           {width, height, 0x9000, 0xCA00, 0xF900, 0xFF00}};
    GRADIENT_RECT rect{0, 1};
    ::GradientFill(dc, vertex, 2, &rect, 1, GRADIENT_FILL_RECT_V);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(255, 255, 255));
    {
        TSelectObject select(dc, FLogoFont.get());
        ::TextOutW(dc, FDpi(52), FDpi(4), L"Dovex", 5);
    }
    TSelectObject select(dc, FLogoSmallFont.get());
    static constexpr wchar_t kSubtitle[] = L"プレイリスト";
    ::TextOutW(dc, FDpi(54), FDpi(31), kSubtitle, static_cast<int>(std::size(kSubtitle) - 1));
    if (FGroupPicture)
        ::DrawIconEx(dc, FDpi(10), FDpi(10), FGroupPicture, FDpi(32), FDpi(32), 0, nullptr, DI_NORMAL);
}

void TInfoPane::PaintContent(HDC dc, int width) {
    const int margin = FDpi(kMargin);
    auto text = [&](const std::wstring& value, HGDIOBJ font, int top, int height) {
        if (value.empty())
            return;
        TSelectObject select(dc, font);
        RECT rect{margin, top, width - margin, top + height};
        DRAWTEXTPARAMS params{sizeof(params), kTabLength, 0, 0, 0};
        std::wstring copy = value;
        ::DrawTextExW(dc, copy.data(), static_cast<int>(copy.size()), &rect,
                      DT_WORDBREAK | DT_EXPANDTABS | DT_TABSTOP | DT_NOPREFIX, &params);
    };
    PaintLogo(dc);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    text(FGroupName, FNameFont.get(), FNameTop, FNameHeight);
    FillSolid(dc, RECT{0, FLineTop, width, FSaverOperationTop}, RGB(0, 0, 255));
    RECT bevel{0, FBevelTop, width, FBevelTop + FDpi(10)};
    ::DrawEdge(dc, &bevel, EDGE_ETCHED, BF_TOP);
    text(FTitle, FTitleBold ? FBoldFont.get() : FNormalFont.get(), FTitleTop, FTitleHeight);
    if (FItemInfoVisible)
        text(FItemInfo, FNormalFont.get(), FItemInfoTop, FItemInfoHeight);
}

void TInfoPane::Paint() {
    PaintBuffered(Handle(), [this](HDC dc, int width, int height) {
        const RECT client{0, 0, width, height};
        ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_WINDOW));
        ::SetViewportOrgEx(dc, 0, -FScrollPos, nullptr);
        PaintContent(dc, width);
        ::SetViewportOrgEx(dc, 0, 0, nullptr);
    });
}

LRESULT TInfoPane::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const bool ownScrollBar = msg == WM_VSCROLL && lParam == 0;
    if (IsChildReport(msg) && !ownScrollBar)
        return ::SendMessageW(FNotifyWindow, msg, wParam, lParam);
    // clang-format off
    switch (msg) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: Layout(); return 0;
    case WM_VSCROLL: Scroll(LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL: Scroll(GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? SB_LINEUP : SB_LINEDOWN); return 0;
    }
    // clang-format on
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace dovex
