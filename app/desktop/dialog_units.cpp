#include "app/desktop/dialog_units.h"

#include <QFontMetrics>

namespace tarn::desktop {

namespace {

int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    return static_cast<int>((product + (product >= 0 ? denominator / 2 : -denominator / 2)) / denominator);
}

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

QRect ToPixels(const DialogBaseUnits& units, int x, int y, int cx, int cy) {
    const int left = MulDiv(x, units.x, 4), top = MulDiv(y, units.y, 8);
    return {left, top, MulDiv(x + cx, units.x, 4) - left, MulDiv(y + cy, units.y, 8) - top};
}

}  // namespace tarn::desktop
