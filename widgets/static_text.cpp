#include "widgets/static_text.h"

namespace tarn {

CStaticText::CStaticText(QWidget* parent) : QLabel(parent) { SetTextColor(Qt::black); }

void CStaticText::SetTextColor(const QColor& color) {
    QPalette colored = palette();
    colored.setColor(QPalette::WindowText, color);
    colored.setColor(QPalette::Disabled, QPalette::WindowText, color);
    setPalette(colored);
    repaint();
}

}  // namespace tarn
