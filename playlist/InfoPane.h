// The information pane between the group tree and the item list: the group's picture and name, the group's
// play settings, and the title and details of the selected cursors above their preview. Each part is a
// control of its own, placed by the pane; the pane scrolls them vertically.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "base/Dpi.h"
#include "base/UniqueHandle.h"
#include "base/Window.h"
#include "controls/ImgLstImage.h"
#include "controls/MyLabelCtrls.h"
#include "playlist/PreviewPane.h"
#include "playlist/SaverOperation.h"

namespace dovex {

class TInfoPane : public TWindow {
public:
    // Design sizes at 96 DPI.
    static constexpr int kLogoWidth = 200;
    static constexpr int kLogoHeight = 50;
    static constexpr int kMargin = 10;
    static constexpr int kSaverOperationHeight = 94;
    static constexpr int kTabLength = 10;

    TInfoPane(HWND parent, int id, HWND notifyWindow, IPreviewPaneHost& previewHost, const TDpiScale& dpi);

    // Drops the group picture: the owner gives it again at the new size.
    void SetDpi(const TDpiScale& dpi);

    // The shown group: its picture and name; no group shows neither.
    void ShowGroup(const std::wstring& name, HICON picture);
    void SetGroupName(const std::wstring& name);
    void SetGroupPicture(HICON picture) noexcept;
    void ClearGroup();
    // The title line: bold for one cursor, normal for a count or the prompt.
    void SetTitle(const std::wstring& text, bool bold);
    // Details below the title; tab stops every kTabLength characters.
    void SetItemInfo(const std::wstring& text, bool visible);
    void SetPreviewVisible(bool visible);
    // Places the details and the preview under the title and updates the scroll range.
    void ArrangeInfoPane();
    // Scrolls as little as needed to show the whole preview (its top when it is taller than the pane).
    void ScrollPreviewIntoView();

    const std::wstring& GroupName() const noexcept { return FGroupName; }
    bool GroupPictureShown() const noexcept { return FGroupImage->ImageIndex() >= 0; }
    const std::wstring& Title() const noexcept { return FTitle; }
    bool TitleBold() const noexcept { return FTitleBold; }
    const std::wstring& ItemInfo() const noexcept { return FItemInfo; }
    bool ItemInfoVisible() const noexcept { return FItemInfoVisible; }
    bool PreviewVisible() const noexcept { return FPreviewBase->Visible(); }
    // In client coordinates, as now scrolled.
    int TitleBottom() const noexcept { return FTitleTop + FTitleLabel->Size().cy - FScrollPos; }
    int ItemInfoTop() const noexcept { return FItemInfoTop - FScrollPos; }
    int ClientHeight() const noexcept;
    HWND SaverOperationPanel() const noexcept { return FSaverOperation->Handle(); }
    TSaverOperationPane& SaverOperation() noexcept { return *FSaverOperation; }
    const TSaverOperationPane& SaverOperation() const noexcept { return *FSaverOperation; }
    HWND PreviewBasePanel() const noexcept { return FPreviewBase->Handle(); }
    TPreviewPane& PreviewPane() const noexcept { return *FPreviewBase; }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateFonts();
    void UpdateLogo();
    void Layout();
    // Gives the label that text width and returns the height its text then takes.
    int PlaceLabel(TLabelEx& label, int top, int width);
    void Scroll(int code);
    void ScrollTo(int pos);
    void UpdateScrollBar();
    void PlaceChildren() noexcept;

    TDpiScale FDpi;
    HWND FNotifyWindow;
    UniqueGdiObj FNameFont, FBoldFont, FNormalFont, FLogoFont, FLogoSmallFont;
    std::unique_ptr<TImageList> FLogoImages, FGroupImages;
    // The logo holds the group's picture; labels and bars in content order.
    std::unique_ptr<TImgLstImage> FLogo, FGroupImage;
    std::unique_ptr<TLabelEx> FGroupNameLabel, FRuleBar, FBevelShadow, FBevelLight, FTitleLabel,
        FItemInfoLabel;
    std::unique_ptr<TSaverOperationPane> FSaverOperation;
    std::unique_ptr<TPreviewPane> FPreviewBase;

    std::wstring FGroupName;
    HICON FGroupPicture = nullptr; // not owned
    std::wstring FTitle;
    bool FTitleBold = false;
    std::wstring FItemInfo;
    bool FItemInfoVisible = false;

    // Content coordinates, in pixels at the pane's DPI.
    int FNameTop = 0, FLineTop = 0, FSaverOperationTop = 0, FBevelTop = 0;
    int FTitleTop = 0, FItemInfoTop = 0, FPreviewTop = 0;
    int FContentHeight = 0;
    int FScrollPos = 0;
};

} // namespace dovex
