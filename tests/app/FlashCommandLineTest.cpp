#include "model/ProjectTypes.h"
#include "model/SilentFiles.h"
#include "tests/support/NativePath.h"
#include "tests/support/Process.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using testsupport::ExitStatusFor;
using testsupport::SimReader;

namespace {

// The real tool in a program folder of its own with the sample USB FLASH IC INI file and a simulated
// FLASH reader (32-bit access, 128 KiB code area).
class FlashCommandLine : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::path source =
            std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
        std::ifstream sample(source / "examples" / "flash-usb.ini", std::ios::binary);
        ASSERT_TRUE(sample) << "sample IC INI file";
        std::stringstream text;
        text << sample.rdbuf();
        m_sim.Write("Chip.ini", text.str());
        m_sim.Write("config.ini", "[Quillix Config]\nIni Name=Chip.ini\n");
        m_tool = testsupport::CopyInto(QUILLIX_BINARY, m_sim.Path());
        m_sim.MustSim("journal on");
    }

    // Runs the tool with the arguments; returns its exit status and keeps its standard error.
    int Run(const std::vector<std::string>& args) {
        testsupport::RunResult result = testsupport::RunProgram(m_tool, args);
        m_err = result.err;
        return result.status;
    }
    std::string Flash() {
        m_sim.MustSim("read 0 flash " + m_sim.File("flash-now.bin"));
        return testsupport::ReadFileBytes(m_sim.File("flash-now.bin"));
    }
    const std::string& Err() const { return m_err; }

    SimReader m_sim{"flash-usb"};
    std::string m_tool;
    std::string m_err;
};

constexpr size_t kCodeSize = 0x20000;

TEST_F(FlashCommandLine, WriteThenReadGivesTheFileBack) {
    // A firmware image with a vendor block; the hold-info step keeps the reader's own vendor fields.
    std::string image(kCodeSize, '\0');
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i * 13 + 1);
    std::string flash = Flash();
    std::copy(flash.end() - 256, flash.end(), image.end() - 256);
    m_sim.Write("fw.bin", image);

    ASSERT_EQ(Run({"-w", "fw.bin"}), 0) << Err();
    EXPECT_EQ(Flash(), image);
    std::string dump = m_sim.File("dumps/out.bin");
    ASSERT_EQ(Run({"-r", testsupport::NativePath(dump)}), 0) << Err();
    EXPECT_EQ(testsupport::ReadFileBytes(dump), image);
}

TEST_F(FlashCommandLine, TextDumpOfTheCodeArea) {
    std::string dump = m_sim.File("out.txt");
    ASSERT_EQ(Run({"-t", dump}), 0) << Err();
    std::string flash = Flash();
    EXPECT_EQ(testsupport::ReadFileBytes(dump),
              FormatTextDump(reinterpret_cast<const uint8_t*>(flash.data()), kCodeSize));
}

TEST_F(FlashCommandLine, FailuresEndWithTheirExitStatus) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* fault; // a simulator command before the run, or none
        int status;        // on POSIX; Windows exits with the whole code
        ResultCode code;
    } cases[] = {
        {"missing file", {"-w", "absent.bin"}, nullptr, 61, 41701},
        {"erase fails on every attempt", {"-w", "fw.bin"}, "fault 0 fail QDEraseFlash2 100", 65, 41705},
        {"no reader", {"-r", "out.bin"}, "detach 0", 21, 41511},
    };
    m_sim.Write("fw.bin", std::string(kCodeSize, 'A'));
    for (const Case& c : cases) {
        if (c.fault)
            m_sim.MustSim(c.fault);
        EXPECT_EQ(Run(c.args), ExitStatusFor(c.status, c.code)) << c.name << ": " << Err();
        EXPECT_NE(Err().find(std::to_string(c.code)), std::string::npos) << c.name << ": " << Err();
        m_sim.MustSim("fault 0 off");
    }
}

} // namespace
