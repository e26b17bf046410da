// Writes the line fuzzer's seed corpus: for every worker, the selector byte
// and the reply the virtual drive gives to the worker's own request, so that
// fuzzing starts from replies that pass every check.
//   make_line_seeds DIR
#include <cstdio>
#include <fstream>
#include <string>

#include "fuzz/line_input.h"
#include "link/link_packet.h"
#include "sim/rtu_frames.h"

int main(int argc, char** argv) {
    using namespace tarn::fuzz;
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_line_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    auto write = [&](const std::string& name, const LineRequest& r, const std::vector<uint8_t>& line) {
        std::ofstream out(dir + "/" + name, std::ios::binary);
        out.put(static_cast<char>(EncodeSelector(r)));
        out.write(reinterpret_cast<const char*>(line.data()), static_cast<std::streamsize>(line.size()));
    };
    const char* rtuNames[] = {"read-reg", "write-reg", "write-multi", "triple3", "read-cfg",
                              "upload-block", "download-block", "triple"};
    for (int worker = 0; worker < 8; ++worker) {
        LineRequest r{false, worker, 0, false};
        if (worker == 0) r.count = 2;
        if (worker == 2 || worker == 5 || worker == 6) r.count = 5;
        if (worker == 4) r.count = 16;
        write(std::string("rtu-") + rtuNames[worker], r, DriveReply(r));
    }
    // A refused write, and a read reply behind noise and a packet of another type.
    write("rtu-write-refused", {false, 1, 0, false},
          tarn::WrapLinkPacket(tarn::kLinkTypeRtuResponse, tarn::sim::ExceptionReply(1, 0x06, 0x28)));
    LineRequest read{false, 0, 2, false};
    std::vector<uint8_t> noisy = {0x00, 0xFE, 0xC8, 0x55};
    const auto reply = DriveReply(read);
    const auto foreign = tarn::WrapLinkPacket(1, {1, 3, 4, 0, 0, 0, 0});
    noisy.insert(noisy.end(), foreign.begin(), foreign.end());
    noisy.insert(noisy.end(), reply.begin(), reply.end());
    write("rtu-read-behind-noise", read, noisy);

    const char* asciiNames[] = {"read-reg", "write-reg", "write-multi", "read-cfg"};
    for (int worker = 0; worker < 4; ++worker) {
        LineRequest r{true, worker, worker == 0 ? 2 : worker == 2 ? 3 : worker == 3 ? 4 : 0, false};
        write(std::string("ascii-") + asciiNames[worker], r, DriveReply(r));
    }
    LineRequest shortRead{true, 0, 2, true};
    write("ascii-read-short", shortRead, {':', '0', '1', '8', '3', '0', '2'});
    return 0;
}
