#pragma once
// Dialog units: a template's positions are in quarters of the dialog font's
// average character width and eighths of its height, so that a dialog keeps its
// proportions with whatever font the desktop gives it.
#include <QFont>
#include <QRect>

namespace tarn::desktop {

struct DialogBaseUnits {
    int x;  // average character width in pixels
    int y;  // character height in pixels
};

// The average width of the 52 Latin letters, rounded, and the font's line height.
DialogBaseUnits BaseUnitsOf(const QFont& font);

// A rectangle in dialog units as pixels: x and widths times base x / 4, y and
// heights times base y / 8, rounded.
QRect ToPixels(const DialogBaseUnits& units, int x, int y, int cx, int cy);

}  // namespace tarn::desktop
