// udrvup: the driver-update tool shipped with the simulated readers. "udrvup update INF HWID"
// reinstalls the reader driver, which brings back every reader that a reset left away.
#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"
#include "sim/Journal.h"
#include "sim/SimState.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace {

// "USB\VID_xxxx&PID_xxxx", hexadecimal digits in either case.
bool IsHardwareId(const std::string& id) {
    const std::string pattern = "USB\\VID_####&PID_####";
    if (id.size() != pattern.size())
        return false;
    for (size_t i = 0; i < id.size(); ++i) {
        if (pattern[i] == '#' ? !std::isxdigit(static_cast<unsigned char>(id[i]))
                              : std::toupper(static_cast<unsigned char>(id[i])) != pattern[i])
            return false;
    }
    return true;
}

// The tool sits in <program folder>32bitrelease/; the state is that of the program folder.
std::string ProgramFolderOfTool() {
    std::string folder = platform::GetProgramFolder();
    if (!folder.empty())
        folder.pop_back();
    return platform::FolderOf(folder);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 || std::string(argv[1]) != "update" || !IsHardwareId(argv[3])) {
        std::fprintf(stderr, "usage: udrvup update DRIVER.inf USB\\VID_xxxx&PID_xxxx\n");
        return 2;
    }
    std::string inf = argv[2], hardwareId = argv[3];
    if (!platform::IsRegularFile(inf)) {
        std::fprintf(stderr, "udrvup: cannot read the driver file %s\n", inf.c_str());
        return 1;
    }
    sim::SimState state(sim::StateFolder(ProgramFolderOfTool()));
    if (!state.Ready()) {
        std::fprintf(stderr, "udrvup: %s\n", state.Error().c_str());
        return 1;
    }
    uint32_t back = state.BringBackAll();
    if (state.Data().journal)
        sim::AppendJournal(state.Folder(),
                           sim::JournalLine(-1, "udrvup",
                                            {"update", sim::TextArg(inf), sim::TextArg(hardwareId)},
                                            sim::HexArg(back)));
    if (!state.Commit()) {
        std::fprintf(stderr, "udrvup: %s\n", state.Error().c_str());
        return 1;
    }
    std::printf("udrvup: driver updated for %s, %u reader(s) back\n", hardwareId.c_str(), back);
    return 0;
}
