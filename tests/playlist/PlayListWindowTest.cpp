// The playlist window as a whole: creation, the group tree, closing, keyboard and layout.
#include <gtest/gtest.h>

#include <algorithm>

#include "PlayListWindowSupport.h"
#include "base/Gdi.h"
#include "base/UniqueHandle.h"

using namespace dovex;
using namespace dovex::test;
using namespace std::chrono_literals;

namespace {

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
}

// What a control paints, through its own painting code, into a bitmap of its client size.
struct TCapture {
    int Width = 0, Height = 0;
    std::vector<COLORREF> Pixels;
    COLORREF At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
    // The smallest rectangle holding every pixel of that colour.
    RECT Extent(COLORREF color) const {
        RECT r{Width, Height, -1, -1};
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (At(x, y) == color)
                    r = RECT{std::min<LONG>(r.left, x), std::min<LONG>(r.top, y),
                             std::max<LONG>(r.right, x + 1), std::max<LONG>(r.bottom, y + 1)};
        return r;
    }
    // Pixels in the rectangle that differ from `background`.
    int Inked(const RECT& area, COLORREF background) const {
        int n = 0;
        for (int y = std::max<LONG>(area.top, 0); y < std::min<LONG>(area.bottom, Height); ++y)
            for (int x = std::max<LONG>(area.left, 0); x < std::min<LONG>(area.right, Width); ++x)
                n += At(x, y) != background;
        return n;
    }
};

TCapture Capture(HWND control) {
    RECT client{};
    ::GetClientRect(control, &client);
    TCapture capture{client.right, client.bottom, {}};
    HDC screen = ::GetDC(nullptr);
    UniqueHdc dc(::CreateCompatibleDC(screen));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), capture.Width, -capture.Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueGdiObj bitmap(::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ::ReleaseDC(nullptr, screen);
    {
        TSelectObject select(dc.get(), bitmap.get());
        ::FillRect(dc.get(), &client, ::GetSysColorBrush(COLOR_WINDOW));
        ::SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()),
                       PRF_CLIENT | PRF_ERASEBKGND);
        ::GdiFlush();
    }
    const auto* source = static_cast<const DWORD*>(bits);
    for (int i = 0; i < capture.Width * capture.Height; ++i)
        capture.Pixels.push_back(RGB(GetBValue(source[i]), GetGValue(source[i]), GetRValue(source[i])));
    return capture;
}

} // namespace

TEST_F(PlayListWindow, FirstStartWithoutAPlaylistKey) {
    ASSERT_FALSE(KeyExists(kPlaylistKey));
    TfrmPlayList& form = Open();
    EXPECT_TRUE(KeyExists(kPlaylistKey)) << "the key is created";
    EXPECT_EQ(WindowText(form.Handle()), L"Dovex - プレイリストの管理");
    EXPECT_EQ(ClassOf(form.tvGroup()), WC_TREEVIEWW);
    EXPECT_EQ(ClassOf(form.lvGroupList()), WC_LISTVIEWW);
    EXPECT_TRUE(::GetWindowLongPtrW(form.lvGroupList(), GWL_STYLE) & LVS_OWNERDATA);
    EXPECT_EQ(TreeView_GetCount(form.tvGroup()), 0u);
    EXPECT_EQ(ListView_GetItemCount(form.lvGroupList()), 0);
    EXPECT_FALSE(form.ScrollBox().PreviewVisible());
    EXPECT_FALSE(::IsWindowVisible(form.ScrollBox().PreviewBasePanel()));
    EXPECT_FALSE(form.ScrollBox().ItemInfoVisible());

    // The hint: grey text, its block in the middle of the empty tree.
    const TCapture tree = Capture(form.tvGroup());
    const RECT text = tree.Extent(::GetSysColor(COLOR_GRAYTEXT));
    ASSERT_LT(text.left, text.right) << "no grey text in the empty tree";
    EXPECT_NEAR((text.left + text.right) / 2.0, tree.Width / 2.0, 4.0);
    EXPECT_NEAR((text.top + text.bottom) / 2.0, tree.Height / 2.0, 6.0);
    EXPECT_GT(text.bottom - text.top, 20) << "word-wrapped into lines";
}

TEST_F(PlayListWindow, TwoStoredGroupsShowTheFirstGroupsItems) {
    WriteGroup(L"Alpha", {SamplePath(L"star32.ani"), SamplePath(L"clock32.ani"), SamplePath(L"heart32.ani")});
    WriteGroup(L"Beta", {SamplePath(L"moon32.ani")});
    TfrmPlayList& form = Open();
    EXPECT_EQ(NodeTexts(form.tvGroup()), (std::vector<std::wstring>{L"Alpha", L"Beta"}));
    EXPECT_EQ(form.ShownGroup(), &form.Groups(0));
    ASSERT_EQ(ListView_GetItemCount(form.lvGroupList()), 3);
    EXPECT_EQ(CellText(form.lvGroupList(), 0, 0), L"Spinning Star");
    EXPECT_EQ(CellText(form.lvGroupList(), 1, 3), SamplePath(L"clock32.ani"));
    EXPECT_EQ(ListView_GetSelectedCount(form.lvGroupList()), 0u);
    EXPECT_EQ(ListView_GetNextItem(form.lvGroupList(), -1, LVNI_FOCUSED), 0)
        << "the first item has the focus mark";
    EXPECT_EQ(form.ScrollBox().GroupName(), L"Alpha");
    EXPECT_TRUE(form.ScrollBox().GroupPictureShown());
    EXPECT_EQ(form.ScrollBox().Title(), L"カーソルを選択すると、その説明が表示されます。");
    EXPECT_EQ(FOwner.Reloads, 0);
}
