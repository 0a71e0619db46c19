#pragma once

#include <cstdint>
#include <string>

// A progress bar on standard error for command-line runs in a terminal, driven by the progress
// messages of the running operation.

// The bar for a percentage: "[#####...............]  25%" with `width` cells; above 100 counts as 100.
std::string FormatProgressBar(uint32_t percent, unsigned width = 40);

// Redraws the bar in place on standard error.
void ShowConsoleProgress(uint32_t percent);
// Ends the bar's line, when one was drawn, so the next output starts on a line of its own.
void FinishConsoleProgress();
