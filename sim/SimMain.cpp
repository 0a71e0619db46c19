// quillix-sim: the control tool of the simulated readers.
#include "platform/ProgramFolder.h"
#include "sim/ControlTool.h"

#include <iostream>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // Lines end with LF on every system, so scripts and tests read the same output everywhere.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = sim::RunControlTool(args, platform::GetProgramFolder(), std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : sim::kExitFailure;
}
