// The preview under the information pane's details: the selected cursor playing over a panel of the
// chosen background colour, a track bar of its steps, and the transport buttons (play, pause, stop, review
// and cue while held, zoom).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <string>

#include "anicursor/AniCursorView.h"
#include "base/Subclass.h"
#include "base/Window.h"
#include "controls/MyComCtrls.h"
#include "base/Dpi.h"

namespace dovex {

// What the preview asks of the window it is part of.
class IPreviewPaneHost {
public:
    // The hint of one of the window's transport commands: "tool tip|status bar text".
    virtual const wchar_t* TransportHint(UINT command) const noexcept = 0;
    // The status bar text for the button under the pointer; empty when the pointer has left the buttons.
    virtual void ShowPreviewHint(const std::wstring& text) = 0;
    // The preview's height changed: the information pane places it again and keeps it in view.
    virtual void PreviewResized() = 0;
    // A double click on the picture: the user wants another background colour.
    virtual void PreviewDblClick() = 0;

protected:
    ~IPreviewPaneHost() = default;
};

// Transport requests; the first three are the modes the user chooses.
enum TPreviewRequest : int {
    prPlay = 0,
    prPause = 1,
    prStop = 2,
    prReviewDown = 3,
    prCueDown = 4,
    prFastRelease = 5,
};

// Child control ids of the preview.
constexpr int IDC_PV_PANEL = 1;
constexpr int IDC_PV_POSITION = 2;
constexpr int IDC_PV_NAVIGATOR = 3;

// A panel of one colour that reports double clicks.
class TColorPanel : public TWindow {
public:
    explicit TColorPanel(HWND parent);
    void SetColor(COLORREF value);
    COLORREF Color() const noexcept { return FColor; }
    std::function<void()> OnDblClick;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    COLORREF FColor = RGB(0, 0, 0);
};

// The transport tool bar; any mouse button held on review or cue counts, wherever it is released.
class TNavigatorBar : public TSubclass {
public:
    std::function<void(UINT command)> OnFastDown;
    std::function<void()> OnFastUp;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Release();
    UINT FHeld = 0;
};

// Lives on the user-interface thread, as its view does.
class TPreviewPane : public TWindow {
public:
    // Design sizes at 96 DPI.
    static constexpr int kViewSize = 32;
    static constexpr int kZoomedViewSize = 64;
    static constexpr int kTrackBarHeight = 24;
    static constexpr int kThumbLength = 14;
    static constexpr int kSpeedFast = 5;

    TPreviewPane(HWND parent, int id, IPreviewPaneHost& host, const TDpiScale& dpi);

    void SetDpi(const TDpiScale& dpi);
    // The window's 16 x 16 pictures (not owned); the buttons show images 8 to 13.
    void SetImages(HIMAGELIST images) noexcept;
    void SetBounds(int x, int y, int width) noexcept;
    void SetVisible(bool value) noexcept;
    bool Visible() const noexcept { return ::IsWindowVisible(Handle()) != FALSE; }
    // Everything the preview shows, stacked: the picture, the track bar and the tool bar.
    int PreferredHeight() const noexcept;

    // Empties the view, which stops it.
    void Clear();
    // Loads the file and plays it from its first step; a file that can no longer be read leaves the view
    // empty, without a message.
    void LoadPreview(const std::wstring& fileName);
    // The single entry of the transport buttons (TPreviewRequest).
    void SetPreviewMode(int request);
    int PreviewMode() const noexcept { return FPreviewMode; }

    // The background: a colour value as the preferences keep it (negative for a system colour).
    int32_t Color() const noexcept { return FColorValue; }
    COLORREF BackgroundColor() const noexcept { return FPanel->Color(); }
    void SetColor(int32_t value);

    bool Zoomed() const noexcept;
    // Sizes the view after the zoom button: 32 x 32 when up, 64 x 64 when down, centred.
    void tbtnZoomClick();

    TAniCursorView& acvScreen() noexcept { return *FView; }
    TTrackBarEx& tbPlayPosition() noexcept { return *FPosition; }
    HWND pnlPreview() const noexcept { return FPanel->Handle(); }
    HWND tbPreviewNavigator() const noexcept { return FNavigator; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateNavigator();
    void Layout() noexcept;
    int NavigatorHeight() const noexcept;
    void Command(UINT command);
    LRESULT NavigatorNotify(NMHDR& header);
    void tbPlayPositionChange();
    void acvScreenPositionChanged(int position);
    void UpdateTransportButtons() noexcept;
    void EnableTransport(bool enabled) noexcept;

    IPreviewPaneHost& FHost;
    TDpiScale FDpi;
    std::unique_ptr<TColorPanel> FPanel;
    std::unique_ptr<TAniCursorView> FView;
    std::unique_ptr<TTrackBarEx> FPosition;
    HWND FNavigator = nullptr;
    TNavigatorBar FNavigatorBar;
    bool FPositionChangeAttached = true;
    int FPreviewMode = prPlay;
    int32_t FColorValue = 0;
};

} // namespace dovex
