#include "controls/MyLabelCtrls.h"

#include "base/Gdi.h"
#include "base/UniqueHandle.h"

namespace dovex {

namespace {
constexpr const wchar_t* kClassName = L"TLabelEx";
} // namespace

UINT AlignmentFormat(TAlignment alignment) noexcept {
    switch (alignment) {
    case TAlignment::taRightJustify:
        return DT_RIGHT;
    case TAlignment::taCenter:
        return DT_CENTER;
    default:
        return DT_LEFT;
    }
}

void TLabelMargins::SetLeft(int value) {
    if (!dovex::Assign(FLeft, value))
        return;
    Changed();
}

void TLabelMargins::SetRight(int value) {
    if (!dovex::Assign(FRight, value))
        return;
    Changed();
}

void TLabelMargins::Assign(const TLabelMargins& source) {
    FLeft = source.FLeft;
    FRight = source.FRight;
    Changed();
}

void TLabelMargins::Changed() {
    if (OnChange)
        OnChange();
}

TLabelEx::TLabelEx(HWND parent, int x, int y, int width, int height, const std::wstring& caption)
    : TPaintedControl(::GetSysColor(COLOR_BTNFACE)), FFontColor(::GetSysColor(COLOR_WINDOWTEXT)) {
    FMargins.OnChange = [this] { Changed(); };
    CreateHandle(kClassName, caption.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, parent);
    FFont = reinterpret_cast<HFONT>(::SendMessageW(parent, WM_GETFONT, 0, 0));
    if (!FFont)
        FFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    ::SetWindowPos(Handle(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    AdjustBounds();
}

std::wstring TLabelEx::Caption() const {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(Handle())) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()))));
    return text;
}

void TLabelEx::SetCaption(const std::wstring& value) {
    ::SetWindowTextW(Handle(), value.c_str()); // WM_SETTEXT repaints and sizes
}

void TLabelEx::SetFont(HFONT value) {
    ::SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(value), TRUE);
}

bool TLabelEx::Enabled() const noexcept {
    return ::IsWindowEnabled(Handle()) != FALSE;
}

void TLabelEx::SetEnabled(bool value) {
    ::EnableWindow(Handle(), value); // WM_ENABLE repaints
}

void TLabelEx::SetAutoSize(bool value) {
    if (!dovex::Assign(FAutoSize, value))
        return;
    AdjustBounds();
}

void TLabelEx::SetBounds(int x, int y, int width, int height) {
    ::SetWindowPos(Handle(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    AdjustBounds();
}

void TLabelEx::Changed() {
    Invalidate();
    AdjustBounds();
}

UINT TLabelEx::DrawFormat() const noexcept {
    UINT format = DT_EXPANDTABS | AlignmentFormat(FAlignment);
    if (FWordWrap)
        format |= DT_WORDBREAK;
    if (FEllipsis == TEllipsisText::etEnd)
        format |= DT_END_ELLIPSIS;
    else if (FEllipsis == TEllipsisText::etPath)
        format |= DT_PATH_ELLIPSIS;
    if (FLikeEditControl)
        format |= DT_EDITCONTROL;
    return format;
}

void TLabelEx::DoDrawText(HDC dc, RECT& rect, UINT format) const {
    std::wstring text = Caption();
    // An empty text, or a lone accelerator mark, still measures one line high.
    if ((format & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == L"&")))
        text += L' ';
    if (!FShowAccelChar)
        format |= DT_NOPREFIX;
    format |= DT_TABSTOP;
    const HGDIOBJ oldFont = ::SelectObject(dc, FFont);
    ScopeGuard restoreFont([&] { ::SelectObject(dc, oldFont); });
    DRAWTEXTPARAMS params{sizeof(params), FTabLength, FMargins.Left(), FMargins.Right(), 0};
    const int length = static_cast<int>(text.size());
    if (Enabled()) {
        const COLORREF oldColour = ::SetTextColor(dc, FFontColor);
        ::DrawTextExW(dc, text.data(), length, &rect, format, &params);
        ::SetTextColor(dc, oldColour);
        return;
    }
    // Embossed: a highlight one pixel down and right, the shadow over it.
    const COLORREF oldColour = ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    ::OffsetRect(&rect, 1, 1);
    ::DrawTextExW(dc, text.data(), length, &rect, format, &params);
    ::OffsetRect(&rect, -1, -1);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
    ::DrawTextExW(dc, text.data(), length, &rect, format, &params);
    ::SetTextColor(dc, oldColour);
}

void TLabelEx::DrawContent(HDC dc, int width, int height) const {
    RECT rect{0, 0, width, height};
    FillBackground(dc, rect);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const UINT format = DrawFormat();
    if (FLayout != TTextLayout::tlTop) {
        RECT measured = rect;
        DoDrawText(dc, measured, format | DT_CALCRECT);
        const int free = height - measured.bottom;
        ::OffsetRect(&rect, 0, FLayout == TTextLayout::tlBottom ? free : free / 2);
    }
    DoDrawText(dc, rect, format);
    ::SetBkMode(dc, oldMode);
}

void TLabelEx::AdjustBounds() {
    if (!FAutoSize || !Handle())
        return;
    const HDC screen = ::GetDC(nullptr);
    ScopeGuard release([&] { ::ReleaseDC(nullptr, screen); });
    RECT rect{0, 0, Size().cx, Size().cy};
    UINT format = DT_CALCRECT | DT_EXPANDTABS;
    if (FWordWrap)
        format |= DT_WORDBREAK;
    if (FLikeEditControl)
        format |= DT_EDITCONTROL;
    DoDrawText(screen, rect, format);
    RECT bounds{};
    ::GetWindowRect(Handle(), &bounds);
    ::MapWindowPoints(nullptr, ::GetParent(Handle()), reinterpret_cast<POINT*>(&bounds), 2);
    int left = bounds.left;
    if (FAlignment == TAlignment::taRightJustify)
        left = bounds.right - rect.right;
    ::SetWindowPos(Handle(), nullptr, left, bounds.top, rect.right, rect.bottom,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT TLabelEx::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_SETTEXT: {
        const LRESULT result = DefaultHandler(msg, wParam, lParam);
        Changed();
        return result;
    }
    case WM_SETFONT:
        FFont = reinterpret_cast<HFONT>(wParam);
        if (!FFont)
            FFont = static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
        if (LOWORD(lParam))
            Changed();
        else
            AdjustBounds();
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(FFont);
    case WM_ENABLE:
        Invalidate();
        return 0;
    }
    return TPaintedControl::WndProc(msg, wParam, lParam);
}

} // namespace dovex
