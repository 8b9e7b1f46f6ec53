// The drop target: registration for a real window, the answers OLE gets, and the dropped names as the
// events see them, from a CF_HDROP data object.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../TestSupport.h"
#include "FileListData.h"
#include "MessageBoxAnswerer.h"
#include "base/ErrorBox.h"
#include "base/Exception.h"
#include "base/Window.h"
#include "playlist/DragDrop.h"

using namespace dovex;
using namespace std::chrono_literals;
using dovex::test::TFileListDataRef;

namespace {

class TTargetWindow : public TWindow {
public:
    TTargetWindow() {
        CreateHandle(L"DovexDropTestWindow", L"drop test", WS_POPUP | WS_VISIBLE, 0);
        ::SetWindowPos(Handle(), nullptr, 100, 120, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    }
};

class DropTarget : public ::testing::Test {
protected:
    void SetUp() override {
        FOle = ::OleInitialize(nullptr);
        ASSERT_TRUE(SUCCEEDED(FOle));
    }
    void TearDown() override {
        if (SUCCEEDED(FOle))
            ::OleUninitialize();
    }
    // Whether some drop target is registered for the window.
    static bool Registered(HWND window) {
        struct TNone : IDropTarget {
            HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** o) override {
                *o = this;
                return S_OK;
            }
            ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
            ULONG STDMETHODCALLTYPE Release() override { return 1; }
            HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
            HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD*) override { return S_OK; }
            HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
            HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
        } none;
        const HRESULT hr = ::RegisterDragDrop(window, &none);
        if (SUCCEEDED(hr))
            ::RevokeDragDrop(window);
        return hr == DRAGDROP_E_ALREADYREGISTERED;
    }

    HRESULT FOle = E_FAIL;
    TTargetWindow FWindow;
};

POINTL Screen(HWND window, int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(window, &p);
    return POINTL{p.x, p.y};
}

} // namespace

TEST_F(DropTarget, RegistersOnlyForAWindowThatExistsAndRevokesWhenInactive) {
    TDropTarget noWindow;
    noWindow.SetActive(true);
    EXPECT_FALSE(noWindow.Active());

    TDropTarget destroyed(
        ::CreateWindowExW(0, L"STATIC", nullptr, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    ::DestroyWindow(destroyed.TargetWnd());
    destroyed.SetActive(true);
    EXPECT_FALSE(destroyed.Active()) << "a window handle that no longer exists";

    TDropTarget target(FWindow.Handle());
    EXPECT_FALSE(Registered(FWindow.Handle()));
    target.SetActive(true);
    EXPECT_TRUE(target.Active());
    EXPECT_TRUE(target.DropTargetObject());
    EXPECT_TRUE(Registered(FWindow.Handle()));
    target.SetActive(true); // again: nothing changes
    EXPECT_TRUE(Registered(FWindow.Handle()));
    target.SetTargetWnd(nullptr);
    EXPECT_FALSE(target.Active()) << "another target window deactivates";
    EXPECT_FALSE(Registered(FWindow.Handle()));
    target.SetTargetWnd(FWindow.Handle());
    target.SetActive(true);
    EXPECT_TRUE(Registered(FWindow.Handle()));
    target.SetActive(false);
    EXPECT_FALSE(Registered(FWindow.Handle()));
}

TEST_F(DropTarget, AnswersCopyOrMoveAndReportsClientPoints) {
    TDropTarget target(FWindow.Handle());
    struct TSeen {
        const char* Event;
        DWORD KeyState;
        POINT Point;
        DWORD Effect;
    };
    std::vector<TSeen> seen;
    target.OnDragEnter = [&](DWORD k, POINT p, DWORD e) { seen.push_back({"enter", k, p, e}); };
    target.OnDragOver = [&](DWORD k, POINT p, DWORD e) { seen.push_back({"over", k, p, e}); };
    target.OnDragLeave = [&] { seen.push_back({"leave", 0, {}, 0}); };
    target.SetActive(true);
    IDropTarget* ole = target.DropTargetObject();
    TFileListDataRef files({L"C:\\a.ani"});
    TFileListDataRef noFiles({});

    struct {
        DWORD KeyState;
        DWORD Effect;
    } const cases[] = {
        {MK_LBUTTON, DROPEFFECT_COPY},
        {MK_LBUTTON | MK_SHIFT, DROPEFFECT_MOVE},
        {MK_LBUTTON | MK_CONTROL, DROPEFFECT_COPY},
        {MK_RBUTTON | MK_SHIFT | MK_CONTROL, DROPEFFECT_MOVE},
    };
    for (const auto& c : cases) {
        seen.clear();
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
        EXPECT_EQ(ole->DragEnter(files.Data, c.KeyState, Screen(FWindow.Handle(), 10, 20), &effect), S_OK);
        EXPECT_EQ(effect, c.Effect);
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(ole->DragOver(c.KeyState, Screen(FWindow.Handle(), 30, 40), &effect), S_OK);
        EXPECT_EQ(effect, c.Effect);
        EXPECT_EQ(ole->DragLeave(), S_OK);
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_STREQ(seen[0].Event, "enter");
        EXPECT_EQ(seen[0].KeyState, c.KeyState);
        EXPECT_EQ(seen[0].Point.x, 10);
        EXPECT_EQ(seen[0].Point.y, 20);
        EXPECT_EQ(seen[0].Effect, c.Effect);
        EXPECT_STREQ(seen[1].Event, "over");
        EXPECT_EQ(seen[1].Point.x, 30);
        EXPECT_EQ(seen[1].Point.y, 40);
        EXPECT_STREQ(seen[2].Event, "leave");
    }

    // Data without a file list: the data object's own refusal, though a drag over still answers.
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(ole->DragEnter(noFiles.Data, 0, Screen(FWindow.Handle(), 1, 1), &effect), DV_E_FORMATETC);
    EXPECT_EQ(ole->DragOver(0, Screen(FWindow.Handle(), 2, 2), &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
}

TEST_F(DropTarget, DropReportsEveryNameAtItsFullLengthInOrder) {
    TDropTarget target(FWindow.Handle());
    std::vector<std::wstring> dropped;
    POINT at{};
    DWORD keys = 0;
    int drops = 0;
    target.OnDropFiles = [&](const std::vector<std::wstring>& names, POINT p, DWORD k) {
        dropped = names;
        at = p;
        keys = k;
        ++drops;
    };
    target.SetActive(true);
    IDropTarget* ole = target.DropTargetObject();

    std::wstring deep = L"C:\\";
    while (deep.size() < 400)
        deep += L"長いフォルダー名のカーソル\\";
    const std::vector<std::vector<std::wstring>> cases = {
        {L"C:\\Cursors\\A.ANI", L"D:\\b.ani", L"E:\\c.Cur"},
        {deep + L"深い.ani"},
        {L"\\\\server\\share\\x.ani", L"C:\\dir.ani\\", L"C:\\no extension"},
    };
    for (const auto& names : cases) {
        TFileListDataRef data(names);
        DWORD effect = DROPEFFECT_COPY;
        EXPECT_EQ(ole->Drop(data.Data, MK_SHIFT, Screen(FWindow.Handle(), 50, 60), &effect), S_OK);
        EXPECT_EQ(dropped, names);
        EXPECT_EQ(at.x, 50);
        EXPECT_EQ(at.y, 60);
        EXPECT_EQ(keys, static_cast<DWORD>(MK_SHIFT));
        EXPECT_EQ(data->GetDataCalls(), 1);
    }
    EXPECT_GT(cases[1][0].size(), 261u);

    TFileListDataRef noFiles({});
    DWORD effect = DROPEFFECT_COPY;
    dropped = {L"stale"};
    EXPECT_EQ(ole->Drop(noFiles.Data, 0, Screen(FWindow.Handle(), 0, 0), &effect), DV_E_FORMATETC);
    EXPECT_TRUE(dropped.empty()) << "a drop without a file list reports an empty list";
    EXPECT_EQ(drops, 4);
}

TEST_F(DropTarget, AnErrorInAnEventIsShownOnceAfterTheDropReturned) {
    test::TMessageBoxAnswerer answerer(ApplicationTitle());
    TDropTarget target(FWindow.Handle());
    target.OnDropFiles = [](const std::vector<std::wstring>&, POINT, DWORD) {
        throw Exception(L"追加できませんでした");
    };
    target.SetActive(true);
    TFileListDataRef data({L"C:\\a.ani"});
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(target.DropTargetObject()->Drop(data.Data, 0, Screen(FWindow.Handle(), 5, 5), &effect), S_OK);
    EXPECT_TRUE(answerer.Texts().empty()) << "the box waits until the notification has returned";
    EXPECT_TRUE(test::PumpUntil([&] { return !answerer.Texts().empty(); }, 5s));
    test::PumpFor(200ms);
    EXPECT_EQ(answerer.Texts(), std::vector<std::wstring>{L"追加できませんでした"});
}
