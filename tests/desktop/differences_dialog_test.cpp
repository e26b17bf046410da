// The differences dialog shows a comparison as a table with its summary: a
// parameter, a content range, the items a download does not write under their
// heading; and says so when nothing differs.
#include "app/desktop/differences_dialog.h"

#include <QLabel>
#include <QTableWidget>
#include <QtTest>

using tarn::desktop::DifferencesDialog;
using namespace tarn::review;

class DifferencesDialogTest : public QObject {
    Q_OBJECT
private slots:
    void showsEachDifferenceAsARow() {
        Comparison c;
        Difference parameter;
        parameter.kind = DifferenceKind::Parameter;
        parameter.name = "P1-03";
        parameter.axis = 1;
        parameter.a = std::string("18.60");
        parameter.b = std::string("18.61");
        Difference dh;
        dh.kind = DifferenceKind::Content;
        dh.name = "DH";
        dh.wordsA = dh.wordsB = 600;
        dh.ranges = {{10, 2, {0x07AE, 0x07D2}, {0x07AF, 0x07D3}}};
        c.differences = {dh, parameter};
        parameter.name = "P-1-02";
        parameter.axis = 0;
        c.notWritten = {parameter};
        c.notCompared = {{"P5-02", NotComparedReason::Status, 1}};

        DifferencesDialog dialog(c, "Image", "Drive");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QTableWidget& table = *dialog.Table();
        QCOMPARE(table.horizontalHeaderItem(2)->text(), QString("Image value"));
        QCOMPARE(table.rowCount(), 4);
        const QStringList rows[] = {
            {"DH 10..11", "", "07AE 07D2", "07AF 07D3"},
            {"P1-03", "y", "18.60", "18.61"},
            {"A download does not write these (extra groups, items with skip bits):"},
            {"P-1-02", "x", "18.60", "18.61"}};
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < rows[row].size(); ++column)
                QCOMPARE(table.item(row, column)->text(), rows[row][column]);
        QCOMPARE(table.columnSpan(2, 0), 4);
        QVERIFY(dialog.Summary()->text().startsWith(
            "2 differences that a download would change, 1 that it cannot change.\nNot compared "
            "(status items"));

        DifferencesDialog same(Comparison{}, "A", "B");
        QCOMPARE(same.Table()->rowCount(), 0);
        QCOMPARE(same.Summary()->text(), QString("Nothing differs."));
    }
};

QTEST_MAIN(DifferencesDialogTest)
#include "differences_dialog_test.moc"
