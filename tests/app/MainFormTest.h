// The program's main window made by a test, and closed with whatever it still had queued.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

#include "AppEnvironment.h"
#include "app/Main.h"

namespace dovex::test {

class MainFormTest : public CleanDovexKey {
protected:
    void TearDown() override {
        FForm.reset();
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        CleanDovexKey::TearDown();
    }
    // Made, and running once the start's pause is over; `prepare` sees the window before that.
    void Create(const std::function<void(TfrmDovexMain&)>& prepare = {}) {
        FForm = std::make_unique<TfrmDovexMain>();
        if (prepare)
            prepare(*FForm);
        ASSERT_TRUE(PumpUntil([&] { return !FForm->Paused(); }, std::chrono::seconds(2)));
    }
    void Command(UINT id) { ::SendMessageW(FForm->Handle(), WM_COMMAND, id, 0); }

    std::unique_ptr<TfrmDovexMain> FForm;
};

} // namespace dovex::test
