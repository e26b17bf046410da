#include "app/desktop/table_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/desktop/qt_text.h"

namespace tarn::desktop {

TableDialog::TableDialog(const TableReport& report, QWidget* parent)
    : QDialog(parent), m_table(new QTableWidget(this)) {
    setWindowTitle(ToQt(report.title));
    auto* layout = new QVBoxLayout(this);
    auto* summary = new QLabel(ToQt(report.summary), this);
    summary->setObjectName("summary");
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(summary);

    m_table->setColumnCount(static_cast<int>(report.columns.size()));
    QStringList heads;
    for (const auto& column : report.columns) heads << ToQt(column);
    m_table->setHorizontalHeaderLabels(heads);
    m_table->setRowCount(static_cast<int>(report.rows.size()));
    for (int r = 0; r < static_cast<int>(report.rows.size()); ++r)
        for (int c = 0; c < static_cast<int>(report.rows[r].size()) && c < m_table->columnCount(); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(ToQt(report.rows[r][c])));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->resizeColumnsToContents();
    m_table->setVisible(!report.rows.empty());
    layout->addWidget(m_table);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(report.rows.empty() ? 420 : 760, report.rows.empty() ? 140 : 420);
}

}  // namespace tarn::desktop
