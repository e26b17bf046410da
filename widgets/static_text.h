#pragma once
// A label whose text colour can be set; the label repaints with it at once.
#include <QColor>
#include <QLabel>

namespace tarn {

class CStaticText : public QLabel {
    Q_OBJECT
public:
    explicit CStaticText(QWidget* parent = nullptr);

    void SetTextColor(const QColor& color);
    QColor TextColor() const { return palette().color(QPalette::WindowText); }
};

}  // namespace tarn
