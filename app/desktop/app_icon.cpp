#include "app/desktop/app_icon.h"

#include <QPainter>

namespace tarn::desktop {

QPixmap ApplicationIconPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // A drive's front: a dark green case with a yellow display and a red "T".
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(90, 104, 66));
    painter.drawRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), s * 0.14, s * 0.14);
    painter.setBrush(QColor(255, 255, 0));
    painter.drawRect(QRectF(s * 0.2, s * 0.18, s * 0.6, s * 0.64));
    painter.setBrush(QColor(255, 0, 0));
    painter.drawRect(QRectF(s * 0.3, s * 0.28, s * 0.4, s * 0.12));
    painter.drawRect(QRectF(s * 0.44, s * 0.28, s * 0.12, s * 0.44));
    return pixmap;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(ApplicationIconPixmap(size));
    return icon;
}

}  // namespace tarn::desktop
