#pragma once
// The link's framings as a table: RTU and ASCII each fill one entry with their
// one-attempt workers and the few ways they use the port; the retrying
// operations, the link lock and the messages are written once against it.
#include <cstdint>
#include <string>

namespace tarn {

class CHCT_COMM_BASE;

struct LinkFraming {
    using Link = CHCT_COMM_BASE;
    // One attempt of each operation; false leaves its message in the link.
    bool (*writeRegister)(Link&, uint8_t station, uint16_t address, uint16_t value);
    bool (*writeRegisters)(Link&, uint8_t station, uint16_t address, uint16_t count, const uint16_t* values);
    bool (*readRegisters)(Link&, uint8_t station, uint16_t address, uint16_t count, uint16_t* out);
    bool (*readConfig)(Link&, uint8_t station, uint16_t address, uint16_t count, uint16_t* out);
    bool (*readTriple)(Link&, uint8_t station, uint16_t* first, uint16_t* second, uint16_t* third);
    bool (*downloadBlock)(Link&, uint8_t station, uint8_t area, uint16_t address, uint16_t count,
                          const uint16_t* words);
    bool (*uploadBlock)(Link&, uint8_t station, uint8_t area, uint16_t address, uint8_t count, uint16_t* out);
    // "CMD : <request>\nIN  : <reply>\n" in the framing's own notation.
    std::u16string (*traceLines)(const Link&);
    // RTU: the receive thread reads the port and hands replies over; ASCII:
    // the callers read it themselves and the thread leaves it alone.
    bool receiveThreadReads;
};

}  // namespace tarn
