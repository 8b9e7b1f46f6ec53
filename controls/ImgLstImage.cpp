#include "controls/ImgLstImage.h"

#include <algorithm>

#include "base/Exception.h"
#include "base/Gdi.h"

namespace dovex {

namespace {
constexpr const wchar_t* kClassName = L"TImgLstImage";
constexpr int kDefaultSize = 200;
} // namespace

TImageChangeLink::~TImageChangeLink() {
    if (FSender)
        FSender->UnRegisterChanges(*this);
}

TImageList::TImageList(int width, int height, UINT flags)
    : FHandle(::ImageList_Create(width, height, flags, 4, 4)) {
    if (!FHandle)
        throw Exception(L"イメージリストを作成できません。");
}

TImageList::~TImageList() {
    // A link may leave the list from its handler: work on a copy.
    const auto links = FLinks;
    for (TImageChangeLink* link : links) {
        link->FSender = nullptr;
        if (link->OnDestroy)
            link->OnDestroy();
    }
}

SIZE TImageList::ImageSize() const noexcept {
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(FHandle.get(), &cx, &cy);
    return SIZE{cx, cy};
}

int TImageList::AddIcon(HICON icon) {
    const int index = ::ImageList_ReplaceIcon(FHandle.get(), -1, icon);
    if (index < 0)
        throw Exception(L"イメージリストに画像を追加できません。");
    Changed();
    return index;
}

int TImageList::AddBitmap(HBITMAP picture) {
    const int index = ::ImageList_Add(FHandle.get(), picture, nullptr);
    if (index < 0)
        throw Exception(L"イメージリストに画像を追加できません。");
    Changed();
    return index;
}

void TImageList::Clear() {
    ::ImageList_RemoveAll(FHandle.get());
    Changed();
}

void TImageList::Changed() {
    const auto links = FLinks;
    for (TImageChangeLink* link : links)
        if (link->OnChange)
            link->OnChange();
}

void TImageList::RegisterChanges(TImageChangeLink& link) {
    if (link.FSender == this)
        return;
    if (link.FSender)
        link.FSender->UnRegisterChanges(link);
    FLinks.push_back(&link);
    link.FSender = this;
}

void TImageList::UnRegisterChanges(TImageChangeLink& link) noexcept {
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), &link), FLinks.end());
    if (link.FSender == this)
        link.FSender = nullptr;
}

TImgLstImage::TImgLstImage(HWND parent, int x, int y)
    : TPaintedControl(::GetSysColor(COLOR_BTNFACE)), FFontColor(::GetSysColor(COLOR_WINDOWTEXT)) {
    FImageChangeLink.OnChange = [this] { Update(); };
    FImageChangeLink.OnDestroy = [this] {
        FImages = nullptr;
        Update();
    };
    CreateHandle(kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, parent);
    FFont = reinterpret_cast<HFONT>(::SendMessageW(parent, WM_GETFONT, 0, 0));
    if (!FFont)
        FFont = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    ::SetWindowPos(Handle(), nullptr, x, y, kDefaultSize, kDefaultSize, SWP_NOZORDER | SWP_NOACTIVATE);
}

TImgLstImage::~TImgLstImage() {
    if (FImages)
        FImages->UnRegisterChanges(FImageChangeLink);
}

void TImgLstImage::SetImages(TImageList* value) {
    if (FImages)
        FImages->UnRegisterChanges(FImageChangeLink);
    FImages = value;
    if (FImages)
        FImages->RegisterChanges(FImageChangeLink);
    Update();
}

void TImgLstImage::SetFont(HFONT value) {
    FFont = value ? value : static_cast<HFONT>(::GetStockObject(SYSTEM_FONT));
    Repaint();
}

void TImgLstImage::SetBounds(int x, int y, int width, int height) {
    ::SetWindowPos(Handle(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TImgLstImage::Update() {
    if (FImages && FAutoSize) {
        const SIZE image = FImages->ImageSize();
        if (image.cx > 0 && image.cy > 0)
            ::SetWindowPos(Handle(), nullptr, 0, 0, image.cx, image.cy,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Repaint();
}

void TImgLstImage::Repaint() noexcept {
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TImgLstImage::DrawContent(HDC dc, int width, int height) const {
    // The whole control is painted: its colour (or what lies beneath) around the picture as well.
    FillBackground(dc, RECT{0, 0, width, height});
    if (FImages && FImageIndex >= 0) {
        const SIZE image = FImages->ImageSize();
        int x = 0, y = 0;
        if (!FAutoSize && FCenter) {
            x = (width - image.cx) / 2;
            y = (height - image.cy) / 2;
        }
        ::ImageList_DrawEx(FImages->Handle(), FImageIndex, dc, x, y, 0, 0, CLR_NONE, CLR_DEFAULT,
                           FSelected ? ILD_SELECTED : ILD_NORMAL);
    }
    if (FText.empty())
        return;
    std::wstring text;
    for (size_t i = 0; i < FText.size(); ++i)
        text += (i ? L"\r\n" : L"") + FText[i];
    const HGDIOBJ oldFont = ::SelectObject(dc, FFont);
    ScopeGuard restoreFont([&] { ::SelectObject(dc, oldFont); });
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    const int textHeight = metrics.tmHeight * static_cast<int>(FText.size());
    int top = 0;
    if (FTextLayout == TTextLayout::tlCenter)
        top = (height - textHeight) / 2;
    else if (FTextLayout == TTextLayout::tlBottom)
        top = height - textHeight;
    RECT rect{0, top, width, height};
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, FFontColor);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, AlignmentFormat(FTextAlignment));
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
}

LRESULT TImgLstImage::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    }
    return TPaintedControl::WndProc(msg, wParam, lParam);
}

} // namespace dovex
