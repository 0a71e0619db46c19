#include "platform/StateFolder.h"

#include "platform/FileSystem.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using testsupport::TempDir;

namespace {

// The user's state folder pointed into a temporary folder on both systems.
class StateFolderTest : public testing::Test {
protected:
    StateFolderTest() {
        testsupport::SetEnvVar("XDG_STATE_HOME", m_home.Path() + "state");
        testsupport::SetEnvVar("LOCALAPPDATA", m_home.Path() + "state");
    }
    ~StateFolderTest() override {
        testsupport::UnsetEnvVar("XDG_STATE_HOME");
        testsupport::UnsetEnvVar("LOCALAPPDATA");
    }

    TempDir m_home;
    TempDir m_program;
};

TEST_F(StateFolderTest, UserFolderIsInsideTheStateHome) {
    std::string user = platform::UserStateFolder();
    EXPECT_EQ(user.rfind(m_home.Path() + "state", 0), 0u) << user;
    EXPECT_TRUE(user.back() == '/' || user.back() == '\\') << user;
}

TEST_F(StateFolderTest, WritableProgramFolderKeepsItsOwnState) {
    EXPECT_EQ(platform::StateFolderFor(m_program.Path()), m_program.Path());
}

TEST_F(StateFolderTest, InstalledProgramFolderSendsStateToTheUser) {
    m_program.Write(platform::kInstalledMarker, "installed\n");
    EXPECT_EQ(platform::StateFolderFor(m_program.Path()), platform::UserStateFolder());
}

TEST_F(StateFolderTest, UnwritableProgramFolderSendsStateToTheUser) {
    // A file where the program folder should be: nothing can be created inside it.
    m_program.Write("file", "");
    std::string notAFolder = m_program.File("file") + "/";
    EXPECT_FALSE(platform::CanWriteInFolder(notAFolder));
    EXPECT_EQ(platform::StateFolderFor(notAFolder), platform::UserStateFolder());
}

TEST_F(StateFolderTest, WritableFolderIsSeenAsWritable) {
    EXPECT_TRUE(platform::CanWriteInFolder(m_program.Path()));
    // Asking leaves nothing behind.
    EXPECT_TRUE(platform::FindFiles(m_program.Path(), "*").empty());
}

} // namespace
