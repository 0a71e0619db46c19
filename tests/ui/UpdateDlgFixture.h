#pragma once

#include "core/ResultDialog.h"
#include "platform/FakeClock.h"
#include "tests/support/SimReader.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ResultDialog.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

// A program folder with the simulated reader, the sample USB FLASH IC INI file with the "Customize UI"
// of the dialog under test, and config.ini; the process-wide objects as start-up creates them; one
// firmware-update dialog driven without a modal loop, its global pointer (and hooks) set as the runner
// sets them. Sleeps go to the fake clock.
class UpdateDlgFixture : public testing::Test {
protected:
    // Prepares the folder and the process-wide objects; the dialog is created by Show. `editIni` may
    // change the IC INI text first.
    void Prepare(const std::string& preset, uint32_t customizeUI, const std::string& config = "",
                 const std::function<void(std::string&)>& editIni = {});

    // Creates the dialog, sets its pointers and initialises it (the worker starts).
    template <class Dialog> Dialog* Show(IResultDialog** pointer) {
        auto dialog = std::make_unique<Dialog>();
        Dialog* raw = dialog.get();
        m_dlg = std::move(dialog);
        m_pointer = pointer;
        *m_pointer = raw;
        SetHooks(raw);
        raw->Create();
        return raw;
    }

    void TearDown() override;

    // Waits until `count` boxes were shown and the events they caused are handled.
    void WaitForBoxes(size_t count);

    template <class W> W* Control(int id) {
        W* control = FindControl<W>(m_dlg.get(), id);
        EXPECT_NE(control, nullptr) << id;
        return control;
    }
    std::string Text(int id);
    bool Enabled(int id);
    void Click(int id);

    // The reader's flash as a firmware file of the program folder; returns its path.
    std::string FirmwareFromReader(const std::string& name, int reader = 0);

    void Screenshot(const std::string& name) { uitest::SaveScreenshot(m_dlg.get(), name); }

    testsupport::SimReader& Sim() { return *m_sim; }

    platform::FakeClock m_clock;
    uitest::RecordingMessageBoxes m_boxes;
    uitest::ScriptedFileDialogs m_files;
    std::unique_ptr<testsupport::SimReader> m_sim;
    std::unique_ptr<CResultDialog> m_dlg;
    IResultDialog** m_pointer = nullptr;

private:
    void SetHooks(QWidget* dialog);
};
