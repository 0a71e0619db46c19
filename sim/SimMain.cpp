// quillix-sim: the control tool of the simulated readers.
#include "platform/ProgramFolder.h"
#include "sim/ControlTool.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = sim::RunControlTool(args, platform::GetProgramFolder(), std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : sim::kExitFailure;
}
