// The window's parameter table: the connected drive's parameters read on the
// worker (as a transfer is, and never beside one), shown grouped with their
// defaults and limits; a value cell written with the checks, the unlock, the
// write and the read-back of `tarn param set`, each write kept in the service
// history; the table exported as CSV or JSON.
#include <cctype>
#include <fstream>
#include <string>

#include "app/dialog_texts.h"
#include "app/parameter_record.h"
#include "app/parameter_table.h"
#include "app/tarn_toolkit_dlg.h"
#include "platform/wide_string.h"

namespace tarn {

namespace {

constexpr char16_t kExportFilter[] = u"CSV (comma separated)|*.csv|JSON|*.json||";

std::u16string Joined(const std::vector<std::string>& lines) {
    std::u16string text;
    for (const std::string& line : lines) text += FromUtf8(line) + u"\n";
    return text;
}

bool EndsWithJson(const std::u16string& path) {
    std::string extension = Utf8Of(FsPath(path).extension());
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".json";
}

}  // namespace

void CTarnToolkitDlg::ShowParameters() {
    if (m_busy) return;
    if (!m_bOnline) {
        OnBnClickedOnline();
        if (!m_bOnline) return;
    }
    m_openTableWhenRead = true;
    StartParameterRead();
}

void CTarnToolkitDlg::StartParameterRead() {
    AddLog(u"Read the drive's parameters...");
    m_view->ProgressSetPos(IDC_PROGRESS, 0);
    m_view->Show(IDC_PROGRESS, true);
    if (m_tableView) m_tableView->SetBusy(true);
    m_nOperation = kOperationParameters;
    StartWorker();
}

// On the worker: the table's cells point into m_tableParams, so the table takes
// no edit until ParametersRead has built them anew.
void CTarnToolkitDlg::ReadTableParameters() {
    m_tableFailure.clear();
    try {
        review::ReadParameters(m_CmdImpl, m_tableParams, [this](int done, int groups) {
            m_view->Window()->Send(WM_PARAMETERS_PROGRESS, static_cast<WPARAM>(done), static_cast<LPARAM>(groups));
        });
    } catch (const std::u16string& reason) {
        m_tableFailure = reason;
    }
}

void CTarnToolkitDlg::ParametersRead() {
    m_view->Show(IDC_PROGRESS, false);
    if (!m_tableFailure.empty()) {
        // A read that broke off leaves no values to show or to write against.
        m_tableParams.ClearTable();
        m_tableItems.clear();
        AddLog(u"The drive's parameters could not be read: " + m_tableFailure);
        m_view->MessageBox(u"The drive's parameters could not be read:\n" + m_tableFailure);
        if (m_tableView) m_tableView->SetTable(BuildParameterTable(m_tableParams).table);
    } else {
        ParameterTable table = BuildParameterTable(m_tableParams);
        m_tableItems = table.items;
        AddLog(u"Read " + Widen(std::to_string(table.items.size())) + u" parameters.");
        if (m_tableView) m_tableView->SetTable(table.table);
        // Shown once the worker is free: the table is modal. A table closed
        // during its refresh stays closed.
        else if (m_openTableWhenRead && !m_endWhenIdle) m_view->Window()->Post(WM_PARAMETERS_READY, 0, 0);
    }
    if (m_tableView) m_tableView->SetBusy(false);
}

void CTarnToolkitDlg::OpenParameterTable() {
    if (m_busy || !m_tableFailure.empty()) return;
    ParameterTable table = BuildParameterTable(m_tableParams);
    m_tableItems = table.items;
    m_host.RunEditableTableDialog(table.table, *this);
}

void CTarnToolkitDlg::AttachTable(ITableView* view) { m_tableView = view; }

void CTarnToolkitDlg::OnRefresh() {
    if (m_busy || !m_bOnline) return;
    m_openTableWhenRead = false;
    StartParameterRead();
}

TableCell CTarnToolkitDlg::OnCellEdited(int row, int column, const std::u16string& text) {
    // While the worker reads, the items are its own (the table takes no edits then).
    if (m_busy || row < 0 || row >= static_cast<int>(m_tableItems.size())) return {};
    CParaItem& item = *m_tableItems[row];
    const int axis = column - 1;
    if (axis < 0 || axis >= m_tableParams.m_nAxes) return {};

    // The checks of `tarn param set`: limits, format and the download's skip bits.
    const review::WritePlan plan =
        review::PlanWrites(m_tableParams, {review::ItemName(item) + "=" + ToUtf8(text)}, {axis});
    if (!plan.refusals.empty()) {
        m_view->MessageBox(Joined(plan.refusals) + u"Nothing was written.");
        return ValueCell(m_tableParams, item, axis);
    }
    const review::ParameterChange& change = plan.changes.front();
    if (change.newValue == change.oldValue) return ValueCell(m_tableParams, item, axis);
    std::vector<review::WrittenChange> written;
    std::string failure;
    try {
        if (auto servo = review::ServoRefusal(m_CmdImpl, plan.changes)) {
            m_view->MessageBox(FromUtf8(*servo));
            return ValueCell(m_tableParams, item, axis);
        }
        const std::u16string question =
            FromUtf8("Write to the drive:\n  " + change.what + "  " + change.oldText + " -> " + change.newText);
        if (m_view->MessageBox(question, MbButtons::YesNo, MbIcon::Question) != IDYES)
            return ValueCell(m_tableParams, item, axis);
        written = review::WriteChanges(m_CmdImpl, plan.changes);
    } catch (const std::u16string& reason) {
        failure = ToUtf8(reason);
    }
    for (const review::WrittenChange& w : written) {
        // The cell shows what the drive holds now, whatever was asked for.
        if (w.readBack) {
            item.m_Value[axis] = *w.readBack;
            AddLog(FromUtf8(WrittenLine(w)));
        }
        if (!w.message.empty()) failure = w.message;
    }
    if (!written.empty() && m_tableView) m_tableView->SetSummary(ParameterSummary(m_tableParams));
    if (!written.empty())
        AppendToHistory(ParameterRecord(PortName(), m_DevInst.GetStation(), m_tableParams.m_DevInfo, written,
                                        failure));
    if (!failure.empty()) {
        AddLog(FromUtf8(failure));
        m_view->MessageBox(FromUtf8(failure));
    }
    return ValueCell(m_tableParams, item, axis);
}

void CTarnToolkitDlg::OnExport() {
    if (m_busy) return;
    const auto path = m_view->SaveFileDialog(u"Export parameters", kExportFilter, u"csv", {true, true});
    if (!path) return;
    const std::string text = EndsWithJson(*path) ? ParametersJson(m_tableParams).dump(2) + "\n"
                                                 : ParametersCsv(m_tableParams);
    std::ofstream file(FsPath(*path), std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        m_view->MessageBox(u"The parameters cannot be written to " + *path + u".");
        return;
    }
    AddLog(u"Parameters exported to " + *path);
}

}  // namespace tarn
