#include "core/Broadcast.h"
#include "core/UpdateDialogHooks.h"
#include "model/IcTypeIni.h"
#include "platform/FakeClock.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/DialogRunner.h"
#include "ui/update/PatchPkgDlg.h"
#include "ui/update/PatchPkgDlg3.h"
#include "ui/update/PatchPkgDlg4.h"
#include "ui/update/PatchPkgDlg5.h"
#include "ui/update/PatchPkgDlg6.h"

#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct RunCase {
    uint32_t customizeUI;
    IResultDialog** pointer;
    std::function<bool(QWidget*)> isExpectedClass;
    bool dlg3Hooks;
    bool dlg6Hooks;
};

class UpdateDialogRun : public testing::TestWithParam<RunCase> {};

// The runner shows the dialog that "Customize UI" selects, with its pointer (and the worker's hooks
// into it) set while it runs and cleared afterwards.
TEST_P(UpdateDialogRun, RunsModallyWithItsPointersSet) {
    uitest::EnsureApplication();
    platform::FakeClock clock;
    const RunCase& c = GetParam();
    g_dwCustomizeUI = c.customizeUI;
    bool rightClass = false, pointerSet = false, hooks3 = false, hooks6 = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        rightClass = c.isExpectedClass(dialog);
        pointerSet = *c.pointer == dynamic_cast<IResultDialog*>(dialog);
        hooks3 = g_pPatchPkgDlg3Hooks != nullptr &&
                 g_pPatchPkgDlg3Hooks == dynamic_cast<IPatchPkgDlg3Hooks*>(dialog);
        hooks6 = g_pPatchPkgDlg6Hooks != nullptr &&
                 g_pPatchPkgDlg6Hooks == dynamic_cast<IPatchPkgDlg6Hooks*>(dialog);
        dialog->close();
    });
    RunSelectedDialog();
    EXPECT_TRUE(rightClass);
    EXPECT_TRUE(pointerSet);
    EXPECT_EQ(hooks3, c.dlg3Hooks);
    EXPECT_EQ(hooks6, c.dlg6Hooks);
    EXPECT_EQ(*c.pointer, nullptr);
    EXPECT_EQ(g_pPatchPkgDlg3Hooks, nullptr);
    EXPECT_EQ(g_pPatchPkgDlg6Hooks, nullptr);
    g_dwCustomizeUI = 0;
}

template <class Dialog> std::function<bool(QWidget*)> Is() {
    return [](QWidget* widget) { return dynamic_cast<Dialog*>(widget) != nullptr; };
}

INSTANTIATE_TEST_SUITE_P(Runner, UpdateDialogRun,
                         testing::Values(RunCase{1, &g_pPatchPkgDlg, Is<CPatchPkgDlg>(), false, false},
                                         RunCase{3, &g_pPatchPkgDlg3, Is<CPatchPkgDlg3>(), true, false},
                                         RunCase{4, &g_pPatchPkgDlg4, Is<CPatchPkgDlg4>(), false, false},
                                         RunCase{5, &g_pPatchPkgDlg5, Is<CPatchPkgDlg5>(), false, false},
                                         RunCase{6, &g_pPatchPkgDlg6, Is<CPatchPkgDlg6>(), false, true}),
                         [](const auto& info) {
                             return "CustomizeUI" + std::to_string(info.param.customizeUI);
                         });

} // namespace
