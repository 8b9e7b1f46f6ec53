// The playlist window's side of the preview: which file it plays, and its background colour.
#include "playlist/PlayList.h"

#include <commdlg.h>

#include "base/ModalLoop.h"
#include "playlist/PlayListIds.h"
#include "playlist/PlayListText.h"

namespace dovex {

// Every change of the selection restarts the preview: the view is emptied at once and loaded once the
// messages of the change have been handled.
void TfrmPlayList::SetPreviewFile(const std::wstring& fileName) {
    FPreviewFileName = fileName;
    FInfoPane->PreviewPane().Clear();
    if (!fileName.empty())
        ::PostMessageW(Handle(), WM_LOADPREVIEW, 0, 0);
}

void TfrmPlayList::LoadPreview() {
    FInfoPane->PreviewPane().LoadPreview(FPreviewFileName);
}

void TfrmPlayList::actBkGndColorExecute(const TAction&) {
    TPreviewPane& preview = FInfoPane->PreviewPane();
    CHOOSECOLORW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = Handle();
    dialog.rgbResult = preview.BackgroundColor();
    dialog.lpCustColors = FCustomColors.data();
    dialog.Flags = CC_FULLOPEN | CC_ANYCOLOR | CC_RGBINIT;
    const TModalLoop loop;
    if (::ChooseColorW(&dialog))
        preview.SetColor(static_cast<int32_t>(dialog.rgbResult & 0xFFFFFF));
}

const wchar_t* TfrmPlayList::TransportHint(UINT command) const noexcept {
    const TAction* action = FindAction(command);
    return action ? action->Hint : nullptr;
}

void TfrmPlayList::ShowPreviewHint(const std::wstring& text) {
    ShowStatusText(text);
}

void TfrmPlayList::PreviewResized() {
    FInfoPane->ArrangeInfoPane();
    FInfoPane->ScrollPreviewIntoView();
}

void TfrmPlayList::PreviewDblClick() {
    Execute(IDA_BKGNDCOLOR);
}

} // namespace dovex
