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

// The logo, drawn at the pane's DPI: a blue gradient with the program's name.
UniqueGdiObj DrawLogo(const TDpiScale& dpi, HGDIOBJ font, HGDIOBJ smallFont) {
    const int width = dpi(TInfoPane::kLogoWidth), height = dpi(TInfoPane::kLogoHeight);
    // In the screen's format, as the pane would paint it: the text is smoothed against the gradient alike.
    const HDC screen = ::GetDC(nullptr);
    UniqueGdiObj picture(::CreateCompatibleBitmap(screen, width, height));
    UniqueHDC dc(::CreateCompatibleDC(screen));
    ::ReleaseDC(nullptr, screen);
    if (!picture || !dc)
        throw Exception(L"情報表示のロゴを作成できません");
    TSelectObject select(dc.get(), picture.get());
    TRIVERTEX vertex[2] = {{0, 0, 0x1500, 0x6500, 0xC000, 0xFF00},
                           {width, height, 0x9000, 0xCA00, 0xF900, 0xFF00}};
    GRADIENT_RECT rect{0, 1};
    ::GradientFill(dc.get(), vertex, 2, &rect, 1, GRADIENT_FILL_RECT_V);
    ::SetBkMode(dc.get(), TRANSPARENT);
    ::SetTextColor(dc.get(), RGB(255, 255, 255));
    {
        TSelectObject selectFont(dc.get(), font);
        ::TextOutW(dc.get(), dpi(52), dpi(4), L"Dovex", 5);
    }
    TSelectObject selectFont(dc.get(), smallFont);
    static constexpr wchar_t kSubtitle[] = L"プレイリスト";
    ::TextOutW(dc.get(), dpi(54), dpi(31), kSubtitle, static_cast<int>(std::size(kSubtitle) - 1));
    return picture;
}

// A label of the pane: wrapped text on the window colour, tabs every kTabLength characters.
std::unique_ptr<TLabelEx> CreateLabel(HWND pane) {
    auto label = std::make_unique<TLabelEx>(pane, 0, 0, 0, 0);
    label->SetColor(::GetSysColor(COLOR_WINDOW));
    label->SetFontColor(::GetSysColor(COLOR_WINDOWTEXT));
    label->SetShowAccelChar(false);
    label->SetWordWrap(true);
    label->SetTabLength(TInfoPane::kTabLength);
    return label;
}

// A bar of one colour.
std::unique_ptr<TLabelEx> CreateBar(HWND pane, COLORREF colour) {
    auto bar = std::make_unique<TLabelEx>(pane, 0, 0, 0, 0);
    bar->SetAutoSize(false);
    bar->SetColor(colour);
    return bar;
}

} // namespace

// ---- TInfoPane ----

TInfoPane::TInfoPane(HWND parent, int id, HWND notifyWindow, IPreviewPaneHost& previewHost,
                     const TDpiScale& dpi)
    : FDpi(dpi), FNotifyWindow(notifyWindow) {
    CreateHandle(kPaneClass, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
                 parent);
    SetChildId(Handle(), id);
    FLogo = std::make_unique<TImgLstImage>(Handle(), 0, 0);
    FLogo->SetAutoSize(false);
    FGroupImage = std::make_unique<TImgLstImage>(FLogo->Handle(), 0, 0);
    FGroupImage->SetTransparent(true); // on the logo
    FGroupNameLabel = CreateLabel(Handle());
    FRuleBar = CreateBar(Handle(), RGB(0, 0, 255));
    FBevelShadow = CreateBar(Handle(), ::GetSysColor(COLOR_BTNSHADOW));
    FBevelLight = CreateBar(Handle(), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    FTitleLabel = CreateLabel(Handle());
    FItemInfoLabel = CreateLabel(Handle());
    ::ShowWindow(FItemInfoLabel->Handle(), SW_HIDE);
    FSaverOperation = std::make_unique<TSaverOperationPane>(Handle(), 1, dpi);
    FPreviewBase = std::make_unique<TPreviewPane>(Handle(), 2, previewHost, dpi);
    SetDpi(dpi);
}

void TInfoPane::SetDpi(const TDpiScale& dpi) {
    FDpi = dpi;
    CreateFonts();
    UpdateLogo();
    FSaverOperation->SetDpi(dpi);
    FPreviewBase->SetDpi(dpi);
    Layout();
}

void TInfoPane::CreateFonts() {
    UniqueGdiObj name = FDpi.MessageFont(16, FW_BOLD), bold = FDpi.MessageFont(12, FW_BOLD),
                 normal = FDpi.MessageFont(12, FW_NORMAL), logo = FDpi.MessageFont(22, FW_BOLD),
                 logoSmall = FDpi.MessageFont(11, FW_NORMAL);
    if (!name || !bold || !normal || !logo || !logoSmall)
        throw Exception(L"情報表示のフォントを作成できません");
    // The labels take the new fonts before the old ones go.
    FGroupNameLabel->SetFont(static_cast<HFONT>(name.get()));
    FTitleLabel->SetFont(static_cast<HFONT>((FTitleBold ? bold : normal).get()));
    FItemInfoLabel->SetFont(static_cast<HFONT>(normal.get()));
    FNameFont = std::move(name);
    FBoldFont = std::move(bold);
    FNormalFont = std::move(normal);
    FLogoFont = std::move(logo);
    FLogoSmallFont = std::move(logoSmall);
}

void TInfoPane::UpdateLogo() {
    const int width = FDpi(kLogoWidth), height = FDpi(kLogoHeight), picture = FDpi(32);
    auto logoImages = std::make_unique<TImageList>(width, height, ILC_COLOR24);
    logoImages->AddBitmap(static_cast<HBITMAP>(DrawLogo(FDpi, FLogoFont.get(), FLogoSmallFont.get()).get()));
    auto groupImages = std::make_unique<TImageList>(picture, picture, ILC_COLOR32);
    FLogo->SetImages(logoImages.get());
    FLogo->SetImageIndex(0);
    FGroupImage->SetImages(groupImages.get());
    FLogoImages = std::move(logoImages);
    FGroupImages = std::move(groupImages);
    FLogo->SetBounds(0, -FScrollPos, width, height);
    FGroupImage->SetBounds(FDpi(10), FDpi(10), picture, picture);
    // The owner gives the picture again at the new size.
    FGroupPicture = nullptr;
    FGroupImage->SetImageIndex(-1);
}

void TInfoPane::ShowGroup(const std::wstring& name, HICON picture) {
    SetGroupPicture(picture);
    SetGroupName(name);
}

void TInfoPane::SetGroupName(const std::wstring& name) {
    FGroupName = name;
    FGroupNameLabel->SetCaption(name);
    Layout();
}

void TInfoPane::SetGroupPicture(HICON picture) noexcept {
    FGroupPicture = picture;
    try {
        FGroupImages->Clear();
        FGroupImage->SetImageIndex(picture ? FGroupImages->AddIcon(picture) : -1);
    } catch (const Exception&) {
        FGroupImage->SetImageIndex(-1); // no picture rather than a wrong one
    }
}

void TInfoPane::ClearGroup() {
    SetGroupPicture(nullptr);
    SetGroupName(L"");
}

void TInfoPane::SetTitle(const std::wstring& text, bool bold) {
    FTitle = text;
    FTitleBold = bold;
    FTitleLabel->SetFont(static_cast<HFONT>((bold ? FBoldFont : FNormalFont).get()));
    FTitleLabel->SetCaption(text);
    Layout();
}

void TInfoPane::SetItemInfo(const std::wstring& text, bool visible) {
    FItemInfo = text;
    FItemInfoVisible = visible;
    FItemInfoLabel->SetCaption(text);
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

int TInfoPane::PlaceLabel(TLabelEx& label, int top, int width) {
    label.SetBounds(FDpi(kMargin), top - FScrollPos, std::max(width, 1), 0);
    return label.Size().cy;
}

void TInfoPane::Layout() {
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int textWidth = client.right - 2 * FDpi(kMargin);
    FNameTop = FDpi(kLogoHeight);
    FLineTop = FNameTop + PlaceLabel(*FGroupNameLabel, FNameTop, textWidth) + FDpi(6);
    FSaverOperationTop = FLineTop + std::max(1, FDpi(2));
    FBevelTop = FSaverOperationTop + FDpi(kSaverOperationHeight);
    FTitleTop = FBevelTop + FDpi(10);
    const int titleBottom = FTitleTop + PlaceLabel(*FTitleLabel, FTitleTop, textWidth);
    int next = titleBottom + FDpi(5);
    FContentHeight = titleBottom;
    ::ShowWindow(FItemInfoLabel->Handle(), FItemInfoVisible ? SW_SHOWNA : SW_HIDE);
    if (FItemInfoVisible) {
        FItemInfoTop = titleBottom + FDpi(5);
        const int height = PlaceLabel(*FItemInfoLabel, FItemInfoTop, textWidth);
        next = titleBottom + height + FDpi(6);
        FContentHeight = FItemInfoTop + height;
    }
    if (FPreviewBase->Visible()) {
        FPreviewTop = next + FDpi(10);
        FContentHeight = FPreviewTop + FPreviewBase->PreferredHeight();
    }
    FContentHeight += FDpi(kMargin);
    UpdateScrollBar();
    PlaceChildren();
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
    const int width = client.right, margin = FDpi(kMargin);
    const auto move = [&](const TWindow& control, int top) {
        RECT bounds{};
        ::GetWindowRect(control.Handle(), &bounds);
        ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&bounds), 2);
        ::SetWindowPos(control.Handle(), nullptr, bounds.left, top - FScrollPos, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    move(*FLogo, 0);
    move(*FGroupNameLabel, FNameTop);
    move(*FTitleLabel, FTitleTop);
    move(*FItemInfoLabel, FItemInfoTop);
    FRuleBar->SetBounds(0, FLineTop - FScrollPos, width, FSaverOperationTop - FLineTop);
    FBevelShadow->SetBounds(0, FBevelTop - FScrollPos, width, 1);
    FBevelLight->SetBounds(0, FBevelTop + 1 - FScrollPos, width, 1);
    FSaverOperation->SetBounds(0, FSaverOperationTop - FScrollPos, width, FDpi(kSaverOperationHeight));
    FPreviewBase->SetBounds(margin, FPreviewTop - FScrollPos, width - 2 * margin);
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

LRESULT TInfoPane::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const bool ownScrollBar = msg == WM_VSCROLL && lParam == 0;
    if (IsChildReport(msg) && !ownScrollBar)
        return ::SendMessageW(FNotifyWindow, msg, wParam, lParam);
    // clang-format off
    switch (msg) {
    case WM_ERASEBKGND:
        FillClient(Handle(), reinterpret_cast<HDC>(wParam), ::GetSysColorBrush(COLOR_WINDOW));
        return 1;
    case WM_SIZE: Layout(); return 0;
    case WM_VSCROLL: Scroll(LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL: Scroll(GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? SB_LINEUP : SB_LINEDOWN); return 0;
    }
    // clang-format on
    return DefaultHandler(msg, wParam, lParam);
}

} // namespace dovex
