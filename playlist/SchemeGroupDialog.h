// The choice of a system cursor scheme to make a group of: the schemes' names in a list, OK and キャンセル.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/Dialog.h"

namespace dovex {

class TSchemeGroupDialog : public TDialog {
public:
    static constexpr wchar_t kCaption[] = L"スキームからグループを作成";

    explicit TSchemeGroupDialog(std::vector<std::wstring> names) : FNames(std::move(names)) {}
    // The index of the chosen name, or -1 when the dialog was cancelled.
    int Choose(HWND owner);

protected:
    bool OnInit() override;
    void OnCommand(int id, int code) override;

private:
    std::vector<std::wstring> FNames;
    int FChosen = -1;
};

} // namespace dovex
