#include "tests/support/SimReader.h"

#include "device/VrkLibExternalUse.h"
#include "platform/ProgramFolder.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <sstream>

namespace testsupport {

std::string SimReader::DistDir() {
    return QUILLIX_TEST_DIST_DIR "/";
}

SimReader::SimReader(const std::string& preset) {
    // The library and the driver-update tool come from the build's program folder.
    EXPECT_TRUE(LinkOrCopy(DistDir() + CVrkLibExternalUse::kLibraryFileName,
                           File(CVrkLibExternalUse::kLibraryFileName)));
    EXPECT_TRUE(LinkOrCopy(DistDir() + "32bitrelease", File("32bitrelease")));
    SetEnvVar("QUILLIX_SIM_DIR", StateDir());
    MustSim("init " + preset);
}

SimReader::~SimReader() {
    UnsetEnvVar("QUILLIX_SIM_DIR");
}

int SimReader::Sim(const std::string& arguments, std::string* output, std::string* errors) const {
    std::vector<std::string> args = {"--dir", StateDir()};
    std::istringstream words(arguments);
    for (std::string word; words >> word;)
        args.push_back(word);
    RunResult result = RunProgram(DistDir() + "quillix-sim" + platform::kExecutableSuffix, args);
    if (output)
        *output = result.out;
    if (errors)
        *errors = result.err;
    return result.status;
}

std::string SimReader::MustSim(const std::string& arguments) const {
    std::string output, errors;
    int status = Sim(arguments, &output, &errors);
    EXPECT_EQ(status, 0) << "quillix-sim " << arguments << ": " << output << errors;
    return output;
}

std::vector<std::string> SimReader::Journal() const {
    std::istringstream text(MustSim("journal show"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

std::vector<std::string> SimReader::JournalOf(const std::string& entry) const {
    std::vector<std::string> lines;
    for (const std::string& line : Journal())
        if (line.find(entry + "(") != std::string::npos)
            lines.push_back(line);
    return lines;
}

} // namespace testsupport
