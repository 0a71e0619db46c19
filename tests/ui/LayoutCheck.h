#pragma once

#include <string>
#include <vector>

class QWidget;

namespace uitest {

// A control whose text does not fit it, that overlaps a sibling the template keeps apart from it, or
// that lies outside its dialog (or page).
struct LayoutOffence {
    std::string control; // the control's id, or its class and text when it has none
    std::string problem; // what does not fit
    int missingPixels;
};

// Checks the controls of `root` as they are shown now (hidden controls and pages are left out): every
// control a template placed, the tabs of a property sheet and the cells of a property grid. Sizes come
// from the widgets' own fonts and the style's metrics, so the check holds on every platform.
std::vector<LayoutOffence> CheckLayout(const QWidget* root);

// One line per offence: "<dialog>: control <id>: <problem>: <n> px missing".
std::string DescribeOffences(const std::string& dialog, const std::vector<LayoutOffence>& offences);

// Adds a test failure that lists every offence of `root`.
void ExpectLayoutFits(const QWidget* root, const std::string& dialog);

} // namespace uitest
