#include "tests/sim/SimFixture.h"

#include "platform/DynamicLibrary.h"

#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace simtest {

const SimLibrary& Lib() {
    static const SimLibrary library = [] {
        // A full path of the system's own form (on Windows with its drive).
        const std::string path = std::filesystem::absolute(QUILLIX_SIM_LIBRARY).make_preferred().string();
        platform::LibraryHandle handle = platform::LoadLibraryFile(path);
        if (!handle)
            throw std::runtime_error("cannot load " + path);
        SimLibrary lib;
#define SIM_BIND(name)                                                                                       \
    lib.name = reinterpret_cast<PFN_##name>(platform::FindExport(handle, #name));                            \
    if (!lib.name)                                                                                           \
        throw std::runtime_error("missing export " #name);
        SIM_ENTRIES(SIM_BIND)
#undef SIM_BIND
        return lib;
    }();
    return library;
}

void SimTest::SetUp() {
    m_state = m_dir.File("state/");
    testsupport::SetEnvVar("QUILLIX_SIM_DIR", m_state);
}

void SimTest::TearDown() {
    testsupport::UnsetEnvVar("QUILLIX_SIM_DIR");
}

RunResult SimTest::Sim(std::initializer_list<std::string> args) const {
    return RunProgram(QUILLIX_SIM_TOOL, args);
}

void SimTest::SimOk(std::initializer_list<std::string> args) const {
    RunResult result = Sim(args);
    ASSERT_EQ(result.status, 0) << result.err;
}

std::vector<std::string> SimTest::JournalLines() const {
    std::istringstream in(testsupport::ReadFileBytes(m_state + "journal.log"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string SimTest::ScenarioBytes() const {
    return testsupport::ReadFileBytes(m_state + "scenario.ini");
}

std::vector<uint8_t> SimTest::Memory(int reader, const std::string& memory) const {
    std::string bytes =
        testsupport::ReadFileBytes(m_state + "reader" + std::to_string(reader) + "-" + memory + ".bin");
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

uint32_t SimTest::Open(PFN_QDOpenVrkUsbDisk open, uint32_t index) {
    return open(&index);
}

} // namespace simtest
