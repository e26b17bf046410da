#pragma once
// A modal dialog with a table and a summary line: the differences of a
// comparison, the service history.
#include <QDialog>

#include "app/ui.h"

class QTableWidget;

namespace tarn::desktop {

class TableDialog : public QDialog {
    Q_OBJECT
public:
    TableDialog(const TableReport& report, QWidget* parent);
    QTableWidget* Table() const { return m_table; }

private:
    QTableWidget* m_table;
};

}  // namespace tarn::desktop
