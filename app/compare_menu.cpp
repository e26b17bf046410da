// The window's comparisons: the image in the file field (or one the user
// picks) against the connected drive, read on the worker as a transfer is;
// and two images against each other.
#include <filesystem>

#include "app/comparison_report.h"
#include "app/dialog_texts.h"
#include "app/tarn_toolkit_dlg.h"
#include "platform/wide_string.h"
#include "review/difference_rows.h"
#include "review/differences.h"
#include "review/drive_comparison.h"

namespace tarn {

namespace {

constexpr char16_t kOpenImageFilter[] = u"Kestrel Image|*.tkw||";

bool IsFile(const std::u16string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(FsPath(path), ec);
}

}  // namespace

std::unique_ptr<review::Configuration> CTarnToolkitDlg::LoadForComparison(const std::u16string& path) {
    review::ImageLoad load = review::LoadImage(ToUtf8(path));
    if (!load.image) m_view->MessageBox(FromUtf8(load.failure));
    return std::move(load.image);
}

void CTarnToolkitDlg::CompareImageWithDrive() {
    if (m_busy) return;
    std::u16string path = m_view->GetText(IDC_FILE);
    if (!IsFile(path)) {
        auto chosen = m_view->OpenFileDialog(kMenuCompareDrive, kOpenImageFilter);
        if (!chosen) return;
        path = *chosen;
    }
    if (!m_bOnline) {
        OnBnClickedOnline();
        if (!m_bOnline) return;
    }
    m_compareImage = LoadForComparison(path);
    if (!m_compareImage) return;
    m_comparePath = path;
    AddLog(u"Compare \"" + path + u"\" with the drive...");
    m_nOperation = kOperationCompare;
    StartWorker();
}

void CTarnToolkitDlg::RunComparison() {
    m_comparison.reset();
    m_compareFailure.clear();
    try {
        m_comparison = review::CompareDrive(m_CmdImpl, review::SideOf(*m_compareImage));
    } catch (const std::u16string& reason) {
        m_compareFailure = reason;
    }
}

void CTarnToolkitDlg::ShowComparison() {
    TransferOutcome outcome = TransferOutcome::Done();
    std::optional<int> count;
    if (!m_comparison) {
        AddLog(u"The drive could not be read: " + m_compareFailure);
        m_view->MessageBox(u"The drive could not be read:\n" + m_compareFailure);
        outcome = TransferOutcome::Failed(m_compareFailure);
    } else {
        count = static_cast<int>(m_comparison->differences.size());
        const std::string match = "Nothing differs: the drive holds what the image holds.";
        AddLog(FromUtf8(review::Summary(*m_comparison, match)));
        m_host.RunTableDialog(ComparisonReport(*m_comparison, kMenuCompareDrive, u"Image", u"Drive", match));
    }
    Record("compare", outcome, FsPath(m_comparePath), false, count);
    m_compareImage.reset();
}

void CTarnToolkitDlg::RecordComparison(const std::string& operation, const std::filesystem::path& image,
                                       std::optional<int> differences, const std::u16string& failure) {
    Record(operation, differences ? TransferOutcome::Done() : TransferOutcome::Failed(failure), image, false,
           differences);
}

void CTarnToolkitDlg::CompareTwoImages() {
    if (m_busy) return;
    const auto first = m_view->OpenFileDialog(kMenuCompareImages, kOpenImageFilter);
    if (!first) return;
    const auto second = m_view->OpenFileDialog(kMenuCompareImages, kOpenImageFilter);
    if (!second) return;
    const auto a = LoadForComparison(*first);
    if (!a) return;
    const auto b = LoadForComparison(*second);
    if (!b) return;
    review::CompareScope scope;
    scope.imageFields = true;
    const review::Comparison comparison = review::Compare(review::SideOf(*a), review::SideOf(*b), scope);
    const std::u16string nameA = FromUtf8(Utf8Of(FsPath(*first).filename()));
    const std::u16string nameB = FromUtf8(Utf8Of(FsPath(*second).filename()));
    m_host.RunTableDialog(ComparisonReport(comparison, kMenuCompareImages, nameA, nameB,
                                           "Nothing differs: the two images hold the same."));
}

}  // namespace tarn
