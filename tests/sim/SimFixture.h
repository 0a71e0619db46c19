#pragma once

#include "device/QdCRLibApi.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace simtest {

#define SIM_ENTRIES(X)                                                                                       \
    X(QDOpenVrkUsbDisk)                                                                                      \
    X(QDOpenVrkUsbStor)                                                                                      \
    X(QDOpenVrkUsbCdrom)                                                                                     \
    X(QDOpenVrkPcieDisk)                                                                                     \
    X(QDOpenVrkPcieStor)                                                                                     \
    X(QDClose)                                                                                               \
    X(QDGetHandleInst)                                                                                       \
    X(QDGetInstHandle)                                                                                       \
    X(QDReadStatus)                                                                                          \
    X(QDPpStatus)                                                                                            \
    X(QDInquiry)                                                                                             \
    X(QDResetRom)                                                                                            \
    X(QDSwReset)                                                                                             \
    X(QDWriteFlash)                                                                                          \
    X(QDReadFlash)                                                                                           \
    X(QDEraseFlash)                                                                                          \
    X(QDRst2FlashCode)                                                                                       \
    X(QDWriteFlash2)                                                                                         \
    X(QDReadFlash2)                                                                                          \
    X(QDEraseFlash2)                                                                                         \
    X(QDReadEeprom)                                                                                          \
    X(QDWriteEeprom)                                                                                         \
    X(QDReadEeprom2)                                                                                         \
    X(QDWriteEeprom2)                                                                                        \
    X(QDEraseEeprom2)                                                                                        \
    X(QDReadEfuse)                                                                                           \
    X(QDWriteEfuse)                                                                                          \
    X(QDReadLdo)                                                                                             \
    X(QDWriteLdo)                                                                                            \
    X(QDReadMem)                                                                                             \
    X(QDWriteMem)                                                                                            \
    X(QDGetLunDrive)                                                                                         \
    X(QDDmGetPID)                                                                                            \
    X(QDDmEraseFlash)                                                                                        \
    X(QDDmWriteFlashWithRetry)                                                                               \
    X(QDDmVerifyFlashWithRetry)                                                                              \
    X(QDDmWriteFlash)                                                                                        \
    X(QDDmVerifyFlash)                                                                                       \
    X(QDDmResetFlash)                                                                                        \
    X(QDDmResetRom)                                                                                          \
    X(GetUsbCRInfos)                                                                                         \
    X(GetUsbCRCount)                                                                                         \
    X(GetOneUsbCRInfo)                                                                                       \
    X(ReleaseCRInfos)                                                                                        \
    X(QDReadRom)                                                                                             \
    X(QDGetLocation)                                                                                         \
    X(Qd_GetReaderInst)                                                                                      \
    X(QDSleInit)                                                                                             \
    X(QDSleUninit)                                                                                           \
    X(QDSleGetCardType)                                                                                      \
    X(QDSle4442Read)                                                                                         \
    X(QDSle4442Write)                                                                                        \
    X(QDSle4442VerifyPSC)                                                                                    \
    X(QDSle4442ChangePSC)                                                                                    \
    X(QDSle4428Read)                                                                                         \
    X(QDSle4428Write)                                                                                        \
    X(QDSle4428VerifyPSC)                                                                                    \
    X(QDSle4428ChangePSC)                                                                                    \
    X(QDGetBusWidth)                                                                                         \
    X(QDSetScsiOpLun)                                                                                        \
    X(QDGetPath)                                                                                             \
    X(QDPhyRead)                                                                                             \
    X(QDPhyWrite)                                                                                            \
    X(QdSimGetParentInst)                                                                                    \
    X(QdSimEnumHubs)                                                                                         \
    X(QdSimGetPortDevice)                                                                                    \
    X(QdSimGetChangeCount)                                                                                   \
    X(QdSimGetDeviceEvent)

// The built reader library, loaded once by absolute path, every entry bound by name.
struct SimLibrary {
#define SIM_SLOT(name) PFN_##name name = nullptr;
    SIM_ENTRIES(SIM_SLOT)
#undef SIM_SLOT
};
const SimLibrary& Lib();

using testsupport::RunProgram;
using testsupport::RunResult;

// Every test gets its own state folder through QUILLIX_SIM_DIR.
class SimTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::string& StateFolder() const { return m_state; }
    std::string Scratch(const std::string& name) const { return m_dir.File(name); }

    RunResult Sim(std::initializer_list<std::string> args) const;
    // Runs quillix-sim and fails the test unless it succeeded.
    void SimOk(std::initializer_list<std::string> args) const;
    std::vector<std::string> JournalLines() const;
    std::string ScenarioBytes() const;
    std::vector<uint8_t> Memory(int reader, const std::string& memory) const;

    // Opens reader `index` of an open kind; 0 when none.
    static uint32_t Open(PFN_QDOpenVrkUsbDisk open, uint32_t index);

    testsupport::TempDir m_dir;
    std::string m_state;
};

} // namespace simtest
