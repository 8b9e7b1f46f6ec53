// A control that shows one picture of an image list, optionally with lines of text over it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/UniqueHandle.h"
#include "base/PaintedControl.h"
#include "controls/MyLabelCtrls.h"

namespace dovex {

class TImageList;

// Joins an image list's notifications: OnChange when its pictures change, OnDestroy when it goes away.
// Leaves the list when destroyed.
class TImageChangeLink {
public:
    TImageChangeLink() = default;
    TImageChangeLink(const TImageChangeLink&) = delete;
    TImageChangeLink& operator=(const TImageChangeLink&) = delete;
    ~TImageChangeLink();

    TImageList* Sender() const noexcept { return FSender; }
    std::function<void()> OnChange;
    std::function<void()> OnDestroy;

private:
    friend class TImageList;
    TImageList* FSender = nullptr;
};

// An image list that owns its handle and tells its links when its pictures change and when it goes.
class TImageList {
public:
    TImageList(int width, int height, UINT flags = ILC_COLOR32 | ILC_MASK);
    TImageList(const TImageList&) = delete;
    TImageList& operator=(const TImageList&) = delete;
    ~TImageList();

    HIMAGELIST Handle() const noexcept { return FHandle.get(); }
    SIZE ImageSize() const noexcept;
    int Count() const noexcept { return ::ImageList_GetImageCount(FHandle.get()); }
    // Adds a copy of the icon; returns its index.
    int AddIcon(HICON icon);
    // Adds a copy of a 32-bit picture of the list's size, its alpha kept; returns its index.
    int AddBitmap(HBITMAP picture);
    void Clear();
    // For changes made through the handle.
    void Changed();

    void RegisterChanges(TImageChangeLink& link);
    void UnRegisterChanges(TImageChangeLink& link) noexcept;

private:
    UniqueImageList FHandle;
    std::vector<TImageChangeLink*> FLinks;
};

// Lives on the thread that creates it. Like a static picture it lets mouse input through to its parent.
class TImgLstImage : public TPaintedControl {
public:
    // 200 x 200 until AutoSize takes the image size.
    TImgLstImage(HWND parent, int x, int y);
    ~TImgLstImage() override;

    // Not owned; becomes null when the list goes away.
    TImageList* Images() const noexcept { return FImages; }
    void SetImages(TImageList* value);
    // -1: no picture.
    int ImageIndex() const noexcept { return FImageIndex; }
    void SetImageIndex(int value) { SetSizeProperty(FImageIndex, value); }
    // With AutoSize the control takes the size of the list's images.
    bool AutoSize() const noexcept { return FAutoSize; }
    void SetAutoSize(bool value) { SetSizeProperty(FAutoSize, value); }
    // Without AutoSize, centres the picture in the control.
    bool Center() const noexcept { return FCenter; }
    void SetCenter(bool value) { SetSizeProperty(FCenter, value); }
    // Draws the picture blended with the selection colour.
    bool Selected() const noexcept { return FSelected; }
    void SetSelected(bool value) { SetLook(FSelected, value); }
    // Not owned; the parent's font at creation.
    HFONT Font() const noexcept { return FFont; }
    void SetFont(HFONT value);
    COLORREF FontColor() const noexcept { return FFontColor; }
    void SetFontColor(COLORREF value) { SetShown(FFontColor, value); }

    const std::vector<std::wstring>& Text() const noexcept { return FText; }
    void SetText(std::vector<std::wstring> lines) { SetShown(FText, std::move(lines)); }
    TAlignment TextAlignment() const noexcept { return FTextAlignment; }
    void SetTextAlignment(TAlignment value) { SetShown(FTextAlignment, value); }
    TTextLayout TextLayout() const noexcept { return FTextLayout; }
    void SetTextLayout(TTextLayout value) { SetShown(FTextLayout, value); }

    void SetBounds(int x, int y, int width, int height);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Update();
    // Sets a property that can change the control's size: sizes and repaints when the value changed.
    template <typename T> void SetSizeProperty(T& field, const T& value) {
        if (Assign(field, value))
            Update();
    }
    void Repaint() noexcept;
    // Sets a property of the text and repaints at once.
    template <typename T> void SetShown(T& field, T value) {
        field = std::move(value);
        Repaint();
    }
    void DrawContent(HDC dc, int width, int height) const override;

    TImageList* FImages = nullptr;
    TImageChangeLink FImageChangeLink;
    int FImageIndex = -1;
    bool FAutoSize = true;
    bool FCenter = false;
    bool FSelected = false;
    COLORREF FFontColor;
    HFONT FFont = nullptr;
    std::vector<std::wstring> FText;
    TAlignment FTextAlignment = TAlignment::taLeftJustify;
    TTextLayout FTextLayout = TTextLayout::tlTop;
};

} // namespace dovex
