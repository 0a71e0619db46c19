#include "ui/DialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <QVariant>
#include <QWidget>

namespace {

constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kAlphabetLength = 52;

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDivRound(int a, int b, int c) {
    long long product = static_cast<long long>(a) * b;
    long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

} // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    QFontMetrics metrics(font);
    int width = metrics.horizontalAdvance(QString::fromLatin1(kAlphabet));
    return {(width / (kAlphabetLength / 2) + 1) / 2, metrics.height()};
}

int DluToPixelsX(int x, DialogBaseUnits units) {
    return MulDivRound(x, units.cx, 4);
}

int DluToPixelsY(int y, DialogBaseUnits units) {
    return MulDivRound(y, units.cy, 8);
}

QRect DluToPixels(const DluRect& rect, DialogBaseUnits units) {
    return QRect(DluToPixelsX(rect.x, units), DluToPixelsY(rect.y, units), DluToPixelsX(rect.w, units),
                 DluToPixelsY(rect.h, units));
}

void PlaceControl(QWidget* control, const DluRect& rect, DialogBaseUnits units) {
    control->setGeometry(DluToPixels(rect, units));
    control->setProperty(kTemplateRectProperty, QRect(rect.x, rect.y, rect.w, rect.h));
}
