#pragma once
// An image of the standard drive's identity with the Program part, DH and MH
// and no parameters, for the download tests of both front ends.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "image/image_file.h"
#include "params/para_mgr.h"
#include "platform/wide_string.h"

namespace tarn::test {

// `dhWords` DH words of 7 (the standard drive holds 20 of 0xD1), Program 6 x 9,
// DV {1, 2}, MH all 5; part number and machine key when `withKey`.
inline bool WriteSampleImage(const std::filesystem::path& file, int dhWords, bool withKey = false) {
    CCfgExchange image;
    CParaMgr noParams;
    image.ParaMgr = &noParams;
    image.IncludeProgramDV = image.IncludeDH = image.IncludeMH = 1;
    image.SectionDH_Size.image = static_cast<int16_t>(dhWords);
    image.DHData = std::vector<uint16_t>(static_cast<size_t>(dhWords), 7);
    image.SectionP_Size.image = 6;
    image.ProgramData = std::vector<uint16_t>(6, 9);
    image.ActualDV_Size.image = 2;
    image.DVData = std::vector<uint16_t>{1, 2};
    image.MHData.emplace();
    image.MHData->fill(5);
    if (withKey) {
        image.PartNumber = u"PN-7";
        image.MachineKey = u"4711";
    }
    CDevInfo identity;
    identity.SetDefaults();
    return WriteImageFile(FromUtf8(file.string()), identity, image);
}

}  // namespace tarn::test
