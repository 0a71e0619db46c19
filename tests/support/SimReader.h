#pragma once

#include "tests/support/TempDir.h"

#include <string>
#include <vector>

namespace testsupport {

// A program folder with the simulated reader library in it and a simulator state of its own
// (QUILLIX_SIM_DIR points into the folder while the object lives). The control tool sets the scene.
class SimReader : public TempProgramFolder {
public:
    // Starts from `preset` ("none" for no reader).
    explicit SimReader(const std::string& preset = "eeprom-usb");
    ~SimReader();

    // Runs the control tool with the given arguments (split at blanks, no shell); returns its exit
    // status and, when asked, its standard output and standard error.
    int Sim(const std::string& arguments, std::string* output = nullptr, std::string* errors = nullptr) const;
    // Sim() that must succeed (the test fails otherwise); returns its standard output.
    std::string MustSim(const std::string& arguments) const;
    // The journal lines recorded since journaling was switched on (or last cleared).
    std::vector<std::string> Journal() const;
    // Journal lines that mention `entry`.
    std::vector<std::string> JournalOf(const std::string& entry) const;

    std::string StateDir() const { return File("simreader"); }

    // The build's program folder (tool, library, control tool).
    static std::string DistDir();
};

} // namespace testsupport
