#include "widgets/button_st.h"

#include <QPainter>
#include <QStyleOption>
#include <qdrawutil.h>

namespace tarn {

CButtonST::CButtonST(QWidget* parent) : QPushButton(parent) {
    // Until colours are set the button looks like any other.
    const Colors standard{palette().color(QPalette::Button), palette().color(QPalette::ButtonText)};
    m_colors.fill(standard);
}

void CButtonST::SetColor(State state, const QColor& background, const QColor& text) {
    Colors& colors = m_colors[Index(state)];
    if (colors.background == background && colors.text == text) return;
    colors = {background, text};
    if (DrawingState() == state) update();
}

CButtonST::State CButtonST::DrawingState() const {
    if (m_pointerIn) return State::In;
    return hasFocus() ? State::Focus : State::Out;
}

void CButtonST::paintEvent(QPaintEvent*) {
    const Colors& colors = m_colors[Index(DrawingState())];
    QPainter painter(this);
    const bool pressed = isDown() || isChecked();
    QPalette frame = palette();
    frame.setColor(QPalette::Button, colors.background);
    qDrawWinButton(&painter, rect(), frame, pressed, nullptr);
    // The face inside the two-pixel bevel.
    painter.fillRect(rect().adjusted(2, 2, -2, -2), colors.background);

    QRect textArea = rect().adjusted(3, 3, -3, -3);
    if (pressed) textArea.translate(1, 1);
    painter.setPen(isEnabled() ? colors.text : palette().color(QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(textArea, Qt::AlignCenter | Qt::TextShowMnemonic, text());

    // The focus shows as a dotted frame in the text colour once the keyboard
    // has moved it, and leaves the face's colour as set: a style's own focus
    // frame may tint the whole face.
    QStyleOption state;
    state.initFrom(this);
    if (hasFocus() && state.state.testFlag(QStyle::State_KeyboardFocusChange)) {
        painter.setPen(QPen(colors.text, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(4, 4, -5, -5));
    }
}

void CButtonST::enterEvent(QEnterEvent* event) {
    m_pointerIn = true;
    update();
    QPushButton::enterEvent(event);
}

void CButtonST::leaveEvent(QEvent* event) {
    m_pointerIn = false;
    update();
    QPushButton::leaveEvent(event);
}

void CButtonST::focusInEvent(QFocusEvent* event) {
    QPushButton::focusInEvent(event);
    update();
}

void CButtonST::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    update();
}

}  // namespace tarn
