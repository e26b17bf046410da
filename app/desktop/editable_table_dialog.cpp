#include "app/desktop/editable_table_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/desktop/qt_text.h"

namespace tarn::desktop {

namespace {

const QColor kMarked(255, 236, 179);
const QColor kGroupHead(225, 225, 225);

}  // namespace

EditableTableDialog::EditableTableDialog(const EditableTable& table, ITableEditor& editor, QWidget* parent)
    : QDialog(parent),
      m_editor(editor),
      m_filter(new QLineEdit(this)),
      m_refresh(new QPushButton(tr("Refresh"), this)),
      m_export(new QPushButton(tr("Export\u2026"), this)),
      m_summary(new QLabel(this)),
      m_table(new QTableWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    m_filter->setObjectName("filter");
    m_filter->setPlaceholderText(tr("Filter (item or comment)"));
    m_filter->setClearButtonEnabled(true);
    m_refresh->setObjectName("refresh");
    m_export->setObjectName("export");
    bar->addWidget(m_filter, 1);
    bar->addWidget(m_refresh);
    bar->addWidget(m_export);
    layout->addLayout(bar);
    m_summary->setObjectName("summary");
    layout->addWidget(m_summary);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->setVisible(false);
    // Hundreds of items: one line of text each.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_filter, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
    connect(m_refresh, &QPushButton::clicked, this, [this] { m_editor.OnRefresh(); });
    connect(m_export, &QPushButton::clicked, this, [this] { m_editor.OnExport(); });
    connect(m_table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* cell) { Edited(cell); });
    // Enter in the filter box or a cell is no "Close".
    m_refresh->setAutoDefault(false);
    m_export->setAutoDefault(false);
    SetTable(table);
    SetBusy(false);
    resize(820, 520);
}

void EditableTableDialog::SetSummary(const std::u16string& summary) { m_summary->setText(ToQt(summary)); }

void EditableTableDialog::SetTable(const EditableTable& table) {
    m_filling = true;
    setWindowTitle(ToQt(table.title));
    m_summary->setText(ToQt(table.summary));
    m_table->clear();
    m_table->clearSpans();
    m_table->setColumnCount(static_cast<int>(table.columns.size()));
    QStringList heads;
    for (const auto& column : table.columns) heads << ToQt(column);
    m_table->setHorizontalHeaderLabels(heads);
    m_logicRow.clear();
    const std::u16string* group = nullptr;
    for (int r = 0; r < static_cast<int>(table.rows.size()); ++r) {
        if (!group || *group != table.rows[r].group) {
            group = &table.rows[r].group;
            m_logicRow.push_back(-1);
        }
        m_logicRow.push_back(r);
    }
    m_table->setRowCount(static_cast<int>(m_logicRow.size()));
    QFont bold = m_table->font();
    bold.setBold(true);
    for (int v = 0; v < static_cast<int>(m_logicRow.size()); ++v) {
        const int r = m_logicRow[v];
        if (r < 0) {
            auto* head = new QTableWidgetItem(ToQt(table.rows[m_logicRow[v + 1]].group));
            head->setFlags(Qt::ItemIsEnabled);
            head->setFont(bold);
            head->setBackground(kGroupHead);
            m_table->setItem(v, 0, head);
            m_table->setSpan(v, 0, 1, m_table->columnCount());
            continue;
        }
        const auto& cells = table.rows[r].cells;
        for (int c = 0; c < static_cast<int>(cells.size()) && c < m_table->columnCount(); ++c) ShowCell(v, c, cells[c]);
    }
    m_table->resizeColumnsToContents();
    m_filling = false;
    ApplyFilter();
}

// The cell's item is kept: it may be the one whose change is being handled.
void EditableTableDialog::ShowCell(int viewRow, int column, const TableCell& cell) {
    QTableWidgetItem* item = m_table->item(viewRow, column);
    if (!item) {
        item = new QTableWidgetItem;
        m_table->setItem(viewRow, column, item);
    }
    item->setText(ToQt(cell.text));
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (cell.editable) flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    QFont font = m_table->font();
    font.setBold(cell.marked);
    item->setFont(font);
    item->setBackground(cell.marked ? QBrush(kMarked) : QBrush());
    item->setToolTip(cell.marked ? tr("Differs from the default") : QString());
}

void EditableTableDialog::SetBusy(bool busy) {
    m_busy = busy;
    m_refresh->setEnabled(!busy);
    m_export->setEnabled(!busy);
    m_table->setEditTriggers(busy ? QAbstractItemView::NoEditTriggers
                                  : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                        QAbstractItemView::AnyKeyPressed);
}

int EditableTableDialog::ViewRow(int row) const {
    for (int v = 0; v < static_cast<int>(m_logicRow.size()); ++v)
        if (m_logicRow[v] == row) return v;
    return -1;
}

void EditableTableDialog::Edited(QTableWidgetItem* cell) {
    if (m_filling || m_busy) return;
    const int viewRow = cell->row(), column = cell->column();
    const int row = viewRow < static_cast<int>(m_logicRow.size()) ? m_logicRow[viewRow] : -1;
    if (row < 0) return;
    // The logic asks and writes; the cell then shows what the drive holds.
    m_filling = true;
    const TableCell shown = m_editor.OnCellEdited(row, column, FromQt(cell->text()));
    ShowCell(viewRow, column, shown);
    m_filling = false;
}

void EditableTableDialog::ApplyFilter() {
    const QString text = m_filter->text().trimmed();
    int head = -1;
    bool anyShown = false;
    auto closeGroup = [&] {
        if (head >= 0) m_table->setRowHidden(head, !anyShown);
    };
    for (int v = 0; v < m_table->rowCount(); ++v) {
        if (m_logicRow[v] < 0) {
            closeGroup();
            head = v;
            anyShown = false;
            continue;
        }
        bool match = text.isEmpty();
        for (int c = 0; !match && c < m_table->columnCount(); ++c)
            if (auto* item = m_table->item(v, c)) match = item->text().contains(text, Qt::CaseInsensitive);
        m_table->setRowHidden(v, !match);
        anyShown = anyShown || match;
    }
    closeGroup();
}

}  // namespace tarn::desktop
