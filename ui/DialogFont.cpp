#include "ui/DialogFont.h"

#include <QFontDatabase>
#include <QStringList>

#include <initializer_list>

namespace {

// Faces whose widths match the templates' own dialog font, best first: the Windows dialog faces, then
// the metric-compatible free face the set-up scripts install.
constexpr std::initializer_list<const char*> kDialogFamilies = {"Tahoma", "Microsoft Sans Serif",
                                                                "Liberation Sans", "Arial"};
constexpr std::initializer_list<const char*> kFixedFamilies = {"Courier New", "Liberation Mono"};
constexpr int kDialogPointSize = 8;

// The first of `families` that is installed; `fallback` when none is.
QFont FirstInstalled(std::initializer_list<const char*> families, const QFont& fallback) {
    const QStringList installed = QFontDatabase::families();
    for (const char* family : families)
        if (installed.contains(QString::fromLatin1(family), Qt::CaseInsensitive))
            return QFont(QString::fromLatin1(family));
    return fallback;
}

} // namespace

QFont DialogFont() {
    QFont font = FirstInstalled(kDialogFamilies, QFont());
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(kDialogPointSize);
    return font;
}

QFont FixedPitchFont(int pointSize) {
    QFont font = FirstInstalled(kFixedFamilies, QFontDatabase::systemFont(QFontDatabase::FixedFont));
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSize(pointSize);
    return font;
}
