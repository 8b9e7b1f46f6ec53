// A text label with left and right text margins, a tab length, end or path ellipsis and the text metrics
// of a multi-line edit control.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "base/PaintedControl.h"

namespace dovex {

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter, tlBottom };
enum class TEllipsisText { etNone, etEnd, etPath };

// DT_LEFT, DT_RIGHT or DT_CENTER.
UINT AlignmentFormat(TAlignment alignment) noexcept;

// Left and right margins of a label's text, in pixels; the label repaints and resizes on OnChange.
class TLabelMargins {
public:
    int Left() const noexcept { return FLeft; }
    void SetLeft(int value);
    int Right() const noexcept { return FRight; }
    void SetRight(int value);
    // Copies both margins and tells the owner once.
    void Assign(const TLabelMargins& source);

    std::function<void()> OnChange;

private:
    void Changed();

    int FLeft = 0;
    int FRight = 0;
};

// Lives on the thread that creates it. Like a static control it lets mouse input through to its parent.
class TLabelEx : public TPaintedControl {
public:
    static constexpr int kDefaultTabLength = 8;

    TLabelEx(HWND parent, int x, int y, int width, int height, const std::wstring& caption = L"");

    std::wstring Caption() const;
    void SetCaption(const std::wstring& value);

    TAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TAlignment value) { SetLook(FAlignment, value); }
    TTextLayout Layout() const noexcept { return FLayout; }
    void SetLayout(TTextLayout value) { SetLook(FLayout, value); }
    bool WordWrap() const noexcept { return FWordWrap; }
    void SetWordWrap(bool value) { SetLayoutProperty(FWordWrap, value); }
    // When false, "&" is drawn as it is instead of underlining the next character.
    bool ShowAccelChar() const noexcept { return FShowAccelChar; }
    void SetShowAccelChar(bool value) { SetLayoutProperty(FShowAccelChar, value); }
    COLORREF FontColor() const noexcept { return FFontColor; }
    void SetFontColor(COLORREF value) { SetLook(FFontColor, value); }
    // Not owned; the parent's font at creation.
    HFONT Font() const noexcept { return FFont; }
    void SetFont(HFONT value);
    // A disabled label draws its text embossed.
    bool Enabled() const noexcept;
    void SetEnabled(bool value);

    // With AutoSize the label takes the size of its text, margins included; a right-aligned label keeps
    // its right edge.
    bool AutoSize() const noexcept { return FAutoSize; }
    void SetAutoSize(bool value);
    TEllipsisText Ellipsis() const noexcept { return FEllipsis; }
    void SetEllipsis(TEllipsisText value) { SetLook(FEllipsis, value); }
    bool LikeEditControl() const noexcept { return FLikeEditControl; }
    void SetLikeEditControl(bool value) { SetLayoutProperty(FLikeEditControl, value); }
    TLabelMargins& Margins() noexcept { return FMargins; }
    const TLabelMargins& Margins() const noexcept { return FMargins; }
    // Tab stops every TabLength average character widths.
    int TabLength() const noexcept { return FTabLength; }
    void SetTabLength(int value) { SetLayoutProperty(FTabLength, value); }

    void SetBounds(int x, int y, int width, int height);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Changed(); // repaint and size again
    // Sets a property that changes where the text goes: repaints and sizes again when the value changed.
    template <typename T> void SetLayoutProperty(T& field, const T& value) {
        if (Assign(field, value))
            Changed();
    }
    void AdjustBounds();
    void Paint();
    void DrawContent(HDC dc, int width, int height) const override;
    void DoDrawText(HDC dc, RECT& rect, UINT format) const;
    UINT DrawFormat() const noexcept;

    TAlignment FAlignment = TAlignment::taLeftJustify;
    TTextLayout FLayout = TTextLayout::tlTop;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
    bool FAutoSize = true;
    COLORREF FFontColor;
    HFONT FFont = nullptr;
    TEllipsisText FEllipsis = TEllipsisText::etNone;
    bool FLikeEditControl = false;
    TLabelMargins FMargins;
    int FTabLength = kDefaultTabLength;
};

} // namespace dovex
