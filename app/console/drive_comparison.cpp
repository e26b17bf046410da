#include "app/console/drive_comparison.h"

#include "review/drive_comparison.h"

namespace tarn::console {

const Sides kImageAndDrive{"image", "drive"};

namespace {

using review::NotComparedReason;

std::string Named(const DriveComparison& comparison, NotComparedReason why) {
    std::string names;
    for (const review::NotCompared& n : comparison.notCompared)
        if (n.why == why) names += (names.empty() ? "" : ", ") + n.what;
    return names;
}

std::string Counted(size_t n, const char* one, const char* many) {
    return std::to_string(n) + (n == 1 ? one : many);
}

}  // namespace

DriveComparison CompareDrive(Session& session, const Configuration& image) {
    return review::CompareDrive(session.Dialog().m_CmdImpl, review::SideOf(image));
}

DriveComparison VerifyDownload(Session& session) {
    CTarnToolkitDlg& dialog = session.Dialog();
    return review::VerifyDownload(dialog.m_CmdImpl,
                                  {dialog.m_ImageInfo, GetCfgExchange(), dialog.m_ParaMgr});
}

std::string RenderComparison(const DriveComparison& comparison, const std::string& matchText) {
    const auto& changes = comparison.differences;
    const auto& unwritten = comparison.notWritten;
    std::string text = DifferenceLines(changes, kImageAndDrive);
    if (!unwritten.empty()) {
        text += "A download does not write these (extra groups, items with skip bits):\n";
        text += DifferenceLines(unwritten, kImageAndDrive);
        text += Counted(changes.size(), " difference", " differences") +
                " that a download would change, " +
                Counted(unwritten.size(), " that it cannot change.\n", " that it cannot change.\n");
    } else if (changes.empty()) {
        text += matchText + "\n";
    } else {
        text += Counted(changes.size(), " difference.\n", " differences.\n");
    }
    if (auto names = Named(comparison, NotComparedReason::NotReadable); !names.empty())
        text += "Not compared (the drive does not give them back): " + names + "\n";
    if (auto names = Named(comparison, NotComparedReason::Status); !names.empty())
        text += "Not compared (status items: the drive or the read itself sets them): " + names + "\n";
    for (const review::NotCompared& n : comparison.notCompared)
        if (n.why == NotComparedReason::NotWritten)
            text += "Not compared (a download does not write them): " +
                    Counted(n.items, " parameter item\n", " parameter items\n");
    return text;
}

nlohmann::ordered_json ComparisonFields(const DriveComparison& comparison) {
    nlohmann::ordered_json names = nlohmann::ordered_json::array();
    int notWrittenItems = 0;
    for (const review::NotCompared& n : comparison.notCompared) {
        if (n.why == NotComparedReason::NotWritten)
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
