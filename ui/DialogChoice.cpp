#include "ui/DialogChoice.h"

#include "core/Broadcast.h"

namespace {

struct ChoiceRow {
    uint32_t customizeUI;
    DialogChoice choice;
};

const ChoiceRow kChoices[] = {
    {1, {DialogKind::PatchPkg, "CPatchPkgDlg", &g_pPatchPkgDlg}},
    {3, {DialogKind::PatchPkg3, "CPatchPkgDlg3", &g_pPatchPkgDlg3}},
    {4, {DialogKind::PatchPkg4, "CPatchPkgDlg4", &g_pPatchPkgDlg4}},
    {5, {DialogKind::PatchPkg5, "CPatchPkgDlg5", &g_pPatchPkgDlg5}},
    {6, {DialogKind::PatchPkg6, "CPatchPkgDlg6", &g_pPatchPkgDlg6}},
};

} // namespace

DialogChoice ChooseDialog(uint32_t customizeUI) {
    for (const ChoiceRow& row : kChoices)
        if (row.customizeUI == customizeUI)
            return row.choice;
    return {DialogKind::Main, "CQuillixDlg", &g_pMainDlg};
}
