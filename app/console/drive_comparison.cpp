#include "app/console/drive_comparison.h"

#include "app/console/drive_reader.h"

namespace tarn::console {

const Sides kImageAndDrive{"image", "drive"};

namespace {

DriveComparison Compare(Session& session, const ConfigSide& image, const CompareScope& scope,
                        bool programDVWanted) {
    CTarnToolkitDlg& dialog = session.Dialog();
    Configuration drive;
    ReadDrive(dialog.m_CmdImpl, image.info, image.params,
              {scope.dh && image.cfg.IncludeDH != 0, scope.mh && image.cfg.IncludeMH != 0,
               scope.parameters && image.cfg.IncludePara != 0},
              drive);
    DriveComparison comparison;
    comparison.differences =
        Differences(image, {drive.info, drive.cfg, drive.params}, scope, kImageAndDrive);
    if (programDVWanted) comparison.notRead = {"DV", "AutoDV", "Program"};
    return comparison;
}

}  // namespace

DriveComparison CompareDrive(Session& session, const Configuration& image) {
    CompareScope scope;
    scope.programSize = image.cfg.IncludeProgramDV != 0;
    scope.programDV = false;  // not readable
    return Compare(session, {image.info, image.cfg, image.params}, scope,
                   image.cfg.IncludeProgramDV != 0);
}

DriveComparison VerifyDownload(Session& session) {
    CTarnToolkitDlg& dialog = session.Dialog();
    const CCfgExchange& written = dialog.Configuration();
    CompareScope scope;
    scope.identity = false;  // checked before the download, and not written
    scope.sizes = written.DownloadSizes;
    scope.programSize = written.DownloadSizes;
    scope.programDV = false;
    scope.dh = written.DownloadDH;
    scope.mh = written.DownloadMH;
    scope.parameters = written.DownloadPara;
    scope.downloadableOnly = true;
    return Compare(session, {dialog.m_ImageInfo, written, dialog.m_ParaMgr}, scope,
                   written.DownloadProgramDV);
}

std::string RenderComparison(const DriveComparison& comparison, const std::string& matchText) {
    std::string text = RenderDifferences(comparison.differences, kImageAndDrive, matchText);
    if (!comparison.notRead.empty()) {
        std::string names;
        for (const std::string& name : comparison.notRead)
            names += (names.empty() ? "" : ", ") + name;
        text += "Not compared (the drive does not give them back): " + names + "\n";
    }
    return text;
}

}  // namespace tarn::console
