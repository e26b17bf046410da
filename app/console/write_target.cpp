#include "app/console/write_target.h"

#include "platform/wide_string.h"

namespace tarn::console {

std::string TargetLine(const WriteTarget& t) {
    const CDevInfo& i = *t.info;
    return "target: port " + t.port + ", station " + std::to_string(t.station) + ", identity " +
           std::to_string(i.m_wIdent1) + ", " + std::to_string(i.m_wIdent2) + ", " + std::to_string(i.m_wIdent3) +
           ", main version " + std::to_string(i.m_nMainVersion) + ", sub version " + std::to_string(i.m_nSubVersion);
}

bool ConfirmStation(const WriteTarget& t, bool writes, ConsoleIo& io) {
    if (!t.givenStation || *t.givenStation == t.station) return true;
    const std::string said = "the drive on " + t.port + " answered at station " + std::to_string(t.station) +
                             ", not at the station " + std::to_string(*t.givenStation) + " given: station " +
                             std::to_string(t.station) + " is used";
    if (!writes) {
        io.Error(said);
        return true;
    }
    if (io.Ask(FromUtf8(said + ".\nWrite to it?"))) return true;
    io.Error("not confirmed: nothing was written (answer on a terminal, or give --yes)");
    return false;
}

}  // namespace tarn::console
