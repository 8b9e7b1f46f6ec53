// The settings dialog under test: a host standing in for the main window, and the dialog opened on the
// program's own registry key.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "../app/AppEnvironment.h"
#include "../base/DesktopInput.h"
#include "base/OwnedForm.h"
#include "base/Window.h"
#include "model/SaverMessages.h"
#include "resources/ResourceIds.h"
#include "settings/PropertyPage.h"

namespace dovex::test {

using namespace std::chrono_literals;

// The pages of the dialog, in their order.
constexpr int kWholePage = 0;
constexpr int kEtcPage = 1;
constexpr int kHotKeyPage = 2;
constexpr int kExcludePage = 3;
constexpr int kAboutPage = 4;
constexpr int kPageCount = 5;

// Stands in for the main window: records what is posted to it.
class TRecordingWindow : public TWindow {
public:
    TRecordingWindow() { CreateHandle(L"DovexTestMainWindow", L"", WS_POPUP, WS_EX_TOOLWINDOW); }
    std::vector<std::pair<UINT, WPARAM>> Posted; // all but WM_FORMCLOSED
    std::function<void()> OnFormClosed;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_FORMCLOSED && OnFormClosed)
            OnFormClosed();
        else if (msg >= WM_USER && msg < 0xC000)
            Posted.emplace_back(msg, wParam);
        return TWindow::WndProc(msg, wParam, lParam);
    }
};

// Owns the dialog as the main window does: frees it once it has closed, and counts the removals.
class TTestHost : public IPropertyFormHost {
public:
    TTestHost() {
        Main.OnFormClosed = [this] {
            if (!MayReleaseForms(Main.Handle()))
                return;
            if (const TfrmProperty* closed = Form.Closed()) {
                Removed += closed->RemovedSettings();
                Form.Reset();
            }
        };
    }
    HWND MainWindow() const override { return Main.Handle(); }
    std::wstring StartupFolder() const override {
        return Folder.empty() ? IPropertyFormHost::StartupFolder() : Folder;
    }

    TRecordingWindow Main;
    TOwnedForm<TfrmProperty> Form; // goes before its owner window
    int Removed = 0;
    std::wstring Folder; // empty: the user's Start-up folder
};

class PropertyFormTest : public CleanDovexKey {
protected:
    void TearDown() override {
        DestroyPropertyForm();
        PumpModelessFor(50ms);
        CleanDovexKey::TearDown();
    }

    // Opens the dialog as the tray menu does, and lets it settle.
    // The open dialog, or none; and its end as at the program's end.
    TfrmProperty* FindPropertyForm() const noexcept { return Host.Form.Get(); }
    void DestroyPropertyForm() noexcept { Host.Form.Reset(); }

    TfrmProperty& Open() {
        TfrmProperty& form = Host.Form.Open(static_cast<IPropertyFormHost&>(Host));
        form.Show();
        PumpModelessFor(150ms);
        return form;
    }
    HWND Sheet() const {
        const TfrmProperty* form = Host.Form.Get();
        return form ? form->Handle() : nullptr;
    }
    HWND Page(int index) const { return PropSheet_IndexToHwnd(Sheet(), index); }
    HWND Control(int page, int id) const { return ::GetDlgItem(Page(page), id); }
    HWND ApplyButton() const { return ::GetDlgItem(Sheet(), 0x3021); }
    bool ApplyEnabled() const { return ::IsWindowEnabled(ApplyButton()) != FALSE; }
    std::wstring Text(HWND window) const {
        wchar_t text[256] = {};
        ::GetWindowTextW(window, text, 256);
        return text;
    }
    void ShowPage(int index) {
        PropSheet_SetCurSel(Sheet(), nullptr, index);
        PumpModelessFor(50ms);
    }
    // As if typed: the edit's text changes and it tells its page.
    void SetEdit(int id, const std::wstring& text) {
        ::SetWindowTextW(Control(0, id), text.c_str());
        PumpModelessFor(10ms);
    }
    void Click(int page, int id) {
        ::SendMessageW(Control(page, id), BM_CLICK, 0, 0);
        PumpModelessFor(10ms);
    }
    void PressSheetButton(int button) {
        PropSheet_PressButton(Sheet(), button);
        PumpModelessFor(100ms);
    }
    int ReloadsPosted() const {
        int count = 0;
        for (const auto& [msg, wParam] : Host.Main.Posted)
            count += msg == WM_SAVERRELOAD && wParam == RELOAD_SETTINGS;
        return count;
    }

    static bool SettingExists(const wchar_t* name) {
        return ::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }
    static DWORD SettingDword(const wchar_t* name) {
        DWORD value = 0xDEADBEEF, size = sizeof(value);
        ::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    }
    static std::wstring SettingText(const wchar_t* name) {
        wchar_t text[256] = {};
        DWORD size = sizeof(text);
        if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, text, &size) !=
            ERROR_SUCCESS)
            return L"<missing>";
        return text;
    }

    TTestHost Host;
};

} // namespace dovex::test
