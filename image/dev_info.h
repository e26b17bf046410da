#pragma once
// The device-information record: the identity of a drive, kept in an image as
// the 22-byte stream "DevInfo".
#include <cstdint>

#include "image/file_io.h"

namespace tarn {

class CDevInfo : public IBasicDataIO {
public:
    static constexpr const char16_t* kStreamName = u"DevInfo";
    static constexpr uint32_t kStreamSize = 22;

    // Without "DevInfo" (an old or foreign image) the record takes its defaults
    // 3, 6, 5, 3005, 11, 0, 0 and the load succeeds.
    HRESULT LoadFromStorage(IStorage* storage, int mode) override;
    HRESULT SaveToStorage(IStorage* storage) override;

    // Sets the values a load gives when the image has no record.
    void SetDefaults();

    int16_t m_wIdent1 = 0;
    int16_t m_wIdent2 = 0;  // 6: a drive with three axes; 8: the drive has an extension word
    int16_t m_wIdent3 = 0;
    int32_t m_nMainVersion = 0;  // P0-00
    int32_t m_nSubVersion = 0;   // P5-00 and the register after it
    int32_t m_nReserved = 0;
    int32_t m_nExtension = 0;  // register 0xFD00
};

}  // namespace tarn
