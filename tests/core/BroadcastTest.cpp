#include "core/Broadcast.h"
#include "core/ConsoleProgress.h"
#include "core/MessageIds.h"
#include "tests/support/ProcessGlobals.h"
#include "tests/support/RecordingDialog.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

struct Delivery {
    std::string dialog;
    uint32_t id;
    uintptr_t wParam;
    intptr_t lParam;
    bool operator==(const Delivery&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Delivery& d) {
    return out << d.dialog << "(0x" << std::hex << d.id << std::dec << ", " << d.wParam << ", " << d.lParam
               << ")";
}

using testsupport::RecordingDialog;

// Which dialogs a case runs with: the main dialog and the update dialogs 1, 3, 4, 5, 6.
enum DialogBits : unsigned {
    kMain = 1,
    kPkg1 = 2,
    kPkg3 = 4,
    kPkg4 = 8,
    kPkg5 = 16,
    kPkg6 = 32,
    kAll = 63,
};

// The dialogs write every posted message into a journal shared by all dialogs of a test, so the order
// of delivery across dialogs is visible.
class DialogFixture : public testing::Test {
protected:
    DialogFixture() {
        const std::pair<const char*, RecordingDialog*> named[] = {{"main", &m_main}, {"pkg1", &m_pkg1},
                                                                  {"pkg3", &m_pkg3}, {"pkg4", &m_pkg4},
                                                                  {"pkg5", &m_pkg5}, {"pkg6", &m_pkg6}};
        for (const auto& [name, dialog] : named)
            dialog->onPost = [this, name = std::string(name)](const testsupport::PostedMessage& message) {
                m_journal.push_back({name, message.id, message.wParam, message.lParam});
            };
    }

    void Install(unsigned bits) {
        g_pMainDlg = (bits & kMain) ? &m_main : nullptr;
        g_pPatchPkgDlg = (bits & kPkg1) ? &m_pkg1 : nullptr;
        g_pPatchPkgDlg3 = (bits & kPkg3) ? &m_pkg3 : nullptr;
        g_pPatchPkgDlg4 = (bits & kPkg4) ? &m_pkg4 : nullptr;
        g_pPatchPkgDlg5 = (bits & kPkg5) ? &m_pkg5 : nullptr;
        g_pPatchPkgDlg6 = (bits & kPkg6) ? &m_pkg6 : nullptr;
    }

    testsupport::ProcessGlobals m_globals;
    std::vector<Delivery> m_journal;
    RecordingDialog m_main, m_pkg1, m_pkg3, m_pkg4, m_pkg5, m_pkg6;
};

struct BroadcastCase {
    const char* name;
    unsigned dialogs;
    uint32_t id;
    uintptr_t wParam;
    std::vector<std::string> receivers; // in order of delivery
    ResultCode errorCodeAfter;          // g_dwErrorCode starts at 0
};

class BroadcastRule : public DialogFixture, public testing::WithParamInterface<BroadcastCase> {};

TEST_P(BroadcastRule, DeliversAndRecords) {
    const BroadcastCase& c = GetParam();
    Install(c.dialogs);
    BroadcastResult(c.id, c.wParam, 0);

    std::vector<Delivery> expected;
    for (const std::string& receiver : c.receivers)
        expected.push_back({receiver, c.id, c.wParam, 0});
    EXPECT_EQ(m_journal, expected);
    EXPECT_EQ(g_dwErrorCode, c.errorCodeAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BroadcastRule,
    testing::Values(
        // Command line: failures and fatals become the exit code, nothing else has any effect.
        BroadcastCase{"NoDialogFailureRecorded", 0, UM_FAIL, 41511, {}, 41511},
        BroadcastCase{"NoDialogFatalRecorded", 0, UM_FATAL, 41501, {}, 41501},
        BroadcastCase{"NoDialogSuccessLeavesZero", 0, UM_SUCCEED, 41654, {}, 0},
        BroadcastCase{"NoDialogProgressHasNoEffect", 0, UM_PROGRESS, 50, {}, 0},
        BroadcastCase{"NoDialogFirmwareStatusNotRecorded", 0, UM_FW_STATUS, 41905, {}, 0},
        // A main dialog shows failures itself; the exit code is not touched.
        BroadcastCase{"MainDialogGetsFailure", kMain, UM_FAIL, 41513, {"main"}, 0},
        BroadcastCase{"MainDialogGetsFatal", kMain, UM_FATAL, 41502, {"main"}, 0},
        BroadcastCase{"MainDialogGetsProgress", kMain, UM_PROGRESS, 100, {"main"}, 0},
        // An update dialog alone receives the failure and the code is recorded as well.
        BroadcastCase{"UpdateDialogOnlyFailureReachesAndRecords", kPkg3, UM_FAIL, 41530, {"pkg3"}, 41530},
        BroadcastCase{"UpdateDialogOnlyFatalReachesAndRecords", kPkg6, UM_FATAL, 41501, {"pkg6"}, 41501},
        BroadcastCase{"UpdateDialogOnlySuccess", kPkg1, UM_SUCCEED, 41754, {"pkg1"}, 0},
        BroadcastCase{"StationSocketBegins", kPkg5, UM_SOCKET_BEGIN, 2, {"pkg5"}, 0},
        // Delivery order: main dialog first, then 1, 3, 4, 5, 6.
        BroadcastCase{
            "OrderOfDelivery", kAll, UM_PROGRESS, 7, {"main", "pkg1", "pkg3", "pkg4", "pkg5", "pkg6"}, 0},
        BroadcastCase{
            "OrderWithoutMain", kPkg6 | kPkg4 | kPkg1, UM_FAIL, 41511, {"pkg1", "pkg4", "pkg6"}, 41511},
        BroadcastCase{"MainPresentSuppressesRecording", kMain | kPkg5, UM_FAIL, 41511, {"main", "pkg5"}, 0}),
    [](const testing::TestParamInfo<BroadcastCase>& info) { return std::string(info.param.name); });

using BroadcastFixture = DialogFixture;

TEST_F(BroadcastFixture, LastFailureWinsWithoutDialog) {
    BroadcastResult(UM_FAIL, 41511, 0);
    BroadcastResult(UM_PROGRESS, 40, 0);
    BroadcastResult(UM_FAIL, 41604, 0);
    BroadcastResult(UM_SUCCEED, 41651, 0);
    EXPECT_EQ(g_dwErrorCode, 41604u);
}

TEST_F(BroadcastFixture, ParametersArePointerSized) {
    Install(kPkg3);
    uint16_t versions[2] = {0x1234, 0x0056};
    auto address = reinterpret_cast<intptr_t>(&versions[0]);
    BroadcastResult(UM_FW_VERSIONS, UINTPTR_MAX, address);
    ASSERT_EQ(m_journal.size(), 1u);
    EXPECT_EQ(m_journal[0].wParam, UINTPTR_MAX);
    EXPECT_EQ(reinterpret_cast<uint16_t*>(m_journal[0].lParam), &versions[0]);
}

struct CancelCase {
    const char* name;
    unsigned dialogs;
    unsigned cancelled; // dialogs whose flag is set
    uint32_t expected;
};

class CancelRule : public DialogFixture, public testing::WithParamInterface<CancelCase> {};

TEST_P(CancelRule, ReadsTheFirstSetDialog) {
    const CancelCase& c = GetParam();
    Install(c.dialogs);
    const std::pair<unsigned, RecordingDialog*> dialogs[] = {{kMain, &m_main}, {kPkg1, &m_pkg1},
                                                             {kPkg3, &m_pkg3}, {kPkg4, &m_pkg4},
                                                             {kPkg5, &m_pkg5}, {kPkg6, &m_pkg6}};
    for (auto [bit, dialog] : dialogs) {
        if (c.cancelled & bit)
            dialog->SetCancelFlag();
    }
    EXPECT_EQ(IsCancelRequested(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, CancelRule,
                         testing::Values(CancelCase{"CommandLineNeverCancels", 0, 0, 0},
                                         CancelCase{"CommandLineIgnoresUnsetDialogs", 0, kAll, 0},
                                         CancelCase{"MainDialogCancelled", kMain, kMain, 1},
                                         CancelCase{"MainDialogRunning", kMain, 0, 0},
                                         CancelCase{"OnlyUpdateDialogCancelled", kPkg4, kPkg4, 1},
                                         CancelCase{"MainDialogComesFirst", kMain | kPkg1, kPkg1, 0},
                                         CancelCase{"Dialog3BeforeDialog6", kPkg3 | kPkg6, kPkg6, 0},
                                         CancelCase{"LastUpdateDialog", kPkg6, kPkg6, 1}),
                         [](const testing::TestParamInfo<CancelCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ThreadFlag, SetAndClear) {
    CThreadFlag flag;
    EXPECT_EQ(flag.GetCancelFlag(), 0u);
    flag.SetCancelFlag();
    EXPECT_EQ(flag.GetCancelFlag(), 1u);
    flag.SetCancelFlag();
    EXPECT_EQ(flag.GetCancelFlag(), 1u);
    flag.ClearCancelFlag();
    EXPECT_EQ(flag.GetCancelFlag(), 0u);
}

TEST_F(BroadcastFixture, CancelSetOnAnotherThreadIsSeenByTheOperation) {
    Install(kMain);
    std::thread canceller([this] { m_main.SetCancelFlag(); });
    canceller.join();
    EXPECT_EQ(IsCancelRequested(), 1u);
    m_main.ClearCancelFlag();
    EXPECT_EQ(IsCancelRequested(), 0u);
}

} // namespace

namespace {
std::vector<uint32_t> g_shownProgress;
void RecordProgress(uint32_t percent) {
    g_shownProgress.push_back(percent);
}
} // namespace

// Without any dialog, progress goes to the console progress display when one is installed.
TEST(ConsoleProgress, ShownOnlyWithoutDialogs) {
    g_shownProgress.clear();
    SetConsoleProgress(RecordProgress);
    BroadcastResult(UM_PROGRESS, 20, 0);
    BroadcastResult(UM_FAIL, 41511, 0);
    BroadcastResult(UM_PROGRESS, 100, 0);
    SetConsoleProgress(nullptr);
    BroadcastResult(UM_PROGRESS, 50, 0);
    EXPECT_EQ(g_shownProgress, (std::vector<uint32_t>{20, 100}));
    g_dwErrorCode = 0;
}

TEST(ConsoleProgress, BarTable) {
    struct Case {
        uint32_t percent;
        unsigned width;
        const char* bar;
    } cases[] = {
        {0, 10, "[..........]   0%"},
        {25, 10, "[##........]  25%"},
        {100, 10, "[##########] 100%"},
        {250, 4, "[####] 100%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatProgressBar(c.percent, c.width), c.bar) << c.percent;
}
