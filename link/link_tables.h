#pragma once
// The link's fixed settings: what a baud code and a protocol code stand for.
#include <cstdint>

#include "platform/serial/serial_port.h"

namespace tarn {

struct BaudSetting {
    uint32_t baud;
    uint32_t readTotalConstantMs;  // the response time-out is 60 times this
};

struct ProtocolSetting {
    int dataBits;
    Parity parity;
    int stopBits;
    bool rtu;
};

// Unknown codes give 9600 baud.
BaudSetting BaudForCode(int code);
// Unknown codes give 7 data bits, no parity, 2 stop bits; RTU from code 6 up.
ProtocolSetting ProtocolForCode(int code);

// The settings the system always runs the link with: 921600 baud, 8N2, RTU.
constexpr int kLinkBaudCode = 7;
constexpr int kLinkProtocolCode = 6;

}  // namespace tarn
