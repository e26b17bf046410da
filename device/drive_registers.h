#pragma once
// The drive's register map as the tool uses it, and the access codes of P2-08.
#include <cstdint>

namespace tarn::reg {

// Parameter Pg-nn of axis a lies at (a x 0x2000 XOR g x 0x100) + 2 x nn; a
// 32-bit parameter keeps its low word at the lower address.
constexpr uint16_t ParamAddress(int group, int item, int axis = 0) {
    return static_cast<uint16_t>(((axis * 0x2000) ^ (group * 0x100)) + 2 * item);
}

constexpr uint16_t kMainVersion = 0x0000;     // P0-00
constexpr uint16_t kServoState = 0x005C;      // P0-46, + axis x 0x2000; bit 1: servo on
constexpr uint16_t kSpecialFunction = 0x0210; // P2-08
constexpr uint16_t kStation = 0x0300;         // P3-00
constexpr uint16_t kP3_08 = 0x0310;           // P3-08
constexpr uint16_t kSubVersion = 0x0500;      // P5-00, 32 bits
constexpr uint16_t kCommand = 0x0502;         // P5-01
constexpr uint16_t kStatus = 0x0504;          // P5-02
constexpr uint16_t kStatusReady = 0x1000;     // bit 12 of P5-02: the download is taken
constexpr uint16_t kExtension = 0xFD00;

constexpr uint16_t kGroupNumbers = 0xFE02;
constexpr uint16_t kGroupSelect = 0xFE04;
constexpr uint16_t kGroupCapacity = 0xFE06;

constexpr uint16_t kSizeDV = 0xFE08;
constexpr uint16_t kSizeProgram = 0xFE0A;
constexpr uint16_t kSizeDH = 0xFE0C;
constexpr uint16_t kSizeMV = 0xFE0E;
constexpr uint16_t kSizeX = 0xFE10;
constexpr uint16_t kSizeY = 0xFE12;
constexpr uint16_t kSizeTC = 0xFE4C;          // read as T+CU+CD; always written as 1024
constexpr uint16_t kActualDV = 0xFE4E;
constexpr uint16_t kSizeT = 0xFE50;
constexpr uint16_t kSizeTU = 0xFE52;          // T+CU
constexpr uint16_t kAutoDVStart = 0xFE54;
constexpr uint16_t kActualAutoDV = 0xFE56;
constexpr uint16_t kFatVersion = 0xFE58;

constexpr uint16_t kTcSizeWritten = 1024;

// Access codes written to P2-08.
constexpr uint16_t kCodeHidden1 = 71;
constexpr uint16_t kCodeHidden2 = 73;
constexpr uint16_t kCodeRun = 683;
constexpr uint16_t kCodeExtension = 58;

// Values written to P5-01.
constexpr uint16_t kRunStep = 0;
constexpr uint16_t kEnableP5_01 = 2;
constexpr uint16_t kParaDownload = 12;

}  // namespace tarn::reg
