#pragma once
// A push button that draws its own face: a background and a text colour for
// each drawing state (the pointer over the button, the pointer elsewhere, the
// button focused), repainted as soon as a colour of the state it shows changes.
#include <QColor>
#include <QPushButton>
#include <array>

namespace tarn {

class CButtonST : public QPushButton {
    Q_OBJECT
public:
    enum class State { In, Out, Focus };

    explicit CButtonST(QWidget* parent = nullptr);

    void SetColor(State state, const QColor& background, const QColor& text);
    QColor Background(State state) const { return m_colors[Index(state)].background; }
    QColor Text(State state) const { return m_colors[Index(state)].text; }
    // The pointer over the button wins over the focus.
    State DrawingState() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct Colors {
        QColor background;
        QColor text;
    };
    static size_t Index(State state) { return static_cast<size_t>(state); }

    std::array<Colors, 3> m_colors;
    bool m_pointerIn = false;
};

}  // namespace tarn
