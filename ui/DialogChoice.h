#pragma once

#include <cstdint>

class IResultDialog;

// The dialog a run shows, chosen by the IC INI key "Customize UI".
enum class DialogKind { Main, PatchPkg, PatchPkg3, PatchPkg4, PatchPkg5, PatchPkg6 };

struct DialogChoice {
    DialogKind kind;
    const char* className;
    // The global pointer that holds the dialog while it runs.
    IResultDialog** globalPointer;
};

// 1, 3, 4, 5 and 6 select the firmware-update dialogs; every other value (2, the download-only form of
// the main dialog, included) selects the main dialog.
DialogChoice ChooseDialog(uint32_t customizeUI);
