#include "sim/rtu_frames.h"

#include "link/crc16.h"

namespace tarn::sim {

namespace {

uint16_t Word(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] << 8 | b[at + 1]); }

void PutWord(Bytes& b, uint16_t w) {
    b.push_back(static_cast<uint8_t>(w >> 8));
    b.push_back(static_cast<uint8_t>(w & 0xFF));
}

// The largest reply a link packet carries: 97 payload bytes.
constexpr size_t kMaxReply = 97;

}  // namespace

void AppendFrameCrc(Bytes& frame) {
    const uint16_t crc = ModbusCrc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

Bytes ExceptionReply(uint8_t station, uint8_t function, uint8_t code) {
    Bytes reply{station, static_cast<uint8_t>(function | 0x80), code};
    AppendFrameCrc(reply);
    return reply;
}

FrameStatus FindRequest(const Bytes& buffer, size_t& length) {
    if (buffer.size() < 2) return FrameStatus::Incomplete;
    switch (buffer[1]) {
        case 0x03:
        case 0x06:
        case 0x67:
        case 0xF0:
            length = 8;
            break;
        case 0xF6:
            length = 9;
            break;
        case 0x10:
            if (buffer.size() < 7) return FrameStatus::Incomplete;
            length = 9 + size_t{buffer[6]};
            break;
        case 0xF5:
            if (buffer.size() < 3) return FrameStatus::Incomplete;
            length = 5 + size_t{buffer[2]};
            break;
        default:
            return FrameStatus::UnknownFunction;
    }
    return buffer.size() >= length ? FrameStatus::Complete : FrameStatus::Incomplete;
}

Bytes BlockWriteAcknowledgement(const Bytes& request) {
    Bytes reply(request.begin(), request.begin() + 6);
    AppendFrameCrc(reply);
    return reply;
}

Bytes AnswerRequest(DriveModel& model, const Bytes& request) {
    const uint8_t station = request[0];
    const uint8_t function = request[1];
    Bytes reply{station, function};
    uint8_t code = 0;
    switch (function) {
        case 0x03: {
            const uint16_t address = Word(request, 2), count = Word(request, 4);
            if (count == 0 || 2u * count + 5 > kMaxReply) return ExceptionReply(station, function, kExcIllegalValue);
            std::vector<uint16_t> words(count);
            if ((code = model.ReadRegisters(address, count, words.data()))) break;
            reply.push_back(static_cast<uint8_t>(2 * count));
            for (uint16_t w : words) PutWord(reply, w);
            break;
        }
        case 0x06:
            if ((code = model.WriteRegister(Word(request, 2), Word(request, 4)))) break;
            reply.assign(request.begin(), request.begin() + 6);
            break;
        case 0x10: {
            const uint16_t address = Word(request, 2), count = Word(request, 4);
            if (count == 0 || request[6] != 2 * count) return ExceptionReply(station, function, kExcIllegalValue);
            std::vector<uint16_t> values(count);
            for (uint16_t i = 0; i < count; ++i) values[i] = Word(request, 7 + 2 * i);
            if ((code = model.WriteRegisters(address, count, values.data()))) break;
            reply.assign(request.begin(), request.begin() + 6);
            break;
        }
        case 0x67: {
            uint16_t words[3];
            if ((code = model.ReadTriple(Word(request, 2), words))) break;
            reply.push_back(6);
            for (uint16_t w : words) PutWord(reply, w);
            break;
        }
        case 0xF0: {
            ConfigRecord record;
            if ((code = model.ReadConfig(Word(request, 2), record))) break;
            reply.push_back(32);
            for (uint16_t w : record) PutWord(reply, w);
            break;
        }
        case 0xF5: {
            const uint8_t area = request[3];
            const uint16_t address = Word(request, 4);
            const uint16_t count = static_cast<uint16_t>((request[2] - 3) / 2);
            if (request[2] < 3 || (request[2] - 3) % 2) return ExceptionReply(station, function, kExcIllegalValue);
            std::vector<uint16_t> words(count);
            for (uint16_t i = 0; i < count; ++i) words[i] = Word(request, 6 + 2 * i);
            if ((code = model.DownloadBlock(area, address, words.data(), count))) break;
            reply.insert(reply.end(), request.begin() + 2, request.begin() + 6);
            break;
        }
        case 0xF6: {
            const uint8_t area = request[3], count = request[6];
            const uint16_t address = Word(request, 4);
            if (count == 0 || 2u * count + 8 > kMaxReply) return ExceptionReply(station, function, kExcIllegalValue);
            std::vector<uint16_t> words(count);
            if ((code = model.UploadBlock(area, address, count, words.data()))) break;
            reply.push_back(static_cast<uint8_t>(2 * count + 3));
            reply.insert(reply.end(), request.begin() + 3, request.begin() + 6);
            for (uint16_t w : words) PutWord(reply, w);
            break;
        }
        default:
            code = kExcIllegalFunction;
    }
    if (code) return ExceptionReply(station, function, code);
    AppendFrameCrc(reply);
    return reply;
}

}  // namespace tarn::sim
