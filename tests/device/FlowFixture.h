#pragma once

#include "core/Broadcast.h"
#include "device/DevTypeInfo.h"
#include "model/IniFile.h"
#include "platform/FakeClock.h"
#include "tests/support/RecordingDialog.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace flowtest {

// One device-type object on the simulated reader, with the fake clock, the call journal and the
// trace log (device category) on, and a recording main dialog unless a test removes it.
class FlowTest : public testing::Test {
protected:
    void TearDown() override;

    // Starts the simulator with the preset and creates the device type for the bus.
    template <class DevType> DevType& Start(const std::string& preset, BusType bus) {
        auto object = std::make_unique<DevType>();
        DevType& typed = *object;
        StartWith(std::move(object), preset, bus);
        return typed;
    }
    void StartWith(std::unique_ptr<CDevTypeInfo> devType, const std::string& preset, BusType bus);

    // Runs the control tool; the test fails when it does.
    void Sim(const std::string& arguments) const { m_sim->MustSim(arguments); }
    void ClearJournal() const { m_sim->MustSim("journal clear"); }
    // Names of the entries called since the journal was cleared that start with `prefix`.
    std::vector<std::string> Calls(const std::string& prefix) const;
    // Journal lines of one entry.
    std::vector<std::string> JournalOf(const std::string& entry) const { return m_sim->JournalOf(entry); }
    // Whether any entry that can change a memory, a register or the regulator was called.
    bool AnyWriteCalled() const;

    // A memory of reader 0 ("efuse", "eeprom"), and replacing its start.
    std::vector<uint8_t> Memory(const std::string& memory) const;
    void SetMemory(const std::string& memory, const std::vector<uint8_t>& bytes) const;

    // The trace log written so far, as text.
    std::string TraceText() const;

    // Messages the dialog received, as short texts ("P20", "F41604", "S41651"); g_dwErrorCode when the
    // dialog was removed.
    std::vector<std::string> Posted() const { return m_dialog.Texts(); }
    // The user cancels when the message with that short text arrives.
    void CancelOn(const std::string& text);
    void WithoutDialog() { g_pMainDlg = nullptr; }

    platform::FakeClock m_clock;
    std::unique_ptr<testsupport::SimReader> m_sim;
    std::unique_ptr<CDevTypeInfo> m_devType;
    testsupport::RecordingDialog m_dialog;
    CIniFile m_config;
};

// n bytes of one value.
std::vector<uint8_t> Bytes(size_t n, uint8_t value);

} // namespace flowtest
