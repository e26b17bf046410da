#pragma once
// A modal dialog with a grouped table whose marked cells stand out and whose
// editable cells forward each edit to the logic, a filter box, "Refresh" and
// "Export...": the drive's parameters.
#include <QDialog>
#include <vector>

#include "app/ui.h"

class QLineEdit;
class QPushButton;
class QLabel;
class QTableWidget;
class QTableWidgetItem;

namespace tarn::desktop {

class EditableTableDialog : public QDialog, public ITableView {
    Q_OBJECT
public:
    EditableTableDialog(const EditableTable& table, ITableEditor& editor, QWidget* parent);

    void SetTable(const EditableTable& table) override;
    void SetSummary(const std::u16string& summary) override;
    void SetBusy(bool busy) override;

    QTableWidget* Table() const { return m_table; }
    // The table's row of a row of the logic's (group heads come between them).
    int ViewRow(int row) const;

private:
    void Edited(QTableWidgetItem* cell);
    void ShowCell(int viewRow, int column, const TableCell& cell);
    void ApplyFilter();

    ITableEditor& m_editor;
    QLineEdit* m_filter;
    QPushButton* m_refresh;
    QPushButton* m_export;
    QLabel* m_summary;
    QTableWidget* m_table;
    std::vector<int> m_logicRow;  // per table row: the logic's row, -1 for a group head
    bool m_filling = false;       // cells set by the dialog itself are no edits
    bool m_busy = false;
};

}  // namespace tarn::desktop
