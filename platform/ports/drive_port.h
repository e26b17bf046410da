#pragma once
// Which serial ports the drive can be on: the friendly name of a port must carry
// the keyword of the USB-to-serial bridge that belongs to the drive's identity.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarn {

// Upper-cases the letters a to z; every other character stays as it is.
std::u16string UpperCase(std::u16string text);

// The bridge keyword for the drive identity (the first three identity words of
// the device record); empty when no port suits that identity.
std::u16string_view DrivePortKeyword(int16_t ident1, int16_t ident2, int16_t ident3);

// Whether the upper-cased friendly name contains the identity's keyword.
bool IsDrivePort(int16_t ident1, int16_t ident2, int16_t ident3, std::u16string friendlyName);

}  // namespace tarn
