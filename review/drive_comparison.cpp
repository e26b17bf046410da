#include "review/drive_comparison.h"

#include "review/differences.h"
#include "review/drive_read.h"

namespace tarn::review {

namespace {

Comparison Compare(ICmdImpl& command, const ConfigSide& image, const CompareScope& scope,
                   bool programDVWanted) {
    Configuration drive;
    ReadDrive(command, image,
              {scope.dh && image.cfg.IncludeDH != 0, scope.mh && image.cfg.IncludeMH != 0,
               scope.parameters && image.cfg.IncludePara != 0},
              drive);
    Comparison comparison = review::Compare(image, SideOf(drive), scope);
    if (programDVWanted) {  // named first, as the sections come
        const std::vector<NotCompared> unread = {{"DV", NotComparedReason::NotReadable, 0},
                                                 {"AutoDV", NotComparedReason::NotReadable, 0},
                                                 {"Program", NotComparedReason::NotReadable, 0}};
        comparison.notCompared.insert(comparison.notCompared.begin(), unread.begin(), unread.end());
    }
    return comparison;
}

}  // namespace

Comparison CompareDrive(ICmdImpl& command, const ConfigSide& image) {
    CompareScope scope;
    scope.programSize = image.cfg.IncludeProgramDV != 0;
    scope.programDV = false;  // not readable
    scope.unwritten = UnwrittenItems::Separate;
    scope.statusItems = false;
    return Compare(command, image, scope, image.cfg.IncludeProgramDV != 0);
}

Comparison VerifyDownload(ICmdImpl& command, const ConfigSide& written) {
    const CCfgExchange& cfg = written.cfg;
    CompareScope scope;
    scope.identity = false;  // checked before the download, and not written
    scope.sizes = cfg.DownloadSizes;
    scope.programSize = cfg.DownloadSizes;
    scope.programDV = false;
    scope.dh = cfg.DownloadDH;
    scope.mh = cfg.DownloadMH;
    scope.parameters = cfg.DownloadPara;
    scope.unwritten = UnwrittenItems::Skip;
    scope.statusItems = false;
    return Compare(command, written, scope, cfg.DownloadProgramDV);
}

}  // namespace tarn::review
