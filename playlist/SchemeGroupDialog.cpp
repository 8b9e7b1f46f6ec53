#include "playlist/SchemeGroupDialog.h"

#include "resources/ResourceIds.h"

namespace dovex {

int TSchemeGroupDialog::Choose(HWND owner) {
    FChosen = -1;
    return ShowModal(owner, IDD_SCHEMEGROUP) == IDOK ? FChosen : -1;
}

bool TSchemeGroupDialog::OnInit() {
    const HWND list = Item(IDC_SCHEMEGROUP_LIST);
    for (const auto& name : FNames)
        ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    ::SendMessageW(list, LB_SETCURSEL, 0, 0);
    ::EnableWindow(Item(IDOK), !FNames.empty());
    ::SetFocus(list);
    return false;
}

void TSchemeGroupDialog::OnCommand(int id, int code) {
    const HWND list = Item(IDC_SCHEMEGROUP_LIST);
    if (id == IDC_SCHEMEGROUP_LIST && code == LBN_DBLCLK)
        id = IDOK;
    else if (id == IDC_SCHEMEGROUP_LIST)
        return;
    if (id == IDOK) {
        // Its items are not sorted: the list's index is the names' index.
        const auto selected = static_cast<int>(::SendMessageW(list, LB_GETCURSEL, 0, 0));
        if (selected < 0 || selected >= static_cast<int>(FNames.size()))
            return;
        FChosen = selected;
    }
    TDialog::OnCommand(id, code);
}

} // namespace dovex
