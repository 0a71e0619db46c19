#pragma once

#include <QFont>

// The font the dialog templates are laid out in: 8 points of a narrow sans-serif face. Templates give
// their positions in units of this font (ui/DialogUnits.h), so every dialog and page uses it.
QFont DialogFont();

// A fixed-pitch face of the given size for dumps and previews: "Courier New", or the metric-compatible
// free face the set-up scripts install, or the system's fixed font.
QFont FixedPitchFont(int pointSize);
