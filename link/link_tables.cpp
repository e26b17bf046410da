#include "link/link_tables.h"

namespace tarn {

BaudSetting BaudForCode(int code) {
    switch (code) {
        case 0: return {4800, 85};
        case 2: return {19200, 22};
        case 3: return {38400, 22};
        case 4: return {57600, 5};
        case 5: return {115200, 5};
        case 6: return {460800, 3};
        case 7: return {921600, 5};
        case 8: return {1200000, 5};
        case 9: return {4600000, 5};
        case 501: return {2000000, 10};
        default: return {9600, 35};
    }
}

ProtocolSetting ProtocolForCode(int code) {
    switch (code) {
        case 1: return {7, Parity::Even, 1, false};
        case 2: return {7, Parity::Odd, 1, false};
        case 3: return {8, Parity::None, 2, false};
        case 4: return {8, Parity::Even, 1, false};
        case 5: return {8, Parity::Odd, 1, false};
        case 6: return {8, Parity::None, 2, true};
        case 7: return {8, Parity::Even, 1, true};
        case 8: return {8, Parity::Odd, 1, true};
        default: return {7, Parity::None, 2, code >= 6};
    }
}

}  // namespace tarn
