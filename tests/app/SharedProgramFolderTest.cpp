#include "app/QuillixApp.h"

#include "core/Broadcast.h"
#include "platform/FileSystem.h"
#include "platform/StateFolder.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::PlatformText;
using testsupport::TempDir;
using testsupport::TempProgramFolder;

namespace {

const char* const kSettings = "[Quillix Config]\nIni Name=Chip.ini\n\n";
const char* const kChip = "[Quillix Config]\nProject Type=EEPROM\nBus Type=USB\n";

// A program folder with a chip file and settings, and the user's state folder in a temporary folder.
class SharedProgramFolderTest : public testing::Test {
protected:
    SharedProgramFolderTest() {
        testsupport::SetEnvVar("XDG_STATE_HOME", m_home.Path() + "state");
        testsupport::SetEnvVar("LOCALAPPDATA", m_home.Path() + "state");
        m_folder.Write("Chip.ini", kChip);
        g_dwErrorCode = 0;
    }
    ~SharedProgramFolderTest() override {
        testsupport::UnsetEnvVar("XDG_STATE_HOME");
        testsupport::UnsetEnvVar("LOCALAPPDATA");
    }

    void Run() {
        CQuillixApp app;
        app.Run(" ");
    }

    // Sets the file's modification time well into the past, so a rewrite shows.
    std::filesystem::file_time_type Age(const std::string& path) {
        auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 30);
        std::filesystem::last_write_time(path, old);
        return std::filesystem::last_write_time(path);
    }

    TempDir m_home;
    TempProgramFolder m_folder;
};

TEST_F(SharedProgramFolderTest, UnchangedSettingsAreNotWrittenAgain) {
    m_folder.Write("config.ini", PlatformText(kSettings));
    auto before = Age(m_folder.File("config.ini"));
    Run();
    EXPECT_EQ(std::filesystem::last_write_time(m_folder.File("config.ini")), before);
    EXPECT_EQ(m_folder.Read("config.ini"), PlatformText(kSettings));
}

TEST_F(SharedProgramFolderTest, InstalledFolderIsLeftAloneAndTheUserFolderGetsTheChanges) {
    m_folder.Write(platform::kInstalledMarker, "");
    m_folder.Write("config.ini", "[Quillix Config]\nIni Name=Other.ini\n");
    Run();
    std::string user = platform::UserStateFolder();
    EXPECT_EQ(m_folder.Read("config.ini"), "[Quillix Config]\nIni Name=Other.ini\n");
    EXPECT_FALSE(platform::FileExists(m_folder.File("Quillix.log")));
    EXPECT_TRUE(platform::FileExists(user + "Quillix.log"));
    EXPECT_EQ(testsupport::ReadFileBytes(user + "config.ini"), PlatformText(kSettings));

    // The next run reads the user's settings and, with nothing changed, writes nothing.
    auto before = Age(user + "config.ini");
    Run();
    EXPECT_EQ(std::filesystem::last_write_time(user + "config.ini"), before);
    EXPECT_EQ(m_folder.Read("config.ini"), "[Quillix Config]\nIni Name=Other.ini\n");
}

} // namespace
