// The settings dialog "Dovex - プロパティ設定": a modeless property sheet with the pages "全般", "その他" and
// "バージョン情報". It edits a copy of the saver settings and writes them on OK or Apply, then asks the main
// window to read them again. The main window owns it and frees it once it has closed.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "base/Dialog.h"
#include "base/Subclass.h"
#include "base/UniqueHandle.h"
#include "model/HookTypes.h"
#include "settings/PositionTool.h"

namespace dovex {

// What the dialog needs from the program's main window, which implements it.
class IPropertyFormHost {
public:
    // The main window: the dialog's owner, told by WM_SAVERRELOAD / RELOAD_SETTINGS after each save and by
    // WM_FORMCLOSED once the dialog has closed and may be freed.
    virtual HWND MainWindow() const = 0;
    // The folder that receives the Start-up shortcut; the user's Start-up folder unless a host says
    // otherwise.
    virtual std::wstring StartupFolder() const;
    // Makes the two keys the program's hot keys in place of the ones it had (0 = none); returns those another
    // program holds. The dialog calls it after saving changed keys; a host without hot keys holds none.
    virtual std::vector<uint16_t> UseHotKeys(uint16_t start, uint16_t pause);

protected:
    ~IPropertyFormHost() = default;
};

class TfrmProperty {
public:
    static constexpr wchar_t kCaption[] = L"Dovex - プロパティ設定";
    static constexpr int kPageCount = 5;

    // Reads the settings and creates the dialog, hidden. Throws Exception when the dialog cannot be
    // created.
    explicit TfrmProperty(IPropertyFormHost& host);
    TfrmProperty(const TfrmProperty&) = delete;
    TfrmProperty& operator=(const TfrmProperty&) = delete;
    ~TfrmProperty();

    // The property sheet.
    HWND Handle() const noexcept { return FSheet.Handle(); }
    // Shows the dialog, or brings it to the front with its edits.
    void Show();
    // Closes it without saving, like キャンセル, once the current message is done; the owner is then told.
    void Close() noexcept;
    // Closed (by OK, キャンセル, the close box or Close), waiting to be freed.
    bool Closing() const noexcept { return FSheet.Closing; }
    // The user removed every setting with it: the program must end without writing anything.
    bool RemovedSettings() const noexcept { return FSettingsRemoved; }

    const TSaverProperty& SaverProperty() const noexcept { return FSaverProperty; }
    bool Modified() const noexcept { return FModified; }
    const TPositionTool& PositionTool() const noexcept { return FPositionTool; }
    const TPositionFlash* PositionFlash() const noexcept { return FPositionFlash.get(); }

private:
    class TWholePage;
    class TEtcPage;
    class THotKeyPage;
    class TExcludePage;
    class TAboutPage;
    class TSheet;

    void LoadSettings();
    void SaveSettings() noexcept;
    void SetModified(bool value) noexcept;
    template <typename T> void Change(T& field, T value) noexcept;
    // OK and Apply: false when an entry cannot be taken (the user has been told).
    bool Apply();

    // Page "全般".
    void InitWholePage(TWholePage& page);
    void WholeSettingsToControls(TWholePage& page);
    void edtSaverWaitTimeChange();
    void rgSaverOrderClick();
    // False when the box stands for no option.
    bool OptionClick(HWND page, int checkBox);
    void OptionsToControls(HWND page) const;
    void edtHomePosChange();
    void SetHomePositionControls(POINT point);
    void btnConfirmHomePositionClick();
    bool ValidateWholePage();

    // Page "その他".
    void InitEtcPage(TEtcPage& page);
    void edtMoveThresholdChange();
    // Page "ホットキー".
    void hkHotKeyChange(int control);
    bool ValidateHotKeys();
    // After a save: changed keys are put to use, and the user is told of those another program holds.
    void UseSavedHotKeys();
    // Page "除外プログラム".
    void ExcludedToControls();
    // Adds a program to the list unless it is there already (letter case aside); selects it either way.
    void AddExcludedProgram(const std::wstring& name);
    void btnExcludedBrowseClick();
    void btnExcludedRemoveClick();
    void btnExcludedAddNameClick();
    void btnEtcStartupEnterClick();
    void btnEtcStartupLeaveClick();

    IPropertyFormHost& FHost;
    TSaverProperty FSaverProperty;
    std::exception_ptr FLoadError; // a stored value that did not parse: shown once the dialog is up
    bool FModified = false;
    uint16_t FUsedHotKeys[2] = {}; // the start and pause keys last put to use
    bool FUpdatingControls = false;
    bool FSettingsRemoved = false;
    std::unique_ptr<TWholePage> FWholePage;
    std::unique_ptr<TEtcPage> FEtcPage;
    std::unique_ptr<THotKeyPage> FHotKeyPage;
    std::unique_ptr<TExcludePage> FExcludePage;
    std::unique_ptr<TAboutPage> FAboutPage;
    TPositionTool FPositionTool;
    std::unique_ptr<TPositionFlash> FPositionFlash;
    class TSheet : public TSubclass {
    public:
        HWND Owner = nullptr;
        bool Closing = false;
        void KeepFocusOffDisabledApply() noexcept;

    protected:
        LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    } FSheet;
};

} // namespace dovex
