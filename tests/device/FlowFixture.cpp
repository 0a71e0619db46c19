#include "tests/device/FlowFixture.h"

#include "app/TraceLog.h"
#include "model/ConfigIni.h"
#include "model/IcTypeIni.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "tests/support/ProcessGlobals.h"

namespace flowtest {

void FlowTest::CancelOn(const std::string& text) {
    m_dialog.onPost = [this, text](const testsupport::PostedMessage& message) {
        if (testsupport::MessageText(message) == text)
            m_dialog.SetCancelFlag();
    };
}

void FlowTest::StartWith(std::unique_ptr<CDevTypeInfo> devType, const std::string& preset, BusType bus) {
    m_sim = std::make_unique<testsupport::SimReader>(preset);
    m_config.SetEntry("Quillix Log", "LogCategory", "2");
    g_pConfigIni = &m_config;
    OpenTraceLog();
    g_pIcTypeIni = new CIcTypeIni();
    g_pIcTypeIni->ListIniFiles();
    g_pIcTypeIni->LoadIcIni();
    g_BusType = bus;
    g_dwErrorCode = 0;
    g_pMainDlg = &m_dialog;
    m_devType = std::move(devType);
    ASSERT_EQ(m_devType->LoadLib(), 1u);
    ASSERT_EQ(m_devType->LoadFun(), 1u);
    Sim("journal on");
    ClearJournal();
}

void FlowTest::TearDown() {
    if (m_devType)
        m_devType->CloseSession();
    m_devType.reset();
    CloseTraceLog();
    m_sim.reset();
    testsupport::ResetProcessGlobals();
    m_dialog.Clear();
    m_clock.ClearSleeps();
}

std::vector<std::string> FlowTest::Calls(const std::string& prefix) const {
    std::vector<std::string> names;
    for (const std::string& line : m_sim->Journal()) {
        // "[N] NAME(...)" when the call reached reader N, "NAME(...)" otherwise.
        size_t start = line.rfind('[', 0) == 0 ? line.find(']') + 2 : 0;
        std::string name = line.substr(start, line.find('(', start) - start);
        if (name.rfind(prefix, 0) == 0)
            names.push_back(name);
    }
    return names;
}

bool FlowTest::AnyWriteCalled() const {
    for (const char* entry : {"QDWriteEfuse", "QDWriteLdo", "QDWriteEeprom", "QDSwReset"})
        if (!Calls(entry).empty())
            return true;
    // Register reads write the command register; programming starts with the voltage sequence and
    // writes the data register.
    for (const std::string& line : JournalOf("QDWriteMem"))
        if (line.find("QDWriteMem(0xFE7D") == std::string::npos)
            return true;
    return false;
}

std::vector<uint8_t> FlowTest::Memory(const std::string& memory) const {
    std::string file = m_sim->File("memory.bin");
    Sim("read 0 " + memory + " " + file);
    std::string bytes = m_sim->Read("memory.bin");
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void FlowTest::SetMemory(const std::string& memory, const std::vector<uint8_t>& bytes) const {
    m_sim->Write("content.bin", bytes);
    Sim("write 0 " + memory + " " + m_sim->File("content.bin"));
}

std::string FlowTest::TraceText() const {
    std::vector<std::string> logs = platform::FindFiles(m_sim->Path(), "*.log");
    if (logs.empty())
        return "";
    std::string bytes = m_sim->Read(logs[0]);
    std::u16string text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return platform::Utf16ToUtf8(text);
}

std::vector<uint8_t> Bytes(size_t n, uint8_t value) {
    return std::vector<uint8_t>(n, value);
}

} // namespace flowtest
