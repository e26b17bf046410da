#include "app/desktop/differences_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "review/difference_rows.h"

namespace tarn::desktop {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

void AddRows(QTableWidget& table, const std::vector<review::Difference>& differences) {
    for (const review::Difference& d : differences) {
        for (const review::DifferenceRow& row : review::RowsOf(d)) {
            const int at = table.rowCount();
            table.insertRow(at);
            int column = 0;
            for (const std::string* cell : {&row.what, &row.axis, &row.a, &row.b})
                table.setItem(at, column++, new QTableWidgetItem(Text(*cell)));
        }
    }
}

}  // namespace

DifferencesDialog::DifferencesDialog(const review::Comparison& comparison, const QString& sideA,
                                     const QString& sideB, const QString& matchText,
                                     QWidget* parent)
    : QDialog(parent), m_table(new QTableWidget(0, 4, this)), m_summary(new QLabel(this)) {
    setWindowTitle(tr("Differences"));
    m_table->setHorizontalHeaderLabels(
        {tr("What"), tr("Axis"), tr("%1 value").arg(sideA), tr("%1 value").arg(sideB)});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    AddRows(*m_table, comparison.differences);
    if (!comparison.notWritten.empty()) {
        const int heading = m_table->rowCount();
        m_table->insertRow(heading);
        m_table->setItem(heading, 0, new QTableWidgetItem(Text(review::kNotWrittenHeading)));
        m_table->setSpan(heading, 0, 1, 4);
        AddRows(*m_table, comparison.notWritten);
    }
    m_table->resizeColumnsToContents();

    QStringList summary{Text(review::Summary(comparison, matchText.toStdString()))};
    for (const std::string& line : review::NotComparedLines(comparison)) summary << Text(line);
    m_summary->setText(summary.join(QLatin1Char('\n')));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(m_summary);
    layout->addWidget(buttons);
    resize(640, 400);
}

}  // namespace tarn::desktop
