// The widgets draw the colours they are given: each drawing state of the
// colour button (the keyboard's focus frame leaves the face as it is), and the
// static text's colour.
#include <QLineEdit>
#include <QtTest>

#include "tests/desktop/pixels.h"
#include "widgets/button_st.h"
#include "widgets/static_text.h"

using tarn::CButtonST;
using tarn::CStaticText;
using tarn::test::Shows;

namespace {

QFont LargeFont(QFont font) {
    font.setPixelSize(28);
    font.setBold(true);
    return font;
}

}  // namespace

class WidgetsTest : public QObject {
    Q_OBJECT
private slots:
    void eachStateDrawsItsColours() {
        QWidget window;
        auto* elsewhere = new QLineEdit(&window);  // holds the focus away from the button
        auto* button = new CButtonST(&window);
        button->setText(QStringLiteral("HHH"));
        button->setFont(LargeFont(button->font()));
        button->setGeometry(0, 40, 160, 50);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        struct Case {
            CButtonST::State state;
            QColor background, text;
        };
        const Case cases[] = {{CButtonST::State::Out, {90, 104, 66}, {20, 255, 197}},
                              {CButtonST::State::Focus, {0, 0, 128}, {255, 255, 255}},
                              {CButtonST::State::In, {255, 255, 0}, {255, 0, 0}}};
        for (const Case& c : cases) button->SetColor(c.state, c.background, c.text);
        for (const Case& c : cases) {
            if (c.state == CButtonST::State::Out) elsewhere->setFocus();
            // By the keyboard, so that the focus frame shows.
            if (c.state == CButtonST::State::Focus) QTest::keyClick(elsewhere, Qt::Key_Tab);
            if (c.state == CButtonST::State::In) {  // the pointer comes over the focused button
                QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)));
                QApplication::sendEvent(button, &enter);
            }
            QCOMPARE(button->DrawingState(), c.state);
            const QImage image = button->grab().toImage();
            // The face keeps its colour, inside the focus frame too.
            for (const QPoint p : {QPoint(3, 3), QPoint(6, 25), QPoint(image.width() - 7, 25)})
                QCOMPARE(image.pixelColor(p), c.background);
            QVERIFY2(Shows(image, c.text), qPrintable(c.text.name()));
        }
    }

    void staticTextDrawsInItsColour() {
        CStaticText label;
        label.setText(QStringLiteral("HHH"));
        label.setFont(LargeFont(label.font()));
        label.resize(120, 40);
        for (const QColor& color : {QColor(0, 0, 255), QColor(200, 0, 0)}) {
            label.SetTextColor(color);
            QVERIFY2(Shows(label.grab().toImage(), color), qPrintable(color.name()));
        }
    }
};

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
