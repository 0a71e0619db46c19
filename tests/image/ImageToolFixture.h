#pragma once

#include "tests/support/NativePath.h"
#include "tests/support/Process.h"
#include "tests/support/SimReader.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// A program folder with quillix, quillix-image, an IC INI file naming the chip and the simulated
// reader in `preset`: quillix dumps the reader's memory, quillix-image works on the dump.
class ImageToolFolder {
public:
    ImageToolFolder(const std::string& preset, const std::string& kind, const std::string& bus,
                    const std::string& extraIni = "")
        : m_sim(preset) {
        m_sim.Write("Chip.ini",
                    "[Quillix Config]\nProject Type=" + kind + "\nBus Type=" + bus + "\n" + extraIni);
        m_sim.Write("config.ini", "[Quillix Config]\nIni Name=Chip.ini\n");
        m_quillix = testsupport::CopyInto(QUILLIX_BINARY, m_sim.Path());
        m_image = testsupport::CopyInto(QUILLIX_IMAGE_BINARY, m_sim.Path());
    }

    // A fresh dump of the reader's memory, read by quillix; its path.
    std::string Dump(const std::string& name = "dump.bin") const {
        const std::string path = m_sim.File(name);
        testsupport::RunResult read =
            testsupport::RunProgram(m_quillix, {"-r", testsupport::NativePath(path)});
        EXPECT_EQ(read.status, 0) << read.err;
        return path;
    }

    testsupport::RunResult Image(const std::vector<std::string>& args) const {
        return testsupport::RunProgram(m_image, args);
    }

    // `show --json` of an image; an empty object when it fails.
    nlohmann::json Show(const std::string& path, const std::vector<std::string>& chip = {}) const {
        std::vector<std::string> args = {"show", "--json", testsupport::NativePath(path)};
        args.insert(args.end(), chip.begin(), chip.end());
        testsupport::RunResult show = Image(args);
        EXPECT_EQ(show.status, 0) << show.err;
        return show.status == 0 ? nlohmann::json::parse(show.out) : nlohmann::json::object();
    }

    testsupport::SimReader m_sim;
    std::string m_quillix;
    std::string m_image;
};
