// Endurance of the command line: many operations in a row in one process, each a whole run of the
// application (start-up, the operation, shutdown) against one simulated reader. Whatever a run opens —
// the reader library, its lock and state files, the dump files — it closes again: after the last run the
// process holds the same file descriptors and the simulator's state folder the same files as after the
// first one.
//
// The suite runs a few dozen operations. The long run is
//   QUILLIX_ENDURANCE_OPERATIONS=1000 build/tests/app_tests --gtest_filter='CommandLineEndurance*'
// and prints one table.
#include "app/QuillixApp.h"
#include "core/Broadcast.h"
#include "core/ParseArg.h"
#include "device/DevTypeInfo.h"
#include "platform/FakeClock.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>

using testsupport::SimReader;

namespace {

// Every open descriptor of the process and what it refers to.
std::map<std::string, std::string> OpenDescriptors() {
    std::map<std::string, std::string> fds;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(entry.path(), error);
        fds[entry.path().filename().string()] = error ? "?" : target.string();
    }
    // The descriptor the listing itself used is gone by now; it names the folder being listed.
    std::erase_if(fds, [](const auto& fd) { return fd.second.find("/proc/") == 0; });
    return fds;
}

// The files of the simulator's state folder with their sizes. The scenario's size is left out: it keeps
// the latest device changes (the resets add them) and their count.
std::map<std::string, uintmax_t> StateFiles(const std::string& folder) {
    std::map<std::string, uintmax_t> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        files[name] = entry.is_regular_file() && name != "scenario.ini" ? entry.file_size() : 0;
    }
    return files;
}

// One run of the application with the steps of the real program.
ResultCode RunOnce(const std::string& commandLine) {
    g_dwErrorCode = 0;
    CQuillixApp::Steps steps;
    steps.createDevTypeInfo = CreateDevTypeInfo;
    steps.destroyDevTypeInfo = DestroyDevTypeInfo;
    CParseArg parser;
    steps.parseArg = [&parser](const std::string& line) { return parser.Parse_Arg(line) == 1; };
    steps.executeArg = [&parser] { parser.Excute_Arg(*g_pDevTypeInfo); };
    CQuillixApp app(steps);
    return app.Run(commandLine);
}

TEST(CommandLineEndurance, ManyOperationsLeaveNothingOpenBehind) {
    const char* count = std::getenv("QUILLIX_ENDURANCE_OPERATIONS");
    const int operations = count && *count ? std::atoi(count) : 40;
    ASSERT_GE(operations, 5);

    platform::FakeClock clock;
    SimReader sim("eeprom-usb");
    sim.Write("Chip.ini", "[Quillix Config]\nProject Type=EEPROM\nBus Type=USB\n");
    sim.Write("config.ini", "[Quillix Config]\nIni Name=Chip.ini\n");
    const std::string image = sim.File("image.bin");
    const std::string dump = sim.File("dump.bin");
    const std::string text = sim.File("dump.txt");

    // Write, dump, text dump, erase with and without reset; every write has a new image, which the
    // dump after it must give back.
    std::mt19937 random(2026);
    std::string written;
    std::map<std::string, int> failures;
    std::map<std::string, int> done;
    std::map<std::string, std::string> fdsAfterFirst;
    std::map<std::string, uintmax_t> stateAfterFirst;
    int wrongDumps = 0;
    for (int op = 0; op < operations; ++op) {
        std::string option;
        switch (op % 5) {
        case 0:
            written.assign(128, '\0');
            for (char& byte : written)
                byte = static_cast<char>(random());
            sim.Write("image.bin", written);
            option = "-w " + image;
            break;
        case 1:
            option = "-r " + dump;
            break;
        case 2:
            option = "-t " + text;
            break;
        case 3:
            option = "-c";
            break;
        default:
            option = "-e";
        }
        const ResultCode code = RunOnce(" " + option);
        const std::string kind = option.substr(0, 2);
        ++done[kind];
        if (code != 0) {
            ++failures[kind];
            ADD_FAILURE() << "operation " << op << " (" << option << ") ended with " << code;
        }
        if (kind == "-r" && sim.Read("dump.bin") != written) {
            ++wrongDumps;
            ADD_FAILURE() << "operation " << op << ": the dump differs from the image written before";
        }
        if (op == 0) {
            fdsAfterFirst = OpenDescriptors();
            stateAfterFirst = StateFiles(sim.StateDir());
        }
    }
    const std::map<std::string, std::string> fdsAfterLast = OpenDescriptors();
    const std::map<std::string, uintmax_t> stateAfterLast = StateFiles(sim.StateDir());
    // The first run created the state folder's files; later runs add none (no lock, temporary or
    // journal file left behind) and change no size.
    EXPECT_EQ(fdsAfterLast, fdsAfterFirst);
    EXPECT_EQ(stateAfterLast, stateAfterFirst);

    std::printf("command-line endurance, %d operations against one eeprom-usb reader:\n", operations);
    std::printf("| Option | Runs | Failed | Wrong dumps |\n|---|---|---|---|\n");
    for (const auto& [kind, runs] : done)
        std::printf("| %s | %d | %d | %d |\n", kind.c_str(), runs, failures[kind],
                    kind == "-r" ? wrongDumps : 0);
    std::printf("| open descriptors after the first / last run | %zu / %zu | | |\n", fdsAfterFirst.size(),
                fdsAfterLast.size());
    std::printf("| state files after the first / last run | %zu / %zu | | |\n", stateAfterFirst.size(),
                stateAfterLast.size());
}

} // namespace
