#pragma once

#include <QRect>

class QFont;
class QWidget;

// Dialog templates give positions in dialog units: a quarter of the dialog font's average character
// width horizontally, an eighth of its character height vertically.
struct DialogBaseUnits {
    int cx; // average character width in pixels
    int cy; // character height in pixels
};

// A control's place in a dialog template, in dialog units.
struct DluRect {
    int x;
    int y;
    int w;
    int h;
};

// The base units of a font: the average width of the 52 Latin letters, rounded, and the line height.
DialogBaseUnits BaseUnitsOf(const QFont& font);

// Dialog units to pixels, each value rounded to the nearest pixel.
int DluToPixelsX(int x, DialogBaseUnits units);
int DluToPixelsY(int y, DialogBaseUnits units);
QRect DluToPixels(const DluRect& rect, DialogBaseUnits units);

// Puts a child widget where the template says, and keeps the template's rectangle (dialog units) on it
// as the property kTemplateRectProperty, so layout checks can tell the template's arrangement from what
// the fonts made of it.
void PlaceControl(QWidget* control, const DluRect& rect, DialogBaseUnits units);

constexpr const char* kTemplateRectProperty = "templateRect";
