// The playlist window's small display controls on real windows: where the label puts its text, what the
// image control draws, and what the track bar reports.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Gdi.h"
#include "controls/ImgLstImage.h"
#include "controls/MyComCtrls.h"
#include "controls/MyLabelCtrls.h"
#include "tests/anicursor/WindowTestSupport.h"

using dovex::TAlignment;
using dovex::TEllipsisText;
using dovex::TImageList;
using dovex::TImgLstImage;
using dovex::TLabelEx;
using dovex::TLabelMargins;
using dovex::TTextLayout;
using dovex::TTrackBarEx;
using dovex::test::Capture;
using dovex::test::CountColour;
using dovex::test::Rgb;
using dovex::test::THostWindow;
using dovex::test::TPixels;

namespace {

constexpr COLORREF kPaper = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(0, 0, 0);
constexpr COLORREF kPicture = RGB(220, 30, 30);

// A font of a known cell height from the fonts Wine always has.
dovex::UniqueGdiObj MakeFont(int cellHeight) {
    return dovex::UniqueGdiObj(::CreateFontW(cellHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                             NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma"));
}

TEXTMETRICW Metrics(HGDIOBJ font) {
    const HDC dc = ::GetDC(nullptr);
    const HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return tm;
}

int TextWidth(HGDIOBJ font, const std::wstring& text) {
    const HDC dc = ::GetDC(nullptr);
    const HGDIOBJ old = ::SelectObject(dc, font);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return size.cx;
}

// The smallest rectangle holding every pixel of one colour; empty (right < left) when there is none.
RECT BoundsOf(const TPixels& p, COLORREF colour) {
    RECT r{p.width, p.height, -1, -1};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.At(x, y) == Rgb(colour)) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x);
                r.bottom = std::max<LONG>(r.bottom, y);
            }
    return r;
}

// A 32 x 32 icon of one opaque colour.
dovex::UniqueHIcon SolidIcon(COLORREF colour) {
    const HDC screen = ::GetDC(nullptr);
    dovex::UniqueGdiObj image(::CreateCompatibleBitmap(screen, 32, 32));
    dovex::UniqueGdiObj mask(::CreateBitmap(32, 32, 1, 1, nullptr));
    const HDC dc = ::CreateCompatibleDC(screen);
    const HGDIOBJ old = ::SelectObject(dc, mask.get());
    ::PatBlt(dc, 0, 0, 32, 32, BLACKNESS); // every pixel opaque
    ::SelectObject(dc, image.get());
    const RECT all{0, 0, 32, 32};
    const HBRUSH brush = ::CreateSolidBrush(colour);
    ::FillRect(dc, &all, brush);
    ::DeleteObject(brush);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    ICONINFO info{TRUE, 0, 0, static_cast<HBITMAP>(mask.get()), static_cast<HBITMAP>(image.get())};
    return dovex::UniqueHIcon(::CreateIconIndirect(&info));
}

class LabelTest : public ::testing::Test {
protected:
    THostWindow FHost{300, 40, 400, 120};
    dovex::UniqueGdiObj FFont = MakeFont(16);

    std::unique_ptr<TLabelEx> Label(const std::wstring& caption) {
        auto label = std::make_unique<TLabelEx>(FHost.Handle(), 10, 10, 300, 40, caption);
        label->SetFont(static_cast<HFONT>(FFont.get()));
        label->SetColor(kPaper);
        label->SetFontColor(kInk);
        return label;
    }
};

TEST_F(LabelTest, MarginsMoveTheTextAndCountInTheSize) {
    auto label = Label(L"XXXX");
    const int text = TextWidth(FFont.get(), L"XXXX");
    EXPECT_EQ(label->Size().cx, text);
    label->Margins().SetLeft(10);
    label->Margins().SetRight(10);
    EXPECT_EQ(label->Size().cx, text + 20);
    EXPECT_EQ(label->Size().cy, Metrics(FFont.get()).tmHeight);
    const RECT ink = BoundsOf(Capture(label->Handle()), kInk);
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.left, 12);
    EXPECT_LE(ink.right, text + 10);
}

TEST_F(LabelTest, RightAlignedAutoSizeKeepsTheRightEdge) {
    auto label = Label(L"XX");
    label->SetAlignment(TAlignment::taRightJustify);
    RECT before{};
    ::GetWindowRect(label->Handle(), &before);
    label->SetCaption(L"XXXXXXXX");
    RECT after{};
    ::GetWindowRect(label->Handle(), &after);
    EXPECT_EQ(after.right, before.right);
    EXPECT_LT(after.left, before.left);
}

TEST_F(LabelTest, TabsStopEveryTabLengthAverageCharacters) {
    const int average = Metrics(FFont.get()).tmAveCharWidth;
    for (int tabLength : {10, 4}) {
        SCOPED_TRACE(tabLength);
        auto label = Label(L"\tX");
        label->SetTabLength(tabLength);
        const RECT ink = BoundsOf(Capture(label->Handle()), kInk);
        EXPECT_GE(ink.left, tabLength * average);
        EXPECT_LE(ink.left, tabLength * average + 2);
        EXPECT_GE(label->Size().cx, tabLength * average + TextWidth(FFont.get(), L"X"));
    }
}

TEST_F(LabelTest, EndEllipsisCutsTheTextAndKeepsTheSize) {
    auto label = Label(std::wstring(40, L'X'));
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 100, 20);
    const int middle = Metrics(FFont.get()).tmAscent / 2; // a row the X's cross, above the dots
    auto inkAtTopOfLastGlyph = [&] {
        const TPixels p = Capture(label->Handle());
        const RECT ink = BoundsOf(p, kInk);
        int found = 0;
        for (int x = ink.right - 3; x <= ink.right; ++x)
            found += p.At(x, middle) == Rgb(kInk) || p.At(x, middle + 1) == Rgb(kInk);
        return found > 0;
    };
    EXPECT_TRUE(inkAtTopOfLastGlyph()); // cut through an X
    label->SetEllipsis(TEllipsisText::etEnd);
    EXPECT_EQ(label->Size().cx, 100);
    EXPECT_EQ(label->Size().cy, 20);
    EXPECT_FALSE(inkAtTopOfLastGlyph()); // ends in dots
}

TEST_F(LabelTest, LayoutMovesTheTextDown) {
    const int lineHeight = Metrics(FFont.get()).tmHeight;
    struct Case {
        TTextLayout layout;
        int shift;
    };
    auto label = Label(L"Xy");
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 100, 50);
    const LONG topRow = BoundsOf(Capture(label->Handle()), kInk).top;
    for (const Case& c :
         {Case{TTextLayout::tlBottom, 50 - lineHeight}, Case{TTextLayout::tlCenter, (50 - lineHeight) / 2}}) {
        label->SetLayout(c.layout);
        EXPECT_EQ(BoundsOf(Capture(label->Handle()), kInk).top, topRow + c.shift);
    }
}

TEST_F(LabelTest, DisabledTextIsEmbossed) {
    auto label = Label(L"XXXX");
    label->SetColor(RGB(90, 90, 200)); // neither highlight nor shadow
    label->SetEnabled(false);
    const TPixels p = Capture(label->Handle());
    EXPECT_EQ(CountColour(p, kInk), 0);
    const RECT shadow = BoundsOf(p, ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_GT(CountColour(p, ::GetSysColor(COLOR_BTNSHADOW)), 20);
    // The highlight shows one pixel below and to the right of the shadow.
    EXPECT_EQ(BoundsOf(p, ::GetSysColor(COLOR_BTNHIGHLIGHT)).bottom, shadow.bottom + 1);
}

TEST(LabelMarginsTest, ChangesAndAssignmentTellTheOwner) {
    TLabelMargins margins, other;
    int changes = 0;
    margins.OnChange = [&] { ++changes; };
    margins.SetLeft(3);
    margins.SetLeft(3);
    EXPECT_EQ(changes, 1);
    other.SetLeft(7);
    other.SetRight(9);
    margins.Assign(other);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(margins.Left(), 7);
    EXPECT_EQ(margins.Right(), 9);
}

class ImgLstImageTest : public ::testing::Test {
protected:
    THostWindow FHost{300, 200, 300, 150};
    dovex::UniqueGdiObj FFont = MakeFont(12);
    std::unique_ptr<TImageList> FList = std::make_unique<TImageList>(32, 32);
    TImgLstImage FImage{FHost.Handle(), 10, 10};

    void SetUp() override {
        FList->AddIcon(SolidIcon(kPicture).get());
        FImage.SetColor(kPaper);
        FImage.SetFont(static_cast<HFONT>(FFont.get()));
        FImage.SetFontColor(kInk);
    }
};

TEST_F(ImgLstImageTest, AutoSizeTakesTheImageSize) {
    EXPECT_EQ(FImage.Size().cx, 200);
    FImage.SetImages(FList.get());
    EXPECT_EQ(FImage.Size().cx, 32);
    EXPECT_EQ(FImage.Size().cy, 32);
}

TEST_F(ImgLstImageTest, CenteredPictureWithoutAutoSize) {
    FImage.SetAutoSize(false);
    FImage.SetBounds(10, 10, 40, 40);
    FImage.SetImages(FList.get());
    FImage.SetImageIndex(0);
    EXPECT_EQ(BoundsOf(Capture(FImage.Handle()), kPicture).left, 0);
    FImage.SetCenter(true);
    const TPixels p = Capture(FImage.Handle());
    const RECT picture = BoundsOf(p, kPicture);
    EXPECT_EQ(picture.left, 4);
    EXPECT_EQ(picture.top, 4);
    EXPECT_EQ(picture.right, 35);
    EXPECT_EQ(CountColour(p, kPaper), 40 * 40 - 32 * 32); // the rest in the control's colour
}

TEST_F(ImgLstImageTest, TextWithoutPictureAndAtTheBottom) {
    FImage.SetImages(FList.get());
    FImage.SetText({L"Xy", L"Xy"});
    TPixels p = Capture(FImage.Handle());
    EXPECT_EQ(CountColour(p, kPicture), 0); // index -1: no picture
    const LONG topRow = BoundsOf(p, kInk).top;
    EXPECT_GE(topRow, 0);
    FImage.SetTextLayout(TTextLayout::tlBottom);
    const int lineHeight = Metrics(FFont.get()).tmHeight;
    ASSERT_EQ(lineHeight, 12);
    EXPECT_EQ(BoundsOf(Capture(FImage.Handle()), kInk).top, topRow + 8); // 32 - 2 x 12
}

TEST_F(ImgLstImageTest, TheListGoingAwayLeavesTheText) {
    FImage.SetImages(FList.get());
    FImage.SetImageIndex(0);
    FImage.SetText({L"X"});
    EXPECT_GT(CountColour(Capture(FImage.Handle()), kPicture), 0);
    FList.reset();
    EXPECT_EQ(FImage.Images(), nullptr);
    const TPixels p = Capture(FImage.Handle());
    EXPECT_EQ(CountColour(p, kPicture), 0);
    EXPECT_GT(CountColour(p, kInk), 0);
}

TEST_F(ImgLstImageTest, SelectedAndTransparent) {
    FImage.SetAutoSize(false);
    FImage.SetBounds(10, 10, 40, 40);
    FImage.SetImages(FList.get());
    FImage.SetImageIndex(0);
    FImage.SetSelected(true);
    TPixels p = Capture(FImage.Handle());
    EXPECT_LT(CountColour(p, kPicture), 32 * 32 * 3 / 4); // blended with the selection colour
    EXPECT_EQ(CountColour(p, kPaper), 40 * 40 - 32 * 32);
    FImage.SetSelected(false);
    FImage.SetTransparent(true);
    p = Capture(FImage.Handle());
    EXPECT_EQ(CountColour(p, kPicture), 32 * 32);
    EXPECT_EQ(CountColour(p, THostWindow::kBackground), 40 * 40 - 32 * 32);
}

// A picture drawn elsewhere goes in as it is; emptying the list takes it off the control.
TEST_F(ImgLstImageTest, ABitmapAddedIsShownAndClearingTheListRemovesIt) {
    const HDC screen = ::GetDC(nullptr);
    dovex::UniqueGdiObj picture(::CreateCompatibleBitmap(screen, 32, 32));
    const HDC dc = ::CreateCompatibleDC(screen);
    ::ReleaseDC(nullptr, screen);
    {
        dovex::TSelectObject select(dc, picture.get());
        ::SetDCBrushColor(dc, kInk);
        const RECT all{0, 0, 32, 32};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    }
    ::DeleteDC(dc);
    FImage.SetImages(FList.get());
    FImage.SetImageIndex(FList->AddBitmap(static_cast<HBITMAP>(picture.get())));
    EXPECT_EQ(FImage.ImageIndex(), 1);
    EXPECT_EQ(CountColour(Capture(FImage.Handle()), kInk), 32 * 32);
    FList->Clear();
    EXPECT_EQ(FList->Count(), 0);
    EXPECT_EQ(CountColour(Capture(FImage.Handle()), kInk), 0);
}

class TrackBarTest : public ::testing::Test {
protected:
    THostWindow FHost{300, 400, 300, 60};
    TTrackBarEx FBar{FHost.Handle(), 100, 10, 10, 200, 30, TBS_HORZ | TBS_NOTICKS | TBS_FIXEDLENGTH};

    void SetUp() override {
        FBar.SetMax(20);
        FBar.SetPageSize(5);
        FBar.SetThumbLength(14);
    }
};

TEST_F(TrackBarTest, KeepsItsSettings) {
    EXPECT_EQ(FBar.Max(), 20);
    EXPECT_EQ(FBar.PageSize(), 5);
    EXPECT_EQ(FBar.ThumbLength(), 14);
    FBar.SetPosition(30);
    EXPECT_EQ(FBar.Position(), 20);
}

TEST_F(TrackBarTest, ReportsTheMouseAfterItsOwnHandling) {
    std::vector<std::pair<UINT, int>> seen; // message, position of the bar when reported
    POINT where{};
    UINT keys = 0;
    auto record = [&](TTrackBarEx& sender, const dovex::TMouseEventArgs& args) {
        seen.push_back({args.message, sender.Position()});
        where = args.pos;
        keys = args.keys;
    };
    FBar.OnMouseDown = record;
    FBar.OnMouseMove = record;
    FBar.OnMouseUp = record;
    const LPARAM rightOfThumb = MAKELPARAM(180, 15);
    ::SendMessageW(FBar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, rightOfThumb);
    ::SendMessageW(FBar.Handle(), WM_MOUSEMOVE, MK_LBUTTON, rightOfThumb);
    ::SendMessageW(FBar.Handle(), WM_LBUTTONUP, 0, rightOfThumb);
    ::SendMessageW(FBar.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 5));
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], std::make_pair(UINT(WM_LBUTTONDOWN), 5)); // the click paged before it was reported
    EXPECT_EQ(seen[1].first, UINT(WM_MOUSEMOVE));
    EXPECT_EQ(seen[2].first, UINT(WM_LBUTTONUP));
    EXPECT_EQ(seen[3].first, UINT(WM_RBUTTONDOWN));
    EXPECT_EQ(where.x, 20);
    EXPECT_EQ(where.y, 5);
    EXPECT_EQ(keys, UINT(MK_RBUTTON));
}

// The track bar's own wheel handling moves the thumb (Windows) or hands the turn to the parent (Wine).
int parentWheels = 0;

LRESULT CALLBACK CountWheels(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    parentWheels += msg == WM_MOUSEWHEEL;
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

TEST_F(TrackBarTest, AHandledWheelGetsNoDefaultHandling) {
    ::SetWindowSubclass(FHost.Handle(), CountWheels, 1, 0);
    struct Case {
        const char* name;
        bool generalHandles, downHandles;
        int delta;
        bool defaultHandling;
        int downCalls;
    };
    const Case cases[] = {
        {"general handler", true, true, -WHEEL_DELTA, false, 0},
        {"down handler", false, true, -WHEEL_DELTA, false, 1},
        {"up turn is not down", false, true, WHEEL_DELTA, true, 0},
        {"nobody", false, false, -WHEEL_DELTA, true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FBar.SetPosition(10);
        parentWheels = 0;
        int downCalls = 0;
        FBar.OnMouseWheel = [&](TTrackBarEx&, const dovex::TMouseWheelArgs& args) {
            EXPECT_EQ(args.delta, c.delta);
            return c.generalHandles;
        };
        FBar.OnMouseWheelDown = [&](TTrackBarEx&, const dovex::TMouseWheelArgs&) {
            ++downCalls;
            return c.downHandles;
        };
        POINT screen{50, 15};
        ::ClientToScreen(FBar.Handle(), &screen);
        ::SendMessageW(FBar.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, c.delta), MAKELPARAM(screen.x, screen.y));
        EXPECT_EQ(FBar.Position() != 10 || parentWheels > 0, c.defaultHandling);
        EXPECT_EQ(downCalls, c.downCalls);
    }
}

} // namespace
