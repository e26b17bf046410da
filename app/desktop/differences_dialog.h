#pragma once
// The differences of a comparison in a table: what differs, the axis of a
// parameter, and both sides' values (an image and a drive, or two images),
// then the summary line and what was not compared. Differences in items a
// download does not write follow under a heading row of their own.
#include <QDialog>

#include "review/difference.h"

class QLabel;
class QTableWidget;

namespace tarn::desktop {

class DifferencesDialog : public QDialog {
    Q_OBJECT
public:
    // `sideA`, `sideB`: the sides' names in the value columns' headings
    // ("Image", "Drive"). `matchText`: the summary when nothing differs.
    DifferencesDialog(const review::Comparison& comparison, const QString& sideA,
                      const QString& sideB,
                      const QString& matchText = QStringLiteral("Nothing differs."),
                      QWidget* parent = nullptr);

    QTableWidget* Table() const { return m_table; }
    QLabel* Summary() const { return m_summary; }

private:
    QTableWidget* m_table;
    QLabel* m_summary;
};

}  // namespace tarn::desktop
