// The manual page renders without a single warning of the man macros.
#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(ManPage, QuillixImageRendersWithoutWarnings) {
    const std::string page = std::string(QUILLIX_SOURCE_DIR) + "/docs/man/quillix-image.1";
    ASSERT_TRUE(std::filesystem::exists("/usr/bin/groff")) << "groff is installed by scripts/setup.sh";
    testsupport::RunResult render =
        testsupport::RunProgram("/usr/bin/groff", {"-man", "-Tutf8", "-ww", page});
    EXPECT_EQ(render.status, 0);
    EXPECT_EQ(render.err, "");
    EXPECT_NE(render.out.find("offline"), std::string::npos);
}
