#include "platform/StateFolder.h"

#include "tests/support/Process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets or removes an environment variable for the life of the object and restores it afterwards.
class EnvValue {
public:
    EnvValue(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            testsupport::SetEnvVar(name, value);
        else
            testsupport::UnsetEnvVar(name);
    }
    ~EnvValue() {
        if (m_old)
            testsupport::SetEnvVar(m_name, *m_old);
        else
            testsupport::UnsetEnvVar(m_name);
    }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

struct UserFolderCase {
    const char* name;
    const char* stateHome;
    const char* home;
    const char* expected;
};

class UserStateFolderTest : public testing::TestWithParam<UserFolderCase> {};

TEST_P(UserStateFolderTest, FollowsTheBaseDirectoryRules) {
    const UserFolderCase& c = GetParam();
    EnvValue state("XDG_STATE_HOME", c.stateHome);
    EnvValue home("HOME", c.home);
    EXPECT_EQ(platform::UserStateFolder(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UserStateFolderTest,
    testing::Values(UserFolderCase{"StateHome", "/s", "/h", "/s/quillix/"},
                    UserFolderCase{"StateHomeWithSlash", "/s/", "/h", "/s/quillix/"},
                    UserFolderCase{"NoStateHome", nullptr, "/h", "/h/.local/state/quillix/"},
                    UserFolderCase{"EmptyStateHome", "", "/h", "/h/.local/state/quillix/"},
                    // A relative value is invalid and ignored.
                    UserFolderCase{"RelativeStateHome", "s", "/h", "/h/.local/state/quillix/"}),
    [](const testing::TestParamInfo<UserFolderCase>& info) { return std::string(info.param.name); });

TEST(UserStateFolderNoHome, TakesTheAccountsHomeFolder) {
    EnvValue state("XDG_STATE_HOME", nullptr);
    EnvValue home("HOME", nullptr);
    std::string folder = platform::UserStateFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_TRUE(folder.ends_with("/.local/state/quillix/")) << folder;
}

} // namespace
