#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

std::string SimReader::DistDir() {
    return QUILLIX_TEST_DIST_DIR "/";
}

SimReader::SimReader(const std::string& preset) {
    // The library and the driver-update tool come from the build's program folder.
    symlink((DistDir() + "libQdCRLib.so").c_str(), File("libQdCRLib.so").c_str());
    symlink((DistDir() + "32bitrelease").c_str(), File("32bitrelease").c_str());
    setenv("QUILLIX_SIM_DIR", StateDir().c_str(), 1);
    MustSim("init " + preset);
}

SimReader::~SimReader() {
    unsetenv("QUILLIX_SIM_DIR");
}

int SimReader::Sim(const std::string& arguments, std::string* output) const {
    std::string command = "'" + DistDir() + "quillix-sim' --dir '" + StateDir() + "' " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    std::array<char, 4096> chunk;
    size_t n;
    while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        text.append(chunk.data(), n);
    int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string SimReader::MustSim(const std::string& arguments) const {
    std::string output;
    int status = Sim(arguments, &output);
    EXPECT_EQ(status, 0) << "quillix-sim " << arguments << ": " << output;
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
