#include "device/VrkLibExternalUse.h"
#include "tests/support/Process.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#ifdef _WIN32
#include <windows.h>
#else
#include <link.h>
#endif

using testsupport::TempProgramFolder;

namespace {

// Puts one of the stand-in libraries into a temporary program folder under the library's file name.
class BindingTest : public testing::Test {
protected:
    void Install(const std::string& stub) {
        std::string source =
            std::string(QUILLIX_TEST_STUB_DIR) + "/" + stub + "/" + CVrkLibExternalUse::kLibraryFileName;
        ASSERT_TRUE(testsupport::LinkOrCopy(source, m_folder.File(CVrkLibExternalUse::kLibraryFileName)));
    }
    TempProgramFolder m_folder;
};

// Copies of the reader library in this process. Windows keeps one module per name, counting its loads.
int CountLoadedCopies() {
#ifdef _WIN32
    return GetModuleHandleA(CVrkLibExternalUse::kLibraryFileName) ? 1 : 0;
#else
    int count = 0;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            if (std::string(info->dlpi_name).find(CVrkLibExternalUse::kLibraryFileName) != std::string::npos)
                ++*static_cast<int*>(data);
            return 0;
        },
        &count);
    return count;
#endif
}

} // namespace

TEST_F(BindingTest, BindsWhenEveryCalledEntryIsPresent) {
    struct Case {
        const char* stub;
        uint32_t bound;
        const char* missing;
    } cases[] = {{"stub_all", 1, ""}, {"stub_used_only", 1, ""}, {"stub_missing_used", 0, "QDReadEeprom"}};
    for (const Case& c : cases) {
        std::filesystem::remove(m_folder.File(CVrkLibExternalUse::kLibraryFileName));
        Install(c.stub);
        CVrkLibExternalUse lib;
        ASSERT_EQ(lib.LoadLib(), 1u) << c.stub;
        EXPECT_EQ(lib.LoadFun(), c.bound) << c.stub;
        EXPECT_EQ(lib.IsBound(), c.bound == 1) << c.stub;
        EXPECT_EQ(lib.MissingEntry(), c.missing) << c.stub;
        // A library that cannot be bound leaves no slot set, so nothing can call into it.
        EXPECT_EQ(lib.QDReadStatus != nullptr, c.bound == 1) << c.stub;
        if (c.bound) {
            EXPECT_EQ(lib.QDInquiry != nullptr, std::string(c.stub) == "stub_all");
        }
    }
}

TEST_F(BindingTest, LoadsOnlyFromTheProgramFolder) {
    CVrkLibExternalUse lib;
    EXPECT_EQ(lib.LoadLib(), 0u) << "no library beside the executable";
    EXPECT_EQ(lib.m_hLib, nullptr);
    EXPECT_EQ(lib.LoadFun(), 0u);
    EXPECT_FALSE(lib.IsBound());
}

TEST_F(BindingTest, LoadTwiceKeepsOneModuleAndUnloadClearsEverything) {
    Install("stub_all");
    {
        CVrkLibExternalUse lib;
        ASSERT_EQ(lib.LoadLib(), 1u);
        ASSERT_EQ(lib.LoadLib(), 1u);
        EXPECT_EQ(CountLoadedCopies(), 1);
        ASSERT_EQ(lib.LoadFun(), 1u);
        lib.m_hDev = 7;
        EXPECT_EQ(lib.UnloadLib(), 1u);
        EXPECT_EQ(lib.m_hLib, nullptr);
        EXPECT_EQ(lib.m_hDev, 0u);
        EXPECT_EQ(lib.QDOpenVrkUsbStor, nullptr);
        EXPECT_EQ(lib.QDPhyWrite, nullptr);
        EXPECT_FALSE(lib.IsBound());
        EXPECT_EQ(CountLoadedCopies(), 0);
    }
    CVrkLibExternalUse never;
    EXPECT_EQ(never.UnloadLib(), 0u) << "nothing was loaded";
    EXPECT_EQ(never.QDClose, nullptr);
}
