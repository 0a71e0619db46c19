// Fault scenarios that need a POSIX resource limit: the real tool dumping onto a file system that takes
// only part of the dump.
#include "tests/support/Process.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

// While it lives, the files that this process and the programs it starts write are limited to `bytes`,
// and a write beyond the limit fails (EFBIG) instead of raising SIGXFSZ. Started programs inherit both.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &m_previous);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        sigaction(SIGXFSZ, &m_previous, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    struct sigaction m_previous {};
};

struct DumpCase {
    const char* name;
    const char* option;
};

class DumpOnAFullDisk : public testing::TestWithParam<DumpCase> {};

// The file system takes only 64 KiB of the 128 KiB dump: 41531, and neither the dump nor a temporary
// file is left behind; an older file of that name keeps its content.
TEST_P(DumpOnAFullDisk, LeavesNoPartialFile) {
    testsupport::SimReader sim("flash-usb");
    sim.Write("Chip.ini", testsupport::ReadFileBytes(
                              (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() /
                               "examples" / "flash-usb.ini")
                                  .string()));
    sim.Write("config.ini", "[Quillix Config]\nIni Name=Chip.ini\n");
    const std::string tool = testsupport::CopyInto(QUILLIX_BINARY, sim.Path());
    std::filesystem::create_directory(sim.File("out"));
    sim.Write("out/old.bin", "previous dump");
    auto dump = [&](const std::string& name) {
        FileSizeLimit limit(0x10000);
        return testsupport::RunProgram(tool, {GetParam().option, sim.File(name)});
    };

    testsupport::RunResult fresh = dump("out/new.bin");
    EXPECT_EQ(fresh.status, 41) << fresh.err;
    EXPECT_NE(fresh.err.find("41531"), std::string::npos) << fresh.err;
    testsupport::RunResult over = dump("out/old.bin");
    EXPECT_EQ(over.status, 41) << over.err;
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(sim.File("out")))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"old.bin"});
    EXPECT_EQ(sim.Read("out/old.bin"), "previous dump");
}

INSTANTIATE_TEST_SUITE_P(Formats, DumpOnAFullDisk,
                         testing::Values(DumpCase{"Binary", "-r"}, DumpCase{"Text", "-t"}),
                         [](const testing::TestParamInfo<DumpCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
