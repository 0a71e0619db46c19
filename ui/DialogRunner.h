#pragma once

// Runs the dialog that g_dwCustomizeUI selects, modally, on the calling (GUI) thread. Its global pointer
// is set before the dialog initialises, so the worker it starts already finds it; after the modal loop
// the worker is joined and deleted, then the pointer is cleared.
void RunSelectedDialog();
