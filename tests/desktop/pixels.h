#pragma once
// Whether a rendered widget shows a colour anywhere: how the desktop tests
// check the colours that a window or widget draws.
#include <QColor>
#include <QImage>

namespace tarn::test {

inline bool Shows(const QImage& image, const QColor& color) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == color) return true;
    return false;
}

}  // namespace tarn::test
