// The group play settings at the top of the information pane: how long each cursor of the shown group plays
// in the show, as a number of animation cycles (page "回数") or as minutes and seconds (page "時間"). A
// change goes into the shown group at once; the window writes the group when it is left or the window closes.
#pragma once

#include <windows.h>

#include <array>

#include "base/Subclass.h"
#include "base/UniqueHandle.h"
#include "base/Window.h"
#include "model/PlayListCtrls.h"
#include "base/Dpi.h"

namespace dovex {

class TCursorGroupCtrl;

// Child controls of the pane. Each number box is followed by its up-down and its unit label.
constexpr int IDC_SO_LABEL = 1;
constexpr int IDC_SO_PAGES = 2;
constexpr int IDC_SO_NUMS = 10;
constexpr int IDC_SO_TIMEMIN = 20;
constexpr int IDC_SO_TIMESEC = 30;
constexpr int kUpDownIdOffset = 1;
constexpr int kUnitIdOffset = 2;

// The pages of the tab control, in tab order.
enum TSaverPage : int {
    tsNumTimes = 0,
    tsTime = 1,
};

class TSaverOperationPane : public TWindow {
public:
    static constexpr wchar_t kCaption[] = L"グループの動作(&G)";
    // No tool tip; the part after the bar goes to the status bar.
    static constexpr wchar_t kPagesHint[] = L"|セーバー動作時のカーソル表示動作を選択します。";
    // The play time a box change stores is kept within these, in milliseconds.
    static constexpr int kMinPlayTime = TCursorGroupBase::kMinPlayTime;
    static constexpr int kMaxPlayTime = TCursorGroupBase::kMaxPlayTime;

    TSaverOperationPane(HWND parent, int id, const TDpiScale& dpi);

    void SetDpi(const TDpiScale& dpi);
    void SetBounds(int x, int y, int width, int height) noexcept;

    // Shows the group's play settings; none shows the designed values with every control disabled. The
    // change handlers do nothing while the controls are filled, nor while no group is shown.
    void LoadGroup(TCursorGroupCtrl* group);
    TCursorGroupCtrl* Group() const noexcept { return FGroup; }

    // The long hint of a control of the pane for the status bar, or nullptr when it has none.
    const wchar_t* StatusHint(HWND control) const noexcept;
    // Alt with the label's mnemonic: the page control takes the focus. False when the character is not
    // the mnemonic or the page control cannot take the focus.
    bool FocusMnemonic(wchar_t character) noexcept;

    TSaverPage ActivePage() const noexcept;
    HWND lblSaverOperation() const noexcept { return FLabel; }
    HWND pcSaverOperation() const noexcept { return FPages; }
    HWND edtSaverNums() const noexcept { return FSpins[kNums].Edit; }
    HWND udSaverNums() const noexcept { return FSpins[kNums].UpDown; }
    HWND edtSaverTimeMin() const noexcept { return FSpins[kMin].Edit; }
    HWND udSaverTimeMin() const noexcept { return FSpins[kMin].UpDown; }
    HWND edtSaverTimeSec() const noexcept { return FSpins[kSec].Edit; }
    HWND udSaverTimeSec() const noexcept { return FSpins[kSec].UpDown; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // The tab control's own background, around its buttons, in the pane's colour; and the arrow keys pick
    // the next page, as with tabs (buttons alone would only move their focus).
    class TPageButtons : public TSubclass {
    public:
        explicit TPageButtons(TSaverOperationPane& pane) noexcept : FPane(pane) {}

    protected:
        LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    private:
        TSaverOperationPane& FPane;
    };
    // A number box with its up-down control and its unit label.
    struct TSpin {
        HWND Edit = nullptr;
        HWND UpDown = nullptr;
        HWND Unit = nullptr;
    };
    enum : size_t { kNums, kMin, kSec, kSpinCount };

    void CreateControls();
    void Layout() noexcept;
    void SetActivePage(TSaverPage page) noexcept;
    // A page picked from the keyboard or with the mouse.
    void PickPage(TSaverPage page);
    void ShowPageControls() noexcept;
    void EnableControls(bool enabled) noexcept;
    static int Position(const TSpin& spin) noexcept;
    static void SetPosition(const TSpin& spin, int value) noexcept;
    static void ShowPosition(const TSpin& spin) noexcept;
    const TSpin* SpinOfEdit(int id) const noexcept;
    bool Editing() const noexcept { return FGroup && !FGroupLoading; }
    LRESULT ColorStatic(HDC dc) const noexcept;
    void Command(int id, UINT code);
    LRESULT Notify(const NMHDR& header);

    LRESULT pcSaverOperationNotify(const NMHDR& header);
    void pcSaverOperationChange();
    void edtSaverNumsChange();
    void edtSaverTimeMinSecChange();

    TDpiScale FDpi;
    UniqueGdiObj FFont;
    HWND FLabel = nullptr;
    HWND FPages = nullptr;
    TPageButtons FPageButtons{*this};
    std::array<TSpin, kSpinCount> FSpins{};
    TCursorGroupCtrl* FGroup = nullptr; // the window's
    bool FGroupLoading = false;
};

} // namespace dovex
