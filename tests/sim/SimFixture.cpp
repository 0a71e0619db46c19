#include "tests/sim/SimFixture.h"

#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace simtest {

const SimLibrary& Lib() {
    static const SimLibrary library = [] {
        void* handle = dlopen(QUILLIX_SIM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            throw std::runtime_error(std::string("cannot load ") + QUILLIX_SIM_LIBRARY);
        SimLibrary lib;
#define SIM_BIND(name)                                                                                       \
    lib.name = reinterpret_cast<PFN_##name>(dlsym(handle, #name));                                           \
    if (!lib.name)                                                                                           \
        throw std::runtime_error("missing export " #name);
        SIM_ENTRIES(SIM_BIND)
#undef SIM_BIND
        return lib;
    }();
    return library;
}

ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& scratchFolder) {
    std::string outPath = scratchFolder + "process.out", errPath = scratchFolder + "process.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ProcessResult result;
    pid_t pid = 0;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return result;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = testsupport::ReadFileBytes(outPath);
    result.err = testsupport::ReadFileBytes(errPath);
    return result;
}

void SimTest::SetUp() {
    m_state = m_dir.File("state/");
    setenv("QUILLIX_SIM_DIR", m_state.c_str(), 1);
}

void SimTest::TearDown() {
    unsetenv("QUILLIX_SIM_DIR");
}

ProcessResult SimTest::Sim(std::initializer_list<std::string> args) const {
    return RunProgram(QUILLIX_SIM_TOOL, args, m_dir.Path());
}

void SimTest::SimOk(std::initializer_list<std::string> args) const {
    ProcessResult result = Sim(args);
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
