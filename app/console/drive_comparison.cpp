#include "app/console/drive_comparison.h"

#include "review/difference_rows.h"
#include "review/drive_comparison.h"

namespace tarn::console {

const Sides kImageAndDrive{"image", "drive"};

DriveComparison CompareDrive(Session& session, const Configuration& image) {
    return review::CompareDrive(session.Dialog().m_CmdImpl, review::SideOf(image));
}

DriveComparison VerifyDownload(Session& session) {
    CTarnToolkitDlg& dialog = session.Dialog();
    return review::VerifyDownload(dialog.m_CmdImpl,
                                  {dialog.m_ImageInfo, dialog.Configuration(), dialog.m_ParaMgr});
}

std::string RenderComparison(const DriveComparison& comparison, const std::string& matchText) {
    std::string text = DifferenceLines(comparison.differences, kImageAndDrive);
    if (!comparison.notWritten.empty())
        text += std::string(review::kNotWrittenHeading) + "\n" +
                DifferenceLines(comparison.notWritten, kImageAndDrive);
    text += review::Summary(comparison, matchText) + "\n";
    for (const std::string& line : review::NotComparedLines(comparison)) text += line + "\n";
    return text;
}

nlohmann::ordered_json ComparisonFields(const DriveComparison& comparison) {
    nlohmann::ordered_json names = nlohmann::ordered_json::array();
    int notWrittenItems = 0;
    for (const review::NotCompared& n : comparison.notCompared) {
        if (n.why == review::NotComparedReason::NotWritten)
            notWrittenItems += n.items;
        else
            names.push_back(n.what);
    }
    nlohmann::ordered_json fields = {
        {"differences", DifferencesJson(comparison.differences, kImageAndDrive)},
        {"notWritten", DifferencesJson(comparison.notWritten, kImageAndDrive)},
        {"notCompared", names}};
    if (notWrittenItems) fields["notWrittenItems"] = notWrittenItems;
    return fields;
}

}  // namespace tarn::console
