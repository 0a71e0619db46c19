#include "ui/update/ToneColour.h"

#include <QColor>
#include <QLabel>
#include <QPalette>

namespace {

// Dark enough to read on the dialog's light background.
QColor ColourOf(StatusTone tone) {
    switch (tone) {
    case StatusTone::Finished:
        return QColor(0, 128, 0);
    case StatusTone::Failed:
        return QColor(204, 0, 0);
    case StatusTone::Updating:
        return QColor(0, 0, 204);
    case StatusTone::Absent:
        return QColor(112, 112, 112);
    case StatusTone::Plain:
        break;
    }
    return QColor();
}

} // namespace

void ShowTone(QLabel* label, StatusTone tone) {
    QPalette palette = label->palette();
    const QColor colour = ColourOf(tone);
    palette.setColor(QPalette::WindowText,
                     colour.isValid() ? colour
                                      : label->parentWidget()->palette().color(QPalette::WindowText));
    label->setPalette(palette);
}
